#include "signals/sound_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tonegen {

namespace {

std::uint32_t read_u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t read_u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

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

void fill_volume_table(SoundEffects& fx)
{
    fx.volume_table[0] = 0;
    for (int v = 1; v < 100; ++v) {
        // Truncated toward zero; the nudge keeps exact powers of ten (v = 1,
        // 10) on their integer whatever the C library's last bit.
        fx.volume_table[static_cast<std::size_t>(v)] =
            static_cast<long>(std::floor(2000.0 * std::log10(1000.0 * v) + 1e-9));
    }
    fx.volume_table[100] = 10000;
}

long volume_attenuation(const SoundEffects& fx, int volume)
{
    return fx.volume_table[static_cast<std::size_t>(std::clamp(volume, 0, 100))] - 10000;
}

bool init_sound_effects(SoundEffects& fx, SoundPort& port)
{
    if (fx.ready)
        return true;
    if (fx.device_failed)
        return false;
    fill_volume_table(fx);
    if (!port.load_library())
        return false;
    if (!port.create_device())
        return false;
    if (!port.set_up_device()) {
        fx.device_failed = true;
        return false;
    }
    fx.sounds.clear();
    fx.ready = true;
    return true;
}

bool load_sound(SoundEffects& fx, SoundPort& port, int number, std::span<const unsigned char> image)
{
    if (!fx.ready)
        return false;
    const std::optional<WaveImage> wave = parse_wave_image(image);
    if (!wave)
        return false;
    const SoundBufferHandle buffer = port.create_buffer(wave->format, wave->bytes, static_buffer_flags);
    if (buffer == 0)
        return false;
    if (!port.copy_into(buffer, wave->data, wave->bytes)) {
        port.release_buffer(buffer);
        return false;
    }
    const auto old = fx.sounds.find(number);
    if (old != fx.sounds.end())
        port.release_buffer(old->second.buffer);
    fx.sounds[number] = Sound{buffer, port.volume(buffer)};
    return true;
}

void play_sound(SoundEffects& fx, SoundPort& port, int number, int flags, int volume)
{
    const auto it = fx.sounds.find(number);
    if (it == fx.sounds.end())
        return;
    const SoundBufferHandle buffer = it->second.buffer;
    port.stop(buffer);
    port.set_position(buffer, 0);
    if (volume != keep_volume)
        port.set_volume(buffer, volume_attenuation(fx, volume));
    port.play(buffer, (flags & play_looping) != 0);
}

void stop_sound(SoundEffects& fx, SoundPort& port, int number)
{
    const auto it = fx.sounds.find(number);
    if (it == fx.sounds.end())
        return;
    port.stop(it->second.buffer);
    port.set_position(it->second.buffer, 0);
}

void release_sound_effects(SoundEffects& fx, SoundPort& port)
{
    if (!fx.ready)
        return;
    for (const auto& [number, sound] : fx.sounds)
        port.release_buffer(sound.buffer);
    fx.sounds.clear();
    port.release();
    fx.ready = false;
}

} // namespace tonegen
