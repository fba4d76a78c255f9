#include "formats/wave_file.h"

#include "formats/little_endian.h"

#include <cmath>
#include <cstring>

namespace tonegen {

namespace {

bool is_id(const unsigned char* p, const char (&id)[5])
{
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

std::optional<WaveImage> parse_wave_image(std::span<const unsigned char> image)
{
    const std::size_t size = image.size();
    const unsigned char* base = image.data();
    if (size < 44 || !is_id(base, "RIFF") || !is_id(base + 12, "fmt "))
        return std::nullopt;
    const std::uint64_t format_bytes = read_u32(base + 16);
    if (format_bytes < 16 || 20 + format_bytes > size)
        return std::nullopt;

    WaveImage out{};
    const unsigned char* f = base + 20;
    out.format.wFormatTag = read_u16(f);
    out.format.nChannels = read_u16(f + 2);
    out.format.nSamplesPerSec = read_u32(f + 4);
    out.format.nAvgBytesPerSec = read_u32(f + 8);
    out.format.nBlockAlign = read_u16(f + 12);
    out.format.wBitsPerSample = read_u16(f + 14);
    if (out.format.wFormatTag != WAVE_FORMAT_PCM)
        return std::nullopt;

    // Sizes are checked against what remains before any step is taken, so
    // the walk never leaves the image.
    std::uint64_t at = 20 + format_bytes;
    while (at + 8 <= size) {
        const std::uint64_t chunk_bytes = read_u32(base + at + 4);
        const std::uint64_t remaining = size - (at + 8);
        if (chunk_bytes > remaining)
            return std::nullopt;
        if (is_id(base + at, "data")) {
            if (chunk_bytes == 0)
                return std::nullopt;
            out.data = base + at + 8;
            out.bytes = static_cast<std::uint32_t>(chunk_bytes);
            return out;
        }
        at += 8 + chunk_bytes;
    }
    return std::nullopt;
}

std::array<unsigned char, 44> wave_file_head(std::uint32_t frames)
{
    std::array<unsigned char, 44> head{};
    auto put = [&head](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            head[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    };
    auto id = [&head](std::size_t at, const char (&text)[5]) { std::memcpy(head.data() + at, text, 4); };
    const std::uint32_t data_bytes = frames * 2;
    id(0, "RIFF");
    put(4, 36 + data_bytes, 4);
    id(8, "WAVE");
    id(12, "fmt ");
    put(16, 16, 4);
    put(20, WAVE_FORMAT_PCM, 2);
    put(22, 1, 2);
    put(24, stream_rate, 4);
    put(28, stream_rate * 2, 4);
    put(32, 2, 2);
    put(34, 16, 2);
    id(36, "data");
    put(40, data_bytes, 4);
    return head;
}

WaveLevels measure_levels(const WaveImage& wave)
{
    const std::uint32_t samples = wave.bytes / 2;
    if (wave.format.wBitsPerSample != 16 || samples == 0)
        return WaveLevels{0, 0.0};
    std::int32_t peak = 0;
    double squares = 0.0;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const auto sample = static_cast<std::int16_t>(read_u16(wave.data + 2 * i));
        const std::int32_t magnitude = sample < 0 ? -std::int32_t{sample} : std::int32_t{sample};
        if (magnitude > peak)
            peak = magnitude;
        squares += static_cast<double>(sample) * sample;
    }
    return WaveLevels{peak, std::sqrt(squares / samples)};
}

} // namespace tonegen
