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

// How the model is drawn; the numbers are those of the "RenderMode" setting.
enum class RenderMode : int32_t {
    All = 0,               // every mesh, textured
    AllWireframe = 1,      // every mesh as wires
    MeshAndWireframe = 2,  // every mesh as wires, the current one textured too
    Mesh = 3,              // the current mesh only, textured
    MeshWireframe = 4,     // the current mesh only, as wires
};
// The render mode a setting names; any other number draws everything.
inline RenderMode RenderModeFromSetting(int32_t value)
{
    return value >= 0 && value <= 4 ? static_cast<RenderMode>(value) : RenderMode::All;
}

// Where the model is seen from: a standard view, or one that draws continuously.
enum class ViewKind : int32_t { Front, Left, Right, Back, Top, Bottom, Rotating, Animating };

inline constexpr int32_t kMaxScaleExponent = 5;

// The switches a document keeps for its view and its edit modes.
struct EditModes {
    RenderMode renderMode = RenderMode::All;  // the document starts it from the "RenderMode" setting
    ViewKind viewKind = ViewKind::Front;
    bool enlarge = false;
    bool grid = false;
    bool gridFaceOnly = true;
    bool gridEdgesOnly = false;
    bool meshMode = false;
    bool faceMode = false;
    bool texturingMode = false;
    bool coordinateMode = false;
    bool animateMode = false;
    // "Game View": the solid meshes drawn as the game draws them, in the sector's light
    // gameAmbient (0 to 1) and, when gameCameraLight, a light at the camera.
    bool gameView = false;
    float gameAmbient = 0.5f;
    bool gameCameraLight = true;
    int32_t scaleExponent = 0;  // the model is drawn 2^e times its size, -5..5
    Matrix4 scaleMatrix = Matrix4::Identity();

    // 2^e.
    float ScaleFactor() const { return std::ldexp(1.0f, scaleExponent); }
    // Only the current mesh is drawn (and can be picked).
    bool CurrentMeshOnly() const { return renderMode == RenderMode::Mesh || renderMode == RenderMode::MeshWireframe; }
    // The rotating and the animating view draw continuously and ignore clicks.
    bool ContinuousView() const { return viewKind == ViewKind::Rotating || viewKind == ViewKind::Animating; }
};

}  // namespace orv
