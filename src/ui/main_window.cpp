#include "ui/main_window.h"

#include "audio/stream.h"

#include <cmath>
#include <string>

namespace tonegen {

int gain_position(float gain)
{
    return static_cast<int>(std::nearbyint(static_cast<double>(gain) * 100.0));
}

std::vector<ControlSpec> main_window_controls(Settings& s)
{
    using K = ControlKind;
    const int label_x = static_cast<int>(s.label_x);
    const int gain_x = static_cast<int>(s.gain_x);
    const int gain_max = static_cast<int>(s.gain_max);
    std::vector<ControlSpec> c;
    c.reserve(4 + 2 * (2 + tone_slots) + 3 * tone_slots);

    c.push_back({on_off_toggle, K::toggle_button, 20, 718, 50, 28, "OFF"});
    c.push_back({sweep_toggle, K::toggle_button, 70, 718, 78, 28, "OFF SWEEP"});
    c.push_back({pink_toggle, K::toggle_button, 148, 718, 59, 28, "OFF PINK"});
    c.push_back({about_toggle, K::toggle_button, 207, 718, 68, 28, "ABOUT"});

    // Row frames: tone 0 at y 33, each further tone one pitch below the
    // running row_y, which the gain column starts again from 33.
    auto row_frames = [&](int x, int width) {
        for (int k = 0; k < tone_slots; ++k) {
            int y = 33;
            if (k > 0) {
                s.row_y += 33;
                y = static_cast<int>(s.row_y);
            }
            c.push_back({-1, K::frame, x, y, width, 42, ""});
        }
    };
    c.push_back({-1, K::frame, label_x, 5, 106, 30, ""});
    c.push_back({frequency_heading, K::text_label, 42, 16, 70, 14, "Frequency"});
    row_frames(label_x, 106);
    s.row_y = 33;
    c.push_back({-1, K::frame, gain_x, 5, 152, 30, ""});
    c.push_back({gain_heading, K::text_label, 188, 16, 70, 14, "Gain"});
    row_frames(gain_x, 152);

    for (int k = 0; k < tone_slots; ++k)
        c.push_back({k, K::frequency_field, 30, 47 + 33 * k, 78, 20, "", static_cast<int>(lowest_frequency),
                     static_cast<int>(highest_frequency)});
    for (int k = 0; k < tone_slots; ++k)
        c.push_back({first_gain_bar + k, K::gain_scroll_bar, 165, 50 + 33 * k, 100, 14, "", 0, gain_max});
    for (int k = 0; k < tone_slots; ++k)
        c.push_back({first_gain_label + k, K::text_label, 136, 50 + 33 * k, 24, 20,
                     std::to_string(gain_position(s.tones[k].gain))});
    return c;
}

WindowHandle open_main_window(Settings& s, Platform& p, int x, int y, int width, int height)
{
    const WindowHandle window = p.windowing.open_window(main_window_title, x, y, width, height);
    if (window == 0)
        return 0;
    p.main_window = window;

    WindowHandle result = window;
    if (p.wave_out.get_num_devs() == 0) {
        p.windowing.message_box(window, error_title, no_device_text);
        result = 0;
    } else {
        p.windowing.set_message_handler(
            [&s, &p](WindowHandle w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
                stream_message_handler(s, p, w, message, wparam, lparam);
            });
    }

    const std::vector<ControlSpec> controls = main_window_controls(s);
    for (const ControlSpec& spec : controls) {
        static_cast<void>(p.windowing.create_control(window, spec));
        if (spec.id == about_toggle) {
            p.windowing.set_checked(on_off_toggle, s.output_paused == 1);
            p.windowing.set_checked(sweep_toggle, s.sweep_on == 1);
            p.windowing.set_checked(pink_toggle, s.pink_on == 1);
        }
    }
    return result;
}

} // namespace tonegen
