// libFuzzer target: the KEY reader, delta computation and writer on arbitrary bytes.
// What the writer produces must read back with the same nodes, entries and markers.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/keyfile.h"
#include "model/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orv::CModel model;
    orv::TextBuffer buffer(std::string(reinterpret_cast<const char*>(data), size));
    auto keyframe = orv::ReadKey(model, buffer).keyframe;
    (void)orv::CheckKeyframeSavable(*keyframe);
    orv::ComputeKeyDeltas(*keyframe);
    const std::string text = orv::FormatKey(*keyframe, keyframe->joints, "fuzz.key");

    orv::CModel again;
    orv::TextBuffer written(text);
    auto [back, status] = orv::ReadKey(again, written);
    if (!status.complete || back->nodes.size() != keyframe->nodes.size() ||
        back->markers.size() != keyframe->markers.size() || back->joints != keyframe->joints)
        std::abort();
    for (std::size_t n = 0; n < keyframe->nodes.size(); ++n)
        if (back->nodes[n]->entries.size() != keyframe->nodes[n]->entries.size())
            std::abort();
    return 0;
}
