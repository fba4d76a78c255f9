// How long one buffer fill holds the GUI thread, against the buffer's own
// playing time (278.6 ms) and against a baseline of the same loop without
// the sines, measured in the same process.
#include "synth/synth.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

tonegen::Settings ready_settings()
{
    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 24576;
    tonegen::normalise_gains(s);
    return s;
}

constexpr double buffer_period_ms = 12288.0 / 44100.0 * 1000.0;

void fill_one_buffer(benchmark::State& state)
{
    tonegen::Settings s = ready_settings();
    std::vector<char> buffer(24576);
    for (auto _ : state) {
        tonegen::fill_buffer(s, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["frames_per_s"] = benchmark::Counter(12288.0 * static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate);
    state.counters["buffer_period_ms"] = buffer_period_ms;
}
BENCHMARK(fill_one_buffer)->Unit(benchmark::kMillisecond);

// Baseline: the same twenty-tone frame loop with the sines taken out, to show
// how much of a fill the sines are.
void frame_loop_without_sines(benchmark::State& state)
{
    tonegen::Settings s = ready_settings();
    std::vector<std::int16_t> out(12288);
    for (auto _ : state) {
        for (std::size_t n = 0; n < out.size(); ++n) {
            double mix = 0;
            for (auto& t : s.tones) {
                mix += t.phase * static_cast<double>(t.amplitude);
                t.phase += 1e-3;
                if (t.phase > tonegen::two_pi)
                    t.phase -= tonegen::two_pi;
            }
            out[n] = static_cast<std::int16_t>(std::nearbyint(mix * 1e-9));
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(frame_loop_without_sines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
