// libFuzzer target: the 3DO reader, corner building and writer on arbitrary bytes. What
// the writer produces must read back whole with the same structure, and cut short must
// read as incomplete.
#include <cstdint>
#include <string>

#include "formats/model3do.h"
#include "fuzz_check.h"
#include "model/corners.h"
#include "model/model.h"

namespace {

std::size_t FacesWithCorners(const orv::CMesh& mesh)
{
    std::size_t n = 0;
    for (const auto& f : mesh.faces)
        n += f.corners.empty() ? 0 : 1;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orv::CModel model;
    orv::TextBuffer buffer(Text(data, size));
    orv::Read3do(model, buffer);
    // Some material sizes known, some not.
    orv::BuildFaceCorners(model, [](const std::string& name) -> std::optional<orv::TextureSize> {
        if (name.size() % 3 == 0)
            return std::nullopt;
        return orv::TextureSize{static_cast<int32_t>(name.size()), 16};
    });
    const std::string text = orv::Format3do(model, "fuzz.3do");

    orv::CModel again;
    orv::TextBuffer written(text);
    const orv::ReadStatus status = orv::Read3do(again, written);
    orv::BuildFaceCorners(again);
    Require(status.complete && again.materials.size() == model.materials.size() &&
            again.geosets.size() == model.geosets.size());
    // The written text cut anywhere before its last line end (which ends a node line
    // when there are nodes) must read as incomplete.
    if (!again.nodes.empty() && size > 0) {
        const std::size_t cut = ((std::size_t{data[0]} << 8) | data[size - 1]) % (text.size() - 1);
        orv::CModel part;
        orv::TextBuffer cutText(text.substr(0, cut));
        const orv::ReadStatus partStatus = orv::Read3do(part, cutText);
        Require(!partStatus.complete && !partStatus.missing.empty());
    }
    for (std::size_t g = 0; g < model.geosets.size(); ++g) {
        const auto& a = model.geosets[g].meshes;
        const auto& b = again.geosets[g].meshes;
        Require(a.size() == b.size());
        for (std::size_t k = 0; k < a.size(); ++k)
            Require(b[k].faces.size() == FacesWithCorners(a[k]));
    }
    return 0;
}
