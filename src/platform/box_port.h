// What the About box needs beyond windows and controls: whether the program
// is in front, pictures, texts measured in the box font, and the box window.
// The box's controls are made, and the box destroyed, through the windowing
// port (windowing_port.h), whose event waits also serve the box.
//
// Contract: called on the GUI thread only; no method throws.
#pragma once

#include "platform/windowing_port.h"

#include <span>
#include <string_view>

namespace tonegen {

struct TextSize {
    int width, height;
};

// Results of open_measuring.
constexpr int measuring_ready = 0;
constexpr int measuring_no_window = -1;
constexpr int measuring_no_drawing = -2;

class BoxPort {
public:
    virtual ~BoxPort() = default;

    // True when one of the program's own windows is the foreground window.
    virtual bool program_in_foreground() = 0;
    // Makes an image from a bitmap file image (BMP); 0 when it cannot.
    // Released when the platform object ends. Shown by picture controls.
    virtual ImageHandle load_picture(std::span<const unsigned char> bitmap_file) = 0;
    // Measuring texts in the box font ("system fixed", 10 points; loaded the
    // first time and kept): open_measuring sets up a hidden window to draw
    // on and says whether it could (measuring_ready) or not; measure_text
    // works between it and close_measuring.
    virtual int open_measuring() = 0;
    virtual TextSize measure_text(std::string_view text) = 0;
    virtual void close_measuring() = 0;
    // A box window with title bar and close box only, not resizable, kept
    // above all other windows, with the given client size, its outer
    // top-left corner at (x, y) or centred on the screen. 0 when refused.
    // Its controls go with it when it is destroyed.
    virtual WindowHandle open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                  bool centred) = 0;
};

} // namespace tonegen
