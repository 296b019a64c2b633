// The curves of a glTF file's animations that its reader plays as straight lines between
// keys: steps (held until the next key) and cubic splines (with tangents). They are read
// from the file apart and handed to the animation import, which samples them as meant.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace orv {

struct KeyCurve {
    enum class Path : uint8_t { Translation, Rotation, Scale };
    enum class Shape : uint8_t { Step, Cubic };

    uint32_t animation = 0;  // by number in the file
    std::string node;        // the node's name as the reader gives it
    Path path = Path::Translation;
    Shape shape = Shape::Step;
    std::vector<double> times;   // seconds, rising
    std::vector<double> values;  // per key: its value, or in-tangent, value, out-tangent

    std::size_t Width() const { return path == Path::Rotation ? 4 : 3; }  // a quaternion x y z w
    // Whether the lists agree with each other (a curve handed over is checked again).
    bool Sound() const;
};

// The step and cubic curves of the glTF file (text or binary) in bytes; folder is where
// its buffers lie (empty: the file has none beside it). Curves the file gets wrong are
// left out (the reader's straight lines stand for them).
std::vector<KeyCurve> GltfCurves(std::span<const uint8_t> bytes, const std::filesystem::path& folder);

// The curve's value at time t (seconds): held before its first key and after its last.
// A rotation comes back of unit length.
std::array<double, 4> CurveAt(const KeyCurve& curve, double t);

}  // namespace orv
