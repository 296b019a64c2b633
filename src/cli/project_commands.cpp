// orvane-tool commands for the editor's own project files (".orv"): info, and convert
// to and from 3DO models and folder exports, through the document's own open and save
// rules so that the tool gives what the editor would.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/tool.h"
#include "document/document.h"
#include "formats/projectfile.h"
#include "model/settings.h"
#include "resources/catalog.h"

namespace orv::cli {

namespace fs = std::filesystem;

namespace {

int InfoProject(const std::string& path, const Options&)
{
    const auto project = ReadProjectFile(path);
    if (!project)
        return Fail(path, project.error());
    // The same lines as for a 3DO; the counts are those of the stored lists.
    PrintModelSummary(*project->model);
    return 0;
}

// Opens in as the editor would (a 3DO with its puppet file from the --resources
// catalogue or beside it; a project with its current keyframe) and saves it under out,
// whose name decides the form.
int ConvertThroughDocument(const std::string& in, const std::string& out, const Options& opts)
{
    const auto opened = OpenResources(opts, in);
    if (!opened)
        return Fail(ResourcesName(opts), opened.error());
    const ResourceHandle& res = *opened;
    DocumentEnvironment env;
    if (res.catalog) {
        env.catalog = res.catalog;
        env.resourceFile = opts.resources;
    }
    env.textureSize = res.textureSize;
    // Without a view the project stores the camera it was opened with (none for a 3DO).
    const Settings settings;
    COrvaneDoc doc(settings, std::move(env));
    if (Status opened = doc.OpenDocument(in); !opened)
        return Fail(in, opened.error());
    if (const int rc = CheckComplete(in, doc.ReadInPart().empty(), doc.ReadInPart(), opts))
        return rc;
    if (Status saved = doc.SaveDocument(out); !saved)
        return Fail(out, saved.error());
    return 0;
}

}  // namespace

void RegisterProjectCommands(Registry& registry)
{
    registry.info.push_back({{FileKind::Project}, InfoProject});
    // Conversions to and from projects go through the document, as the editor opens and
    // saves them.
    registry.convert.push_back({FileKind::Model3do, FileKind::Project, ConvertThroughDocument});
    registry.convert.push_back({FileKind::Project, FileKind::Model3do, ConvertThroughDocument});
    registry.convert.push_back({FileKind::Project, FileKind::ResourceTree, ConvertThroughDocument});
    registry.convert.push_back({FileKind::Project, FileKind::Project, ConvertThroughDocument});
}

}  // namespace orv::cli
