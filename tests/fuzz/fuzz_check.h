// What the fuzz targets share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A promise of the code under test: when it is broken the run stops there, for the
// fuzzer to keep the input.
inline void Require(bool kept)
{
    if (!kept)
        __builtin_trap();
}

inline std::string Text(const uint8_t* data, std::size_t size) { return {reinterpret_cast<const char*>(data), size}; }
