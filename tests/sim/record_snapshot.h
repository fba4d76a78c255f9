// What the user can change in the record, copied for before/after checks.
#pragma once

#include "model/settings.h"

#include <vector>

namespace tonegen {

struct RecordSnapshot {
    std::vector<std::int64_t> frequencies;
    std::vector<float> gains, amplitudes;
    std::int64_t output_paused, sweep_on, pink_on, about_choice;
    bool operator==(const RecordSnapshot&) const = default;
};

inline RecordSnapshot snapshot(const Settings& s)
{
    RecordSnapshot x{{}, {}, {}, s.output_paused, s.sweep_on, s.pink_on, s.about_choice};
    for (const Tone& t : s.tones) {
        x.frequencies.push_back(t.frequency);
        x.gains.push_back(t.gain);
        x.amplitudes.push_back(t.amplitude);
    }
    return x;
}

} // namespace tonegen
