// The document's view and edit switches, and the modifier keys that the window reads
// and hands to core operations as a value.
#pragma once

#include <cmath>
#include <cstdint>

#include "model/geometry.h"

namespace orv {

// Modifier keys held at the moment an operation runs.
struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// The step of a movement chosen by the modifier keys; Shift wins over Ctrl.
inline float ModifierStep(Modifiers m, float withShift, float withCtrl, float plain)
{
    return m.shift ? withShift : (m.ctrl ? withCtrl : plain);
}

// Render modes.
inline constexpr int32_t kRenderAll = 0;
inline constexpr int32_t kRenderAllWireframe = 1;
inline constexpr int32_t kRenderMeshAndWireframe = 2;
inline constexpr int32_t kRenderMesh = 3;
inline constexpr int32_t kRenderMeshWireframe = 4;

// View kinds.
inline constexpr int32_t kViewFront = 0;
inline constexpr int32_t kViewLeft = 1;
inline constexpr int32_t kViewRight = 2;
inline constexpr int32_t kViewBack = 3;
inline constexpr int32_t kViewTop = 4;
inline constexpr int32_t kViewBottom = 5;
inline constexpr int32_t kViewRotating = 6;
inline constexpr int32_t kViewAnimating = 7;

inline constexpr int32_t kMaxScaleExponent = 5;

// The switches a document keeps for its view and its edit modes.
struct EditModes {
    int32_t renderMode = kRenderAll;  // the document starts it from the "RenderMode" setting
    int32_t viewKind = kViewFront;
    bool enlarge = false;
    bool grid = false;
    bool gridFaceOnly = true;
    bool gridEdgesOnly = false;
    bool meshMode = false;
    bool faceMode = false;
    bool texturingMode = false;
    bool coordinateMode = false;
    bool animateMode = false;
    int32_t scaleExponent = 0;  // the model is drawn 2^e times its size, -5..5
    Matrix4 scaleMatrix = Matrix4::Identity();

    // 2^e.
    float ScaleFactor() const { return std::ldexp(1.0f, scaleExponent); }
    // Only the current mesh is drawn (and can be picked) in render modes 3 and 4.
    bool CurrentMeshOnly() const { return renderMode == kRenderMesh || renderMode == kRenderMeshWireframe; }
    // The rotating and the animating view draw continuously and ignore clicks.
    bool ContinuousView() const { return viewKind == kViewRotating || viewKind == kViewAnimating; }
};

}  // namespace orv
