#include "resources/filemanager.h"

#include "model/fileio.h"
#include "model/tree.h"
#include "resources/bitmap.h"
#include "resources/util.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The file's name without its folder; a backslash in it counts as a separator too.
std::string FileNameOf(const fs::path& file)
{
    return ShortNameOf(file.filename().string());
}

bool IsBitmapName(std::string_view lowerName)
{
    return lowerName.find(".bmp") != std::string_view::npos;
}

}  // namespace

std::string ArchiveDirectoryFor(std::string_view name)
{
    static const std::pair<const char*, const char*> table[] = {
        {".cog", "cog\\"},       {".jkl", "jkl\\"},          {".uni", "misc\\"},       {".3do", "3do\\"},
        {".mat", "mat\\"},       {".key", "3do\\key\\"},     {".ai", "misc\\ai\\"},    {".cmp", "misc\\cmp\\"},
        {".par", "misc\\par\\"}, {".per", "misc\\per\\"},    {".pup", "misc\\pup\\"},  {".snd", "misc\\snd\\"},
        {".spr", "misc\\spr\\"}, {".wav", "voiceuu\\"},
    };
    for (const auto& [ext, dir] : table)
        if (name.find(ext) != std::string_view::npos)
            return dir;
    return {};
}

std::string ArchiveItemNameFor(const fs::path& file)
{
    std::string name = LowerAscii(FileNameOf(file));
    if (IsBitmapName(name))
        name = name.substr(0, name.find('.')) + ".mat";
    return ArchiveDirectoryFor(name) + name;
}

std::string DuplicateItemQuestion(std::string_view itemName)
{
    return "The item \"" + std::string(itemName) + "\" already exist. Do you want to overwrite the existing item?";
}

bool AddFileToArchive(const fs::path& archive, const fs::path& file, const AddFileOptions& options,
                      AddFileResult* result, std::string* error)
{
    ArchiveEntryData entry;
    entry.name = ArchiveItemNameFor(file);
    if (auto why = CheckArchiveName(entry.name); !why.empty()) {
        SetError(error, why);
        return false;
    }
    if (!ReadWholeFile(file, entry.data, error))
        return false;
    if (IsBitmapName(LowerAscii(FileNameOf(file)))) {
        MaterialImage image;
        std::string why;
        if (!ReadBmp(entry.data, image, &why)) {
            SetError(error, file.string() + ": " + why);
            return false;
        }
        if (options.bitmapPalette)
            RemapToPalette(image, *options.bitmapPalette);
        entry.data = MakeMat(image);
    }

    ArchiveDirectory dir;
    if (!ReadArchiveDirectory(archive, dir, error))
        return false;
    ArchiveEdit edit;
    bool replaced = false;
    for (const auto& r : dir.records) {
        if (CompareNoCase(r.name, entry.name) != 0)
            continue;
        switch (options.onDuplicate) {
        case DuplicatePolicy::Replace: replaced = true; break;
        case DuplicatePolicy::Ask: replaced = options.askReplace && options.askReplace(r.name); break;
        case DuplicatePolicy::Keep: break;
        }
        if (replaced)
            edit.removals.push_back(r.name);
        break;
    }
    const std::string name = entry.name;
    edit.insertions.push_back(std::move(entry));
    if (!RewriteArchive(archive, edit, error, options.progress))
        return false;
    if (result) {
        result->itemName = name;
        result->replaced = replaced;
    }
    return true;
}

bool ExtractionTarget(const fs::path& folder, std::string_view itemName, bool asBitmap, fs::path& target,
                      std::string* error)
{
    // Only the last component counts, whichever separator the name uses.
    std::string name(itemName);
    if (const auto sep = name.find_last_of("\\/"); sep != std::string::npos)
        name = name.substr(sep + 1);
    if (name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        name = name.substr(2);
    if (asBitmap)
        name = name.substr(0, name.find('.')) + ".bmp";
    if (name.empty() || name == "." || name == ".." || name == ".bmp") {
        SetError(error, "item " + std::string(itemName) + " has no name it could be saved under");
        return false;
    }
    target = folder / name;
    return true;
}

bool ExtractArchiveItem(const fs::path& archive, const ArchiveRecord& record, const fs::path& folder,
                        const Palette* bitmapPalette, fs::path* written, std::string* error)
{
    fs::path target;
    if (!ExtractionTarget(folder, record.name, bitmapPalette != nullptr, target, error))
        return false;
    std::vector<uint8_t> data;
    if (!ReadArchiveEntry(archive, record, data, error))
        return false;
    if (bitmapPalette) {
        MaterialImage image;
        std::string why;
        if (ConvertMatFirstCel(data, *bitmapPalette, image, &why) != MatStatus::Ok) {
            SetError(error, "item " + record.name + ": " + why);
            return false;
        }
        data = WriteBmp(image);
    }
    if (!WriteFileAtomic(target, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), error))
        return false;
    if (written)
        *written = target;
    return true;
}

}  // namespace orv
