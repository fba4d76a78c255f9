// How long one buffer fill holds the GUI thread, against the buffer's own
// playing time (278.6 ms), per instruction-set path.
//
// fill_one_buffer/<path> times the path alone. fill_vs_scalar/<path> fills
// one buffer with the path and one with the scalar reference, turn about,
// and reports `vs_scalar`: the reference's time over the path's, both
// measured in this thread's CPU time so that other work on a shared
// machine stretches neither side more than the other. `goal` is the ratio
// the path is meant to reach. frame_loop_without_sines is the reference's
// frame loop with the sines taken out, to show how much of a fill they are.
// render_minute/<path> renders one minute of the default mix as the render
// tool does (into memory, no file) and reports `x_real_time`: a minute over
// the thread's CPU time for it.
#include "app/render.h"
#include "audio/stream.h"
#include "synth/fill_path.h"
#include "synth/synth.h"
#include "thread_seconds.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

namespace {

using tonegen::FillPath;

tonegen::Settings ready_settings()
{
    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * tonegen::stream_buffer_frames;
    tonegen::normalise_gains(s);
    return s;
}

constexpr double buffer_period_ms = double{tonegen::stream_buffer_frames} / tonegen::stream_rate * 1000.0;

double goal(FillPath path)
{
    switch (path) {
    case FillPath::scalar:
        return 1.0;
    case FillPath::sse2:
        return 1.7;
    case FillPath::avx2:
        return 5.0;
    case FillPath::avx512:
        return 10.0;
    }
    return 0.0;
}

// Holds the path for one benchmark, and tells when the processor lacks it.
bool hold(benchmark::State& state, FillPath path)
{
    if (tonegen::set_fill_path(path))
        return true;
    state.SkipWithError((std::string("this processor has no ") + tonegen::fill_path_name(path)).c_str());
    return false;
}

void fill_one_buffer(benchmark::State& state, FillPath path)
{
    if (!hold(state, path))
        return;
    tonegen::Settings s = ready_settings();
    std::vector<char> buffer(2 * tonegen::stream_buffer_frames);
    for (auto _ : state) {
        tonegen::fill_buffer(s, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["frames_per_s"] = benchmark::Counter(double{tonegen::stream_buffer_frames} * static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate);
    state.counters["buffer_period_ms"] = buffer_period_ms;
}

void fill_vs_scalar(benchmark::State& state, FillPath path)
{
    if (!hold(state, path))
        return;
    tonegen::Settings reference = ready_settings();
    tonegen::Settings tested = ready_settings();
    std::vector<char> buffer(2 * tonegen::stream_buffer_frames);
    double reference_seconds = 0;
    double tested_seconds = 0;
    for (auto _ : state) {
        static_cast<void>(tonegen::set_fill_path(FillPath::scalar));
        double start = thread_seconds();
        tonegen::fill_buffer(reference, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        reference_seconds += thread_seconds() - start;

        static_cast<void>(tonegen::set_fill_path(path));
        start = thread_seconds();
        tonegen::fill_buffer(tested, buffer.data());
        benchmark::DoNotOptimize(buffer.data());
        const double took = thread_seconds() - start;
        tested_seconds += took;
        state.SetIterationTime(took);
    }
    state.counters["vs_scalar"] = reference_seconds / tested_seconds;
    state.counters["goal"] = goal(path);
}

// The reference's twenty-tone frame loop with the sines taken out.
void frame_loop_without_sines(benchmark::State& state)
{
    tonegen::Settings s = ready_settings();
    std::vector<std::int16_t> out(tonegen::stream_buffer_frames);
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

void render_minute(benchmark::State& state, FillPath path)
{
    if (!hold(state, path))
        return;
    tonegen::RenderOptions options;
    options.frames = 60 * tonegen::stream_rate;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(options.frames));
    double seconds = 0;
    for (auto _ : state) {
        const double start = thread_seconds();
        tonegen::StreamRender render(options, tonegen::Assets{});
        render.next(samples.data(), samples.size());
        benchmark::DoNotOptimize(samples.data());
        seconds += thread_seconds() - start;
    }
    state.counters["x_real_time"] = 60.0 * static_cast<double>(state.iterations()) / seconds;
}

int register_benchmarks()
{
    for (FillPath path : tonegen::fill_paths) {
        const std::string name = tonegen::fill_path_name(path);
        benchmark::RegisterBenchmark(("fill_one_buffer/" + name).c_str(), fill_one_buffer, path)
            ->Unit(benchmark::kMillisecond);
    }
    for (FillPath path : {FillPath::sse2, FillPath::avx2, FillPath::avx512}) {
        const std::string name = tonegen::fill_path_name(path);
        benchmark::RegisterBenchmark(("fill_vs_scalar/" + name).c_str(), fill_vs_scalar, path)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    }
    benchmark::RegisterBenchmark("frame_loop_without_sines", frame_loop_without_sines)->Unit(benchmark::kMillisecond);
    for (FillPath path : tonegen::fill_paths) {
        const std::string name = tonegen::fill_path_name(path);
        benchmark::RegisterBenchmark(("render_minute/" + name).c_str(), render_minute, path)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}
const int registered = register_benchmarks();

} // namespace

BENCHMARK_MAIN();
