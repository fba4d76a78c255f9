// RIFF WAVE images held in memory: the recordings the program carries.
#pragma once

#include "platform/wave_out_port.h"

#include <array>
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

// The 44-byte head of a RIFF WAVE file of `frames` mono 16-bit PCM frames
// at 44100 Hz, the data chunk's bytes to follow it. At most 0x7FFFFFED
// frames fit the file's 32-bit sizes.
std::array<unsigned char, 44> wave_file_head(std::uint32_t frames);

// How loud a recording is, in sample units of 16-bit PCM.
struct WaveLevels {
    std::int32_t peak; // largest magnitude of a sample, 0..32768
    double rms;        // square root of the mean square over every sample
};

// The levels of 16-bit PCM data (little-endian, any number of channels);
// zero for data of another depth or without a whole sample.
WaveLevels measure_levels(const WaveImage& wave);

} // namespace tonegen
