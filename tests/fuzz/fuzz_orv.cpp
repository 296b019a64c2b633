// libFuzzer target: the project-file reader on arbitrary bytes. Whatever it accepts must
// survive what the document does next (corners built, saved, snapshotted and restored),
// and what the writer then produces must load again with the same structure.
#include <bit>
#include <cstdint>
#include <string>

#include "document/undo.h"
#include "formats/projectfile.h"
#include "fuzz_check.h"
#include "model/corners.h"

namespace {

struct Shape {
    std::size_t geosets = 0, meshes = 0, faces = 0, nodes = 0, modes = 0, items = 0, materials = 0, customs = 0,
                bookmarks = 0, joints = 0;
    bool operator==(const Shape&) const = default;
};

Shape ShapeOf(const orv::CModel& m)
{
    Shape s;
    s.geosets = m.geosets.size();
    for (const auto& g : m.geosets)
        for (const auto& mesh : g.meshes) {
            ++s.meshes;
            s.faces += mesh.faces.size();
        }
    s.nodes = m.nodes.size();
    s.modes = m.puppetModes.size();
    for (const auto& mode : m.puppetModes)
        s.items += mode.items.size();
    s.materials = m.materials.size();
    s.customs = m.customMaterials.Count();
    s.bookmarks = m.bookmarks.size();
    s.joints = m.puppetJoints.size();
    return s;
}

bool SameBits(const orv::Vec3& a, const orv::Vec3& b)
{
    return std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(a.z) == std::bit_cast<uint32_t>(b.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto loaded = orv::LoadProject(data, size);
    if (!loaded) {
        Require(!loaded.error().empty());  // every refusal says why
        return 0;
    }
    auto& model = loaded->model;
    const orv::CameraState camera = loaded->camera;
    // As after an open: corners from the stored lists, indices not trusted.
    orv::BuildFaceCorners(*model);
    const Shape shape = ShapeOf(*model);

    const auto saved = orv::SaveProject(*model, camera);
    auto again = orv::LoadProject(saved.data(), saved.size());
    Require(again.ok());
    const orv::CameraState& camera2 = again->camera;
    Require(ShapeOf(*again->model) == shape && SameBits(camera2.eye, camera.eye) &&
            SameBits(camera2.direction, camera.direction) && SameBits(camera2.up, camera.up) &&
            again->model->puppetJoints == model->puppetJoints);

    // An undo round trip of the loaded model.
    orv::ViewState view;
    auto snapshot = orv::TakeSnapshot(*model, view);
    auto restored = orv::RestoreSnapshot(*snapshot, *model, view, {});
    Require(restored && ShapeOf(**restored) == shape);
    return 0;
}
