// A loaded keyframe animation (KEY file): header, and per animated node its key entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"

namespace orv {

struct CKeyframeEntry {
    int32_t num = 0;
    int32_t frame = 0;
    uint32_t flags = 0;
    Vec3 position;       // model axes
    Vec3 rotation;       // pitch, roll, yaw in degrees
    Vec3 deltaPosition;  // per frame towards the next entry
    Vec3 deltaRotation;

    bool operator==(const CKeyframeEntry&) const = default;
};

struct CKeyframeNode {
    std::string meshName;
    std::vector<CKeyframeEntry> entries;

    bool operator==(const CKeyframeNode&) const = default;
};

// One row of a KEY file's event markers (frame and marker type).
struct CKeyframeMarker {
    float frame = 0.0f;
    int32_t type = 0;

    bool operator==(const CKeyframeMarker&) const = default;
};

struct CKeyframe {
    uint32_t flags = 0;
    uint32_t type = 0;
    int32_t frames = 0;
    float fps = 0.0f;
    int32_t joints = 0;
    std::string name;
    std::vector<CKeyframeMarker> markers;
    std::vector<CKeyframeNode> nodes;

    bool operator==(const CKeyframe&) const = default;
};

}  // namespace orv
