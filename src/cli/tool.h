// Shared pieces of orvane-tool's subcommands: option parsing, error reporting and the
// tables through which each group of commands registers what it handles.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "base/text.h"
#include "edit/fit.h"
#include "model/corners.h"
#include "model/file_kind.h"
#include "model/limits.h"
#include "resources/searchpath.h"

namespace orv {

class COrvaneDoc;
struct CModel;
struct ResourceCatalog;
}  // namespace orv

namespace orv::cli {

// Options that any subcommand may take; main() removes them from the argument list.
struct Options {
    std::string resources;  // --resources ARCHIVE: the first archive given, the game's
    // Further --resources (and every folder given): searched in order for materials and
    // colormaps the game's archive does not have.
    std::vector<std::string> extraResources;
    std::string colormap;  // --colormap NAME or FILE
    bool partial = false;  // --partial: convert files that end early, as far as they go

    bool AnyResources() const { return !resources.empty() || !extraResources.empty(); }
};

// For `convert`: 0 when the input was read whole. For an input that ended early, exit
// status 1 with one line saying what is missing, unless --partial lets it through (then
// one line of warning and 0).
int CheckComplete(const std::string& file, bool complete, const std::string& missing, const Options& opts);

// The game resources named by --resources and the mod around a model: where materials,
// colormaps and keyframes are looked for (the same sources the editor draws from) and
// the material sizes drawn through the --colormap (default "01redmap.cmp"). Without
// --resources `info` and `convert` use none, so their results do not depend on what is
// installed; `render`, `export` and `import` always look in the mod.
enum class ModFolderSearch { WithResources, Always };
struct ResourceContext;
struct ResourceHandle {
    std::shared_ptr<ResourceContext> context;
    ResourceSources sources;                   // points into context
    TextureSizeFn textureSize;                 // empty when there are no sources
    const ResourceCatalog* catalog = nullptr;  // the archive's catalogue; null without --resources
    ResourceSearchPath* searchPath = nullptr;  // the further --resources; null without
};
// Fails when an archive given cannot be read. customMaterials gives the custom
// materials of the model the sizes are for (a document's model, once it is open).
Result<ResourceHandle> OpenResources(const Options& opts, const std::string& modelFile = {},
                                     ModFolderSearch modFolders = ModFolderSearch::WithResources,
                                     std::function<const SortedEntryList*()> customMaterials = {});
// A document's resources as the editor finds them: OpenResources for the model's file,
// always looking in the mod around it, the sizes of custom materials taken from the
// document's model; the document gets them as its environment (before it opens the file).
Result<ResourceHandle> OpenResourcesFor(const Options& opts, const std::string& modelFile, COrvaneDoc& doc);
// What a failure to open the resources is reported under: the archive given, else
// "--resources".
std::string ResourcesName(const Options& opts);
// The colormap of --colormap (a name, or a file by its path), else "01redmap.cmp".
std::string ColormapName(const Options& opts);
// One line on standard error for file when the colormap is found nowhere and another
// stands in (FindColormap), saying which.
void NoteColormap(const std::string& file, const ResourceSources& sources, const std::string& colormap);

// Exit status 1 with one line on stderr naming the file and the reason.
int Fail(const std::string& file, const std::string& reason);
// One line on stderr naming the file, as Fail's, without ending the command. Both escape
// control characters (names from files are in their text).
void Warn(const std::string& file, const std::string& text);
// Exit status 2 for wrong usage, with one line on stderr.
int Usage(const std::string& message);

// The `info` lines of a model (3DO or project): geosets, meshes, vertices, faces, nodes, materials.
void PrintModelSummary(const CModel& model);

// `info FILE` for the files of these kinds (FileKindOf).
struct InfoHandler {
    std::vector<FileKind> kinds;
    std::function<int(const std::string& path, const Options&)> run;
};

// `convert IN OUT` from one kind of file to another.
struct ConvertHandler {
    FileKind from;
    FileKind to;
    std::function<int(const std::string& in, const std::string& out, const Options&)> run;
};

// A subcommand of its own (`gob ...`, `catalog ...`, `render ...`); args exclude its name.
struct Subcommand {
    std::string name;
    std::string usage;  // lines for --help
    std::function<int(const std::vector<std::string>& args, const Options&)> run;
};

struct Registry {
    std::vector<InfoHandler> info;
    std::vector<ConvertHandler> convert;
    std::vector<Subcommand> subcommands;
};

// Each group of commands adds its handlers here.
void RegisterFormatCommands(Registry& registry);
void RegisterResourceCommands(Registry& registry);
// `render`, present when the tool is built with the OpenGL renderer.
void RegisterRenderCommand(Registry& registry);
void RegisterProjectCommands(Registry& registry);
// `export` and `import`: models to and from the formats of other 3D tools.
void RegisterInterchangeCommands(Registry& registry);
// `check MOD...` for a mod's folders and archives (takes "--json"): exit status 0, 1 when
// there is an error, 2 when the mod cannot be read.
int CheckModCommand(std::vector<std::string> args, const Options& opts);
// `fit`: a model brought within the engine's limits.
void RegisterFitCommand(Registry& registry);
// Takes "--levels N" out of args into options (N: 1 to 4); the exit status of a usage
// error, or -1 to go on.
int TakeLevels(const std::string& command, std::vector<std::string>& args, FitOptions& options);
// What a fit did and could not do, on standard error, each line naming out.
void PrintFitReport(const FitReport& report, const std::string& out);
// After a fit, its model's breaches of the engine's limits: -1 when there are none; else
// the exit status, each told (naming out), for a model that is not to be written.
int FitFailed(const std::vector<LimitBreach>& breaches, const std::string& out);
// Saves the document to out (.3do or .orv) whole or not at all; a 3DO's custom materials
// go beside it as MAT files. The exit status.
int SaveWithMaterials(COrvaneDoc& doc, const std::string& out);

}  // namespace orv::cli
