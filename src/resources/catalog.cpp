#include "resources/catalog.h"

#include <algorithm>
#include <fstream>

#include "base/text.h"
#include "model/file_kind.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

bool CanOpen(const fs::path& p)
{
    if (p.empty())
        return false;
    std::error_code ec;
    if (fs::is_directory(p, ec))
        return false;
    std::ifstream in(p, std::ios::binary);
    return in.is_open();
}

// SortedEntryList::Add applied to each entry in turn puts names in order and a newer namesake
// before the older ones; one sort gives the same order without moving the array
// once per entry.
void FillSorted(SortedEntryList& tree, std::vector<std::unique_ptr<CTreeObject>> entries)
{
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = CompareNoCase(entries[a]->shortName, entries[b]->shortName);
        return c != 0 ? c < 0 : a > b;
    });
    auto& out = tree.Entries();
    out.clear();
    out.reserve(entries.size());
    for (std::size_t i : order)
        out.push_back(std::move(entries[i]));
}

}  // namespace

void ResourceCatalog::Clear()
{
    materials.Clear();
    colormaps.Clear();
    keyframes.Clear();
    puppets.Clear();
}

bool ResourceCatalog::Empty() const
{
    return materials.Count() == 0 && colormaps.Count() == 0 && keyframes.Count() == 0 && puppets.Count() == 0;
}

ResourceKind ClassifyResource(std::string_view name)
{
    const FileKind kind = FileKindOf(name);
    if (Contains(name, "3do\\mat\\") && kind == FileKind::Material)
        return ResourceKind::Material;
    if (Contains(name, "3do\\key\\") && kind == FileKind::Keyframe)
        return ResourceKind::Keyframe;
    if (!Contains(name, "3do") && kind == FileKind::Colormap)
        return ResourceKind::Colormap;
    if (kind == FileKind::Puppet)
        return ResourceKind::Puppet;
    return ResourceKind::None;
}

void BuildCatalog(const std::vector<ArchiveRecord>& records, ResourceCatalog& catalog)
{
    catalog.Clear();
    std::vector<std::unique_ptr<CTreeObject>> lists[4];
    for (const auto& r : records) {
        std::string name = ToLowerAscii(r.name);
        const ResourceKind kind = ClassifyResource(name);
        if (kind == ResourceKind::None)
            continue;
        lists[static_cast<int>(kind) - 1].push_back(std::make_unique<CTreeObject>(std::move(name), r.offset, r.size));
    }
    FillSorted(catalog.materials, std::move(lists[static_cast<int>(ResourceKind::Material) - 1]));
    FillSorted(catalog.keyframes, std::move(lists[static_cast<int>(ResourceKind::Keyframe) - 1]));
    FillSorted(catalog.colormaps, std::move(lists[static_cast<int>(ResourceKind::Colormap) - 1]));
    FillSorted(catalog.puppets, std::move(lists[static_cast<int>(ResourceKind::Puppet) - 1]));
}

Result<CatalogLoad> LoadCatalog(const fs::path& archive, ResourceCatalog& catalog)
{
    catalog.Clear();
    const auto dir = ReadArchiveDirectory(archive);
    if (!dir)
        return Fail(dir.error());
    BuildCatalog(dir->records, catalog);
    CatalogLoad load;
    if (dir->Truncated() || dir->BadDirectoryOffset())
        load.warning = CheckArchiveIntact(*dir).error();
    return load;
}

Result<std::vector<uint8_t>> ReadEntryData(const fs::path& resourceFile, const CTreeObject& entry)
{
    ArchiveRecord r;
    r.name = entry.name;
    r.offset = entry.offset;
    r.size = entry.size;
    return ReadArchiveEntry(resourceFile, r);
}

LocateResult LocateResources(int product, const LocateOptions& options, ResourceCatalog& catalog)
{
    catalog.Clear();
    LocateResult result;
    const bool jk = product == 0;
    result.windowText = jk ? "Orvane - Jedi Knight mode" : "Orvane - Mysteries of the Sith mode";
    const char* key = jk ? kJediKnightKey : kMotsKey;
    const char* archiveName = jk ? "res2.gob" : "jkmres.goo";

    result.installPath = options.previousInstallPath;
    const bool keyOpens = options.registry && options.registry->HasKey(key);
    if (keyOpens)
        if (auto v = options.registry->ReadString(key, kInstallPathValue))
            result.installPath = *v;
    result.episodeDirectory = result.installPath + "\\episode\\";
    result.episodePath = MapGamePath(result.episodeDirectory, options.winePrefix);

    fs::path archive = MapGamePath(result.installPath + "\\resource\\" + archiveName, options.winePrefix);
    if (!CanOpen(archive) && keyOpens)
        if (auto v = options.registry->ReadString(key, kSourceDirValue))
            archive = MapGamePath(*v + "gamedata\\resource\\" + archiveName, options.winePrefix);

    if (!CanOpen(archive)) {
        if (!CanOpen(options.sampleArchive)) {
            result.message = kMissingResourcesMessage;
            return result;
        }
        archive = options.sampleArchive;
        result.usingSample = true;
        result.statusText = std::string(jk ? "Jedi Knight" : "Mysteries of the Sith") +
                            " resource files not found: using the sample resources";
    }
    result.resourceFile = archive;
    const auto load = LoadCatalog(archive, catalog);
    result.warning = load ? load->warning : load.error();
    return result;
}

}  // namespace orv
