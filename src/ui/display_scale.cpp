#include "ui/display_scale.h"

#include "ui/main_window.h"

#include <algorithm>

namespace tonegen {

int scale_length(int length, int percent)
{
    const long long scaled = static_cast<long long>(length) * percent;
    return static_cast<int>(scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100));
}

int scale_row_y(int y, int percent)
{
    if (y < first_row_y)
        return scale_length(y, percent);
    const int rows = (y - first_row_y) / row_pitch;
    const int inside = (y - first_row_y) % row_pitch;
    return scale_length(first_row_y, percent) + rows * scale_length(row_pitch, percent) +
           scale_length(inside, percent);
}

ControlSpec scale_control(ControlSpec spec, int percent)
{
    const int left = scale_length(spec.x, percent);
    const int top = scale_row_y(spec.y, percent);
    spec.width = scale_length(spec.x + spec.width, percent) - left;
    spec.height = scale_row_y(spec.y + spec.height, percent) - top;
    spec.x = left;
    spec.y = top;
    return spec;
}

int font_pixel_height(int points, int percent)
{
    // points x 96 / 72 pixels at 96 dpi, rounded once, as the desktop's own
    // arithmetic does.
    return static_cast<int>((static_cast<long long>(points) * 96 * percent + 3600) / 7200);
}

WindowPlace place_main_window(const DisplayArea& display, int x, int y, int client_width, int client_height)
{
    WindowPlace place{display.percent, x, y, 0, 0};
    for (;;) {
        place.width = scale_length(client_width, place.percent);
        place.height = scale_row_y(client_height, place.percent);
        const bool fits = place.width + display.frame_width <= display.width &&
                          place.height + display.frame_height <= display.height;
        if (fits || place.percent <= smallest_scale)
            break;
        --place.percent;
    }
    const auto inside = [](int at, int size, int start, int room) {
        return std::max(start, std::min(at, start + room - size));
    };
    place.x = inside(x, place.width + display.frame_width, display.x, display.width);
    place.y = inside(y, place.height + display.frame_height, display.y, display.height);
    return place;
}

} // namespace tonegen
