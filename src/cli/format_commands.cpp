// orvane-tool commands for the game's text formats (3DO, KEY, PUP).
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/paths.h"
#include "cli/tool.h"
#include "formats/keyfile.h"
#include "formats/model3do.h"
#include "formats/projectfile.h"
#include "formats/puppet.h"
#include "formats/resource_tree.h"
#include "model/corners.h"
#include "model/fileio.h"
#include "model/limits.h"
#include "model/model.h"
#include "model/validate.h"

namespace orv::cli {

namespace fs = std::filesystem;

namespace {

std::string Shortest(float v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Reads a 3DO with the material sizes of the --resources archive; 0, or the exit status
// of the failure already reported.
int Load3doWithResources(const std::string& path, const Options& opts, CModel& model, ReadStatus& status)
{
    const auto res = OpenResources(opts, path);
    if (!res)
        return Fail(ResourcesName(opts), res.error());
    auto read = Load3doFile(path, model, res->textureSize);
    if (!read)
        return Fail(path, read.error());
    status = std::move(*read);
    return 0;
}

// The last line of `info` for a file that ended early; exit status 1 then.
int InfoEnd(const ReadStatus& status)
{
    if (status.complete)
        return 0;
    std::printf("incomplete: %s\n", status.missing.c_str());
    return 1;
}

// What info and convert say of a .pup with neither a mode nor a joints section.
const char* const kNoPuppetModes = "holds no puppet modes";

int Info3do(const std::string& path, const Options& opts)
{
    CModel model;
    ReadStatus status;
    if (const int rc = Load3doWithResources(path, opts, model, status))
        return rc;
    PrintModelSummary(model);
    return InfoEnd(status);
}

int InfoKey(const std::string& path, const Options&)
{
    CModel model;
    const auto read = LoadKeyFile(path, model);
    if (!read)
        return Fail(path, read.error());
    const auto& keyframe = read->keyframe;
    std::size_t entries = 0;
    for (const auto& n : keyframe.nodes)
        entries += n.entries.size();
    std::printf("frames: %d\nfps: %s\nnodes: %zu\nentries: %zu\n", keyframe.frames, Shortest(keyframe.fps).c_str(),
                keyframe.nodes.size(), entries);
    return InfoEnd(read->status);
}

int InfoPup(const std::string& path, const Options&)
{
    CModel model;
    const auto read = LoadPupFile(path, model);
    if (!read)
        return Fail(path, read.error());
    const ReadStatus& status = *read;
    if (!status.recognised)
        return Fail(path, kNoPuppetModes);
    std::size_t submodes = 0;
    for (const auto& m : model.puppetModes)
        submodes += m.items.size();
    std::printf("modes: %zu\nsubmodes: %zu\n", model.puppetModes.size(), submodes);
    return InfoEnd(status);
}

int Convert3do(const std::string& in, const std::string& out, const Options& opts)
{
    CModel model;
    ReadStatus status;
    if (const int rc = Load3doWithResources(in, opts, model, status))
        return rc;
    if (const int rc = CheckComplete(in, status.complete, status.missing, opts))
        return rc;
    if (Status written = Write3do(model, out); !written)
        return Fail(out, written.error());
    return 0;
}

int ConvertKey(const std::string& in, const std::string& out, const Options& opts)
{
    CModel model;
    const auto read = LoadKeyFile(in, model);
    if (!read)
        return Fail(in, read.error());
    const ReadStatus& status = read->status;
    if (const int rc = CheckComplete(in, status.complete, status.missing, opts))
        return rc;
    // Without a model the joint count is the one the file gave.
    const CKeyframe& keyframe = read->keyframe;
    if (Status written = WriteFileAtomic(out, FormatKey(keyframe, keyframe.joints, fs::path(out).filename().string()));
        !written)
        return Fail(out, written.error());
    return 0;
}

int ConvertPup(const std::string& in, const std::string& out, const Options& opts)
{
    CModel model;
    const auto read = LoadPupFile(in, model);
    if (!read)
        return Fail(in, read.error());
    const ReadStatus& status = *read;
    if (!status.recognised)
        return Fail(in, kNoPuppetModes);
    if (const int rc = CheckComplete(in, status.complete, status.missing, opts))
        return rc;
    if (Status written = WritePup(model, out); !written)
        return Fail(out, written.error());
    return 0;
}

// The export takes the puppet file and keyframes from the folder of the 3DO (where a
// modder keeps them), and reads that puppet file so its keyframes are copied too.
int ConvertBrp(const std::string& in, const std::string& out, const Options& opts)
{
    CModel model;
    ReadStatus status;
    if (const int rc = Load3doWithResources(in, opts, model, status))
        return rc;
    if (const int rc = CheckComplete(in, status.complete, status.missing, opts))
        return rc;
    const fs::path inPath(in);
    const std::string title = inPath.stem().string();
    const fs::path sourceDir = inPath.parent_path().empty() ? fs::path(".") : inPath.parent_path();
    const fs::path pup = FindFileNoCase(sourceDir, title + std::string(ExtensionOf(FileKind::Puppet)));
    if (!pup.empty())
        if (const auto read = LoadPupFile(pup, model); !read)
            return Fail(pup.string(), read.error());
    if (Status exported = ExportBrindleProject(model, title, out, sourceDir); !exported)
        return Fail(out, exported.error());
    return 0;
}

// `check FILE...`: what the game's engine would refuse, one line per breach naming the
// file and where in it. Files that cannot be read are reported and the others checked.
int Check(const std::vector<std::string>& files, const Options& opts)
{
    if (files.empty())
        return Usage("check takes one or more models (.3do, .orv), or a mod (folders, .gob, .goo)");
    // A folder or an archive among them makes it a mod's check.
    for (const std::string& file : files) {
        std::error_code ec;
        if (file == "--json" || fs::is_directory(file, ec) || FileKindOf(file) == FileKind::Archive)
            return CheckModCommand(files, opts);
    }
    int status = 0;
    for (const std::string& file : files) {
        std::unique_ptr<CModel> model;
        if (FileKindOf(file) == FileKind::Project) {
            auto project = ReadProjectFile(file);
            if (!project) {
                status = Fail(file, project.error());
                continue;
            }
            model = std::move(project->model);
        } else {
            model = std::make_unique<CModel>();
            const auto read = Load3doFile(file, *model);
            if (!read) {
                status = Fail(file, read.error());
                continue;
            }
            if (!read->complete) {
                std::printf("%s: incomplete: %s\n", TerminalSafe(file).c_str(), TerminalSafe(read->missing).c_str());
                status = 1;
            }
        }
        for (const LimitBreach& breach : CheckEngineLimits(*model)) {
            std::printf("%s: %s\n", TerminalSafe(file).c_str(), TerminalSafe(breach.text).c_str());
            status = 1;
        }
        // Faces drawn other than meant are told but do not fail the check.
        for (const LimitBreach& shape : CheckFaceShapes(*model))
            std::printf("%s: warning: %s\n", TerminalSafe(file).c_str(), TerminalSafe(shape.text).c_str());
        // What no program should be given either: indices out of their lists, a hierarchy
        // that loops, faces of fewer than three corners, positions that are not numbers.
        for (const std::string& fault : ValidateModel(*model, false)) {
            std::printf("%s: %s\n", TerminalSafe(file).c_str(), TerminalSafe(fault).c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace

void RegisterFormatCommands(Registry& registry)
{
    registry.info.push_back({{FileKind::Model3do}, Info3do});
    registry.info.push_back({{FileKind::Keyframe}, InfoKey});
    registry.info.push_back({{FileKind::Puppet}, InfoPup});
    registry.convert.push_back({FileKind::Model3do, FileKind::Model3do, Convert3do});
    registry.convert.push_back({FileKind::Keyframe, FileKind::Keyframe, ConvertKey});
    registry.convert.push_back({FileKind::Puppet, FileKind::Puppet, ConvertPup});
    registry.convert.push_back({FileKind::Model3do, FileKind::ResourceTree, ConvertBrp});
    registry.subcommands.push_back(
        {"check",
         "  check FILE...          what the game's engine would refuse in models (.3do, .orv): one\n"
         "                         line per breach of its limits or fault of structure (an index\n"
         "                         out of its list, a looping hierarchy); exit status 1 when there\n"
         "                         is any; bent and concave faces, which the engine loads but\n"
         "                         draws other than meant, as warning lines\n"
         "  check MOD... [--json]  a whole mod (its folders, .gob and .goo archives): every model,\n"
         "                         keyframe, puppet, material and colormap read and checked, and\n"
         "                         the links between them (materials a model names, keyframes a\n"
         "                         puppet names and the nodes they move, the models, puppets and\n"
         "                         keyframes of the level files' templates), looked for in the mod,\n"
         "                         then in --resources; one line per finding, \"FILE: error|warning|\n"
         "                         note: what, where\", then a summary, or --json; exit status 1\n"
         "                         when there is an error, 2 when the mod cannot be read\n",
         Check});
}

}  // namespace orv::cli
