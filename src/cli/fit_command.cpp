// orvane-tool fit: a model brought within the game engine's limits.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/tool.h"
#include "document/document.h"
#include "document/file_formats.h"
#include "document/save_plan.h"
#include "edit/fit.h"
#include "model/fileio.h"
#include "model/limits.h"
#include "model/settings.h"

namespace orv::cli {

namespace {

namespace fs = std::filesystem;

}  // namespace

int TakeLevels(const std::string& command, std::vector<std::string>& args, FitOptions& options)
{
    const auto at = std::find(args.begin(), args.end(), std::string("--levels"));
    if (at == args.end())
        return -1;
    const std::string value = at + 1 != args.end() ? *(at + 1) : std::string();
    if (value.size() != 1 || value[0] < '1' || value[0] > '4')
        return Usage(command + ": --levels takes the number of geometry sets to have, 1 to 4");
    options.levels = value[0] - '0';
    args.erase(at, at + 2);
    return -1;
}

void PrintFitReport(const FitReport& report, const std::string& out)
{
    for (const std::string& line : report.lines)
        Warn(out, line);
    for (const std::string& line : report.problems)
        Warn(out, line);
}

int SaveWithMaterials(COrvaneDoc& doc, const std::string& out)
{
    // The materials are put in place only once the model is saved: all or nothing.
    AtomicFileSet materials;
    if (!DocumentFormatOf(FileKindOf(out))->keepsCustomMaterials && doc.model->customMaterials.Count() > 0) {
        // A 3DO file names its materials only: the model's own go beside it.
        const fs::path folder = fs::path(out).has_parent_path() ? fs::path(out).parent_path() : fs::path(".");
        if (Status staged = StageCustomMaterials(*doc.model, folder, materials); !staged)
            return Fail(out, staged.error());
    }
    if (Status saved = doc.SaveDocument(out); !saved)
        return Fail(out, saved.error());
    if (Status written = materials.Commit(); !written)
        return Fail(out, written.error());
    return 0;
}

int FitFailed(const std::vector<LimitBreach>& breaches, const std::string& out)
{
    if (breaches.empty())
        return -1;
    for (const LimitBreach& breach : breaches)
        Warn(out, "does not fit the engine: " + breach.text);
    return Fail(out, "not written: the fit cannot bring the model within the engine's limits");
}

namespace {

int Fit(const std::vector<std::string>& arguments, const Options& opts)
{
    std::vector<std::string> args = arguments;
    FitOptions fit;
    if (const int rc = TakeLevels("fit", args, fit); rc >= 0)
        return rc;
    for (const std::string& a : args)
        if (a.size() > 1 && a[0] == '-')
            return Usage("fit: unknown option '" + a + "'");
    if (args.size() != 2)
        return Usage("fit takes a model (.3do or .orv) and an output file (.3do or .orv)");
    const std::string& in = args[0];
    const std::string& out = args[1];
    const FileKind from = FileKindOf(in), to = FileKindOf(out);
    if (from != FileKind::Model3do && from != FileKind::Project)
        return Usage("fit reads .3do or .orv files, not '" + FileExtension(in) + "'");
    if (to != FileKind::Model3do && to != FileKind::Project)
        return Usage("fit writes .3do or .orv files, not '" + FileExtension(out) + "'");

    const Settings settings;
    COrvaneDoc doc(settings, {});
    if (Status opened = doc.OpenDocument(in); !opened)
        return Fail(in, opened.error());
    if (const int rc = CheckComplete(in, doc.ReadInPart().empty(), doc.ReadInPart(), opts))
        return rc;
    const FitReport report = FitToEngineLimits(*doc.model, fit);
    // What a fit cannot mend (a material's long name, a coordinate out of range) is told,
    // and a model the game would still refuse is not written.
    if (const int rc = FitFailed(CheckEngineLimits(*doc.model), out); rc >= 0)
        return rc;
    if (report.Changed())
        for (const std::string& line : report.lines)
            std::printf("%s\n", TerminalSafe(line).c_str());
    else
        std::printf("the model is within the engine's limits\n");
    // Levels of detail asked for and not made are told; the model is written without them.
    for (const std::string& line : report.problems)
        Warn(out, line);
    return SaveWithMaterials(doc, out);
}

}  // namespace

void RegisterFitCommand(Registry& registry)
{
    registry.subcommands.push_back(
        {"fit",
         "  fit IN OUT [--levels N]\n"
         "                         a model (.3do or .orv) brought within the game engine's limits,\n"
         "                         written to OUT (.3do or .orv): faces that are bent, concave or\n"
         "                         of more than 24 corners cut into flat convex ones, coplanar\n"
         "                         triangles joined, meshes over 512 vertices, 768 texture\n"
         "                         vertices or 512 faces split under new nodes, mesh names made\n"
         "                         unique within 31 characters, radii measured again; prints one\n"
         "                         line per kind of change; --levels N: N geometry sets (1 to 4),\n"
         "                         the full model first and each lower one a level of detail\n"
         "                         simplified from it with texture seams and material borders kept;\n"
         "                         a model still beyond a limit (a coordinate out of range, a\n"
         "                         material's long name): the reasons, exit 1, nothing written\n",
         Fit});
}

}  // namespace orv::cli
