#include "resources/modcheck.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/puppet.h"
#include "formats/templates.h"
#include "formats/textbuffer.h"
#include "model/corners.h"
#include "model/file_kind.h"
#include "model/fileio.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/tree.h"
#include "model/validate.h"
#include "resources/archive.h"
#include "resources/material.h"
#include "resources/searchpath.h"

namespace orv {

namespace fs = std::filesystem;

const char* SeverityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
    }
    return "error";
}

std::string FindingPlace::Describe() const
{
    std::string out;
    auto part = [&out](const std::string& p) { out += (out.empty() ? "" : ", ") + p; };
    if (geoset >= 0)
        part("geometry set " + std::to_string(geoset));
    if (mesh >= 0)
        part("mesh " + std::to_string(mesh) + (meshName.empty() ? "" : " (" + meshName + ")"));
    if (face >= 0)
        part("face " + std::to_string(face));
    if (!node.empty())
        part("node " + node);
    if (line > 0)
        part("line " + std::to_string(line));
    return out;
}

std::string Finding::Line() const
{
    const std::string where = place.Describe();
    return file + ": " + SeverityName(severity) + ": " + text + (where.empty() ? "" : ", " + where);
}

std::size_t ModCheckReport::Count(Severity severity) const
{
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [severity](const Finding& f) { return f.severity == severity; }));
}

std::string ModCheckReport::Summary() const
{
    auto n = [](std::size_t count, const char* one, const char* many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    return n(files, "file", "files") + " checked (" + n(models, "model", "models") + ", " +
           n(keyframes, "keyframe", "keyframes") + ", " + n(puppets, "puppet", "puppets") + ", " +
           n(materials, "material", "materials") + ", " + n(colormaps, "colormap", "colormaps") + ", " +
           n(levels, "level or template file", "level and template files") +
           "): " + n(Count(Severity::Error), "error", "errors") + ", " +
           n(Count(Severity::Warning), "warning", "warnings") + ", " + n(Count(Severity::Note), "note", "notes");
}

namespace {

// What the check reads: the kinds it checks, and the other text files whose mentions of
// materials count as uses.
enum class Kind { Model, Keyframe, Puppet, Material, Colormap, Level, Templates, Text, Other };
constexpr std::size_t kLookupKinds = 5;  // Model .. Colormap are looked up by name

Kind KindOf(std::string_view name)
{
    switch (FileKindOf(name)) {
    case FileKind::Model3do: return Kind::Model;
    case FileKind::Keyframe: return Kind::Keyframe;
    case FileKind::Puppet: return Kind::Puppet;
    case FileKind::Material: return Kind::Material;
    case FileKind::Colormap: return Kind::Colormap;
    default: break;
    }
    const std::string ext = FileExtension(name);
    if (ext == ".jkl")
        return Kind::Level;
    if (ext == ".tpl")
        return Kind::Templates;
    // Scripts, sprites and particles name the materials they show.
    if (ext == ".cog" || ext == ".spr" || ext == ".par")
        return Kind::Text;
    return Kind::Other;
}

struct ModFile {
    Kind kind = Kind::Other;
    ResourceLocation where;
    std::string name;  // short name, lower-cased
    std::string shown;
};

// Files by kind and short name; the first added keeps a name.
class NameIndex {
public:
    void Add(std::size_t file, Kind kind, const std::string& name)
    {
        if (static_cast<std::size_t>(kind) < kLookupKinds)
            byName_[static_cast<std::size_t>(kind)].emplace(name, file);
    }
    const std::size_t* Find(Kind kind, const std::string& name) const
    {
        if (static_cast<std::size_t>(kind) >= kLookupKinds)
            return nullptr;
        const auto& m = byName_[static_cast<std::size_t>(kind)];
        const auto it = m.find(name);
        return it == m.end() ? nullptr : &it->second;
    }

private:
    std::array<std::unordered_map<std::string, std::size_t>, kLookupKinds> byName_;
};

// The files of folders and archives, in order: each folder's files (sorted by path), then
// the archives, each in the order of its directory.
struct Inventory {
    std::vector<ModFile> files;
    NameIndex index;
    std::vector<Finding> problems;  // archives found in folders that cannot be read

    void AddFile(ModFile f)
    {
        index.Add(files.size(), f.kind, f.name);
        files.push_back(std::move(f));
    }

    // An archive that cannot be read fails; a damaged one gives the records it has and a
    // finding.
    Status AddArchive(const fs::path& archive)
    {
        auto dir = ReadArchiveDirectory(archive);
        if (!dir)
            return Fail(archive.string() + ": " + dir.error());
        Status intact = CheckArchiveIntact(*dir);
        if (dir->BadDirectoryOffset())
            return Fail(archive.string() + ": " + intact.error());
        if (!intact)
            problems.push_back({archive.string(), Severity::Error, "damaged archive: " + intact.error(), {}});
        for (const ArchiveRecord& r : dir->records) {
            ModFile f;
            f.name = ToLowerAscii(ShortNameOf(r.name));
            f.kind = KindOf(f.name);
            if (f.kind == Kind::Other)
                continue;
            f.where = {archive, true, r.offset, r.size, r.name};
            f.shown = f.where.Describe();
            AddFile(std::move(f));
        }
        return {};
    }

    // Every file below the folder; the archives among them are returned, to be added
    // after the loose files.
    std::vector<fs::path> AddFolder(const fs::path& folder)
    {
        std::vector<fs::path> paths, archives;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_regular_file(ec))
                paths.push_back(it->path());
        std::sort(paths.begin(), paths.end());
        for (const fs::path& p : paths)
            if (FileKindOf(p.filename().string()) == FileKind::Archive)
                archives.push_back(p);
            else
                AddLoose(p);
        return archives;
    }

    void AddLoose(const fs::path& p)
    {
        ModFile f;
        f.name = ToLowerAscii(p.filename().string());
        f.kind = KindOf(f.name);
        if (f.kind == Kind::Other)
            return;
        f.where.file = p;
        f.shown = p.string();
        AddFile(std::move(f));
    }
};

Result<std::vector<uint8_t>> ReadFile(const ModFile& f) { return ReadLocation(f.where); }

// What one file gives the checks that join files.
struct FileResult {
    std::vector<Finding> findings;
    bool read = false;
    std::vector<std::string> nodes;      // model: its nodes; keyframe: the nodes it moves (lower-cased)
    std::vector<std::string> keyframes;  // puppet: the keyframes it names (lower-cased)
    std::vector<ThingTemplate> templates;
    std::vector<std::string> mentions;  // materials a model or text names
};

struct Checker {
    explicit Checker(const ModCheckOptions& o) : options(o) {}

    const ModCheckOptions& options;
    Inventory mod;
    Inventory game;
    bool haveGame = false;
    Palette palette{};
    bool havePalette = false;

    // Where a name is: the mod's file, the game's, or nowhere.
    struct Lookup {
        const std::size_t* modFile = nullptr;
        bool inGame = false;
    };
    Lookup Find(Kind kind, const std::string& name) const
    {
        Lookup l;
        l.modFile = mod.index.Find(kind, name);
        l.inGame = !l.modFile && game.index.Find(kind, name);
        return l;
    }

    // A finding for a name found nowhere, or none. what: "material x.mat".
    void Missing(FileResult& r, const ModFile& f, Kind kind, const std::string& name, const std::string& what,
                 FindingPlace place) const
    {
        const Lookup l = Find(kind, name);
        if (l.modFile || l.inGame)
            return;
        if (haveGame)
            r.findings.push_back(
                {f.shown, Severity::Error, what + " is found neither in the mod nor in the game's resources", place});
        else
            r.findings.push_back({f.shown, Severity::Note,
                                  what + " is not in the mod; left to the game (no game's resources given)", place});
    }

    void Incomplete(FileResult& r, const ModFile& f, const ReadStatus& status) const
    {
        if (status.complete)
            return;
        r.findings.push_back(
            {f.shown, Severity::Error, (status.damaged ? "damaged: " : "ends early: ") + status.missing, {}});
    }

    void CheckModel(FileResult& r, const ModFile& f, std::string text) const
    {
        CModel model;
        TextBuffer buffer(std::move(text));
        const ReadStatus status = Read3do(model, buffer);
        if (!status.recognised) {
            r.findings.push_back({f.shown, Severity::Error, "not a 3DO file (no SECTION found)", {}});
            return;
        }
        r.read = true;
        Incomplete(r, f, status);
        BuildFaceCorners(model);
        auto place = [&model](const LimitBreach& b) {
            FindingPlace p;
            p.geoset = b.geoset;
            p.mesh = b.mesh;
            p.face = b.face;
            if (b.geoset >= 0 && b.mesh >= 0 && static_cast<std::size_t>(b.geoset) < model.geosets.size() &&
                static_cast<std::size_t>(b.mesh) < model.geosets[b.geoset].meshes.size())
                p.meshName = model.geosets[b.geoset].meshes[b.mesh].name;
            if (b.node >= 0)
                p.node = model.nodes[b.node].name;
            return p;
        };
        for (const LimitBreach& b : CheckEngineLimits(model))
            r.findings.push_back({f.shown, Severity::Error, b.node >= 0 || b.geoset >= 0 ? b.what : b.text, place(b)});
        for (const LimitBreach& b : CheckFaceShapes(model))
            r.findings.push_back({f.shown, Severity::Warning, b.what, place(b)});
        for (const std::string& fault : ValidateModel(model, false))
            r.findings.push_back({f.shown, Severity::Error, fault, {}});
        for (const auto& n : model.nodes)
            r.nodes.push_back(ToLowerAscii(n.name));
        const std::string_view all = buffer.Text();
        for (const std::string& m : model.materials) {
            const std::string name = ToLowerAscii(m);
            r.mentions.push_back(name);
            FindingPlace p;
            if (!Find(Kind::Material, name).modFile && !Find(Kind::Material, name).inGame)
                p.line = LineOfWord(all, name);
            Missing(r, f, Kind::Material, name, "material " + name, p);
        }
    }

    void CheckKeyframe(FileResult& r, const ModFile& f, std::string text) const
    {
        CModel model;
        TextBuffer buffer(std::move(text));
        const KeyframeRead read = ReadKey(model, buffer);
        if (!read.status.recognised) {
            r.findings.push_back({f.shown, Severity::Error, "not a KEY file (no SECTION found)", {}});
            return;
        }
        r.read = true;
        Incomplete(r, f, read.status);
        for (const auto& n : read.keyframe.nodes)
            r.nodes.push_back(ToLowerAscii(n.meshName));
    }

    void CheckPuppet(FileResult& r, const ModFile& f, std::string text) const
    {
        CModel model;
        TextBuffer buffer(std::move(text));
        const ReadStatus status = ReadPup(model, buffer);
        if (!status.recognised) {
            r.findings.push_back({f.shown, Severity::Error, "holds no puppet modes", {}});
            return;
        }
        r.read = true;
        Incomplete(r, f, status);
        std::set<std::string> seen;
        for (const auto& mode : model.puppetModes)
            for (const auto& item : mode.items) {
                const std::string key = ToLowerAscii(item.keyFile);
                if (key.empty() || key == "none" || !seen.insert(key).second)
                    continue;
                r.keyframes.push_back(key);
                FindingPlace p;
                p.line = LineOfWord(buffer.Text(), key);
                Missing(r, f, Kind::Keyframe, key, "keyframe " + key, p);
            }
    }

    void CheckMaterial(FileResult& r, const ModFile& f, const std::vector<uint8_t>& bytes) const
    {
        const auto image = ConvertMat(bytes, palette);
        r.read = static_cast<bool>(image);
        if (!image)
            r.findings.push_back({f.shown, Severity::Error, "does not decode: " + image.error(), {}});
    }

    void CheckColormap(FileResult& r, const ModFile& f, const std::vector<uint8_t>& bytes) const
    {
        const auto cmp = ParseColormap(bytes);
        if (!cmp) {
            r.findings.push_back({f.shown, Severity::Error, "not a colormap: " + cmp.error(), {}});
            return;
        }
        r.read = true;
        if (cmp->HasTransparency() && bytes.size() < kColormapDataSize + kTransparencyTableSize)
            r.findings.push_back({f.shown,
                                  Severity::Error,
                                  "its transparency table is cut short (" +
                                      std::to_string(bytes.size() - kColormapDataSize) + " of " +
                                      std::to_string(kTransparencyTableSize) + " bytes)",
                                  {}});
    }

    // The models, puppets, materials and keyframes the templates name.
    void CheckTemplates(FileResult& r, const ModFile& f, const std::string& text, bool level) const
    {
        r.read = true;
        r.templates = ReadTemplates(text, level);
        r.mentions = WordsEndingIn(text, ".mat");
        for (const ThingTemplate& t : r.templates)
            for (const TemplateParam& p : t.params) {
                if (p.value.empty() || p.value == "none")
                    continue;
                const Kind kind = KindOf(p.value);
                const bool reference =
                    p.key == "model3d" || p.key == "puppet" || p.key == "material" || kind == Kind::Keyframe;
                if (!reference || kind == Kind::Other || kind == Kind::Level || kind == Kind::Templates ||
                    kind == Kind::Text)
                    continue;
                FindingPlace place;
                place.line = t.line;
                Missing(r, f, kind, p.value, "template " + t.name + ": " + p.key + " " + p.value, place);
            }
    }

    FileResult CheckOne(const ModFile& f) const
    {
        FileResult r;
        auto bytes = ReadFile(f);
        if (!bytes) {
            r.findings.push_back({f.shown, Severity::Error, "cannot be read: " + bytes.error(), {}});
            return r;
        }
        try {
            switch (f.kind) {
            case Kind::Model: CheckModel(r, f, std::string(bytes->begin(), bytes->end())); break;
            case Kind::Keyframe: CheckKeyframe(r, f, std::string(bytes->begin(), bytes->end())); break;
            case Kind::Puppet: CheckPuppet(r, f, std::string(bytes->begin(), bytes->end())); break;
            case Kind::Material: CheckMaterial(r, f, *bytes); break;
            case Kind::Colormap: CheckColormap(r, f, *bytes); break;
            case Kind::Level: CheckTemplates(r, f, std::string(bytes->begin(), bytes->end()), true); break;
            case Kind::Templates: CheckTemplates(r, f, std::string(bytes->begin(), bytes->end()), false); break;
            case Kind::Text:
                r.read = true;
                r.mentions = WordsEndingIn(
                    std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), ".mat");
                break;
            case Kind::Other: break;
            }
        } catch (const std::exception& e) {
            r.findings.push_back({f.shown, Severity::Error, std::string("could not be checked: ") + e.what(), {}});
        }
        return r;
    }

    // The colormap materials decode with: the one asked for, else the mod's (dflt.cmp
    // first), else the game's.
    void ChooseColormap(std::vector<Finding>& findings)
    {
        auto use = [this](const ModFile& f) {
            const auto bytes = ReadFile(f);
            if (!bytes)
                return false;
            const auto cmp = ParseColormap(*bytes);
            if (cmp) {
                palette = cmp->palette;
                havePalette = true;
            }
            return static_cast<bool>(cmp);
        };
        auto find = [this](const std::string& name) -> const ModFile* {
            if (const std::size_t* i = mod.index.Find(Kind::Colormap, name))
                return &mod.files[*i];
            if (const std::size_t* i = game.index.Find(Kind::Colormap, name))
                return &game.files[*i];
            return nullptr;
        };
        if (!options.colormap.empty()) {
            const std::string name = ToLowerAscii(ShortNameOf(options.colormap));
            std::error_code ec;
            if (fs::is_regular_file(options.colormap, ec)) {
                ModFile f;
                f.where.file = options.colormap;
                if (!use(f))
                    findings.push_back({options.colormap, Severity::Error, "not a colormap", {}});
            } else if (const ModFile* f = find(name)) {
                use(*f);
            } else {
                findings.push_back({options.colormap,
                                    Severity::Error,
                                    "colormap " + name + " is found neither in the mod nor in the game's resources",
                                    {}});
            }
            return;
        }
        if (const std::size_t* i = mod.index.Find(Kind::Colormap, "dflt.cmp"); i && use(mod.files[*i]))
            return;
        for (const ModFile& f : mod.files)
            if (f.kind == Kind::Colormap && use(f))
                return;
        for (const char* name : {kFallbackColormap, "dflt.cmp"})
            if (const std::size_t* i = game.index.Find(Kind::Colormap, name); i && use(game.files[*i]))
                return;
    }

    std::vector<FileResult> CheckAll() const
    {
        const std::size_t total = mod.files.size();
        std::vector<FileResult> results(total);
        unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
        threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(total, 1)));
        std::atomic<std::size_t> next{0};
        std::size_t done = 0;
        std::mutex progressLock;
        auto work = [&] {
            for (;;) {
                if (options.cancel && options.cancel->load())
                    return;
                const std::size_t i = next++;
                if (i >= total)
                    return;
                results[i] = CheckOne(mod.files[i]);
                if (options.progress) {
                    std::lock_guard lock(progressLock);
                    options.progress(++done, total);
                }
            }
        };
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
        for (auto& t : pool)
            t.join();
        return results;
    }

    // The checks that join files: the keyframes a model plays through a puppet move its
    // nodes, and the materials no file uses.
    void JoinFiles(std::vector<FileResult>& results) const
    {
        // Templates by name (the first of a name wins, as the game keeps the first).
        std::unordered_map<std::string, const ThingTemplate*> byName;
        std::vector<std::pair<std::size_t, const ThingTemplate*>> all;  // file, template
        for (std::size_t i = 0; i < results.size(); ++i)
            for (const ThingTemplate& t : results[i].templates) {
                byName.emplace(t.name, &t);
                all.push_back({i, &t});
            }
        auto inherited = [&byName](const ThingTemplate* t, std::string_view key) -> std::string {
            for (int depth = 0; t && depth < 64; ++depth) {
                if (const std::string_view v = t->Param(key); !v.empty())
                    return std::string(v);
                const auto it = byName.find(t->basedOn);
                t = it == byName.end() ? nullptr : it->second;
            }
            return {};
        };
        auto modFile = [this, &results](Kind kind, const std::string& name) -> const std::size_t* {
            const std::size_t* i = mod.index.Find(kind, name);
            return i && results[*i].read ? i : nullptr;
        };
        // The nodes of the puppet's keyframes that the model lacks, keyframe by keyframe.
        auto lacking = [&](std::size_t model, std::size_t puppet) {
            std::vector<std::pair<std::size_t, std::vector<std::string>>> out;
            const auto& nodes = results[model].nodes;
            const std::unordered_set<std::string> has(nodes.begin(), nodes.end());
            for (const std::string& key : results[puppet].keyframes) {
                const std::size_t* k = modFile(Kind::Keyframe, key);
                if (!k)
                    continue;
                std::vector<std::string> missing;
                for (const std::string& n : results[*k].nodes)
                    if (!has.count(n))
                        missing.push_back(n);
                if (!missing.empty())
                    out.push_back({*k, std::move(missing)});
            }
            return out;
        };
        auto names = [](const std::vector<std::string>& list) {
            std::string s;
            for (std::size_t i = 0; i < list.size() && i < 4; ++i)
                s += (i ? ", " : "") + list[i];
            if (list.size() > 4)
                s += " and " + std::to_string(list.size() - 4) + " more";
            return s;
        };
        // A pair is checked once: a model and the puppet of its name first (the finding
        // then is the keyframe's), then those only a template pairs (the template's).
        std::set<std::pair<std::size_t, std::size_t>> pairs;
        // A model and the puppet of its name: one finding on each keyframe.
        for (std::size_t i = 0; i < results.size(); ++i) {
            const ModFile& f = mod.files[i];
            if (f.kind != Kind::Model || !results[i].read)
                continue;
            const std::string stem = f.name.substr(0, f.name.size() - 4);
            const std::size_t* p = modFile(Kind::Puppet, stem + ".pup");
            if (!p || !pairs.insert({i, *p}).second)
                continue;
            for (auto& [key, missing] : lacking(i, *p)) {
                FindingPlace place;
                place.node = missing.front();
                results[key].findings.push_back({mod.files[key].shown, Severity::Error,
                                                 "moves nodes " + f.name + " does not have (it plays it through " +
                                                     mod.files[*p].name + "): " + names(missing),
                                                 place});
            }
        }
        // A template that pairs a model with a puppet: one finding on the template.
        for (const auto& [file, t] : all) {
            const std::string model3d = inherited(t, "model3d"), puppet = inherited(t, "puppet");
            const std::size_t* m = model3d.empty() ? nullptr : modFile(Kind::Model, model3d);
            const std::size_t* p = puppet.empty() ? nullptr : modFile(Kind::Puppet, puppet);
            if (!m || !p || !pairs.insert({*m, *p}).second)
                continue;
            const auto bad = lacking(*m, *p);
            if (bad.empty())
                continue;
            std::string list;
            for (std::size_t i = 0; i < bad.size() && i < 3; ++i)
                list += std::string(i ? "; " : "") + mod.files[bad[i].first].name + " (" + names(bad[i].second) + ")";
            if (bad.size() > 3)
                list += "; and " + std::to_string(bad.size() - 3) + " more keyframes";
            FindingPlace place;
            place.line = t->line;
            results[file].findings.push_back({mod.files[file].shown, Severity::Error,
                                              "template " + t->name + " pairs " + model3d + " with " + puppet +
                                                  ", whose keyframes move nodes the model does not have: " + list,
                                              place});
        }
        // Materials no model, template, level or script names.
        std::unordered_set<std::string> used;
        for (const FileResult& r : results)
            used.insert(r.mentions.begin(), r.mentions.end());
        for (const FileResult& r : results)
            for (const ThingTemplate& t : r.templates)
                if (const std::string_view m = t.Param("material"); !m.empty())
                    used.insert(std::string(m));
        for (std::size_t i = 0; i < results.size(); ++i)
            if (mod.files[i].kind == Kind::Material && !used.count(mod.files[i].name))
                results[i].findings.push_back(
                    {mod.files[i].shown, Severity::Note, "no model, template, level or script of the mod uses it", {}});
    }
};

void JsonString(std::string& out, std::string_view s)
{
    out += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    out += '"';
}

}  // namespace

Result<ModCheckReport> CheckMod(const ModCheckOptions& options)
{
    if (options.mod.empty())
        return Fail("no mod given");
    Checker c(options);
    std::vector<fs::path> archives;
    for (const fs::path& p : options.mod) {
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            auto found = c.mod.AddFolder(p);
            archives.insert(archives.end(), found.begin(), found.end());
        } else if (!fs::exists(p, ec)) {
            return Fail(p.string() + ": no such file or folder");
        } else if (FileKindOf(p.filename().string()) != FileKind::Archive) {
            c.mod.AddLoose(p);
        } else if (Status s = c.mod.AddArchive(p); !s) {
            return Fail(s.error());
        }
    }
    for (const fs::path& a : archives)
        if (Status s = c.mod.AddArchive(a); !s)
            c.mod.problems.push_back({a.string(), Severity::Error, "cannot be read: " + s.error(), {}});
    for (const fs::path& p : options.game) {
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (const fs::path& a : c.game.AddFolder(p))
                (void)c.game.AddArchive(a);
        } else if (Status s = c.game.AddArchive(p); !s) {
            return Fail(s.error());
        }
        c.haveGame = true;
    }
    std::vector<Finding> head = std::move(c.mod.problems);
    c.ChooseColormap(head);
    std::vector<FileResult> results = c.CheckAll();
    if (options.cancel && options.cancel->load())
        return Fail("cancelled");
    c.JoinFiles(results);

    ModCheckReport report;
    report.findings = std::move(head);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Kind kind = c.mod.files[i].kind;
        if (kind == Kind::Text)
            continue;
        ++report.files;
        report.models += kind == Kind::Model;
        report.keyframes += kind == Kind::Keyframe;
        report.puppets += kind == Kind::Puppet;
        report.materials += kind == Kind::Material;
        report.colormaps += kind == Kind::Colormap;
        report.levels += kind == Kind::Level || kind == Kind::Templates;
    }
    for (auto& r : results)
        for (auto& f : r.findings)
            report.findings.push_back(std::move(f));
    return report;
}

std::string ModCheckJson(const ModCheckReport& report)
{
    std::string out = "{\"findings\": [";
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        const Finding& f = report.findings[i];
        out += i ? ",\n  {" : "\n  {";
        out += "\"file\": ";
        JsonString(out, f.file);
        out += ", \"severity\": ";
        JsonString(out, SeverityName(f.severity));
        out += ", \"text\": ";
        JsonString(out, f.text);
        out += ", \"place\": {";
        std::string place;
        auto field = [&place](const char* name, int32_t v) {
            if (v >= 0)
                place += (place.empty() ? "\"" : ", \"") + std::string(name) + "\": " + std::to_string(v);
        };
        field("geoset", f.place.geoset);
        field("mesh", f.place.mesh);
        if (!f.place.meshName.empty()) {
            place += place.empty() ? "\"meshName\": " : ", \"meshName\": ";
            JsonString(place, f.place.meshName);
        }
        field("face", f.place.face);
        if (!f.place.node.empty()) {
            place += place.empty() ? "\"node\": " : ", \"node\": ";
            JsonString(place, f.place.node);
        }
        if (f.place.line > 0)
            field("line", f.place.line);
        out += place + "}}";
    }
    out += report.findings.empty() ? "],\n" : "\n],\n";
    out += "\"summary\": {\"files\": " + std::to_string(report.files) +
           ", \"models\": " + std::to_string(report.models) + ", \"keyframes\": " + std::to_string(report.keyframes) +
           ", \"puppets\": " + std::to_string(report.puppets) + ", \"materials\": " + std::to_string(report.materials) +
           ", \"colormaps\": " + std::to_string(report.colormaps) + ", \"levels\": " + std::to_string(report.levels) +
           ", \"errors\": " + std::to_string(report.Count(Severity::Error)) +
           ", \"warnings\": " + std::to_string(report.Count(Severity::Warning)) +
           ", \"notes\": " + std::to_string(report.Count(Severity::Note)) + "}}\n";
    return out;
}

}  // namespace orv
