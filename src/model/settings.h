// The editor's persistent settings with their stored names and defaults. The window
// layer loads and saves them; everything else reads them from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct Settings {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t maximized = 0;
    int32_t stretchMode = 0;
    int32_t frameRate = 33;
    int32_t textureMapping = 1;  // 1 = "Nearest", 0 = "Linear"
    int32_t device = 0;
    int32_t textureDithering = 1;
    float vertexScaling = 0.01f;
    float grid = 0.01f;
    int32_t renderMode = 0;
    int32_t warning = 1;
    std::string colorMap = "01redmap.cmp";
    // Colours are 0x00BBGGRR.
    uint32_t colorBackground = 0xC0C0C0;
    uint32_t colorWireframe = 0x808080;
    uint32_t colorSelect = 0x0000FF;
    uint32_t colorLink = 0xFF0000;
    uint32_t colorUnlink = 0x00FFFF;
    uint32_t colorGrid = 0x0080FF;
    uint32_t colorCoorX = 0x0000FF;
    uint32_t colorCoorY = 0x00FF00;
    uint32_t colorCoorZ = 0xFF0000;
    // Solid faces lit by a light at the camera (off: the faces' own colours, as always).
    int32_t shaded = 0;
    // Minutes between automatic backups of modified documents; 0 = none.
    int32_t backup = 10;
    // Extra archives and folders where materials and colormaps are looked for, in order.
    std::vector<std::string> resources;
    // Extrude Face's last choice: 1 pulls the face out of the mesh, 0 pushes it in.
    int32_t extrudeOut = 0;

    // "FrameRate" divides a second; below 1 it counts as 1.
    int32_t FramePeriodMs() const { return 1000 / (frameRate < 1 ? 1 : frameRate); }
};

// The values a numeric setting may take. The Options sheet refuses a value outside them,
// and the commands that step a setting stop at their ends.
template <class T>
struct SettingRange {
    T min;
    T max;

    bool Holds(T v) const { return v >= min && v <= max; }
    T Clamp(T v) const { return v < min ? min : (v > max ? max : v); }
    // One step up or down, never past an end. A step that ends within a quarter step of
    // an end lands on it: steps added up in floats miss the end by a hair, and a hair
    // below it would let the next step go past it.
    T StepUp(T v, T step) const;
    T StepDown(T v, T step) const;
};
extern template struct SettingRange<int32_t>;
extern template struct SettingRange<float>;

inline constexpr SettingRange<int32_t> kFrameRateRange{1, 100};
inline constexpr SettingRange<float> kVertexScalingRange{0.00125f, 0.1f};
inline constexpr float kVertexScalingStep = 0.00125f;
// The grid's default (0.01) lies below the range: the first step up leaves it.
inline constexpr SettingRange<float> kGridRange{0.02f, 0.2f};
inline constexpr float kGridStep = 0.02f;

// One stored setting: its key, how it is stored, and where it lives in Settings.
struct SettingField {
    enum class Kind { Integer, Color, FloatText, Text, TextList };
    const char* key;
    Kind kind;
    int32_t Settings::*integer = nullptr;
    uint32_t Settings::*color = nullptr;
    float Settings::*real = nullptr;
    std::string Settings::*text = nullptr;
    std::vector<std::string> Settings::*list = nullptr;
};

// Every setting in the order it is written back at exit: the 24 the program always had,
// then "Shaded", "Backup", "Resources" and "ExtrudeOut".
const std::vector<SettingField>& SettingFields();

// "%f" text of a float setting, and its reading back (narrowed to 32 bits); text that
// is no number gives the fallback.
std::string FormatFloatSetting(float v);
float ParseFloatSetting(const std::string& text, float fallback);

}  // namespace orv
