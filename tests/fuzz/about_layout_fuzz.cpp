// The About box layout from any texts and measurements: the captions split
// as the box splits them, each word measured at a width the input chooses,
// and every button inside the box's client area, in one row ending 5
// pixels above its bottom edge.
#include "ui/about_layout.h"

#include "fuzz_target.h"

#include <string>
#include <string_view>

namespace {

// Takes one byte off the front of the input, 0 when there is none.
int take(const std::uint8_t*& data, std::size_t& size)
{
    if (size == 0)
        return 0;
    --size;
    return *data++;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tonegen::AboutMeasurements m;
    m.line_height = take(data, size) % 64;
    m.title_width = take(data, size) * 8;
    m.has_picture = (take(data, size) & 1) != 0;
    const int wrap_width = take(data, size) * 4;
    const int pixels_per_char = 1 + take(data, size) % 16;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Lines and captions are separated by a newline, like the program's
    // title and lines are by "|".
    const std::size_t cut = text.find('\n');
    const std::string_view lines = text.substr(0, cut);
    const std::string_view captions = cut == std::string_view::npos ? std::string_view{} : text.substr(cut + 1);
    for (const std::string& line : tonegen::split_fields(lines))
        m.line_widths.push_back(static_cast<int>(line.size()) * pixels_per_char);
    for (const std::string& caption : tonegen::split_fields(captions)) {
        std::vector<int> widths;
        for (const std::string& word : tonegen::caption_words(caption))
            widths.push_back(static_cast<int>(word.size()) * pixels_per_char);
        FUZZ_CHECK(!widths.empty());
        m.caption_words.push_back(std::move(widths));
    }

    const tonegen::AboutLayout l = tonegen::layout_about_box(m, wrap_width);
    FUZZ_CHECK(l.buttons.size() == m.caption_words.size());
    FUZZ_CHECK(l.lines.size() == m.line_widths.size());
    for (const tonegen::Rect& b : l.buttons) {
        FUZZ_CHECK(b.x >= 0 && b.x + b.width <= l.client_width);
        FUZZ_CHECK(b.y + b.height + 5 == l.client_height);
    }
    if (m.has_picture)
        FUZZ_CHECK(l.picture.x >= 0 && l.picture.x + l.picture.width <= l.client_width);
    return 0;
}
