// The game's 3DO model files ("3DO 2.1"): reader and writer.
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

}  // namespace orv
