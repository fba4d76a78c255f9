#include "model/settings.h"

namespace tonegen {

Settings settings{};

namespace {
constexpr std::int64_t default_frequencies[tone_slots] = {
    80,   200,  400,  700,   1000,  1400,  2000,  3000,  4000,  5000,
    6000, 7000, 8000, 9000, 10000, 12000, 14000, 16000, 18000, 20000,
};
} // namespace

void apply_defaults(Settings& s)
{
    for (int k = 0; k < tone_slots; ++k) {
        s.tones[k].frequency = default_frequencies[k];
        s.tones[k].gain = 0.44f;
    }
    s.sample_rate = stream_rate;
    s.channel_count = 1;
    s.bytes_per_sample = 2;
    s.tone_count = tone_slots;
    s.buffer_count = 8;
    s.device_number = 1;
    s.output_paused = 1;
    s.sweep_on = 0;
    s.pink_on = 0;
    s.stop_after_frames = 0;
    s.stop_count = StopCount::off;
    s.sweep_heard = 0;
    s.label_x = 18;
    s.gain_x = 126;
    s.row_y = 33;
    s.gain_max = 100;
    s.wave_headers = std::make_unique<WaveHeader[]>(static_cast<std::size_t>(s.buffer_count));
}

} // namespace tonegen
