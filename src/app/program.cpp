#include "app/program.h"

#include "audio/stream.h"
#include "ui/main_window.h"
#include "ui/tone_controls.h"

namespace tonegen {

namespace {

void toggle_test_signal(Settings& /*s*/, Platform& /*p*/, int /*control*/)
{
    // The sweep and pink-noise recordings are not built into the program yet;
    // their toggles only change their own pressed state.
}

void show_about_from_toggle(Settings& /*s*/, Platform& /*p*/)
{
    // The About box is not built yet; its toggle only changes its own state.
}

void run_event_loop(Settings& s, Platform& p)
{
    for (;;) {
        const Event event = p.windowing.wait_event();
        if (event.kind == EventKind::control)
            dispatch_control_event(s, p, event);
        else if (event.kind == EventKind::close && event.window == p.main_window)
            return;
    }
}

} // namespace

void dispatch_control_event(Settings& s, Platform& p, const Event& event)
{
    const int id = event.control;
    if (is_frequency_field(id))
        on_frequency_event(s, p, event);
    else if (is_gain_bar(id))
        on_gain_event(s, p, event);
    else if (id == on_off_toggle)
        toggle_output(s, p);
    else if (id == sweep_toggle || id == pink_toggle)
        toggle_test_signal(s, p, id);
    else if (id == about_toggle)
        show_about_from_toggle(s, p);
}

int run_program(Settings& s, Platform& p)
{
    static_cast<void>(p.windowing.load_control_font("Arial", 8));

    // The defaults do not depend on the test-signal player: without it only
    // the test signals are missing, the tones still play.
    apply_defaults(s);

    if (open_main_window(s, p, 33, 33, 294, 765) != 0) {
        refresh_controls(s, p);
        drain_events(p);
        if (open_stream(s, p))
            run_event_loop(s, p);
        else
            p.windowing.message_box(p.main_window, error_title, no_device_text);
        close_stream(s, p);
    }
    if (p.main_window != 0)
        p.windowing.destroy_window(p.main_window);
    return 0;
}

} // namespace tonegen
