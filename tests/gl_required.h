#pragma once
// Where OpenGL must work (CI sets ORVANE_REQUIRE_GL=1: it has Mesa), a test that cannot
// make a context fails instead of being skipped, so a broken set-up cannot pass by skipping.

#include <cstdlib>
#include <cstring>

namespace orv::test {
inline bool OpenGlRequired()
{
    const char* value = std::getenv("ORVANE_REQUIRE_GL");
    return value && *value && std::strcmp(value, "0") != 0;
}
}  // namespace orv::test
