// Copy, cut and paste through a clipboard private to each 3D view, the three Add
// commands (geometry set, mesh, face), and the deletions Cut makes. Mesh mode works on
// the current mesh, face mode on the current face's group (InFaceGroup), and
// otherwise on the current face.
//
// A node's mesh index applies to every geometry set (the levels of detail of one model),
// so a mesh added or pasted in one set is added at the same index in every set, and a
// deleted mesh goes from every set that has it: the nodes keep placing the same meshes
// in every set, also when the sets hold different numbers of meshes.
#pragma once

#include <optional>

#include <memory>
#include <string>
#include <vector>

#include "edit/view_commands.h"

namespace orv {

struct Clipboard {
    std::optional<CMesh> mesh;  // a copied mesh, or an empty mesh holding a copied face group
    std::optional<CFace> face;  // a copied face
    // The model's material names at Copy: the copied faces' material indices point into
    // this list, and Paste finds the same names in the list as it is then.
    std::vector<std::string> materials;

    bool Empty() const { return !mesh && !face; }
};

// The view's clipboard is the context's (c.clipboard): without one nothing is enabled.
// Each WhyNot function says why its command is disabled, for the status bar, or gives
// nullptr when it is enabled.
// Delete needs what the user sees selected: the current mesh in mesh mode, else the
// current face.
const char* WhyNotCopy(const EditContext& c);
const char* WhyNotDelete(const EditContext& c);
const char* WhyNotPaste(const EditContext& c);
const char* WhyNotAddMesh(const EditContext& c);
const char* WhyNotAddFace(const EditContext& c);

// Copy changes only the clipboard; every other command changes the model when it does
// anything (Cut's copy stands also when its deletion is refused, with the refusal as the
// message). A new mesh (Paste in mesh mode, Add Mesh) takes the index after the meshes
// that every geometry set has; meshes of larger sets from there on move up by one, and
// the node indices with them.
EditOutcome Copy(EditContext& c);
EditOutcome Cut(EditContext& c);
// "Delete": what Cut deletes in the mode (below), with the clipboard left as it was. Cut
// with no current face (outside mesh mode) deletes the current geometry set; Delete, whose
// key is easily pressed once too often, only ever deletes what is shown selected.
EditOutcome DeleteSelection(EditContext& c);
// Every pasted face keeps its material by name: the index of that name in the model's
// list now (a name the list has lost since Copy is appended to it again; a face whose
// index named nothing at Copy gets none). No face gets an index outside the list.
EditOutcome Paste(EditContext& c);
EditOutcome AddGeometry(EditContext& c);
EditOutcome AddMesh(EditContext& c);
EditOutcome AddFace(EditContext& c);

// The deletions Cut and Delete make. Deleting mesh k removes it from every geometry set that has
// it, and the node placing it (or, for the root of the hierarchy with siblings, only the
// node's mesh); mesh indices above k move down by one, nodes without a mesh stay so, and
// every link stays valid.
EditOutcome DeleteMesh(EditContext& c, int32_t mesh);
EditOutcome DeleteGeometrySet(EditContext& c);

}  // namespace orv
