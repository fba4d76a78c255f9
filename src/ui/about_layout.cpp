#include "ui/about_layout.h"

#include "ui/display_scale.h"

#include <algorithm>

namespace tonegen {

std::vector<std::string> split_fields(std::string_view text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        fields.emplace_back(text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos)
            return fields;
        start = bar + 1;
    }
}

std::vector<std::string> caption_words(std::string_view caption)
{
    const std::size_t first = caption.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {""};
    caption = caption.substr(first, caption.find_last_not_of(' ') - first + 1);
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = caption.find(' ', start);
        words.emplace_back(caption.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
        if (blank == std::string_view::npos)
            return words;
        start = blank + 1;
    }
}

AboutLayout layout_about_box(const AboutMeasurements& m, int wrap_width, int percent)
{
    // The margins, gaps and the picture at the scale the texts were measured at.
    const auto px = [percent](int length) { return scale_length(length, percent); };
    AboutLayout out;
    const int h = m.line_height;
    const int text_width = m.line_widths.empty() ? 0 : *std::max_element(m.line_widths.begin(), m.line_widths.end());
    const int title_room = m.title_width + m.title_width / 16 + px(36);
    const int picture_width = m.has_picture ? px(picture_side) : 0;
    const int picture_height = picture_width;

    // Buttons: each caption's words laid out in rows no wider than the wrap
    // width less 10; the common width grows only when a caption's widest row
    // exceeds it.
    const int row_limit = px(wrap_width) - px(10);
    int most_rows = 0;
    for (const std::vector<int>& words : m.caption_words) {
        int rows = 1, row = 0, widest = 0;
        for (int w : words) {
            if (row + w > row_limit) {
                ++rows;
                row = 0;
            }
            row += w;
            widest = std::max(widest, row);
        }
        widest = std::max(widest, px(10));
        if (widest > out.button_width)
            out.button_width = widest + px(10);
        most_rows = std::max(most_rows, rows);
    }
    out.button_height = most_rows * h + px(8);
    const int n = static_cast<int>(m.caption_words.size());
    const int row_width = n * out.button_width + (n - 1) * px(5);

    int width = std::max(row_width, title_room);
    width = std::max(width, picture_width + text_width);
    if (picture_width != 0 && text_width != 0)
        width += px(5);
    width += px(10);
    out.client_width = width;

    const int lines = static_cast<int>(m.line_widths.size());
    const int content = std::max(lines * h, picture_height);
    const int buttons_y = content != 0 ? content + px(10) : px(5);
    out.client_height = (content != 0 ? content + px(5) : 0) + out.button_height + px(10);

    if (m.has_picture)
        out.picture = Rect{lines == 0 ? (width - picture_width) / 2 : px(5), px(5), px(picture_side - 1), picture_height};
    const int text_x = m.has_picture ? picture_width + px(10) : px(5);
    for (int i = 0; i < lines; ++i)
        out.lines.push_back(Rect{text_x, px(5) + i * h, width - px(10), h});
    int x = (width - row_width) / 2;
    for (int i = 0; i < n; ++i, x += out.button_width + px(5))
        out.buttons.push_back(Rect{x, buttons_y, out.button_width, out.button_height});
    return out;
}

} // namespace tonegen
