// The sim fakes wired together as one platform for whole-program tests.
#pragma once

#include "platform/platform.h"
#include "platform/sim/sim_wave_out.h"
#include "platform/sim/sim_windowing.h"

namespace tonegen::sim {

struct SimPlatform {
    CallLog log;
    SimWindowing windowing{log};
    SimWaveOut wave_out{log, windowing};
    Platform platform{windowing, wave_out};

    // A script step in which the device finishes n buffers.
    void play(int n)
    {
        windowing.then([this, n] { static_cast<void>(wave_out.play(n)); });
    }
};

} // namespace tonegen::sim
