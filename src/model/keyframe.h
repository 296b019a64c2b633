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
};

struct CKeyframeNode {
    std::string meshName;
    std::vector<std::unique_ptr<CKeyframeEntry>> entries;
};

// One row of a KEY file's event markers (frame and marker type).
struct CKeyframeMarker {
    float frame = 0.0f;
    int32_t type = 0;
};

struct CKeyframe {
    uint32_t flags = 0;
    uint32_t type = 0;
    int32_t frames = 0;
    float fps = 0.0f;
    int32_t joints = 0;
    std::string name;
    std::vector<CKeyframeMarker> markers;
    std::vector<std::unique_ptr<CKeyframeNode>> nodes;
};

// A deep copy (undo snapshots, the keyframe dialog's working copy).
std::unique_ptr<CKeyframe> CopyKeyframe(const CKeyframe& keyframe);
// Whether two keyframes hold the same header, markers, nodes and entries (names too).
bool SameKeyframe(const CKeyframe& a, const CKeyframe& b);

}  // namespace orv
