// orvane-tool commands for the game's resources (GOB/GOO archives, MAT, CMP, BMP).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "cli/tool.h"
#include "formats/samplemodel.h"
#include "model/fileio.h"
#include "resources/archive.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/filemanager.h"
#include "resources/material.h"
#include "resources/sample.h"

namespace orv::cli {

namespace fs = std::filesystem;

namespace {

// Names inside archives use backslashes; a slash typed on the command line means the same.
// A name in double quotes is read as `gob list` shows names it escapes.
std::string ArchiveName(const std::string& typed)
{
    std::string s = NameFromShown(typed).value_or(typed);
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

// Reads an archive's directory; refuses a damaged one. Returns an exit status or -1.
int ReadIntactDirectory(const std::string& path, ArchiveDirectory& dir)
{
    auto read = ReadArchiveDirectory(path);
    if (!read)
        return Fail(path, read.error());
    dir = std::move(*read);
    if (Status intact = CheckArchiveIntact(dir); !intact)
        return Fail(path, intact.error());
    return -1;
}

// The palette of a colormap's bytes.
Result<Palette> PaletteOf(const Result<std::vector<uint8_t>>& bytes)
{
    if (!bytes)
        return orv::Fail(bytes.error());
    const auto cmp = ParseColormap(*bytes);
    if (!cmp)
        return orv::Fail(cmp.error());
    return cmp->palette;
}

// The palette named by --colormap: a .cmp file, or a colormap of the catalogue of
// --resources (else of fallbackArchive). Returns an exit status on failure, -1 on success.
int PaletteFromOption(const Options& opts, const std::string& fallbackArchive, Palette& palette)
{
    const std::string& c = opts.colormap;
    std::error_code ec;
    if (fs::is_regular_file(c, ec)) {
        const auto read = PaletteOf(ReadWholeFile(c));
        if (!read)
            return Fail(c, read.error());
        palette = *read;
        return -1;
    }
    const std::string archive = !opts.resources.empty() ? opts.resources : fallbackArchive;
    if (archive.empty())
        return Fail(c, "no such colormap file (give --resources ARCHIVE to look the name up in an archive)");
    ResourceCatalog catalog;
    if (const auto load = LoadCatalog(archive, catalog); !load)
        return Fail(archive, load.error());
    const CTreeObject* entry = catalog.colormaps.Lookup(c);
    if (!entry)
        return Fail(c, "neither a colormap file nor a colormap of " + archive);
    const auto read = PaletteOf(ReadEntryData(archive, *entry));
    if (!read)
        return Fail(archive, entry->name + ": " + read.error());
    palette = *read;
    return -1;
}

// The colormap of an archive's catalogue by name.
Result<Palette> CatalogPalette(const std::string& archive, const std::string& name)
{
    ResourceCatalog catalog;
    if (const auto load = LoadCatalog(archive, catalog); !load)
        return orv::Fail(load.error());
    const CTreeObject* entry = catalog.colormaps.Lookup(name);
    if (!entry)
        return orv::Fail("no " + name + " in " + archive);
    return PaletteOf(ReadEntryData(archive, *entry));
}

// ---- gob ---------------------------------------------------------------------

// The palette bitmaps are remapped onto: --colormap, else dflt.cmp of --resources, else
// none (they keep their own colour indices). Returns an exit status on failure, -1 else.
int BitmapPalette(const Options& opts, std::optional<Palette>& palette)
{
    if (!opts.colormap.empty()) {
        Palette p;
        if (int st = PaletteFromOption(opts, {}, p); st >= 0)
            return st;
        palette = p;
    } else if (!opts.resources.empty()) {
        if (auto p = CatalogPalette(opts.resources, "dflt.cmp"))
            palette = *p;
    }
    return -1;
}

int GobCreate(const std::vector<std::string>& rawArgs, const Options& opts)
{
    std::vector<std::string> args;
    bool bitmapsAsMaterials = false;
    for (const auto& a : rawArgs) {
        if (a == "--bmp")
            bitmapsAsMaterials = true;
        else if (a.rfind("--", 0) == 0)
            return Usage("gob create does not know " + a);
        else
            args.push_back(a);
    }
    if (args.empty() || args.size() > 2)
        return Usage("gob create takes an archive and, to fill it, a folder");
    std::error_code ec;
    if (fs::exists(args[0], ec))
        return Fail(args[0], "already exists");
    if (args.size() == 1) {
        if (bitmapsAsMaterials)
            return Usage("gob create --bmp needs a folder");
        if (Status created = CreateArchive(args[0]); !created)
            return Fail(args[0], created.error());
        return 0;
    }
    std::optional<Palette> palette;
    if (bitmapsAsMaterials)
        if (int st = BitmapPalette(opts, palette); st >= 0)
            return st;
    // Every name is settled before anything is written; the files are read as the
    // archive is written, in one pass.
    const auto items = CollectFolderTree(args[1], bitmapsAsMaterials, palette ? &*palette : nullptr);
    if (!items)
        return Fail(args[1], items.error());
    if (Status written = WriteArchiveFromSources(args[0], *items); !written)
        return Fail(args[0], written.error());
    std::printf("%zu items\n", items->size());
    return 0;
}

int GobList(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Usage("gob list takes one archive");
    const auto dir = ReadArchiveDirectory(args[0]);
    if (!dir)
        return Fail(args[0], dir.error());
    for (const auto& r : dir->records)
        std::printf("%10u %10u %s\n", r.offset, r.size, ShownName(r.name).c_str());
    if (Status intact = CheckArchiveIntact(*dir); !intact)
        return Fail(args[0], intact.error());
    return 0;
}

int GobAdd(const std::vector<std::string>& rawArgs, const Options& opts)
{
    std::vector<std::string> args;
    DuplicatePolicy policy = DuplicatePolicy::Replace;
    for (const auto& a : rawArgs) {
        if (a == "--keep")
            policy = DuplicatePolicy::Keep;
        else if (a == "--replace")
            policy = DuplicatePolicy::Replace;
        else if (a.rfind("--", 0) == 0)
            return Usage("gob add does not know " + a);
        else
            args.push_back(a);
    }
    if (args.size() < 2)
        return Usage("gob add takes an archive and one or more files");
    const std::string& archive = args[0];
    ArchiveDirectory dir;
    if (int st = ReadIntactDirectory(archive, dir); st >= 0)
        return st;

    // Bitmaps are remapped onto --colormap, else onto dflt.cmp of --resources.
    std::optional<Palette> palette;
    if (int st = BitmapPalette(opts, palette); st >= 0)
        return st;

    // Every file is read (and converted) before the archive is touched, and all of them
    // go in with one rewrite.
    std::vector<ArchiveEntryData> entries;
    for (std::size_t i = 1; i < args.size(); ++i) {
        auto entry = PrepareArchiveFile(args[i], palette ? &*palette : nullptr);
        if (!entry)
            return Fail(args[i], entry.error());
        entries.push_back(std::move(*entry));
    }
    AddFileOptions add;
    add.onDuplicate = policy;
    const auto results = AddEntriesToArchive(archive, std::move(entries), add);
    if (!results)
        return Fail(archive, results.error());
    for (const auto& res : *results)
        std::printf("%s %s\n", res.replaced ? "replaced" : "added", ShownName(res.itemName).c_str());
    return 0;
}

const ArchiveRecord* FindItem(const ArchiveDirectory& dir, const std::string& name)
{
    if (auto i = FindArchiveRecord(dir.records, name))
        return &dir.records[*i];
    for (const auto& r : dir.records)
        if (CompareNoCase(r.name, name) == 0)
            return &r;
    return nullptr;
}

// What "gob extract" was asked: the archive, then the item names; where to and how.
struct ExtractRequest {
    std::vector<std::string> args;
    fs::path folder = ".";
    bool bmp = false;
    bool flat = false;
};

// Returns an exit status on a wrong command line, -1 else.
int ParseExtract(const std::vector<std::string>& rawArgs, ExtractRequest& r)
{
    for (std::size_t i = 0; i < rawArgs.size(); ++i) {
        const std::string& a = rawArgs[i];
        if (a == "-o") {
            if (i + 1 >= rawArgs.size())
                return Usage("-o needs a folder");
            r.folder = rawArgs[++i];
        } else if (a == "--bmp") {
            r.bmp = true;
        } else if (a == "--flat") {
            r.flat = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage("gob extract does not know " + a);
        } else {
            r.args.push_back(a);
        }
    }
    if (r.args.size() < 2)
        return Usage("gob extract takes an archive and one or more item names");
    return -1;
}

// The palette 8-bit materials are converted to bitmaps through: --colormap, else the
// first colormap of the game's catalogue, else of this archive's (the File Manager's
// Save As chooses alike). Without one, the materials that need none (16-bit) are still
// converted. Returns an exit status on failure, -1 else.
int ExtractionPaletteFor(const Options& opts, const std::string& archive, std::optional<Palette>& palette)
{
    if (!opts.colormap.empty()) {
        Palette p;
        if (int st = PaletteFromOption(opts, archive, p); st >= 0)
            return st;
        palette = p;
        return -1;
    }
    ResourceCatalog catalog;
    if (!opts.resources.empty())
        if (const auto load = LoadCatalog(opts.resources, catalog); !load)
            return Fail(opts.resources, load.error());
    const auto chosen = ExtractionPalette(&catalog, opts.resources, archive);
    if (!chosen)
        return Fail(opts.resources.empty() ? archive : opts.resources, chosen.error());
    palette = *chosen;
    return -1;
}

// One item to extract: its record, whether it becomes a bitmap, and the file it goes to.
struct ExtractJob {
    const ArchiveRecord* record;
    bool convert;
    fs::path target;
};

// Every item's target, settled before anything is written: a name that would lead out of
// the folder, two items on one path, or a material that cannot be converted stop the
// command first. Returns an exit status on failure, -1 else.
int PlanExtraction(const ExtractRequest& r, const ArchiveDirectory& dir, const Palette* palette,
                   std::vector<ExtractJob>& jobs)
{
    const std::string& archive = r.args[0];
    std::vector<std::pair<std::string, fs::path>> targets;
    std::string unconverted;  // materials saved as they are for want of a colormap
    for (std::size_t i = 1; i < r.args.size(); ++i) {
        const ArchiveRecord* record = FindItem(dir, ArchiveName(r.args[i]));
        if (!record)
            return Fail(archive, "no item " + r.args[i]);
        if (std::any_of(jobs.begin(), jobs.end(), [&](const ExtractJob& j) { return j.record == record; }))
            continue;  // named twice
        const auto form = ExtractionFormOf(archive, *record, r.bmp, palette);
        if (!form)
            return Fail(archive, form.error());
        const bool convert = *form == ExtractionForm::Bitmap;
        if (*form == ExtractionForm::NeedsColormap)
            unconverted += (unconverted.empty() ? "" : ", ") + record->name;
        const auto target = r.flat ? ExtractionTarget(r.folder, record->name, convert)
                                   : ExtractionTargetInFolders(r.folder, record->name, convert);
        if (!target)
            return Fail(archive, target.error());
        jobs.push_back({record, convert, *target});
        targets.emplace_back(record->name, *target);
    }
    if (Status apart = CheckExtractionTargets(targets); !apart)
        return Fail(archive, apart.error() + (r.flat ? "; nothing was extracted (leave out --flat to keep the "
                                                       "archive's folders)"
                                                     : "; nothing was extracted"));
    if (!unconverted.empty())
        return Fail(archive,
                    "no colormap to convert 8-bit materials with (give --colormap or --resources, or leave out "
                    "--bmp); nothing was extracted: " +
                        unconverted);
    return -1;
}

int GobExtract(const std::vector<std::string>& rawArgs, const Options& opts)
{
    ExtractRequest r;
    if (int st = ParseExtract(rawArgs, r); st >= 0)
        return st;
    const std::string& archive = r.args[0];
    const auto read = ReadArchiveDirectory(archive);
    if (!read)
        return Fail(archive, read.error());
    // The folder is made (with its parents) as the first item is saved into it.
    std::error_code ec;
    if (fs::exists(r.folder, ec) && !fs::is_directory(r.folder, ec))
        return Fail(r.folder.string(), "is not a folder");
    std::optional<Palette> palette;
    if (r.bmp)
        if (int st = ExtractionPaletteFor(opts, archive, palette); st >= 0)
            return st;
    std::vector<ExtractJob> jobs;
    if (int st = PlanExtraction(r, *read, palette ? &*palette : nullptr, jobs); st >= 0)
        return st;

    // All the items or none: each is written aside and put in place once every one is.
    AtomicFileSet files;
    for (const ExtractJob& j : jobs) {
        const auto bytes = ExtractedBytes(archive, *j.record, j.convert && palette ? &*palette : nullptr, j.convert);
        if (!bytes)
            return Fail(archive, bytes.error() + "; nothing was extracted");
        if (j.target.has_parent_path())
            (void)files.MakeFolders(j.target.parent_path());
        if (Status staged =
                files.Add(j.target, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
            !staged)
            return Fail(archive, staged.error() + "; nothing was extracted");
    }
    if (Status written = files.Commit(); !written)
        return Fail(archive, written.error());
    for (const ExtractJob& j : jobs)
        std::printf("%s\n", TerminalSafe(j.target.string()).c_str());
    return 0;
}

int GobDelete(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return Usage("gob delete takes an archive and one or more item names");
    const std::string& archive = args[0];
    ArchiveDirectory dir;
    if (int st = ReadIntactDirectory(archive, dir); st >= 0)
        return st;
    // All names must be there before anything changes.
    ArchiveEdit edit;
    std::vector<ArchiveRecord> left = dir.records;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string name = ArchiveName(args[i]);
        auto at = FindArchiveRecord(left, name);
        if (!at)
            return Fail(archive, "no item " + name);
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(*at));
        edit.removals.push_back(name);
    }
    if (const auto rewritten = RewriteArchive(archive, edit); !rewritten)
        return Fail(archive, rewritten.error());
    return 0;
}

int Gob(const std::vector<std::string>& args, const Options& opts)
{
    if (args.empty())
        return Usage("gob needs create, list, add, extract or delete");
    const std::string& what = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (what == "create")
        return GobCreate(rest, opts);
    if (what == "list")
        return GobList(rest);
    if (what == "add")
        return GobAdd(rest, opts);
    if (what == "extract")
        return GobExtract(rest, opts);
    if (what == "delete")
        return GobDelete(rest);
    return Usage("gob does not know '" + what + "'");
}

// ---- catalog -------------------------------------------------------------------

int Catalog(const std::vector<std::string>& args, const Options&)
{
    if (args.size() != 1)
        return Usage("catalog takes one archive");
    ResourceCatalog catalog;
    const auto load = LoadCatalog(args[0], catalog);
    if (!load)
        return Fail(args[0], load.error());
    const std::pair<const char*, const SortedEntryList*> lists[] = {
        {"materials", &catalog.materials},
        {"colormaps", &catalog.colormaps},
        {"keyframes", &catalog.keyframes},
        {"puppets", &catalog.puppets},
    };
    for (const auto& [title, tree] : lists) {
        std::printf("%s: %zu\n", title, tree->Count());
        for (const auto& e : tree->Entries())
            std::printf("  %-24s %10u %10u %s\n", ShownName(e->shortName).c_str(), e->offset, e->size,
                        ShownName(e->name).c_str());
    }
    if (!load->warning.empty())
        return Fail(args[0], load->warning);
    return 0;
}

// ---- convert -------------------------------------------------------------------

int MatToBmp(const std::string& in, const std::string& out, const Options& opts)
{
    const auto bytes = ReadWholeFile(in);
    if (!bytes)
        return Fail(in, bytes.error());
    // A 16-bit material holds its colours and becomes a 24-bit bitmap without a colormap.
    const bool needsColormap = MatNeedsColormap(*bytes);
    if (needsColormap && opts.colormap.empty())
        return Usage(
            "converting an 8-bit MAT into a bitmap needs --colormap (a .cmp file, or a name with --resources)");
    Palette palette;
    if (needsColormap)
        if (int st = PaletteFromOption(opts, {}, palette); st >= 0)
            return st;
    const auto image = ConvertMatFirstCel(*bytes, needsColormap ? &palette : nullptr);
    if (!image)
        return Fail(in, image.error());
    if (Status written = WriteBmpFile(out, *image); !written)
        return Fail(out, written.error());
    return 0;
}

int BmpToMat(const std::string& in, const std::string& out, const Options& opts)
{
    auto image = ReadBmpFile(in);
    if (!image)
        return Fail(in, image.error());
    Palette palette;
    const bool hasPalette = !opts.colormap.empty();
    if (hasPalette)
        if (int st = PaletteFromOption(opts, {}, palette); st >= 0)
            return st;
    ToMaterialPalette(*image, hasPalette ? &palette : nullptr);
    const auto mat = MakeMat(*image);
    if (Status written = WriteFileAtomic(out, std::string_view(reinterpret_cast<const char*>(mat.data()), mat.size()));
        !written)
        return Fail(out, written.error());
    return 0;
}

// ---- info ----------------------------------------------------------------------

int InfoArchive(const std::string& path, const Options&)
{
    ArchiveDirectory dir;
    if (int st = ReadIntactDirectory(path, dir); st >= 0)
        return st;
    uint64_t data = 0;
    for (const auto& r : dir.records)
        data += r.size;
    ResourceCatalog catalog;
    BuildCatalog(dir.records, catalog);
    std::printf("GOB/GOO archive: %llu bytes\n", static_cast<unsigned long long>(dir.fileSize));
    std::printf("head: \"%.4s\", version %u, directory offset %u\n", dir.header.magic.data(), dir.header.version,
                dir.header.directoryOffset);
    std::printf("records: %zu, data: %llu bytes\n", dir.records.size(), static_cast<unsigned long long>(data));
    std::printf("catalogue: %zu materials, %zu colormaps, %zu keyframes, %zu puppets\n", catalog.materials.Count(),
                catalog.colormaps.Count(), catalog.keyframes.Count(), catalog.puppets.Count());
    return 0;
}

int InfoMat(const std::string& path, const Options&)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return Fail(path, bytes.error());
    const auto parsed = ParseMat(*bytes);
    if (!parsed)
        return Fail(path, parsed.error());
    const MatInfo& info = *parsed;
    std::printf("MAT: %s material, %u records, %u bits per pixel\n", info.IsColor() ? "colour" : "texture",
                info.recordCount, info.bitsPerPixel);
    if (info.trueColor) {
        const MatColorFormat& f = info.colorFormat;
        std::printf("texels: red %u bits at %u, green %u at %u, blue %u at %u, alpha %u at %u\n", f.bits[0],
                    f.shifts[0], f.bits[1], f.shifts[1], f.bits[2], f.shifts[2], f.bits[3], f.shifts[3]);
    }
    for (std::size_t i = 0; i < info.colorIndices.size(); ++i)
        std::printf("colour %zu: index %u\n", i, info.colorIndices[i]);
    for (std::size_t i = 0; i < info.textures.size(); ++i) {
        const auto& t = info.textures[i];
        std::printf("texture %zu: %u x %u, %u mipmap levels%s\n", i, t.width, t.height, t.mipmapCount,
                    t.transparent ? ", transparent" : "");
    }
    if (!info.unsupported.empty())
        std::printf("conversion: %s\n", info.unsupported.c_str());
    return 0;
}

int InfoCmp(const std::string& path, const Options&)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return Fail(path, bytes.error());
    const auto parsed = ParseColormap(*bytes);
    if (!parsed)
        return Fail(path, parsed.error());
    const ColormapData& cmp = *parsed;
    std::printf("CMP colormap: %zu bytes, transparency table %s\n", bytes->size(),
                cmp.HasTransparency() ? "yes" : "no");
    std::printf("palette: 256 colours; index 0 = (%u, %u, %u), index 255 = (%u, %u, %u)\n", cmp.palette[0],
                cmp.palette[1], cmp.palette[2], cmp.palette[765], cmp.palette[766], cmp.palette[767]);
    return 0;
}

int InfoBmp(const std::string& path, const Options&)
{
    const auto image = ReadBmpFile(path);
    if (!image)
        return Fail(path, image.error());
    std::printf("BMP: %d x %d, %s after reading\n", image->width, image->height,
                image->TrueColor() ? "true colour" : "8-bit paletted");
    return 0;
}

// ---- sample ----------------------------------------------------------------------

int Sample(const std::vector<std::string>& args, const Options&)
{
    if (args.size() != 1)
        return Usage("sample takes one folder");
    const fs::path dir = args[0];
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return Fail(args[0], "no such folder");
    // Every file or none.
    AtomicFileSet files;
    std::vector<fs::path> written;
    auto write = [&](const std::string& name, std::string_view bytes) {
        written.push_back(dir / name);
        return files.Add(dir / name, bytes);
    };
    auto asText = [](const std::vector<uint8_t>& bytes) {
        return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    const auto cmp = MakeSampleColormap();
    for (const char* name : {"dflt.cmp", "01redmap.cmp"})
        (void)write(name, asText(cmp));
    for (const auto& m : MakeSampleMaterials())
        (void)write(m.name, asText(m.bytes));
    // The sample model with its puppet file and keyframes.
    auto entries = SampleResourceEntries();
    for (const auto& f : MakeSampleModelFiles()) {
        (void)write(f.fileName, f.text);
        entries.push_back({f.archiveName, std::vector<uint8_t>(f.text.begin(), f.text.end())});
    }
    // The same laid out as in the game's archive.
    written.push_back(dir / "res2.gob");
    (void)WriteArchive(files, dir / "res2.gob", entries);
    if (Status done = files.Commit(); !done)
        return Fail(args[0], done.error());
    for (const fs::path& f : written)
        std::printf("%s\n", TerminalSafe(f.string()).c_str());
    return 0;
}

}  // namespace

void RegisterResourceCommands(Registry& registry)
{
    registry.info.push_back({{FileKind::Archive}, InfoArchive});
    registry.info.push_back({{FileKind::Material}, InfoMat});
    registry.info.push_back({{FileKind::Colormap}, InfoCmp});
    registry.info.push_back({{FileKind::Bitmap}, InfoBmp});
    registry.convert.push_back({FileKind::Material, FileKind::Bitmap, MatToBmp});
    registry.convert.push_back({FileKind::Bitmap, FileKind::Material, BmpToMat});
    registry.subcommands.push_back(
        {"gob",
         "  gob create ARCHIVE [FOLDER] [--bmp]\n"
         "                         make a new GOB/GOO archive: empty, or holding every file below\n"
         "                         FOLDER named by its path there (mat/a.mat as mat\\a.mat; hidden\n"
         "                         files left out), written in one pass. --bmp: bitmaps stored as\n"
         "                         materials of the same name\n"
         "  gob list ARCHIVE       one line per item: offset, size, name (a name of control\n"
         "                         characters or bytes beyond ASCII escaped in double quotes)\n"
         "  gob add ARCHIVE FILE... [--keep]\n"
         "                         add files with one rewrite of the archive (bitmaps become\n"
         "                         materials; an item of the same name is replaced unless --keep)\n"
         "  gob extract ARCHIVE NAME... [-o DIR] [--bmp] [--flat]\n"
         "                         save items below DIR in the archive's folders (3do\\mat\\a.mat\n"
         "                         as DIR/3do/mat/a.mat; names leading out of DIR are refused;\n"
         "                         existing files are replaced). --flat: all into DIR itself;\n"
         "                         two items of one file name are refused (exit 1, nothing\n"
         "                         written). --bmp: materials as bitmaps (without a colormap\n"
         "                         only 16-bit ones; 8-bit ones are named, exit 1, nothing\n"
         "                         written). DIR is made when missing; all items or none are\n"
         "                         written. NAME may be given as gob list shows it (escaped\n"
         "                         in double quotes)\n"
         "  gob delete ARCHIVE NAME...\n"
         "                         remove items\n",
         Gob});
    registry.subcommands.push_back(
        {"catalog", "  catalog ARCHIVE        the stock materials, colormaps, keyframes and puppets\n", Catalog});
    registry.subcommands.push_back(
        {"sample",
         "  sample DIR             write the sample colormaps, materials and walker model into\n"
         "                         DIR, loose and as DIR/res2.gob laid out like the game's archive\n",
         Sample});
}

}  // namespace orv::cli
