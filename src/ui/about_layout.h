// Where everything of the About box goes, from measurements of its texts.
//
// Pure arithmetic, so that it can be checked without a screen: the box
// measures its texts in its own font and hands the numbers here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tonegen {

struct Rect {
    int x, y, width, height;
    bool operator==(const Rect&) const = default;
};

struct AboutMeasurements {
    int line_height = 0;                          // height of "Ay"
    std::vector<int> line_widths;                 // every text line
    int title_width = 0;
    std::vector<std::vector<int>> caption_words;  // widths of each caption's words
    bool has_picture = false;
};

struct AboutLayout {
    int client_width = 0, client_height = 0;
    int button_width = 0, button_height = 0;
    Rect picture{};                 // only when there is one
    std::vector<Rect> lines;        // one per text line
    std::vector<Rect> buttons;      // one per caption, in order
};

constexpr int picture_side = 78;

// Splits at "|": "a|b|" gives "a", "b", "".
std::vector<std::string> split_fields(std::string_view text);

// A caption without its leading and trailing blanks, cut at each blank.
std::vector<std::string> caption_words(std::string_view caption);

// The box's layout at `percent` of 96 dpi: the texts measured in the box
// font at that scale, and the wrap width, the margins, gaps and the picture
// scaled here.
AboutLayout layout_about_box(const AboutMeasurements& m, int wrap_width, int percent = 100);

} // namespace tonegen
