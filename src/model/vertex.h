// The 32-byte vertex record shared by mesh vertices, texture vertices, vertex normals
// and face corners (the layout of Direct3D 7's pre-lit vertex).
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "model/geometry.h"

namespace orv {

struct VertexRecord {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    // Bit 0 is the vertex selection flag of the edit modes; the other bits stay 0.
    uint32_t reserved = 0;
    // 0xAARRGGBB, written by drawing.
    uint32_t color = 0;
    // Specular lighting is never used, so this word carries the vertex intensity of
    // the 3DO format (float bits): drawing rewrites colour words but not this one.
    uint32_t specular = 0;
    float u = 0.0f;
    float v = 0.0f;

    Vec3 Position() const { return {x, y, z}; }
    void SetPosition(const Vec3& p)
    {
        x = p.x;
        y = p.y;
        z = p.z;
    }

    bool Selected() const { return (reserved & kSelectedBit) != 0; }
    void SetSelected(bool on) { reserved = on ? (reserved | kSelectedBit) : (reserved & ~kSelectedBit); }

    float Intensity() const { return std::bit_cast<float>(specular); }
    void SetIntensity(float i) { specular = std::bit_cast<uint32_t>(i); }

    static constexpr uint32_t kSelectedBit = 1u;

    bool operator==(const VertexRecord&) const = default;
};

static_assert(sizeof(VertexRecord) == 32, "VertexRecord must keep the 32-byte pre-lit vertex layout");
static_assert(offsetof(VertexRecord, reserved) == 12 && offsetof(VertexRecord, color) == 16 &&
              offsetof(VertexRecord, specular) == 20 && offsetof(VertexRecord, u) == 24);

// The position transformed, the other five words copied.
VertexRecord TransformVertex(const VertexRecord& r, const Matrix4& m);

// Corners of the cube [-1, 1]^3 in the marker order; every other word 0.
const std::array<VertexRecord, 8>& UnitCubeCorners();

}  // namespace orv
