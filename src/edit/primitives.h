// Ready-made shapes added to the current mesh in front of the camera: a box, a prism or
// cylinder, and a dome. Each is built in the camera's frame (its look point, direction
// and up vector) and stored in the mesh's own coordinates.
#pragma once

#include <cstdint>
#include <string>

#include "edit/view_commands.h"
#include "model/corners.h"

namespace orv {

// Name and material of the faces a builder makes; the material is a name of the model's
// list ("" or a name the model lacks: no material).
struct NewFaceStyle {
    std::string faceName;
    std::string material;
};

struct BoxSize {
    float width = 0.05f;
    float depth = 0.025f;
    float height = 0.025f;
};
struct CylinderSize {
    int32_t sides = 4;
    float radius = 0.05f;
    float length = 0.1f;
};
struct DomeSize {
    float height = 0.05f;
    float radius = 0.05f;
    int32_t sides = 16;
    int32_t rings = 4;
    float textureScale = 4.0f;
};

// Why the sizes cannot be built ("" when they can): the dialogs' accepted ranges.
std::string CheckBoxSize(const BoxSize& s);
std::string CheckCylinderSize(const CylinderSize& s);
std::string CheckDomeSize(const DomeSize& s);

// Where a shape goes: the camera's look point, viewing direction and up vector.
struct CameraFrame {
    Vec3 look;
    Vec3 direction;
    Vec3 up;
};

// The material the dialogs start with: the current face's, or without a current face
// the model's first; "" when there is none.
std::string DefaultPrimitiveMaterial(const EditContext& c);

// The shape's faces appended to mesh, built in the world of frame and brought into the
// mesh's coordinates through the inverse of meshWorld (the matrix it is drawn with).
// textureSize gives the material's size for the new faces' texture fields.
void BuildBox(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame, const BoxSize& size,
              const NewFaceStyle& style, const TextureSizeFn& textureSize = {});
void BuildCylinder(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame,
                   const CylinderSize& size, const NewFaceStyle& style, const TextureSizeFn& textureSize = {});
void BuildDome(CModel& model, CMesh& mesh, const Matrix4& meshWorld, const CameraFrame& frame, const DomeSize& size,
               const NewFaceStyle& style, const TextureSizeFn& textureSize = {});

enum class PrimitiveShape { Box, Cylinder, Dome };

// What the shape dialogs give: the shape, its sizes (those of the other shapes are not
// used) and the style of its faces.
struct PrimitiveParams {
    PrimitiveShape shape = PrimitiveShape::Box;
    BoxSize box;
    CylinderSize cylinder;
    DomeSize dome;
    NewFaceStyle style;
};

// The command: enabled with a current mesh outside mesh mode; adds the shape to the
// current mesh in front of the view's camera. Sizes the dialogs would refuse change
// nothing and are named in the message. WhyNotCreatePrimitive says why it is disabled.
const char* WhyNotCreatePrimitive(const EditContext& c);
EditOutcome CreatePrimitive(EditContext& c, const PrimitiveParams& p);

}  // namespace orv
