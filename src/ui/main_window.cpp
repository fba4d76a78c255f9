#include "ui/main_window.h"

#include "ui/display_scale.h"

#include <cmath>
#include <string>
#include <utility>

namespace tonegen {

std::vector<ControlSpec> main_window_controls(Settings& s)
{
    using K = ControlKind;
    const int frequency_column_x = static_cast<int>(s.label_x);
    const int gain_column_x = static_cast<int>(s.gain_x);
    const int gain_max = static_cast<int>(s.gain_max);
    std::vector<ControlSpec> c;
    c.reserve(4 + 2 * (2 + tone_slots) + 3 * tone_slots);

    const int y = toggle_row_y, h = toggle_height;
    c.push_back({on_off_toggle, K::toggle_button, 20, y, 50, h, "OFF"});
    c.push_back({sweep_toggle, K::toggle_button, 70, y, 78, h, "OFF SWEEP"});
    c.push_back({pink_toggle, K::toggle_button, 148, y, 59, h, "OFF PINK"});
    c.push_back({about_toggle, K::toggle_button, 207, y, 68, h, "ABOUT"});

    // Row frames: tone 0 at the first row, each further tone one pitch below
    // the running row_y, which the gain column starts again from the top.
    auto row_frames = [&](int x, int width) {
        for (int k = 0; k < tone_slots; ++k) {
            int frame_y = first_row_y;
            if (k > 0) {
                s.row_y += row_pitch;
                frame_y = static_cast<int>(s.row_y);
            }
            c.push_back({-1, K::frame, x, frame_y, width, row_frame_height, ""});
        }
    };
    c.push_back({-1, K::frame, frequency_column_x, 5, 106, 30, ""});
    c.push_back({frequency_heading, K::text_label, 42, 16, 70, 14, "Frequency"});
    row_frames(frequency_column_x, 106);
    s.row_y = first_row_y;
    c.push_back({-1, K::frame, gain_column_x, 5, 152, 30, ""});
    c.push_back({gain_heading, K::text_label, 188, 16, 70, 14, "Gain"});
    row_frames(gain_column_x, 152);

    auto row_top = [](int k) { return first_row_y + row_pitch * k; };
    for (int k = 0; k < tone_slots; ++k)
        c.push_back({k, K::frequency_field, field_x, row_top(k) + field_dy, field_width, field_height, "",
                     static_cast<int>(lowest_frequency), static_cast<int>(highest_frequency)});
    for (int k = 0; k < tone_slots; ++k)
        c.push_back({first_gain_bar + k, K::gain_scroll_bar, bar_x, row_top(k) + bar_dy, bar_width, bar_height, "",
                     0, gain_max});
    for (int k = 0; k < tone_slots; ++k)
        c.push_back({first_gain_label + k, K::text_label, gain_label_x, row_top(k) + label_dy, label_width,
                     label_height, std::to_string(gain_position(s.tones[k].gain))});
    return c;
}

WindowHandle open_main_window(Settings& s, Platform& p, int x, int y, int width, int height,
                              MessageHandler handler)
{
    // The layout is drawn at the scale of the display the window opens on,
    // or smaller where that does not fit its work area.
    const DisplayArea display = p.windowing.display_at(x, y);
    const WindowPlace place = place_main_window(display, x, y, width, height);
    p.layout_percent = place.percent;
    p.device_percent = display.device_percent;
    p.windowing.set_drawing_scale(place.percent);
    const WindowHandle window =
        p.windowing.open_window(main_window_title, place.x, place.y, place.width, place.height);
    if (window == 0)
        return 0;
    p.main_window = window;

    WindowHandle result = window;
    if (p.wave_out.get_num_devs() == 0) {
        p.windowing.message_box(window, error_title, no_device_text);
        result = 0;
    } else {
        p.windowing.set_message_handler(std::move(handler));
    }

    const std::vector<ControlSpec> controls = main_window_controls(s);
    for (const ControlSpec& spec : controls) {
        static_cast<void>(p.windowing.create_control(window, scale_control(spec, place.percent)));
        if (spec.id == about_toggle) {
            p.windowing.set_checked(on_off_toggle, s.output_paused == 1);
            p.windowing.set_checked(sweep_toggle, s.sweep_on == 1);
            p.windowing.set_checked(pink_toggle, s.pink_on == 1);
        }
    }
    return result;
}

} // namespace tonegen
