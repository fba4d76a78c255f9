// RIFF WAVE images held in memory: the recordings the program carries.
#pragma once

#include "platform/wave_out_port.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tonegen {

// The PCM data of a RIFF WAVE image and its format. Never points outside the
// image.
struct WaveImage {
    WaveFormat format;
    const unsigned char* data;
    std::uint32_t bytes;
};

// Walks the image's chunks from the one after "fmt " to "data". Refuses an
// image shorter than its 44-byte header, without "RIFF" / "fmt " at offsets 0
// and 12, with a format chunk shorter than 16 bytes or not PCM, a chunk that
// runs past the end, or no non-empty "data" chunk before the end.
std::optional<WaveImage> parse_wave_image(std::span<const unsigned char> image);

} // namespace tonegen
