// The sweep the program carries (tools/make_test_signals.py writes it), as
// its frequency against its place: what the sweep toggle says it plays now,
// and what Ctrl+Shift+F takes from it.
//
// The recording is 28 s at 44100 samples a second, looped. Its first 14 s
// rise exponentially from 20 Hz to 21050 Hz, the next 14 s fall
// exponentially from 22050 Hz to 25 Hz; each half starts at its own first
// frequency, so the turn and the loop jump rather than join.
#pragma once

#include <cstdint>

namespace tonegen {

constexpr std::int64_t sweep_samples = 1234800;
constexpr std::int64_t sweep_half = sweep_samples / 2;

struct SweepPoint {
    double hz;   // the frequency of the step from this sample to the next
    bool rising; // the first half
};

// Where the sweep stands at `sample`, counted from its first sample; any
// sample, the loop's repeats and those before its start included.
SweepPoint sweep_at(std::int64_t sample);

} // namespace tonegen
