// The main window: one table of controls, built once at start-up.
#pragma once

#include "model/controls.h"
#include "model/settings.h"
#include "platform/platform.h"

#include <vector>

namespace tonegen {

constexpr const char* main_window_title = "Zelvara Pro-ZEZIZAVIZ VERSION";
constexpr const char* error_title = "Err!";
constexpr const char* no_device_text = "Audio Device Not Present";

// Where the window goes: its frame's corner on the screen and its client area.
constexpr int main_window_x = 33;
constexpr int main_window_y = 33;
constexpr int main_window_width = 294;
constexpr int main_window_height = 765;

// The tone rows: one pitch apart, the first row's frame at y 33; inside a
// row the field, the bar and the label sit at fixed offsets from the top of
// the row's frame.
constexpr int row_pitch = 33;
constexpr int first_row_y = 33;
constexpr int row_frame_height = 42;
constexpr int field_x = 30, field_dy = 14, field_width = 78, field_height = 20;
constexpr int bar_x = 165, bar_dy = 17, bar_width = 100, bar_height = 14;
constexpr int gain_label_x = 136, label_dy = 17, label_width = 24, label_height = 20;

// The four toggles in one row under the tone rows.
constexpr int toggle_row_y = 718;
constexpr int toggle_height = 28;

// Every control of the main window in creation order (which is also the Tab
// order), laid out from the record's layout values. Advances `row_y` as the
// rows are placed, as building the window does.
std::vector<ControlSpec> main_window_controls(Settings& s);

// Creates and shows the window at (x, y) with a client area width x height,
// then every control, all at the scale of the display it opens on (or the
// largest that fits its work area, display_scale.h), which later windows
// of the program share. Installs `handler` as the window message handler when
// the machine has a wave-out device; with none it shows "Err!" / "Audio
// Device Not Present", still builds the controls and returns 0. Also 0 when
// the window is refused.
WindowHandle open_main_window(Settings& s, Platform& p, int x, int y, int width, int height,
                              MessageHandler handler);

} // namespace tonegen
