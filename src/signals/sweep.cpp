#include "signals/sweep.h"

#include <cmath>

namespace tonegen {

SweepPoint sweep_at(std::int64_t sample)
{
    std::int64_t n = sample % sweep_samples;
    if (n < 0)
        n += sweep_samples;
    const bool rising = n < sweep_half;
    const double from = rising ? 20.0 : 22050.0;
    const double to = rising ? 21050.0 : 25.0;
    const double part = static_cast<double>(rising ? n : n - sweep_half) / static_cast<double>(sweep_half);
    return {from * std::pow(to / from, part), rising};
}

} // namespace tonegen
