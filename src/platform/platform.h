// The ports the program drives, bundled for the core's operations, and what
// the platform carries inside the program for it.
#pragma once

#include "platform/box_port.h"
#include "platform/clipboard_port.h"
#include "platform/control_texts_port.h"
#include "platform/shell_port.h"
#include "platform/sound_player_port.h"
#include "platform/wave_out_port.h"
#include "platform/windowing_port.h"

#include <span>

namespace tonegen {

// Files embedded in the program.
struct Assets {
    std::span<const unsigned char> sweep;         // RIFF WAVE image
    std::span<const unsigned char> pink;          // RIFF WAVE image
    std::span<const unsigned char> about_picture; // BMP file image
};

struct Platform {
    WindowingPort& windowing;        // windows, controls, the event queue
    ControlTextsPort& control_texts; // tooltips and what assistive technology reads
    ClipboardPort& clipboard;
    BoxPort& boxes;                  // what the About box needs beyond windows and controls
    WaveOutPort& wave_out;
    SoundPlayerPort& player;
    ShellPort& shell;
    Assets assets;
    WindowHandle main_window = 0;   // set by open_main_window
    ImageHandle about_picture = 0;  // set at start-up
};

} // namespace tonegen
