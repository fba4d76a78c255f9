#include "synth/mix.h"

#include "synth/synth.h" // two_pi, no calls

#include <cmath>

namespace tonegen::detail {

namespace {

// Round to nearest, ties to even, under the default rounding mode.
std::int32_t to_int32(double value)
{
    return static_cast<std::int32_t>(std::nearbyint(value));
}

// The mix stays within 16 bits by the normalisation, except that the two
// roundings can carry a full-scale sum one step past 32767; that one step is
// held at the rail instead of wrapping into a full-scale click.
std::int16_t saturate(std::int32_t value)
{
    if (value > INT16_MAX)
        return INT16_MAX;
    if (value < INT16_MIN)
        return INT16_MIN;
    return static_cast<std::int16_t>(value);
}

// The mix of one frame. Both the reference fill and the frames the vector
// fills hand back come through here, so they round alike by construction.
std::int16_t mix_sines(const Tone* t, const double* sines)
{
    // The first ten tones pass through an integer before the other ten
    // are added; both roundings belong to the signal.
    double low = 0.0;
    for (int k = 0; k < 10; ++k)
        low += sines[k] * static_cast<double>(t[k].amplitude);
    const std::int32_t partial = to_int32(low);

    double mix = sines[10] * static_cast<double>(t[10].amplitude);
    mix += static_cast<double>(partial);
    for (int k = 11; k < tone_slots; ++k)
        mix += sines[k] * static_cast<double>(t[k].amplitude);
    return saturate(to_int32(mix));
}

} // namespace

std::int16_t mix_frame(const Tone* tones, const double* phases, std::ptrdiff_t stride)
{
    double sines[tone_slots];
    for (int k = 0; k < tone_slots; ++k)
        sines[k] = std::sin(phases[k * stride]);
    return mix_sines(tones, sines);
}

void keep_sample_values(Tone* tones, const double* phases, std::ptrdiff_t stride)
{
    for (int k = 0; k < tone_slots; ++k)
        tones[k].sample_value = std::sin(phases[k * stride]);
}

void fill_reference(Tone* t, unsigned char* out, std::int64_t frames, std::int64_t block_align)
{
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        double sines[tone_slots];
        for (int k = 0; k < tone_slots; ++k) {
            sines[k] = std::sin(t[k].phase);
            t[k].sample_value = sines[k];
        }
        const auto sample = static_cast<std::uint16_t>(mix_sines(t, sines));

        out[0] = static_cast<unsigned char>(sample & 0xFF);
        out[1] = static_cast<unsigned char>(sample >> 8);
        out += block_align;

        // Strictly greater: a phase landing exactly on 2 pi stays for a frame.
        for (int k = 0; k < tone_slots; ++k) {
            t[k].phase += t[k].phase_step;
            if (t[k].phase > two_pi)
                t[k].phase -= two_pi;
        }
    }
}

} // namespace tonegen::detail
