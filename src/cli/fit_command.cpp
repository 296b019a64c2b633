// orvane-tool fit: a model brought within the game engine's limits.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/tool.h"
#include "document/document.h"
#include "document/file_formats.h"
#include "document/save_plan.h"
#include "edit/fit.h"
#include "model/limits.h"
#include "model/settings.h"

namespace orv::cli {

namespace {

namespace fs = std::filesystem;

int Fit(const std::vector<std::string>& args, const Options& opts)
{
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
    const FitReport report = FitToEngineLimits(*doc.model);
    if (report.Changed())
        for (const std::string& line : report.lines)
            std::printf("%s\n", line.c_str());
    else
        std::printf("the model is within the engine's limits\n");
    // What a fit cannot mend (a material's long name, a coordinate out of range) is told.
    for (const LimitBreach& breach : CheckEngineLimits(*doc.model))
        std::fprintf(stderr, "orvane-tool: %s: does not fit the engine: %s\n", out.c_str(), breach.text.c_str());
    if (!DocumentFormatOf(to)->keepsCustomMaterials && doc.model->customMaterials.Count() > 0) {
        // A 3DO file names its materials only: a project's own go beside it.
        const fs::path folder = fs::path(out).has_parent_path() ? fs::path(out).parent_path() : fs::path(".");
        if (Status written = WriteCustomMaterials(*doc.model, folder); !written)
            return Fail(out, written.error());
    }
    if (Status saved = doc.SaveDocument(out); !saved)
        return Fail(out, saved.error());
    return 0;
}

}  // namespace

void RegisterFitCommand(Registry& registry)
{
    registry.subcommands.push_back(
        {"fit",
         "  fit IN OUT             a model (.3do or .orv) brought within the game engine's limits,\n"
         "                         written to OUT (.3do or .orv): faces that are bent, concave or\n"
         "                         of more than 24 corners cut into flat convex ones, coplanar\n"
         "                         triangles joined, meshes over 512 vertices, 768 texture\n"
         "                         vertices or 512 faces split under new nodes, mesh names made\n"
         "                         unique within 31 characters, radii measured again; prints one\n"
         "                         line per kind of change\n",
         Fit});
}

}  // namespace orv::cli
