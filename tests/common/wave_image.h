// RIFF WAVE images built piece by piece for the tests, so that each
// malformed case changes one thing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tonegen::test {

using Bytes = std::vector<unsigned char>;

inline void put_u32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
inline void put_u16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void put_id(Bytes& b, const char* id)
{
    b.insert(b.end(), id, id + 4);
}

// A RIFF WAVE image; the defaults make a good one with 8 bytes of data.
struct Image {
    std::uint32_t format_bytes = 16;
    std::uint16_t format_tag = 1;
    const char* riff = "RIFF";
    const char* fmt = "fmt ";
    Bytes between;                          // chunks between "fmt " and "data"
    std::uint32_t data_bytes = 8;           // declared size
    std::size_t data_present = 8;           // bytes actually there
    bool with_data = true;
    std::size_t cut = 0;                    // bytes taken off the end

    Bytes build() const
    {
        Bytes b;
        put_id(b, riff);
        put_u32(b, 0);
        put_id(b, "WAVE");
        put_id(b, fmt);
        put_u32(b, format_bytes);
        put_u16(b, format_tag);
        put_u16(b, 1);
        put_u32(b, 44100);
        put_u32(b, 88200);
        put_u16(b, 2);
        put_u16(b, 16);
        for (std::uint32_t i = 16; i < format_bytes && i < 64; ++i)
            b.push_back(0);
        b.insert(b.end(), between.begin(), between.end());
        if (with_data) {
            put_id(b, "data");
            put_u32(b, data_bytes);
            for (std::size_t i = 0; i < data_present; ++i)
                b.push_back(static_cast<unsigned char>(0x10 + i));
        }
        b.resize(b.size() - std::min(cut, b.size()));
        // Exactly as long as the image, so a read past its end is caught by
        // the address sanitizer.
        return Bytes(b.begin(), b.end());
    }
};

inline Bytes chunk(const char* id, std::uint32_t declared, std::size_t present)
{
    Bytes b;
    put_id(b, id);
    put_u32(b, declared);
    b.insert(b.end(), present, 0xAB);
    return b;
}

} // namespace tonegen::test
