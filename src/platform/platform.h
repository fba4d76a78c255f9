// The ports the program drives, bundled for the core's operations.
#pragma once

#include "platform/wave_out_port.h"
#include "platform/windowing_port.h"

namespace tonegen {

struct Platform {
    WindowingPort& windowing;
    WaveOutPort& wave_out;
    WindowHandle main_window = 0; // set by open_main_window
};

} // namespace tonegen
