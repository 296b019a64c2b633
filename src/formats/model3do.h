// The game's 3DO model files ("3DO 2.1"): reader, writer, and the export of a model as a
// folder laid out like the game's resource tree (".brp").
#pragma once

#include <filesystem>
#include <string>

#include "formats/textbuffer.h"
#include "model/corners.h"

namespace orv {

class CModel;

// Fills a freshly created model from the text. Tolerant: other sections are skipped,
// a missing keyword ends the read and keeps what was read, counts never make it read
// past the text. Sets the format tag "JK1" and ends with RebuildHierarchy. Face corners
// are not built here; see Load3doFile and BuildFaceCorners.
// The status is complete only when the text held everything it announced: a GEOMETRYDEF
// and a HIERARCHYDEF section, as many materials, geometry sets, meshes, vertices,
// texture vertices, normals, faces, face normals and nodes as counted, every corner a
// face line counts, and a line end after the last line. Otherwise missing names the
// first shortfall ("3 of 12 meshes read; mesh 3 (torso) has 5 of 20 vertices").
ReadStatus Read3do(CModel& model, TextBuffer& buffer);

// Reads the file into a fresh model and builds the face corners with textureSize (the
// seam through which the game's resources give material sizes; 1 x 1 without them).
// Fails when the file cannot be read or holds no 3DO section; the model then holds
// whatever could be read. A file that ends early is read, and the status says what is
// missing.
Result<ReadStatus> Load3doFile(const std::filesystem::path& path, CModel& model, const TextureSizeFn& textureSize = {});

// The 3DO text of the model, CR LF line ends, headed with headerPath. Rebuilds every
// mesh's lists from the face corners and renumbers the nodes, as saving does.
std::string Format3do(CModel& model, const std::string& headerPath);

// Writes Format3do(model, path) atomically.
Status Write3do(CModel& model, const std::filesystem::path& path);

// Creates the empty project file at projectPath and, beside it, the folder named after
// it without its extension, with the game's resource sub-folders; writes the model as
// 3do/<title>.3do; copies <title>.pup from sourceDir into misc/pup and every keyframe
// named by the puppet modes into 3do/key (sources that do not exist are skipped); writes
// the custom materials into 3do/mat. Fails with the first failure's reason (the
// remaining copies are still made).
Status ExportBrindleProject(CModel& model, const std::string& title, const std::filesystem::path& projectPath,
                            const std::filesystem::path& sourceDir);

// The file named name in dir, or one whose name differs only in case (the game's files
// come from a file system that ignores case); empty when there is none.
std::filesystem::path FindFileNoCase(const std::filesystem::path& dir, const std::string& name);

// The last component of a name that may hold '/' or '\' separators, or "" when that is
// empty, "." or "..": names taken from files never lead outside the target folder.
std::string SafeFileName(const std::string& name);

}  // namespace orv
