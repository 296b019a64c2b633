// The resource catalogue: the stock materials, colormaps, keyframes and puppet files of
// the game's main archive, and finding that archive for the chosen product.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/tree.h"
#include "resources/archive.h"
#include "resources/registry.h"

namespace orv {

inline constexpr const char* kJediKnightKey = "Software\\LucasArts Entertainment Company\\JediKnight\\v1.0";
inline constexpr const char* kMotsKey = "Software\\LucasArts Entertainment Company LLC\\Mysteries of the Sith\\v1.0";
inline constexpr const char* kInstallPathValue = "Install Path";
inline constexpr const char* kSourceDirValue = "Source Dir";
inline constexpr const char* kMissingResourcesMessage = "Cannot find Jedi Knight/Mots resource files.";

struct ResourceCatalog {
    SortedEntryList materials;  // entries under 3do\mat\ .
    SortedEntryList colormaps;
    SortedEntryList keyframes;  // entries under 3do\key\ .
    SortedEntryList puppets;

    void Clear();
    bool Empty() const;
};

enum class ResourceKind { None, Material, Keyframe, Colormap, Puppet };

// The list a lower-cased record name belongs to (the first matching test wins).
ResourceKind ClassifyResource(std::string_view lowerName);

// Fills the (emptied) catalogue from archive records: names lower-cased, each list in
// the order of SortedEntryList::Add applied to the records one after another.
void BuildCatalog(const std::vector<ArchiveRecord>& records, ResourceCatalog& catalog);

// What LoadCatalog read of a damaged archive.
struct CatalogLoad {
    std::string warning;  // the damage; "" when the directory was read whole
};

// Reads the archive's directory into the catalogue. A truncated directory yields the
// complete records and a warning, a directory offset that points nowhere an empty
// catalogue and a warning; fails only when the archive cannot be read at all.
Result<CatalogLoad> LoadCatalog(const std::filesystem::path& archive, ResourceCatalog& catalog);

// The entry's bytes from the resource file; an entry reaching past the end is refused.
Result<std::vector<uint8_t>> ReadEntryData(const std::filesystem::path& resourceFile, const CTreeObject& entry);

struct LocateOptions {
    const RegistryReader* registry = nullptr;  // the game's keys; none: no key opens
    std::filesystem::path winePrefix;          // for Windows paths with drive letters
    std::string previousInstallPath;           // kept when "Install Path" cannot be read
    std::filesystem::path sampleArchive;       // stands in when the game's archive is not found
};

struct LocateResult {
    std::string windowText;              // "Orvane - Jedi Knight mode" / "... Mysteries of the Sith mode"
    std::string installPath;             // as read, or the previous one
    std::string episodeDirectory;        // install path + "\episode\"
    std::filesystem::path episodePath;   // the same on this system
    std::filesystem::path resourceFile;  // the archive in use; empty when none
    bool usingSample = false;
    std::string message;     // kMissingResourcesMessage when no archive was found
    std::string statusText;  // says that the sample archive stands in
    std::string warning;     // the archive was found but is damaged
};

// Empties the catalogue, finds the product's archive (0 Jedi Knight, 1 Mysteries of the
// Sith) through "Install Path", then "Source Dir", then the sample archive, and builds
// the catalogue from it.
LocateResult LocateResources(int product, const LocateOptions& options, ResourceCatalog& catalog);

}  // namespace orv
