// The calling thread's CPU time: what the benchmarks' ratios compare, so that
// other work on a shared machine stretches neither side more than the other.
#pragma once

#include <ctime>

inline double thread_seconds()
{
    timespec t{};
    static_cast<void>(::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t));
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
