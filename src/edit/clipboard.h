// Copy, cut and paste through a clipboard private to each 3D view, the three Add
// commands (geometry set, mesh, face), and the deletions Cut makes. Mesh mode works on
// the current mesh, face mode on the current face's group (the faces of its name), and
// otherwise on the current face.
//
// A node's mesh index applies to every geometry set (the levels of detail of one model),
// so a mesh added, pasted or deleted in one set is added, pasted or deleted at the same
// index in every set that has as many meshes: the nodes keep placing the same meshes.
#pragma once

#include <memory>
#include <string>

#include "document/document.h"
#include "edit/view_commands.h"

namespace orv {

struct Clipboard {
    std::unique_ptr<CMesh> mesh;  // a copied mesh, or an empty mesh holding a copied face group
    std::unique_ptr<CFace> face;  // a copied face

    bool Empty() const { return !mesh && !face; }
};

// What a structural command did; message names a refusal to show the user.
struct EditOutcome {
    bool changed = false;
    std::string message;
};

bool CanCopy(const ViewContext& c);
bool CanPaste(const ViewContext& c, const Clipboard& clip);
bool CanAddMesh(const ViewContext& c);
bool CanAddFace(const ViewContext& c);

// Copy takes no snapshot; every other command takes exactly one before it changes the
// model (Cut also when its deletion is refused: the copy stands and Undo gives the same
// model back).
void Copy(const ViewContext& c, Clipboard& clip);
EditOutcome Cut(COrvaneDoc& doc, ViewContext& c, Clipboard& clip);
EditOutcome Paste(COrvaneDoc& doc, ViewContext& c, const Clipboard& clip);
EditOutcome AddGeometry(COrvaneDoc& doc, ViewContext& c);
EditOutcome AddMesh(COrvaneDoc& doc, ViewContext& c);
EditOutcome AddFace(COrvaneDoc& doc, ViewContext& c);

// The deletions (no snapshot of their own). Deleting mesh k removes it from every
// geometry set that has it, and the node placing it (or, for the root of the hierarchy
// with siblings, only the node's mesh); mesh indices above k move down by one, nodes
// without a mesh stay so, and every link stays valid.
EditOutcome DeleteMesh(ViewContext& c, int32_t mesh);
EditOutcome DeleteGeometrySet(ViewContext& c);

}  // namespace orv
