// The main window: one table of controls, built once at start-up.
#pragma once

#include "app/settings.h"
#include "platform/platform.h"

#include <vector>

namespace tonegen {

constexpr const char* main_window_title = "Zelvara Pro-ZEZIZAVIZ VERSION";
constexpr const char* error_title = "Err!";
constexpr const char* no_device_text = "Audio Device Not Present";

// Control numbers; tone k owns frequency field k, gain bar 20 + k and gain
// label 120 + k.
constexpr int first_gain_bar = 20;
constexpr int first_gain_label = 120;
constexpr int pink_toggle = 160;
constexpr int sweep_toggle = 161;
constexpr int about_toggle = 166;
constexpr int frequency_heading = 173;
constexpr int gain_heading = 174;

constexpr std::int64_t lowest_frequency = 22;
constexpr std::int64_t highest_frequency = 22050;

constexpr bool is_frequency_field(int id) { return id >= 0 && id < tone_slots; }
constexpr bool is_gain_bar(int id) { return id >= first_gain_bar && id < first_gain_bar + tone_slots; }

// Every control of the main window in creation order (which is also the Tab
// order), laid out from the record's layout values. Advances `row_y` as the
// rows are placed, as building the window does.
std::vector<ControlSpec> main_window_controls(Settings& s);

// Decimal text of a gain as the bar shows it: gain x 100, ties to even.
int gain_position(float gain);

// Creates and shows the window at (x, y) with a client area width x height,
// then every control. Installs stream_message_handler when the machine has a
// wave-out device; with none it shows "Err!" / "Audio Device Not Present",
// still builds the controls and returns 0. Also 0 when the window is refused.
WindowHandle open_main_window(Settings& s, Platform& p, int x, int y, int width, int height);

} // namespace tonegen
