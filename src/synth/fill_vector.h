// The vector fills, for fill_buffer (synth.cpp); they take the path it
// chose (fill_path.h) and leave the frames they cannot vouch for to the
// reference mix (mix.h). Nothing outside the synth folder and its tests
// uses it.
#pragma once

#include "model/settings.h"
#include "synth/fill_path.h"

#include <cstddef>
#include <cstdint>

namespace tonegen::detail {

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
