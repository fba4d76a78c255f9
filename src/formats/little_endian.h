// Unsigned little-endian integers read byte by byte, whatever the host's
// byte order and whatever the alignment of the image they sit in.
#pragma once

#include <cstdint>

namespace tonegen {

inline std::uint16_t read_u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t read_u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace tonegen
