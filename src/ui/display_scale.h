// The main window's 96-dpi layout drawn at a display's scale, and the scale
// that keeps the whole window inside the display's work area.
//
// Scales are whole per cents of the 96-dpi layout (144 dpi is 150). A
// control is scaled by its edges, not by its corner and size, so that
// controls that touch or keep apart at 96 dpi still do; the tone rows are
// scaled as a grid (the pitch rounded once), so that they stay evenly
// spaced whatever the scale.
#pragma once

#include "platform/windowing_port.h"

namespace tonegen {

// The window is never laid out smaller than this, even where it then does
// not fit the work area.
constexpr int smallest_scale = 75;

// A 96-dpi x, width or font height at `percent`, to the nearest pixel
// (halves away from zero).
int scale_length(int length, int percent);
// A y of the main window at `percent`: above the first tone row scaled
// alone; from there, the whole rows as multiples of the scaled pitch plus
// the offset inside the row scaled alone.
int scale_row_y(int y, int percent);
// A main-window control at `percent` (rectangle only).
ControlSpec scale_control(ControlSpec spec, int percent);
// The character height in pixels of a font of `points` at `percent` of
// 96 dpi (at 100 % what the desktop makes of points at 96 dpi).
int font_pixel_height(int points, int percent);

struct WindowPlace {
    int percent;     // the scale the window is laid out at
    int x, y;        // its frame's corner on the screen
    int width, height; // its client area
};

// Where a window of the main window's client size (96 dpi) goes on
// `display`, asked for at frame corner (x, y): at the display's scale when
// it fits the work area with its frame, else at the largest scale that
// fits, but not below smallest_scale; moved the least to lie inside the
// work area (to its top-left corner when it is larger).
WindowPlace place_main_window(const DisplayArea& display, int x, int y, int client_width, int client_height);

} // namespace tonegen
