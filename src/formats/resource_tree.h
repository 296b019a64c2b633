// The export of a model as a folder laid out like the game's resource tree (".brp"):
// the model, its puppet file, keyframes and custom materials where the game looks for them.
#pragma once

#include <filesystem>
#include <string>

#include "base/result.h"

namespace orv {

class CModel;

// Creates the empty project file at projectPath and, beside it, the folder named after
// it without its extension, with the game's resource sub-folders; writes the model as
// 3do/<title>.3do; copies <title>.pup from sourceDir into misc/pup and every keyframe
// named by the puppet modes into 3do/key (sources that do not exist are skipped); writes
// the custom materials into 3do/mat. All or nothing: a source that cannot be read or a
// file that cannot be written fails it with the reason, and no file or folder is left
// changed or made.
Status ExportBrindleProject(CModel& model, const std::string& title, const std::filesystem::path& projectPath,
                            const std::filesystem::path& sourceDir);

}  // namespace orv
