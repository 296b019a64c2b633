// Animated files of other 3D tools from untrusted bytes, read by Assimp and sampled into
// a keyframe of a small model: never a crash, and a keyframe that comes out can be saved
// and played.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "anim/playback.h"
#include "formats/keyfile.h"
#include "fuzz_check.h"
#include "interchange/anim_import.h"

using namespace orv;

// As for the model import: Assimp's own leaks on files it gives up on are its to mend.
extern "C" const char* __lsan_default_suppressions() { return "leak:libassimp.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CModel* model = [] {
        auto* m = new CModel;
        m->geosets.push_back(CGeometry());
        // The node names of the seeds (fixtures of tests/fixtures/anim).
        for (const char* name : {"head", "torso", "upper", "lower"}) {
            C3doNode n;
            n.name = name;
            m->nodes.push_back(std::move(n));
        }
        m->nodes[3].parent = 2;
        m->nodes[2].child = 3;
        m->RebuildHierarchy();
        return m;
    }();
    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
    const char* hint = text.rfind("glTF", 0) == 0                                                             ? "glb"
                       : text.find("<?xml") != std::string::npos || text.find("COLLADA") != std::string::npos ? "dae"
                                                                                                              : "gltf";
    AnimationImportOptions options;
    options.read.readLimit = std::chrono::seconds(5);
    auto imported = ImportAnimationFromMemory(*model, std::span<const uint8_t>(data, size), hint, options);
    if (!imported) {
        Require(!imported.error().empty());
        return 0;
    }
    const CKeyframe* k = &imported->keyframe;
    Require(k->frames >= 1 && !k->nodes.empty() && CheckKeyframeSavable(*k));
    for (const auto& node : k->nodes) {
        Require(node.entries.front().frame == 0);
        for (std::size_t e = 1; e < node.entries.size(); ++e)
            Require(node.entries[e].frame > node.entries[e - 1].frame);
    }
    model->keyframe = *k;
    model->frameCount = k->frames;
    Require(AnimationPoseCount(*model) <= kMaxAnimationPoses && BuildAnimationPoses(*model));
    return 0;
}
