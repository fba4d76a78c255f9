// The sim fakes wired together as one platform for whole-program tests.
#pragma once

#include "platform/platform.h"
#include "platform/sim/sim_clipboard.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_sound_player.h"
#include "platform/sim/sim_wave_out.h"
#include "platform/sim/sim_windowing.h"

#include <vector>

namespace tonegen::sim {

// Small but well-formed stand-ins for the embedded files.
std::vector<unsigned char> test_wave_image(unsigned char fill);
std::vector<unsigned char> test_bitmap();

struct SimPlatform {
    CallLog log;
    SimWindowing windowing{log}; // also the control texts and box ports
    SimClipboard clipboard{log};
    SimWaveOut wave_out{log, windowing};
    SimSoundPlayer player{log};
    SimShell shell{log};
    std::vector<unsigned char> sweep = test_wave_image(0x11);
    std::vector<unsigned char> pink = test_wave_image(0x22);
    std::vector<unsigned char> bitmap = test_bitmap();
    Platform platform{windowing, windowing, clipboard, windowing, wave_out, player, shell, Assets{sweep, pink, bitmap}};

    // A script step in which the device finishes n buffers.
    void play(int n)
    {
        windowing.then([this, n] { static_cast<void>(wave_out.play(n)); });
    }
};

} // namespace tonegen::sim
