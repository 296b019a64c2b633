// The file manager's operations on an archive, without the dialog: adding a file as
// the game expects it (directory by extension, bitmaps turned into materials) and
// saving items into a folder.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/archive.h"
#include "resources/material.h"

namespace orv {

// The directory an item goes to by its (lower-case) name: "cog\", "3do\key\", ...;
// "" for the top level.
std::string ArchiveDirectoryFor(std::string_view lowerName);

// The archive name a file is stored under: its lower-cased file name (a bitmap
// becomes NAME.mat, NAME up to the first ".") behind the directory of ArchiveDirectoryFor.
std::string ArchiveItemNameFor(const std::filesystem::path& file);

// "The item "NAME" already exists. Do you want to overwrite the existing item?"
std::string DuplicateItemQuestion(std::string_view itemName);

enum class DuplicatePolicy {
    Ask,      // call askReplace (the Warning setting is on)
    Replace,  // replace without asking (Warning off)
    Keep,     // keep the existing item and add the new one beside it
};

struct AddFileOptions {
    DuplicatePolicy onDuplicate = DuplicatePolicy::Ask;
    // Under Ask: true replaces the existing item, false keeps it. Without a callback
    // the existing item is kept.
    std::function<bool(const std::string& itemName)> askReplace;
    // The palette bitmaps are remapped onto (the catalogue's dflt.cmp); without one
    // they keep their own colour indices.
    const Palette* bitmapPalette = nullptr;
    ArchiveProgress progress;
};

struct AddFileResult {
    std::string itemName;
    bool replaced = false;
};

// A file as the archive stores it: its name by ArchiveItemNameFor, its bytes (a bitmap
// made into a MAT, remapped onto bitmapPalette when there is one). Fails on a file that
// cannot be read or converted, or whose name cannot be stored.
Result<ArchiveEntryData> PrepareArchiveFile(const std::filesystem::path& file, const Palette* bitmapPalette);

// Adds the items in ONE rewrite of the archive. Item by item, in order, the duplicate is
// the latest item of the same full name (without regard to case) added by this call,
// else the archive's first one; options decide (every question is asked before the
// rewrite) whether it is replaced or kept beside the new one. The value: one result per
// item.
Result<std::vector<AddFileResult>> AddEntriesToArchive(const std::filesystem::path& archive,
                                                       std::vector<ArchiveEntryData> entries,
                                                       const AddFileOptions& options);

// One file: PrepareArchiveFile, then AddEntriesToArchive, so a file that cannot be read
// or converted never costs the existing item.
Result<AddFileResult> AddFileToArchive(const std::filesystem::path& archive, const std::filesystem::path& file,
                                       const AddFileOptions& options);

// The files of a folder tree as an archive holds them: each named by its path below the
// folder with backslashes (the game's folder layout kept, case as it is), ordered folder
// by folder, each folder's files by name. Hidden files and folders (a leading ".") are
// left out. With bitmapsAsMaterials a ".bmp" is stored as a MAT of the same name beside
// it (remapped onto bitmapPalette when there is one); otherwise as it is. Refuses, naming
// the file, what the archive cannot hold: a name of more than 127 characters or with
// characters other than printable ASCII (the game could not look it up), two files of
// one item name (without regard to case), a bitmap that cannot become a material.
Result<std::vector<ArchiveSourceItem>> CollectFolderTree(const std::filesystem::path& folder, bool bitmapsAsMaterials,
                                                         const Palette* bitmapPalette = nullptr);

// Where an item lands in folder when all items go into that one folder: the folder and
// the item's file name. Parts of the name that would lead out of the folder
// (directories, "..", drive letters) are cut away; a name with nothing left is refused.
// asBitmap gives NAME.bmp (NAME up to the first ".").
Result<std::filesystem::path> ExtractionTarget(const std::filesystem::path& folder, std::string_view itemName,
                                               bool asBitmap);

// Where an item lands below folder with the archive's directories kept as folders
// (3do\mat\a.mat gives FOLDER/3do/mat/a.mat; '/' separates as '\' does). A name that
// would lead out of the folder or is not a plain path (a ".." or "." or empty component,
// a leading separator, a drive letter) is refused. asBitmap: as ExtractionTarget.
Result<std::filesystem::path> ExtractionTargetInFolders(const std::filesystem::path& folder, std::string_view itemName,
                                                        bool asBitmap);

// Whether these items can all be saved where they are meant to go; the failure names
// the clash (two of them on one path, or one where another needs a folder). Pairs of
// item name and target.
Status CheckExtractionTargets(const std::vector<std::pair<std::string, std::filesystem::path>>& targets);

// Saves an item as target, making the folders it needs: its bytes as they are, or a
// MAT's first cel as a bitmap, through bitmapPalette when there is one (with asBitmap and
// no palette only a material that needs no colormap converts). The target is replaced
// only once it is complete.
Status ExtractArchiveItem(const std::filesystem::path& archive, const ArchiveRecord& record,
                          const std::filesystem::path& target, const Palette* bitmapPalette, bool asBitmap = false);
// The bytes ExtractArchiveItem saves.
Result<std::vector<uint8_t>> ExtractedBytes(const std::filesystem::path& archive, const ArchiveRecord& record,
                                            const Palette* bitmapPalette, bool asBitmap = false);

// Saving items of an archive as files, as `gob extract` and the File Manager's Save As
// both do: one choice of colormap and one rule for which items become bitmaps.

struct ResourceCatalog;

// The palette materials are saved as bitmaps through: the first colormap of the game's
// catalogue (read from resourceFile), else the first of the archive's own; none when
// neither holds a colormap. Fails, naming it, when the colormap chosen cannot be read.
Result<std::optional<Palette>> ExtractionPalette(const ResourceCatalog* catalog,
                                                 const std::filesystem::path& resourceFile,
                                                 const std::filesystem::path& archive);

enum class ExtractionForm {
    AsItIs,         // its bytes as they are
    Bitmap,         // a material's first cel as a bitmap
    NeedsColormap,  // a bitmap was asked for, but this 8-bit material has no colormap to go through
};

// How an item is saved: with asBitmap, a material (by its kind) becomes a bitmap through
// palette, or without one when it holds its own colours (16-bit); every other item is
// saved as it is. Fails when the item must be read to tell and cannot be.
Result<ExtractionForm> ExtractionFormOf(const std::filesystem::path& archive, const ArchiveRecord& record,
                                        bool asBitmap, const Palette* palette);

}  // namespace orv
