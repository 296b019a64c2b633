#include "resources/filemanager.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <tuple>
#include <unordered_map>

#include "base/text.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/tree.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// The file's name without its folder; a backslash in it counts as a separator too.
std::string FileNameOf(const fs::path& file) { return ShortNameOf(file.filename().string()); }

bool IsBitmapName(std::string_view name) { return FileKindOf(name) == FileKind::Bitmap; }

}  // namespace

std::string ArchiveDirectoryFor(std::string_view name)
{
    static const std::pair<const char*, const char*> table[] = {
        {".cog", "cog\\"},       {".jkl", "jkl\\"},       {".uni", "misc\\"},      {".3do", "3do\\"},
        {".mat", "mat\\"},       {".key", "3do\\key\\"},  {".ai", "misc\\ai\\"},   {".cmp", "misc\\cmp\\"},
        {".par", "misc\\par\\"}, {".per", "misc\\per\\"}, {".pup", "misc\\pup\\"}, {".snd", "misc\\snd\\"},
        {".spr", "misc\\spr\\"}, {".wav", "voiceuu\\"},
    };
    const std::string ext = FileExtension(name);
    for (const auto& [e, dir] : table)
        if (ext == e || (std::string_view(e) == ".ai" && ext.starts_with(e)))  // .ai0, .ai2 ... are AI files too
            return dir;
    return {};
}

std::string ArchiveItemNameFor(const fs::path& file)
{
    std::string name = ToLowerAscii(FileNameOf(file));
    if (IsBitmapName(name))
        name = name.substr(0, name.find('.')) + ".mat";
    return ArchiveDirectoryFor(name) + name;
}

std::string DuplicateItemQuestion(std::string_view itemName)
{
    return "The item \"" + std::string(itemName) + "\" already exists. Do you want to overwrite the existing item?";
}

Result<ArchiveEntryData> PrepareArchiveFile(const fs::path& file, const Palette* bitmapPalette)
{
    ArchiveEntryData out;
    out.name = ArchiveItemNameFor(file);
    if (Status name = CheckArchiveName(out.name); !name)
        return Fail(name.error());
    auto bytes = ReadWholeFile(file);
    if (!bytes)
        return Fail(bytes.error());
    out.data = std::move(*bytes);
    if (IsBitmapName(ToLowerAscii(FileNameOf(file)))) {
        auto image = ReadBmp(out.data);
        if (!image)
            return Fail(file.string() + ": " + image.error());
        ToMaterialPalette(*image, bitmapPalette);
        out.data = MakeMat(*image);
    }
    return out;
}

Result<std::vector<ArchiveSourceItem>> CollectFolderTree(const fs::path& folder, bool bitmapsAsMaterials,
                                                         const Palette* bitmapPalette)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Fail(folder.string() + " is not a folder");
    struct Found {
        std::string directory;  // backslash separated, "" at the top
        std::string fileName;
        fs::path path;
        uint64_t size = 0;
    };
    std::vector<Found> found;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    if (ec)
        return Fail("cannot read the folder " + folder.string() + ": " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec)
            return Fail("cannot read the folder " + folder.string() + ": " + ec.message());
        const std::string leaf = it->path().filename().string();
        if (!leaf.empty() && leaf[0] == '.') {
            if (it->is_directory(ec))
                it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec))
            continue;
        Found f;
        f.path = it->path();
        f.fileName = leaf;
        const fs::path relative = it->path().lexically_relative(folder);
        for (auto part = relative.begin(); part != relative.end(); ++part) {
            // A backslash inside a file or folder name would read as a folder in the archive.
            if (part->string().find('\\') != std::string::npos)
                return Fail(it->path().string() + ": a backslash in a name would read as a folder in the archive");
            if (std::next(part) != relative.end())
                f.directory += (f.directory.empty() ? "" : "\\") + part->string();
        }
        f.size = it->file_size(ec);
        if (ec)
            return Fail(DescribeIoError(f.path, "read"));
        found.push_back(std::move(f));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return std::tie(a.directory, a.fileName) < std::tie(b.directory, b.fileName);
    });

    std::vector<ArchiveSourceItem> out;
    out.reserve(found.size());
    std::unordered_map<std::string, std::string> taken;  // lower-cased item name -> its file
    for (Found& f : found) {
        ArchiveSourceItem item;
        std::string leaf = f.fileName;
        const bool bitmap = bitmapsAsMaterials && IsBitmapName(ToLowerAscii(leaf));
        if (bitmap)
            leaf = leaf.substr(0, leaf.rfind('.')) + ".mat";
        item.name = f.directory.empty() ? leaf : f.directory + "\\" + leaf;
        const std::string file = ShownName(f.path.string());
        if (Status name = CheckArchiveName(item.name); !name)
            return Fail(file + ": " + name.error());
        const auto [at, fresh] = taken.emplace(ToLowerAscii(item.name), file);
        if (!fresh)
            return Fail(file + ": " + at->second + " gives the same item name " + item.name);
        if (bitmap) {
            auto bytes = ReadWholeFile(f.path);
            if (!bytes)
                return Fail(bytes.error());
            auto image = ReadBmp(*bytes);
            if (!image)
                return Fail(file + ": " + image.error());
            ToMaterialPalette(*image, bitmapPalette);
            item.data = MakeMat(*image);
        } else {
            item.file = std::move(f.path);
            item.size = f.size;
        }
        out.push_back(std::move(item));
    }
    return out;
}

Result<std::vector<AddFileResult>> AddEntriesToArchive(const fs::path& archive, std::vector<ArchiveEntryData> entries,
                                                       const AddFileOptions& options)
{
    const auto read = ReadArchiveDirectory(archive);
    if (!read)
        return Fail(read.error());
    const ArchiveDirectory& dir = *read;
    // A damaged archive is refused by the rewrite; nobody is asked about it first.
    if (Status intact = CheckArchiveIntact(dir); !intact)
        return Fail(intact.error() + "; it is left unchanged");

    // Lower-cased name -> the archive's first record of it, and -> the latest item of
    // this call; each looked up once per item instead of a walk over the archive.
    std::unordered_map<std::string, std::size_t> existing;
    for (std::size_t i = 0; i < dir.records.size(); ++i)
        existing.emplace(ToLowerAscii(dir.records[i].name), i);
    std::unordered_map<std::string, std::size_t> added;
    std::vector<bool> dropped(entries.size(), false);
    std::vector<AddFileResult> res(entries.size());

    ArchiveEdit edit;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const std::string key = ToLowerAscii(entries[k].name);
        res[k].itemName = entries[k].name;
        const auto earlier = added.find(key);
        const auto old = earlier == added.end() ? existing.find(key) : existing.end();
        if (earlier != added.end() || old != existing.end()) {
            const std::string& dupName =
                earlier != added.end() ? entries[earlier->second].name : dir.records[old->second].name;
            bool replace = false;
            switch (options.onDuplicate) {
            case DuplicatePolicy::Replace: replace = true; break;
            case DuplicatePolicy::Ask: replace = options.askReplace && options.askReplace(dupName); break;
            case DuplicatePolicy::Keep: break;
            }
            if (replace) {
                if (earlier != added.end())
                    dropped[earlier->second] = true;
                else
                    edit.removals.push_back(dupName);
                res[k].replaced = true;
            }
        }
        // Once an item of this name is added it stands for the name; the archive's own
        // record is not asked about twice.
        added[key] = k;
    }
    for (std::size_t k = 0; k < entries.size(); ++k)
        if (!dropped[k])
            edit.insertions.push_back(std::move(entries[k]));
    if (auto rewritten = RewriteArchive(archive, edit, options.progress); !rewritten)
        return Fail(rewritten.error());
    return res;
}

Result<AddFileResult> AddFileToArchive(const fs::path& archive, const fs::path& file, const AddFileOptions& options)
{
    auto entry = PrepareArchiveFile(file, options.bitmapPalette);
    if (!entry)
        return Fail(entry.error());
    std::vector<ArchiveEntryData> entries;
    entries.push_back(std::move(*entry));
    auto results = AddEntriesToArchive(archive, std::move(entries), options);
    if (!results)
        return Fail(results.error());
    return results->front();
}

namespace {

// NAME.bmp for a file name NAME.ext... (NAME up to the first ".").
std::string BitmapFileName(const std::string& name) { return name.substr(0, name.find('.')) + ".bmp"; }

bool IsDriveLetter(std::string_view s)
{
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

}  // namespace

Result<fs::path> ExtractionTarget(const fs::path& folder, std::string_view itemName, bool asBitmap)
{
    // Only the last component counts, whichever separator the name uses.
    std::string name(itemName);
    if (const auto sep = name.find_last_of("\\/"); sep != std::string::npos)
        name = name.substr(sep + 1);
    if (IsDriveLetter(name))
        name = name.substr(2);
    if (asBitmap)
        name = BitmapFileName(name);
    if (name.empty() || name == "." || name == ".." || name == ".bmp")
        return Fail("item " + ShownName(itemName) + " has no name it could be saved under");
    // A name from the archive makes no file name of control characters or stray bytes.
    return folder / SafeFileNamePart(name);
}

Result<fs::path> ExtractionTargetInFolders(const fs::path& folder, std::string_view itemName, bool asBitmap)
{
    const std::string item(itemName);
    auto refuse = [&](const std::string& why) { return Fail("item " + ShownName(item) + " is not extracted: " + why); };
    if (itemName.empty() || itemName.front() == '\\' || itemName.front() == '/')
        return refuse("its name is an absolute path, which would lead out of the target folder");
    if (IsDriveLetter(itemName))
        return refuse("its name starts with a drive letter, which would lead out of the target folder");
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = item.find_first_of("\\/", start);
        parts.push_back(item.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
        if (sep == std::string::npos)
            break;
        start = sep + 1;
    }
    if (asBitmap)
        parts.back() = BitmapFileName(parts.back());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        if (p == "..")
            return refuse("its name has a \"..\" component, which would lead out of the target folder");
        if (i + 1 == parts.size() && (p.empty() || p == "." || p == ".bmp"))
            return refuse("its name has no file name to save it under");
        if (p.empty() || p == ".")
            return refuse("its name has an empty or \".\" folder component");
    }
    fs::path target = folder;
    for (const auto& p : parts)
        target /= SafeFileNamePart(p);
    return target;
}

Status CheckExtractionTargets(const std::vector<std::pair<std::string, fs::path>>& targets)
{
    std::map<fs::path, const std::string*> files;
    for (const auto& [name, target] : targets) {
        const fs::path t = target.lexically_normal();
        auto [it, inserted] = files.emplace(t, &name);
        if (!inserted && *it->second != name)
            return Fail("items " + ShownName(*it->second) + " and " + ShownName(name) + " would both be saved as " +
                        t.string());
    }
    // A file where another item needs a folder.
    for (const auto& [path, name] : files)
        for (fs::path up = path.parent_path(); !up.empty() && up != up.parent_path(); up = up.parent_path())
            if (auto it = files.find(up); it != files.end())
                return Fail("item " + ShownName(*it->second) + " would be saved as " + up.string() + ", which item " +
                            ShownName(*name) + " needs as a folder");
    return {};
}

Result<std::vector<uint8_t>> ExtractedBytes(const fs::path& archive, const ArchiveRecord& record,
                                            const Palette* bitmapPalette, bool asBitmap)
{
    auto read = ReadArchiveEntry(archive, record);
    if (!read)
        return Fail(read.error());
    std::vector<uint8_t> data = std::move(*read);
    if (bitmapPalette || asBitmap) {
        const auto image = ConvertMatFirstCel(data, bitmapPalette);
        if (!image)
            return Fail("item " + ShownName(record.name) + ": " + image.error());
        data = WriteBmp(*image);
    }
    return data;
}

Status ExtractArchiveItem(const fs::path& archive, const ArchiveRecord& record, const fs::path& target,
                          const Palette* bitmapPalette, bool asBitmap)
{
    auto bytes = ExtractedBytes(archive, record, bitmapPalette, asBitmap);
    if (!bytes)
        return Fail(bytes.error());
    const std::vector<uint8_t>& data = *bytes;
    if (target.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return Fail("cannot make the folder " + target.parent_path().string() + ": " + ec.message());
    }
    return WriteFileAtomic(target, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

Result<std::optional<Palette>> ExtractionPalette(const ResourceCatalog* catalog, const fs::path& resourceFile,
                                                 const fs::path& archive)
{
    auto first = [](const ResourceCatalog& c, const fs::path& file) -> Result<std::optional<Palette>> {
        const CTreeObject& entry = c.colormaps.At(0);
        const auto bytes = ReadEntryData(file, entry);
        if (!bytes)
            return Fail(ShownName(entry.name) + ": " + bytes.error());
        const auto cmp = ParseColormap(*bytes);
        if (!cmp)
            return Fail(ShownName(entry.name) + ": " + cmp.error());
        return std::optional<Palette>(cmp->palette);
    };
    if (catalog && catalog->colormaps.Count() > 0)
        return first(*catalog, resourceFile);
    ResourceCatalog own;
    if (const auto load = LoadCatalog(archive, own); !load)
        return Fail(load.error());
    if (own.colormaps.Count() > 0)
        return first(own, archive);
    return std::optional<Palette>();
}

Result<ExtractionForm> ExtractionFormOf(const fs::path& archive, const ArchiveRecord& record, bool asBitmap,
                                        const Palette* palette)
{
    if (!asBitmap || FileKindOf(ShortNameOf(record.name)) != FileKind::Material)
        return ExtractionForm::AsItIs;
    if (palette)
        return ExtractionForm::Bitmap;
    const auto bytes = ReadArchiveEntry(archive, record);
    if (!bytes)
        return Fail(ShownName(record.name) + ": " + bytes.error());
    return MatNeedsColormap(*bytes) ? ExtractionForm::NeedsColormap : ExtractionForm::Bitmap;
}

}  // namespace orv
