// BMP file images built for the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonegen::test {

inline void put_u16(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

inline void put_u32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v)
{
    put_u16(b, at, v & 0xFFFF);
    put_u16(b, at + 2, v >> 16);
}

// A BMP file image: file header, info header of `header_bytes`, `colours`
// palette entries, rows of `bits` per pixel padded to 4 bytes. The first
// byte of every row is its row number plus one (0x10 * that for blue in a
// palette), so the row order can be checked.
inline std::vector<unsigned char> bmp(int width, int height, int bits, std::uint32_t colours = 0,
                               std::uint32_t header_bytes = 40)
{
    const std::uint32_t table = (bits <= 8 ? (colours ? colours : 1u << bits) : colours) * 4;
    const std::uint32_t row = (static_cast<std::uint32_t>(width) * bits + 31) / 32 * 4;
    const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
    const std::uint32_t offset = 14 + header_bytes + table;
    std::vector<unsigned char> b(offset + row * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b, 2, static_cast<std::uint32_t>(b.size()));
    put_u32(b, 10, offset);
    put_u32(b, 14, header_bytes);
    put_u32(b, 18, static_cast<std::uint32_t>(width));
    put_u32(b, 22, static_cast<std::uint32_t>(height));
    put_u16(b, 26, 1);
    put_u16(b, 28, static_cast<std::uint32_t>(bits));
    put_u32(b, 46, colours);
    for (std::uint32_t i = 0; i < table / 4; ++i)
        b[14 + header_bytes + 4 * i] = static_cast<unsigned char>(0x10 * i); // blue
    for (std::uint32_t r = 0; r < rows; ++r)
        b[offset + r * row] = static_cast<unsigned char>(r + 1);
    return b;
}

inline std::uint32_t read_le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

} // namespace tonegen::test
