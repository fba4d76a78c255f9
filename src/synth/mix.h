// The reference mix: how one frame's twenty sines become a sample, and the
// reference fill that mixes a buffer frame by frame with it. fill_buffer
// (synth.cpp) and the vector fills (fill_vector.cpp) both come here, so
// every path rounds as the reference does; nothing here calls back up.
// Nothing outside the synth folder and its tests uses it.
#pragma once

#include "model/settings.h"

#include <cstddef>
#include <cstdint>

namespace tonegen::detail {

// The mix of one frame from its twenty phases, which lie `stride` doubles
// apart: the C library's sine of each, the first ten summed and rounded,
// the other ten added, rounded and held within 16 bits. The vector fills
// call it for the frames they cannot vouch for.
std::int16_t mix_frame(const Tone* tones, const double* phases, std::ptrdiff_t stride);

// Sets every tone's sample_value from the phases of a frame, as the
// reference fill leaves them after its last frame.
void keep_sample_values(Tone* tones, const double* phases, std::ptrdiff_t stride);

// The reference fill (the scalar path): `frames` frames, one at a time,
// each sample's two bytes at the start of its `block_align` bytes, every
// phase advanced by its phase_step (already set) per frame.
void fill_reference(Tone* tones, unsigned char* out, std::int64_t frames, std::int64_t block_align);

} // namespace tonegen::detail
