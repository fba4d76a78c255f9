#include "synth/synth.h"

#include "synth/fill_path.h"
#include "synth/fill_vector.h"
#include "synth/mix.h"

#include <cstdint>

namespace tonegen {

void normalise_gains(Settings& s)
{
    // Each amplitude depends on the gains only, never on an amplitude of the
    // same pass, and the other tones' terms are taken away one at a time in
    // ascending order so that every platform rounds the same way.
    for (int i = 0; i < tone_slots; ++i) {
        double share = static_cast<double>(s.tone_count);
        for (int j = 0; j < tone_slots; ++j) {
            if (j != i)
                share -= 1.0 - static_cast<double>(s.tones[j].gain);
        }
        const double quota = 32767.0 / share;
        s.tones[i].amplitude = static_cast<float>(static_cast<double>(s.tones[i].gain) * quota);
    }
}

void fill_buffer(Settings& s, char* data)
{
    Tone* const t = s.tones;
    for (int k = 0; k < tone_slots; ++k)
        t[k].phase_step = (static_cast<double>(t[k].frequency) * two_pi) / static_cast<double>(s.sample_rate);

    const std::int64_t block_align = s.wave_format.nBlockAlign;
    if (block_align <= 0 || s.buffer_bytes <= 0)
        return;
    const std::int64_t frames = s.buffer_bytes / block_align;

    unsigned char* out = reinterpret_cast<unsigned char*>(data);
    // The vector fills write the stream's own format, two bytes a frame, and
    // leave to the reference the frames that do not fill a whole group.
    std::int64_t done = 0;
    if (block_align == 2)
        done = detail::fill_vector(fill_path(), t, out, frames);
    detail::fill_reference(t, out + done * block_align, frames - done, block_align);
}

} // namespace tonegen
