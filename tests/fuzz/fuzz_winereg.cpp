// A Wine prefix's system.reg from untrusted text.
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "resources/catalog.h"
#include "resources/registry.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const WineRegistry reg = WineRegistry::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* key : {kJediKnightKey, kMotsKey, "Software\\A", ""}) {
        if (reg.HasKey(key)) {
            (void)reg.ReadString(key, kInstallPathValue);
            (void)reg.ReadString(key, kSourceDirValue);
            (void)reg.ReadString(key, "");
        }
    }
    Require(reg.Keys().KeyCount() <= size);
    return 0;
}
