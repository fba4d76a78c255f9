// Tone synthesis: the twenty gains become amplitudes that never add up to
// more than 16-bit full scale, and the amplitudes and phases become samples.
#pragma once

#include "model/settings.h"

namespace tonegen {

// The 2 pi of the oscillators: exactly the double 0x401921FB54442D18.
constexpr double two_pi = 6.283185307179586;

// amplitude[i] = 32767 * gain[i] / (tone_count - sum over j != i of (1 - gain[j])),
// which is 32767 * gain[i] / (1 + the other gains) for twenty tones.
void normalise_gains(Settings& s);

// Writes the next buffer_bytes bytes of the tone mix (mono 16-bit little-endian)
// at `data` and advances every tone's phase by one step per frame.
void fill_buffer(Settings& s, char* data);

} // namespace tonegen
