#include "signals/sound_player.h"

#include "formats/wave_file.h"

#include <algorithm>
#include <cmath>

namespace tonegen {

void fill_volume_table(SoundPlayer& player)
{
    player.volume_table[0] = 0;
    for (int v = 1; v < 100; ++v) {
        // Truncated toward zero; the nudge keeps exact powers of ten (v = 1,
        // 10) on their integer whatever the C library's last bit.
        player.volume_table[static_cast<std::size_t>(v)] =
            static_cast<long>(std::floor(2000.0 * std::log10(1000.0 * v) + 1e-9));
    }
    player.volume_table[100] = 10000;
}

long volume_attenuation(const SoundPlayer& player, int volume)
{
    return player.volume_table[static_cast<std::size_t>(std::clamp(volume, 0, 100))] - 10000;
}

double linear_gain(long hundredths_of_db)
{
    const long v = std::clamp(hundredths_of_db, volume_min, volume_max);
    return v <= volume_min ? 0.0 : std::pow(10.0, static_cast<double>(v) / 2000.0);
}

std::int16_t mixed_sample(double sum)
{
    return static_cast<std::int16_t>(std::clamp(std::nearbyint(sum), -32768.0, 32767.0));
}

bool init_sound_effects(SoundPlayer& player, SoundPlayerPort& port)
{
    if (player.ready)
        return true;
    if (player.device_failed)
        return false;
    fill_volume_table(player);
    if (!port.load_library())
        return false;
    if (!port.create_device())
        return false;
    if (!port.set_up_device()) {
        player.device_failed = true;
        return false;
    }
    player.sounds.clear();
    player.ready = true;
    return true;
}

bool load_sound(SoundPlayer& player, SoundPlayerPort& port, int number, std::span<const unsigned char> image)
{
    if (!player.ready)
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
    const auto old = player.sounds.find(number);
    if (old != player.sounds.end())
        port.release_buffer(old->second.buffer);
    const WaveLevels levels = measure_levels(*wave);
    player.sounds[number] = Sound{buffer, port.volume(buffer), levels.peak, levels.rms};
    return true;
}

void play_sound(SoundPlayer& player, SoundPlayerPort& port, int number, int flags, int volume)
{
    const auto it = player.sounds.find(number);
    if (it == player.sounds.end())
        return;
    const SoundBufferHandle buffer = it->second.buffer;
    port.stop(buffer);
    port.set_position(buffer, 0);
    if (volume != keep_volume)
        port.set_volume(buffer, volume_attenuation(player, volume));
    port.play(buffer, (flags & play_looping) != 0);
}

void stop_sound(SoundPlayer& player, SoundPlayerPort& port, int number)
{
    const auto it = player.sounds.find(number);
    if (it == player.sounds.end())
        return;
    port.stop(it->second.buffer);
    port.set_position(it->second.buffer, 0);
}

std::optional<std::int64_t> playing_sample(const SoundPlayer& player, SoundPlayerPort& port, int number)
{
    const auto it = player.sounds.find(number);
    std::uint32_t byte = 0;
    if (it == player.sounds.end() || !port.get_current_position(it->second.buffer, byte))
        return std::nullopt;
    return byte / 2;
}

void release_sound_effects(SoundPlayer& player, SoundPlayerPort& port)
{
    if (!player.ready)
        return;
    for (const auto& [number, sound] : player.sounds)
        port.release_buffer(sound.buffer);
    player.sounds.clear();
    port.release();
    player.ready = false;
}

} // namespace tonegen
