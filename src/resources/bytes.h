// Little-endian fields of the game's binary files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace orv {

inline uint32_t LoadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline void StoreU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void StoreU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void AppendU32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    StoreU32(b, v);
    out.insert(out.end(), b, b + 4);
}

inline void AppendU16(std::vector<uint8_t>& out, uint16_t v)
{
    uint8_t b[2];
    StoreU16(b, v);
    out.insert(out.end(), b, b + 2);
}

inline void AppendBytes(std::vector<uint8_t>& out, const void* data, std::size_t n)
{
    const auto* p = static_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + n);
}

}  // namespace orv
