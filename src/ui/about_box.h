// The About box: a modal box laid out from its arguments, and the shell
// hand-off of the maker's web pages.
#pragma once

#include "model/controls.h"
#include "platform/platform.h"

#include <cstdint>
#include <string_view>

namespace tonegen {

// Where the program shows its box: the frame's corner on the screen.
constexpr int about_box_x = 40;
constexpr int about_box_y = 190;
constexpr const char* about_captions = "Web|Twitter|Facebook|Google+|Linkedin|OK";
constexpr int about_wrap_width = 100;

// The About text as the program shows it: title, then the text lines.
std::string_view about_text();

// Shows the box at (x, y) (centred on the screen when no window of the
// program is in the foreground) and waits for it to close. `text` is the
// title and the text lines, `captions` the buttons, both split at "|".
// Returns k for the k-th button, 0 for the close box, -1 / -2 when the
// texts cannot be measured and -3 when the box cannot be opened. Meanwhile
// window messages go on being dispatched (the tones keep playing), and every
// other event, the main window's included, is taken and dropped.
std::int64_t show_about_box(Platform& p, int x, int y, std::string_view text, std::string_view captions,
                            int wrap_width, ImageHandle picture);

// The maker's pages: the software page, then one per About button 2..5.
std::string_view software_page();
// The page for About result 2..5, or an empty view for any other result.
std::string_view page_for_choice(std::int64_t choice);

void open_web_address(Platform& p, std::string_view address);

} // namespace tonegen
