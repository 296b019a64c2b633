// Where materials and colormaps are looked for besides the game's catalogue: the folders
// a mod keeps them in around the model, and the archives and folders the user lists.
// Every place is indexed once (one directory read per archive, one listing per folder),
// so looking up a name never reads a directory again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/result.h"
#include "model/corners.h"
#include "model/tree.h"
#include "resources/material.h"

namespace orv {

struct ResourceCatalog;

// Where one file is: a loose file, or an item of an archive.
struct ResourceLocation {
    std::filesystem::path file;  // the loose file, or the archive
    bool inArchive = false;
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string itemName;  // the item's name in the archive

    // "/mods/x/mat/y.mat", or "extra.gob (mat\y.mat)".
    std::string Describe() const;
};

Result<std::vector<uint8_t>> ReadLocation(const ResourceLocation& where);

// The materials (*.mat) and colormaps (*.cmp) of some places, by short name without
// regard to case; the first place that has a name keeps it.
class ResourceIndex {
public:
    // The files of one folder (not its subfolders).
    void AddFolder(const std::filesystem::path& folder);
    // Every item of an archive, whatever its folder inside the archive.
    Status AddArchive(const std::filesystem::path& archive);

    const ResourceLocation* FindMaterial(std::string_view name) const;
    const ResourceLocation* FindColormap(std::string_view name) const;
    bool Empty() const { return materials_.empty() && colormaps_.empty(); }

private:
    void Add(std::string name, ResourceLocation where);

    std::unordered_map<std::string, ResourceLocation> materials_;
    std::unordered_map<std::string, ResourceLocation> colormaps_;
};

// The folders of a mod around a model file, in the order they are searched: beside the
// model, mat/, 3do/mat/, ../mat/, ../3do/mat/, misc/cmp/ and ../misc/cmp/ (folder names
// without regard to case). Folders that do not exist are left out.
std::vector<std::filesystem::path> ModFolders(const std::filesystem::path& modelFile);
// Those folders indexed; an empty index for an empty path (a document without a file).
std::shared_ptr<const ResourceIndex> IndexModFolders(const std::filesystem::path& modelFile);

// The extra archives and folders the user lists, searched in order. A folder is searched
// as a mod's root: itself, mat/, 3do/mat/ and misc/cmp/.
class ResourceSearchPath {
public:
    // Indexes every entry; an entry that cannot be read is left out with a line saying
    // why ("extra.gob: damaged ...") in the result.
    std::vector<std::string> Set(std::vector<std::string> entries);
    const std::vector<std::string>& Entries() const { return entries_; }
    const ResourceIndex& Index() const { return index_; }

private:
    std::vector<std::string> entries_;
    ResourceIndex index_;
};

// Everything a name is looked for in, in this order: the game's catalogue, the
// document's custom materials (materials only), the mod's folders around the model, the
// search path; last the catalogue's fallback ("00cab02.mat", "01redmap.cmp").
struct ResourceSources {
    const ResourceCatalog* catalog = nullptr;
    std::filesystem::path resourceFile;
    const CTree* customMaterials = nullptr;
    std::shared_ptr<const ResourceIndex> modFolders;
    const ResourceSearchPath* searchPath = nullptr;
};

// A material's or colormap's bytes and where they came from.
struct FoundResource {
    std::vector<uint8_t> bytes;
    std::string origin;     // "the game's archive res2.gob", "custom material", a path
    bool fallback = false;  // the name was found nowhere; these are the fallback's bytes
};

Result<FoundResource> FindMaterial(const ResourceSources& sources, std::string_view name);
// Whether one of the sources holds the material itself (the fallback does not count);
// nothing is read.
bool HasMaterial(const ResourceSources& sources, std::string_view name);
Result<FoundResource> FindColormap(const ResourceSources& sources, std::string_view name);

// Palettes of colormaps already read, by name: many materials go through one colormap.
class ColormapCache {
public:
    Result<Palette> Get(const ResourceSources& sources, const std::string& name);

private:
    std::map<std::string, Result<Palette>> palettes_;
};

// Resolves and converts a material; a 16-bit material needs no colormap. Fails when the
// material (or the colormap of an 8-bit one) cannot be found or converted.
Result<MaterialImage> ResolveMaterialImage(const ResourceSources& sources, std::string_view materialName,
                                           std::string_view colormapName, ColormapCache* cache = nullptr);

// Texture sizes as drawing uses them, remembered per name (see the catalogue-only
// MaterialSizeFunction). What sources point to must outlive the function. With
// customMaterials, the custom materials are those it gives when a size is asked for (a
// document's model is replaced when a file opens), not those of sources.
TextureSizeFn MaterialSizeFunction(ResourceSources sources, std::string colormapName,
                                   std::function<const CTree*()> customMaterials = {});

}  // namespace orv
