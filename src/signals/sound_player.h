// The test signals' player: recordings held in memory, looped by the
// platform's player at a volume given in per cent.
//
// How it works: init_sound_effects brings up the player once (library,
// device, cooperative level, primary buffer); load_sound walks a RIFF WAVE
// image in memory and copies its PCM data into a static buffer of its own,
// kept under a number the caller chooses; play_sound rewinds and starts it,
// looping if asked, and the platform keeps it playing with no further call;
// stop_sound stops and rewinds. A number that holds no sound is ignored.
#pragma once

#include "model/settings.h"
#include "platform/sound_player_port.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tonegen {

// The program's two recordings, by sound number, and the volume in per cent
// they always play at.
constexpr int sweep_sound = 176;
constexpr int pink_sound = 177;
constexpr int test_signal_volume = 40;

constexpr int play_looping = 1; // flags bit 0 of play_sound
constexpr int keep_volume = -1; // volume argument of play_sound

// Attenuation in hundredths of a decibel for a volume in per cent, through
// the facility's table: 100 -> 0, 40 -> -796, 0 -> -10000; out-of-range
// volumes count as the nearer end.
long volume_attenuation(const SoundPlayer& player, int volume);
void fill_volume_table(SoundPlayer& player);

// How a player that mixes the recordings itself (the Linux one, and the
// render tool after it) plays them: each sample times the linear gain of
// its attenuation, the playing recordings added in the order they were
// loaded, the sum rounded to nearest (ties to even) and held within 16 bits.
double linear_gain(long hundredths_of_db);
std::int16_t mixed_sample(double sum);

// True when the player is ready, bringing it up on the first successful call.
bool init_sound_effects(SoundPlayer& player, SoundPlayerPort& port);
// Creates sound `number` from a RIFF WAVE image; false when none is created.
bool load_sound(SoundPlayer& player, SoundPlayerPort& port, int number, std::span<const unsigned char> image);
// Starts sound `number` from its first sample; flags bit 0 loops it; a
// volume of -1 keeps the present one.
void play_sound(SoundPlayer& player, SoundPlayerPort& port, int number, int flags, int volume);
// Stops sound `number` and rewinds it.
void stop_sound(SoundPlayer& player, SoundPlayerPort& port, int number);
// The sample of sound `number` that the device plays now, counted from its
// first (the recordings are mono 16-bit: two bytes a sample); nothing when
// the number holds no sound or the player cannot say.
std::optional<std::int64_t> playing_sample(const SoundPlayer& player, SoundPlayerPort& port, int number);
// Ends every sound and the player.
void release_sound_effects(SoundPlayer& player, SoundPlayerPort& port);

} // namespace tonegen
