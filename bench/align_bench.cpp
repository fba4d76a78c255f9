// The measure tool's alignment: the cross-correlation of a recording with
// the signal's first second, through the FFT against the plain sum of
// products, over the same lags. align_vs_plain/<lags> runs both on one
// recording, turn about, and reports `vs_plain`: the plain sum's CPU time
// over the FFT's (the measure tool searches up to 441000 lags, where the
// plain sum would take minutes).
#include "analysis/multitone.h"
#include "app/render.h"
#include "thread_seconds.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void align_vs_plain(benchmark::State& state)
{
    const auto lags = static_cast<std::size_t>(state.range(0));
    tonegen::RenderOptions options;
    tonegen::StreamRender render(options, tonegen::Assets{});
    std::vector<std::int16_t> sent(tonegen::measure_period + lags);
    render.next(sent.data(), sent.size());
    std::vector<std::int16_t> recording(lags / 2, 0);
    recording.insert(recording.end(), sent.begin(), sent.end());
    double plain_seconds = 0, fft_seconds = 0;
    for (auto _ : state) {
        double start = thread_seconds();
        benchmark::DoNotOptimize(tonegen::align_recording(sent, recording, tonegen::measure_period, lags, true));
        plain_seconds += thread_seconds() - start;
        start = thread_seconds();
        benchmark::DoNotOptimize(tonegen::align_recording(sent, recording, tonegen::measure_period, lags, false));
        const double took = thread_seconds() - start;
        fft_seconds += took;
        state.SetIterationTime(took);
    }
    state.counters["vs_plain"] = plain_seconds / fft_seconds;
}

} // namespace

BENCHMARK(align_vs_plain)->Arg(4410)->Arg(22050)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
