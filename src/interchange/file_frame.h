// How a file's lengths and axes become those the import builds with: metres, y up. Files
// of other tools state a unit (FBX, Collada), an up axis (FBX, Collada; glTF is y up by
// definition, 3DS z up) or neither (OBJ, PLY, STL, OFF...), where the user says which is up.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "interchange/axes.h"
#include "interchange/interchange.h"

struct aiScene;

namespace orv {

// What the import applies to the file's top node, before the scale asked for.
struct FileFrame {
    double toMetres = 1.0;
    Matrix3d axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // the file's axes into y up
    std::vector<std::string> notes;                    // what was applied, in words
    // The reader put the unit and axes into the root's transform, which is nothing else:
    // they are taken from it, and it is left out.
    bool rootIsFrame = false;
};

// An axis system as FBX states it: the index (0 x, 1 y, 2 z) and sign of the up axis, of
// the front axis (pointing out of the model's front) and of the right-hand axis.
struct AxisSystem {
    int up = 1, upSign = 1;
    int front = 2, frontSign = 1;
    int right = 0, rightSign = 1;
};

// The rotation taking such axes onto the y-up convention (right +x, up +y, front +z);
// nothing when they are not three different axes of a right-handed set.
std::optional<Matrix3d> AxesToYUp(const AxisSystem& axes);

// A unit's name in the plural ("centimetres") by its length in metres; "units of N m"
// for one without a common name.
std::string UnitName(double metres);

// Whether files of the extension (lower case, without its dot) state their up axis.
bool StatesUpAxis(const std::string& extension);

// The frame of the scene read from a file of the extension: FBX's unit and axis system
// from the scene's metadata; Collada's and 3DS's from the root's transform, where the
// reader puts them; the up axis asked for where the format states none.
FileFrame FrameOf(const aiScene& scene, const std::string& extension, UpAxis up);

}  // namespace orv
