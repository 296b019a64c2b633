// Where a model's resources (materials, colormaps, keyframes, puppet files) are looked
// for, and the one order every look-up goes in: the mod around the model (its folders,
// then its archives), the archives and folders the user lists, and last the game's
// archive. A mod's own files win over the game's of the same name, as they do in the
// game. Every place is indexed once (one directory read per archive, one listing per
// folder), so looking up a name never reads a directory again.
#pragma once

#include <array>
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
#include "resources/catalog.h"
#include "resources/material.h"

namespace orv {

class CModel;

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

// The materials (*.mat), colormaps (*.cmp), keyframes (*.key) and puppet files (*.pup)
// of some places, by short name without regard to case; the first place that has a
// name keeps it.
class ResourceIndex {
public:
    // The files of one folder (not its subfolders).
    void AddFolder(const std::filesystem::path& folder);
    // Every item of an archive, whatever its folder inside the archive. A damaged one
    // adds nothing and is kept among the problems.
    Status AddArchive(const std::filesystem::path& archive);

    const ResourceLocation* Find(ResourceKind kind, std::string_view name) const;
    // The names of a kind (lower-cased), in the order they were added.
    const std::vector<std::string>& Names(ResourceKind kind) const;
    // The places added, as told to the user, in their order.
    const std::vector<std::string>& Places() const { return places_; }
    // The archives that could not be read ("/mods/x/a.gob: damaged ...").
    const std::vector<std::string>& Problems() const { return problems_; }
    bool Empty() const;

private:
    struct Kind {
        std::unordered_map<std::string, ResourceLocation> byName;
        std::vector<std::string> order;
    };
    void Add(std::string name, ResourceLocation where);

    std::array<Kind, 4> kinds_;
    std::vector<std::string> places_;
    std::vector<std::string> problems_;
};

// The folders of a mod around a model file, in the order they are searched: beside the
// model, then below the model's folder and below its parent each of mat/, 3do/mat/,
// 3do/key/, misc/cmp/ and misc/pup/ (folder names without regard to case). Folders that
// do not exist are left out.
std::vector<std::filesystem::path> ModFolders(const std::filesystem::path& modelFile);
// The mod's archives (*.gob, *.goo, by name): those beside the model and, for a model in
// a 3do/ folder, those of the mod's root above it.
std::vector<std::filesystem::path> ModArchives(const std::filesystem::path& modelFile);
// The mod's folders, then its archives, indexed; an empty index for an empty path (a
// document without a file).
std::shared_ptr<const ResourceIndex> IndexMod(const std::filesystem::path& modelFile);

// The extra archives and folders the user lists, searched in order. A folder is searched
// as a mod's root: itself, its mat/, 3do/mat/, 3do/key/, misc/cmp/ and misc/pup/, then
// its archives.
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

// Everything a name is looked for in. Each may be missing.
struct ResourceSources {
    const ResourceCatalog* catalog = nullptr;          // the game's
    std::filesystem::path resourceFile;                // the game's archive
    const SortedEntryList* customMaterials = nullptr;  // the document's own materials
    std::shared_ptr<const ResourceIndex> modFolders;   // the mod around the model (IndexMod)
    const ResourceSearchPath* searchPath = nullptr;
};

// A resource's bytes and where they came from.
struct FoundResource {
    std::vector<uint8_t> bytes;
    std::string name;       // the name of what was read: another's when it stands in
    std::string origin;     // "the game's archive res2.gob", "the project's custom materials", a path
    bool fallback = false;  // the name was found nowhere; another stands in (origin says which)
    bool stock = false;     // read from the game's catalogue
};

// The one search order: the custom materials (materials only), the mod around the model
// (folders, then archives), the search path, the game's catalogue. Fails with the name
// and every place it was looked for in.
Result<FoundResource> FindResource(const ResourceSources& sources, ResourceKind kind, std::string_view name);
// Whether FindResource would find it; nothing is read.
bool HasResource(const ResourceSources& sources, ResourceKind kind, std::string_view name);
// The places FindResource looks in for a kind, in order, as told to the user.
std::vector<std::string> SearchedPlaces(const ResourceSources& sources, ResourceKind kind);

// A material by FindResource, else the game's fallback ("00cab02.mat") standing in.
Result<FoundResource> FindMaterial(const ResourceSources& sources, std::string_view name);
// Whether one of the sources holds the material itself (the fallback does not count).
bool HasMaterial(const ResourceSources& sources, std::string_view name);
// A colormap named or given as a file: a name with a folder in it ("misc/cmp/dflt.cmp")
// is that file when it exists, else its file name is looked up; a name by FindResource,
// else a file of that name in the working folder. Found nowhere, a colormap of the mod or
// of the search path stands in (dflt.cmp first), else the game's "01redmap.cmp".
Result<FoundResource> FindColormap(const ResourceSources& sources, std::string_view name);

// What a model names that is found nowhere: materials and the keyframes of its puppet's
// sub-modes, each once in the model's order, with where they were looked for.
struct MissingResources {
    std::vector<std::string> materials;
    std::vector<std::string> keyframes;
    std::size_t materialCount = 0;  // the model's materials
    std::string materialPlaces;     // "the project's custom materials, /mods/x/3do, ..."
    std::string keyframePlaces;

    bool Empty() const { return materials.empty() && keyframes.empty(); }
    // One line per name ("material a.mat was not found"), then where each kind was
    // looked for.
    std::vector<std::string> Lines() const;
    // A few sentences for the user: how many of which are missing (the first names of a
    // long list) and where they were looked for; "" when nothing is.
    std::string Summary() const;
};
MissingResources FindMissingResources(const CModel& model, const ResourceSources& sources);

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
                                   std::function<const SortedEntryList*()> customMaterials = {});

}  // namespace orv
