// libFuzzer target: the PUP reader and writer on arbitrary bytes. What the writer
// produces must read back whole, as a puppet file, with the same modes, sub-modes and
// joint lines.
#include <cstdint>
#include <string>

#include "formats/puppet.h"
#include "fuzz_check.h"
#include "model/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    orv::CModel model;
    orv::TextBuffer buffer(Text(data, size));
    orv::ReadPup(model, buffer);
    const std::string text = orv::FormatPup(model, "fuzz.pup");

    orv::CModel again;
    orv::TextBuffer written(text);
    const orv::ReadStatus status = orv::ReadPup(again, written);
    Require(status.complete && status.recognised && again.puppetModes.size() == model.puppetModes.size() &&
            again.puppetJoints == model.puppetJoints);
    for (std::size_t i = 0; i < model.puppetModes.size(); ++i)
        Require(again.puppetModes[i].items.size() == model.puppetModes[i].items.size() &&
                again.puppetModes[i].mode == model.puppetModes[i].mode);
    return 0;
}
