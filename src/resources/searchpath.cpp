#include "resources/searchpath.h"

#include <algorithm>
#include <system_error>

#include "base/text.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/model.h"
#include "resources/archive.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The folder below base whose path is the given components, each matched without
// regard to case (a mod unpacked from Windows may have "MAT" or "3DO\Mat"); empty when
// there is none.
fs::path FindFolderNoCase(const fs::path& base, const std::vector<std::string_view>& components)
{
    fs::path at = base;
    std::error_code ec;
    for (std::string_view part : components) {
        fs::path exact = at / std::string(part);
        if (fs::is_directory(exact, ec)) {
            at = std::move(exact);
            continue;
        }
        fs::path found;
        for (fs::directory_iterator it(at, ec), end; !ec && it != end; it.increment(ec))
            if (ToLowerAscii(it->path().filename().string()) == part && it->is_directory(ec)) {
                found = it->path();
                break;
            }
        if (found.empty())
            return {};
        at = std::move(found);
    }
    return fs::is_directory(at, ec) ? at : fs::path();
}

void AddUnique(std::vector<fs::path>& list, const fs::path& folder)
{
    if (folder.empty())
        return;
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(folder, ec);
    if (ec)
        canonical = folder.lexically_normal();
    if (std::find(list.begin(), list.end(), canonical) == list.end())
        list.push_back(std::move(canonical));
}

std::string ArchiveLabel(const fs::path& file) { return "the game's archive " + file.filename().string(); }

std::size_t KindSlot(ResourceKind kind) { return static_cast<std::size_t>(kind) - 1; }

ResourceKind KindOfFile(std::string_view name)
{
    switch (FileKindOf(name)) {
    case FileKind::Material: return ResourceKind::Material;
    case FileKind::Colormap: return ResourceKind::Colormap;
    case FileKind::Keyframe: return ResourceKind::Keyframe;
    case FileKind::Puppet: return ResourceKind::Puppet;
    default: return ResourceKind::None;
    }
}

const SortedEntryList* CatalogList(const ResourceCatalog& catalog, ResourceKind kind)
{
    switch (kind) {
    case ResourceKind::Material: return &catalog.materials;
    case ResourceKind::Colormap: return &catalog.colormaps;
    case ResourceKind::Keyframe: return &catalog.keyframes;
    case ResourceKind::Puppet: return &catalog.puppets;
    default: return nullptr;
    }
}

const char* KindWord(ResourceKind kind)
{
    switch (kind) {
    case ResourceKind::Material: return "material";
    case ResourceKind::Colormap: return "colormap";
    case ResourceKind::Keyframe: return "keyframe";
    case ResourceKind::Puppet: return "puppet file";
    default: return "file";
    }
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const auto& p : parts)
        out += (out.empty() ? "" : ", ") + p;
    return out;
}

// The sub-folders of a mod's root that hold the game's resources.
const std::vector<std::string_view> kResourceFolders[] = {
    {"mat"}, {"3do", "mat"}, {"3do", "key"}, {"misc", "cmp"}, {"misc", "pup"}};

// The archives of one folder, by name.
std::vector<fs::path> ArchivesIn(const fs::path& folder)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (it->is_regular_file(fileError) && FileKindOf(it->path().filename().string()) == FileKind::Archive)
            out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A mod's root as the user lists it: its loose folders, then its archives.
void AddModRoot(ResourceIndex& index, const fs::path& root)
{
    index.AddFolder(root);
    for (const auto& sub : kResourceFolders)
        if (fs::path folder = FindFolderNoCase(root, sub); !folder.empty())
            index.AddFolder(folder);
    for (const fs::path& archive : ArchivesIn(root))
        (void)index.AddArchive(archive);
}

// Where a name is, without reading it: one of the custom materials, a place of the mod or
// the search path, or an entry of the game's catalogue.
struct Located {
    const CTreeObject* custom = nullptr;
    const ResourceLocation* where = nullptr;
    const CTreeObject* stock = nullptr;
    explicit operator bool() const { return custom || where || stock; }
};

Located Locate(const ResourceSources& sources, ResourceKind kind, std::string_view name)
{
    Located at;
    if (kind == ResourceKind::Material && sources.customMaterials)
        for (const auto& e : sources.customMaterials->Entries())
            if (CompareNoCase(e->shortName, name) == 0) {
                at.custom = e.get();
                return at;
            }
    for (const ResourceIndex* index :
         {sources.modFolders.get(), sources.searchPath ? &sources.searchPath->Index() : nullptr})
        if (index)
            if ((at.where = index->Find(kind, name)))
                return at;
    if (sources.catalog)
        if (const SortedEntryList* list = CatalogList(*sources.catalog, kind))
            at.stock = list->Lookup(name);
    return at;
}

// A stock entry's bytes: a colormap only as far as its palette and tables go (the
// transparency table included, when the entry holds one).
Result<std::vector<uint8_t>> ReadStock(const ResourceSources& sources, ResourceKind kind, const CTreeObject& entry)
{
    if (kind != ResourceKind::Colormap)
        return ReadEntryData(sources.resourceFile, entry);
    if (entry.size < kColormapDataSize)
        return Fail("colormap " + entry.name + " is too short (" + std::to_string(entry.size) + " bytes)");
    return ReadFileRange(sources.resourceFile, entry.offset,
                         std::min<std::size_t>(entry.size, kColormapDataSize + kTransparencyTableSize));
}

Result<FoundResource> Read(const ResourceSources& sources, ResourceKind kind, const Located& at)
{
    FoundResource found;
    if (at.custom) {
        found.bytes = at.custom->data;
        found.name = at.custom->shortName;
        found.origin = "the project's custom materials";
        return found;
    }
    if (at.where) {
        auto bytes = ReadLocation(*at.where);
        if (!bytes)
            return Fail(at.where->Describe() + ": " + bytes.error());
        found.bytes = std::move(*bytes);
        found.name = ShortNameOf(at.where->inArchive ? at.where->itemName : at.where->file.filename().string());
        found.origin = at.where->Describe();
        return found;
    }
    auto bytes = ReadStock(sources, kind, *at.stock);
    if (!bytes)
        return Fail(bytes.error());
    found.bytes = std::move(*bytes);
    found.name = at.stock->shortName;
    found.origin = ArchiveLabel(sources.resourceFile);
    found.stock = true;
    return found;
}

std::string NotFound(const ResourceSources& sources, ResourceKind kind, std::string_view name)
{
    const auto places = SearchedPlaces(sources, kind);
    return std::string(KindWord(kind)) + " " + std::string(name) + " was not found" +
           (places.empty() ? std::string(" (there are no resources to look in)") : " (looked in " + Join(places) + ")");
}

bool HasFolder(std::string_view name) { return name.find_first_of("/\\") != std::string_view::npos; }

// A colormap file given by its path.
std::optional<Result<FoundResource>> ColormapFile(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return std::nullopt;
    auto bytes = ReadWholeFile(file);
    if (!bytes)
        return Result<FoundResource>(Fail(file.string() + ": " + bytes.error()));
    FoundResource found;
    found.bytes = std::move(*bytes);
    found.name = file.filename().string();
    found.origin = file.string();
    return Result<FoundResource>(std::move(found));
}

}  // namespace

std::string ResourceLocation::Describe() const
{
    if (inArchive)
        return file.string() + " (" + itemName + ")";
    return file.string();
}

Result<std::vector<uint8_t>> ReadLocation(const ResourceLocation& where)
{
    if (!where.inArchive)
        return ReadWholeFile(where.file);
    return ReadFileRange(where.file, where.offset, where.size);
}

void ResourceIndex::Add(std::string name, ResourceLocation where)
{
    const ResourceKind kind = KindOfFile(name);
    if (kind == ResourceKind::None)
        return;
    Kind& k = kinds_[KindSlot(kind)];
    if (k.byName.emplace(name, std::move(where)).second)
        k.order.push_back(std::move(name));
}

void ResourceIndex::AddFolder(const fs::path& folder)
{
    places_.push_back(folder.string());
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (it->is_regular_file(fileError))
            files.push_back(it->path());
    }
    // By name, so that of two files differing only in case the same one wins every time.
    std::sort(files.begin(), files.end());
    for (fs::path& file : files) {
        ResourceLocation where;
        std::string name = ToLowerAscii(file.filename().string());
        where.file = std::move(file);
        Add(std::move(name), std::move(where));
    }
}

Status ResourceIndex::AddArchive(const fs::path& archive)
{
    const auto dir = ReadArchiveDirectory(archive);
    Status intact = dir ? CheckArchiveIntact(*dir) : Status(Fail(dir.error()));
    if (!intact) {
        problems_.push_back(archive.string() + ": " + intact.error());
        return intact;
    }
    places_.push_back(archive.string());
    for (const ArchiveRecord& r : dir->records) {
        ResourceLocation where;
        where.file = archive;
        where.inArchive = true;
        where.offset = r.offset;
        where.size = r.size;
        where.itemName = r.name;
        Add(ToLowerAscii(ShortNameOf(r.name)), std::move(where));
    }
    return {};
}

const ResourceLocation* ResourceIndex::Find(ResourceKind kind, std::string_view name) const
{
    if (kind == ResourceKind::None)
        return nullptr;
    const auto& map = kinds_[KindSlot(kind)].byName;
    const auto it = map.find(ToLowerAscii(name));
    return it == map.end() ? nullptr : &it->second;
}

const std::vector<std::string>& ResourceIndex::Names(ResourceKind kind) const
{
    static const std::vector<std::string> none;
    return kind == ResourceKind::None ? none : kinds_[KindSlot(kind)].order;
}

bool ResourceIndex::Empty() const
{
    return std::all_of(kinds_.begin(), kinds_.end(), [](const Kind& k) { return k.order.empty(); });
}

std::vector<fs::path> ModFolders(const fs::path& modelFile)
{
    std::vector<fs::path> out;
    if (modelFile.empty())
        return out;
    std::error_code ec;
    const fs::path dir = fs::absolute(modelFile, ec).parent_path();
    if (ec || !fs::is_directory(dir, ec))
        return out;
    AddUnique(out, dir);
    for (const fs::path& root : {dir, dir.parent_path()})
        for (const auto& sub : kResourceFolders)
            AddUnique(out, FindFolderNoCase(root, sub));
    return out;
}

std::vector<fs::path> ModArchives(const fs::path& modelFile)
{
    std::vector<fs::path> out;
    if (modelFile.empty())
        return out;
    std::error_code ec;
    const fs::path dir = fs::absolute(modelFile, ec).parent_path();
    if (ec)
        return out;
    out = ArchivesIn(dir);
    // Only a folder laid out as the game's is a mod's: the parent of another may hold
    // other mods' archives.
    if (ToLowerAscii(dir.filename().string()) == "3do")
        for (fs::path& archive : ArchivesIn(dir.parent_path()))
            out.push_back(std::move(archive));
    return out;
}

std::shared_ptr<const ResourceIndex> IndexMod(const fs::path& modelFile)
{
    auto index = std::make_shared<ResourceIndex>();
    for (const fs::path& folder : ModFolders(modelFile))
        index->AddFolder(folder);
    for (const fs::path& archive : ModArchives(modelFile))
        (void)index->AddArchive(archive);
    return index;
}

std::vector<std::string> ResourceSearchPath::Set(std::vector<std::string> entries)
{
    entries_ = std::move(entries);
    index_ = ResourceIndex{};
    std::vector<std::string> problems;
    for (const std::string& entry : entries_) {
        std::error_code ec;
        const fs::path p(entry);
        const std::size_t before = index_.Problems().size();
        if (fs::is_directory(p, ec))
            AddModRoot(index_, p);
        else
            (void)index_.AddArchive(p);
        for (std::size_t i = before; i < index_.Problems().size(); ++i)
            problems.push_back(index_.Problems()[i]);
    }
    return problems;
}

std::vector<std::string> SearchedPlaces(const ResourceSources& sources, ResourceKind kind)
{
    std::vector<std::string> places;
    if (kind == ResourceKind::Material && sources.customMaterials && sources.customMaterials->Count() > 0)
        places.push_back("the project's custom materials");
    for (const ResourceIndex* index :
         {sources.modFolders.get(), sources.searchPath ? &sources.searchPath->Index() : nullptr})
        if (index)
            places.insert(places.end(), index->Places().begin(), index->Places().end());
    if (sources.catalog)
        places.push_back(ArchiveLabel(sources.resourceFile));
    return places;
}

Result<FoundResource> FindResource(const ResourceSources& sources, ResourceKind kind, std::string_view name)
{
    const Located at = Locate(sources, kind, name);
    if (!at)
        return Fail(NotFound(sources, kind, name));
    return Read(sources, kind, at);
}

bool HasResource(const ResourceSources& sources, ResourceKind kind, std::string_view name)
{
    return static_cast<bool>(Locate(sources, kind, name));
}

Result<FoundResource> FindMaterial(const ResourceSources& sources, std::string_view name)
{
    auto found = FindResource(sources, ResourceKind::Material, name);
    if (found || !sources.catalog)
        return found;
    const CTreeObject* fallback = sources.catalog->materials.Lookup(kFallbackMaterial);
    if (!fallback)
        return Fail(found.error() + "; " + ArchiveLabel(sources.resourceFile) + " has no " + kFallbackMaterial +
                    " to stand in");
    auto bytes = ReadEntryData(sources.resourceFile, *fallback);
    if (!bytes)
        return Fail(bytes.error());
    FoundResource standIn;
    standIn.bytes = std::move(*bytes);
    standIn.name = kFallbackMaterial;
    standIn.origin = std::string(name) + " was not found; " + kFallbackMaterial + " of " +
                     ArchiveLabel(sources.resourceFile) + " stands in";
    standIn.fallback = true;
    return standIn;
}

bool HasMaterial(const ResourceSources& sources, std::string_view name)
{
    return HasResource(sources, ResourceKind::Material, name);
}

Result<FoundResource> FindColormap(const ResourceSources& sources, std::string_view given)
{
    std::string name(given);
    if (HasFolder(given)) {
        if (auto file = ColormapFile(fs::path(name)))
            return std::move(*file);
        name = name.substr(name.find_last_of("/\\") + 1);
    }
    auto found = FindResource(sources, ResourceKind::Colormap, name);
    if (found)
        return found;
    if (!HasFolder(given))
        if (auto file = ColormapFile(fs::path(name)))
            return std::move(*file);
    // Named nowhere: the mod's own colormap (a mod holds the one its levels use), then
    // the game's default.
    auto standIn = [&](const Located& at, const std::string& whose) -> Result<FoundResource> {
        auto read = Read(sources, ResourceKind::Colormap, at);
        if (!read)
            return read;
        read->origin =
            std::string(given) + " was not found; " + whose + read->name + " (" + read->origin + ") stands in";
        read->fallback = true;
        return read;
    };
    for (const ResourceIndex* index :
         {sources.modFolders.get(), sources.searchPath ? &sources.searchPath->Index() : nullptr}) {
        if (!index || index->Names(ResourceKind::Colormap).empty())
            continue;
        const auto& names = index->Names(ResourceKind::Colormap);
        const std::string& pick =
            std::find(names.begin(), names.end(), "dflt.cmp") != names.end() ? std::string("dflt.cmp") : names.front();
        Located at;
        at.where = index->Find(ResourceKind::Colormap, pick);
        return standIn(at, index == sources.modFolders.get() ? "the mod's " : "the resources' ");
    }
    if (!sources.catalog)
        return found;
    const CTreeObject* entry = sources.catalog->colormaps.Lookup(kFallbackColormap);
    if (!entry)
        return Fail(found.error() + "; " + ArchiveLabel(sources.resourceFile) + " has no " + kFallbackColormap +
                    " to stand in");
    Located at;
    at.stock = entry;
    return standIn(at, "");
}

std::vector<std::string> MissingResources::Lines() const
{
    std::vector<std::string> lines;
    for (const auto& m : materials)
        lines.push_back("material " + m + " was not found");
    for (const auto& k : keyframes)
        lines.push_back("keyframe " + k + " was not found");
    if (!materials.empty())
        lines.push_back("materials were looked for in " + materialPlaces);
    if (!keyframes.empty())
        lines.push_back("keyframes were looked for in " + keyframePlaces);
    return lines;
}

std::string MissingResources::Summary() const
{
    if (Empty())
        return {};
    // "a, b and c", the first few of a long list.
    auto list = [](const std::vector<std::string>& names) {
        constexpr std::size_t kShown = 6;
        const std::size_t shown = names.size() > kShown + 1 ? kShown : names.size();
        std::string text;
        for (std::size_t i = 0; i < shown; ++i)
            text += (i == 0 ? "" : i + 1 == shown && shown == names.size() ? " and " : ", ") + names[i];
        if (shown < names.size())
            text += " and " + std::to_string(names.size() - shown) + " more";
        return text;
    };
    std::string text = "Not found: ";
    if (!materials.empty())
        text += std::to_string(materials.size()) + " of " + std::to_string(materialCount) + " materials (" +
                list(materials) + ")";
    if (!keyframes.empty())
        text += std::string(materials.empty() ? "" : " and ") +
                (keyframes.size() == 1 ? "the keyframe " : "the keyframes ") + list(keyframes);
    text += "; looked for in " + (materials.empty() ? keyframePlaces : materialPlaces) + ".";
    if (!keyframes.empty())
        text += " A sub-mode plays only once its keyframe is found.";
    return text + " Tools > Check Model lists them.";
}

MissingResources FindMissingResources(const CModel& model, const ResourceSources& sources)
{
    MissingResources missing;
    std::vector<std::string> seen;
    auto once = [&seen](const std::string& name) {
        const std::string key = ToLowerAscii(name);
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            return false;
        seen.push_back(key);
        return true;
    };
    missing.materialCount = model.materials.size();
    for (const std::string& m : model.materials)
        if (once(m) && !HasMaterial(sources, m))
            missing.materials.push_back(m);
    for (const auto& mode : model.puppetModes)
        for (const auto& item : mode.items)
            if (!item.keyFile.empty() && once(item.keyFile) &&
                !HasResource(sources, ResourceKind::Keyframe, item.keyFile))
                missing.keyframes.push_back(item.keyFile);
    auto where = [&sources](ResourceKind kind) {
        const std::string places = Join(SearchedPlaces(sources, kind));
        return places.empty() ? std::string("no place: there are no resources") : places;
    };
    missing.materialPlaces = where(ResourceKind::Material);
    missing.keyframePlaces = where(ResourceKind::Keyframe);
    return missing;
}

Result<Palette> ColormapCache::Get(const ResourceSources& sources, const std::string& name)
{
    const std::string key = ToLowerAscii(name);
    auto it = palettes_.find(key);
    if (it == palettes_.end()) {
        Result<Palette> palette = Fail({});
        if (auto found = FindColormap(sources, name)) {
            if (auto cmp = ParseColormap(found->bytes))
                palette = cmp->palette;
            else
                palette = Fail(found->origin + ": " + cmp.error());
        } else {
            palette = Fail(found.error());
        }
        it = palettes_.emplace(key, std::move(palette)).first;
    }
    return it->second;
}

Result<MaterialImage> ResolveMaterialImage(const ResourceSources& sources, std::string_view materialName,
                                           std::string_view colormapName, ColormapCache* cache)
{
    const auto mat = FindMaterial(sources, materialName);
    if (!mat)
        return Fail(mat.error());
    if (!MatNeedsColormap(mat->bytes))
        return ConvertMat(mat->bytes, nullptr);
    ColormapCache local;
    const auto palette = (cache ? *cache : local).Get(sources, std::string(colormapName));
    if (!palette)
        return Fail(palette.error());
    return ConvertMat(mat->bytes, *palette);
}

TextureSizeFn MaterialSizeFunction(ResourceSources sources, std::string colormapName,
                                   std::function<const SortedEntryList*()> customMaterials)
{
    struct State {
        ResourceSources sources;
        std::string colormap;
        std::function<const SortedEntryList*()> customMaterials;
        ColormapCache colormaps;
        std::map<std::string, std::optional<TextureSize>> sizes;
    };
    auto state = std::make_shared<State>();
    state->sources = std::move(sources);
    state->colormap = std::move(colormapName);
    state->customMaterials = std::move(customMaterials);
    return [state](const std::string& material) -> std::optional<TextureSize> {
        auto it = state->sizes.find(material);
        if (it != state->sizes.end())
            return it->second;
        if (state->customMaterials)
            state->sources.customMaterials = state->customMaterials();
        std::optional<TextureSize> size;
        if (auto image = ResolveMaterialImage(state->sources, material, state->colormap, &state->colormaps))
            size = TextureSize{image->width, image->height};
        state->sizes.emplace(material, size);
        return size;
    };
}

}  // namespace orv
