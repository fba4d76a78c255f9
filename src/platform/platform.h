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
    std::span<const unsigned char> about_picture_2x = {}; // the same drawn at twice the size (may be empty)
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
    ImageHandle about_picture_2x = 0; // set at start-up; 0 when there is none
    int layout_percent = 100;       // the scale of the windows' layout, set by open_main_window
    int device_percent = 100;       // the system's pixels per pixel of the layout, likewise
};

} // namespace tonegen
