#include "resources/searchpath.h"

#include <algorithm>
#include <system_error>

#include "model/file_kind.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/catalog.h"
#include "resources/util.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The folder below base whose path is the given components, each matched without
// regard to case (a mod unpacked from Windows may have "MAT" or "3DO\Mat"); empty when
// there is none.
fs::path FindFolderNoCase(const fs::path& base, std::initializer_list<std::string_view> components)
{
    fs::path at = base;
    std::error_code ec;
    for (std::string_view part : components) {
        if (part == "..") {
            at = at.parent_path();
            continue;
        }
        fs::path exact = at / std::string(part);
        if (fs::is_directory(exact, ec)) {
            at = std::move(exact);
            continue;
        }
        fs::path found;
        for (fs::directory_iterator it(at, ec), end; !ec && it != end; it.increment(ec))
            if (LowerAscii(it->path().filename().string()) == part && it->is_directory(ec)) {
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
    const FileKind kind = FileKindOf(name);
    if (kind == FileKind::Material)
        materials_.emplace(std::move(name), std::move(where));
    else if (kind == FileKind::Colormap)
        colormaps_.emplace(std::move(name), std::move(where));
}

void ResourceIndex::AddFolder(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError))
            continue;
        ResourceLocation where;
        where.file = it->path();
        Add(LowerAscii(it->path().filename().string()), std::move(where));
    }
}

Status ResourceIndex::AddArchive(const fs::path& archive)
{
    const auto dir = ReadArchiveDirectory(archive);
    if (!dir)
        return Fail(dir.error());
    if (Status intact = CheckArchiveIntact(*dir); !intact)
        return intact;
    for (const ArchiveRecord& r : dir->records) {
        ResourceLocation where;
        where.file = archive;
        where.inArchive = true;
        where.offset = r.offset;
        where.size = r.size;
        where.itemName = r.name;
        Add(LowerAscii(ShortNameOf(r.name)), std::move(where));
    }
    return {};
}

const ResourceLocation* ResourceIndex::FindMaterial(std::string_view name) const
{
    const auto it = materials_.find(LowerAscii(name));
    return it == materials_.end() ? nullptr : &it->second;
}

const ResourceLocation* ResourceIndex::FindColormap(std::string_view name) const
{
    const auto it = colormaps_.find(LowerAscii(name));
    return it == colormaps_.end() ? nullptr : &it->second;
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
    AddUnique(out, FindFolderNoCase(dir, {"mat"}));
    AddUnique(out, FindFolderNoCase(dir, {"3do", "mat"}));
    AddUnique(out, FindFolderNoCase(dir, {"..", "mat"}));
    AddUnique(out, FindFolderNoCase(dir, {"..", "3do", "mat"}));
    AddUnique(out, FindFolderNoCase(dir, {"misc", "cmp"}));
    AddUnique(out, FindFolderNoCase(dir, {"..", "misc", "cmp"}));
    return out;
}

std::shared_ptr<const ResourceIndex> IndexModFolders(const fs::path& modelFile)
{
    auto index = std::make_shared<ResourceIndex>();
    for (const fs::path& folder : ModFolders(modelFile))
        index->AddFolder(folder);
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
        if (fs::is_directory(p, ec)) {
            // A mod's root: its loose files and the game's folders for materials and colormaps.
            index_.AddFolder(p);
            for (const auto& sub : {FindFolderNoCase(p, {"mat"}), FindFolderNoCase(p, {"3do", "mat"}),
                                    FindFolderNoCase(p, {"misc", "cmp"})})
                if (!sub.empty())
                    index_.AddFolder(sub);
        } else if (Status added = index_.AddArchive(p); !added) {
            problems.push_back(entry + ": " + added.error());
        }
    }
    return problems;
}

// The mod folders, then the search path: what the first that holds name gives, or
// nothing when none does.
std::optional<Result<FoundResource>> FindInFolders(const ResourceSources& sources,
                                                   const ResourceLocation* (ResourceIndex::*find)(std::string_view)
                                                       const,
                                                   std::string_view name)
{
    for (const ResourceIndex* index :
         {sources.modFolders.get(), sources.searchPath ? &sources.searchPath->Index() : nullptr}) {
        if (!index)
            continue;
        if (const ResourceLocation* where = (index->*find)(name)) {
            auto bytes = ReadLocation(*where);
            if (!bytes)
                return Result<FoundResource>(Fail(where->Describe() + ": " + bytes.error()));
            FoundResource found;
            found.bytes = std::move(*bytes);
            found.origin = where->Describe();
            return Result<FoundResource>(std::move(found));
        }
    }
    return std::nullopt;
}

Result<FoundResource> FindMaterial(const ResourceSources& sources, std::string_view name)
{
    FoundResource found;
    if (sources.catalog)
        if (const CTreeObject* stock = sources.catalog->materials.Lookup(name)) {
            auto bytes = ReadEntryData(sources.resourceFile, *stock);
            if (!bytes)
                return Fail(bytes.error());
            found.bytes = std::move(*bytes);
            found.origin = ArchiveLabel(sources.resourceFile);
            return found;
        }
    if (sources.customMaterials)
        for (const auto& e : sources.customMaterials->Entries())
            if (CompareNoCase(e->shortName, name) == 0) {
                found.bytes = e->data;
                found.origin = "the project's custom materials";
                return found;
            }
    if (auto inFolders = FindInFolders(sources, &ResourceIndex::FindMaterial, name))
        return std::move(*inFolders);
    if (sources.catalog)
        if (const CTreeObject* fallback = sources.catalog->materials.Lookup(kFallbackMaterial)) {
            auto bytes = ReadEntryData(sources.resourceFile, *fallback);
            if (!bytes)
                return Fail(bytes.error());
            found.bytes = std::move(*bytes);
            found.origin = std::string(name) + " was not found; " + kFallbackMaterial + " of " +
                           ArchiveLabel(sources.resourceFile) + " stands in";
            found.fallback = true;
            return found;
        }
    return Fail("neither the material " + std::string(name) + " nor " + kFallbackMaterial + " is available");
}

bool HasMaterial(const ResourceSources& sources, std::string_view name)
{
    if (sources.catalog && sources.catalog->materials.Lookup(name))
        return true;
    if (sources.customMaterials)
        for (const auto& e : sources.customMaterials->Entries())
            if (CompareNoCase(e->shortName, name) == 0)
                return true;
    return (sources.modFolders && sources.modFolders->FindMaterial(name)) ||
           (sources.searchPath && sources.searchPath->Index().FindMaterial(name));
}

Result<FoundResource> FindColormap(const ResourceSources& sources, std::string_view name)
{
    FoundResource found;
    auto fromCatalog = [&](const CTreeObject& entry) -> Status {
        if (entry.size < kColormapDataSize)
            return Fail("colormap " + entry.name + " is too short (" + std::to_string(entry.size) + " bytes)");
        auto bytes = ReadFileRange(sources.resourceFile, entry.offset, kColormapDataSize);
        if (!bytes)
            return Fail(bytes.error());
        found.bytes = std::move(*bytes);
        return {};
    };
    if (sources.catalog)
        if (const CTreeObject* entry = sources.catalog->colormaps.Lookup(name)) {
            if (Status read = fromCatalog(*entry); !read)
                return Fail(read.error());
            found.origin = ArchiveLabel(sources.resourceFile);
            return found;
        }
    if (auto inFolders = FindInFolders(sources, &ResourceIndex::FindColormap, name))
        return std::move(*inFolders);
    if (sources.catalog)
        if (const CTreeObject* entry = sources.catalog->colormaps.Lookup(kFallbackColormap)) {
            if (Status read = fromCatalog(*entry); !read)
                return Fail(read.error());
            found.origin = std::string(name) + " was not found; " + kFallbackColormap + " of " +
                           ArchiveLabel(sources.resourceFile) + " stands in";
            found.fallback = true;
            return found;
        }
    return Fail("neither the colormap " + std::string(name) + " nor " + kFallbackColormap + " is available");
}

Result<Palette> ColormapCache::Get(const ResourceSources& sources, const std::string& name)
{
    const std::string key = LowerAscii(name);
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
                                   std::function<const CTree*()> customMaterials)
{
    struct State {
        ResourceSources sources;
        std::string colormap;
        std::function<const CTree*()> customMaterials;
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
