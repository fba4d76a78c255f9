// The sound-effects facility: recordings held in memory, looped by the
// platform's player at a volume given in per cent.
//
// How it works: init_sound_effects brings up the player once (library,
// device, cooperative level, primary buffer); load_sound walks a RIFF WAVE
// image in memory and copies its PCM data into a static buffer of its own,
// kept under a number the caller chooses; play_sound rewinds and starts it,
// looping if asked, and the platform keeps it playing with no further call;
// stop_sound stops and rewinds. A number that holds no sound is ignored.
#pragma once

#include "platform/sound_port.h"
#include "platform/wave_out_port.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace tonegen {

struct Sound {
    SoundBufferHandle buffer;
    long volume; // as read right after loading
};

struct SoundEffects {
    bool ready = false;
    // The device object was made but its set-up failed: the player stays
    // unavailable for the rest of the run.
    bool device_failed = false;
    std::array<long, 101> volume_table{}; // per cent -> attenuation + 10000
    std::map<int, Sound> sounds;
};

constexpr int play_looping = 1; // flags bit 0 of play_sound
constexpr int keep_volume = -1; // volume argument of play_sound

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

// Attenuation in hundredths of a decibel for a volume in per cent, through
// the facility's table: 100 -> 0, 40 -> -796, 0 -> -10000; out-of-range
// volumes count as the nearer end.
long volume_attenuation(const SoundEffects& fx, int volume);
void fill_volume_table(SoundEffects& fx);

// True when the player is ready, bringing it up on the first successful call.
bool init_sound_effects(SoundEffects& fx, SoundPort& port);
// Creates sound `number` from a RIFF WAVE image; false when none is created.
bool load_sound(SoundEffects& fx, SoundPort& port, int number, std::span<const unsigned char> image);
// Starts sound `number` from its first sample; flags bit 0 loops it; a
// volume of -1 keeps the present one.
void play_sound(SoundEffects& fx, SoundPort& port, int number, int flags, int volume);
// Stops sound `number` and rewinds it.
void stop_sound(SoundEffects& fx, SoundPort& port, int number);
// Ends every sound and the player.
void release_sound_effects(SoundEffects& fx, SoundPort& port);

} // namespace tonegen
