// Between the reference fill (synth.cpp) and the vector fills
// (fill_vector.cpp); nothing outside the synth folder and its tests uses it.
#pragma once

#include "model/settings.h"
#include "synth/fill_path.h"

#include <cstddef>
#include <cstdint>

namespace tonegen::detail {

// The reference mix of one frame from its twenty phases, which lie `stride`
// doubles apart: the C library's sine of each, the first ten summed and
// rounded, the other ten added, rounded and held within 16 bits. The vector
// fills call it for the frames they cannot vouch for.
std::int16_t mix_frame(const Tone* tones, const double* phases, std::ptrdiff_t stride);

// Sets every tone's sample_value from the phases of a frame, as the
// reference fill leaves them after its last frame.
void keep_sample_values(Tone* tones, const double* phases, std::ptrdiff_t stride);

// Fills as many whole groups of the path's width as `frames` holds, at two
// bytes per frame, and advances the phases (phase_step already set) past
// them. Returns the frames done: 0 for the scalar path, and 0 when the tones
// lie outside the range in which the vector mix is proven to match the
// reference (phases outside 0..2 pi, steps outside 0..2 pi, amplitudes
// summing past 2^20, a rounding mode other than to-nearest). The caller
// fills the rest.
std::int64_t fill_vector(FillPath path, Tone* tones, unsigned char* out, std::int64_t frames);

// The vector sine of a path for n values in 0..8, for the tests of its
// error bound (vector_sine_error_bound). Nothing for the scalar path.
void vector_sines(FillPath path, const double* x, double* sines, std::size_t n);

// The proven bound on |vector sine - sine| in 0..8: 2^-48.
constexpr double vector_sine_error_bound = 0x1p-48;

} // namespace tonegen::detail
