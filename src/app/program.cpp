#include "app/program.h"

#include "audio/stream.h"
#include "model/controls.h"
#include "signals/sound_player.h"
#include "signals/sweep.h"
#include "ui/about_box.h"
#include "ui/control_texts.h"
#include "ui/main_window.h"
#include "ui/tone_controls.h"

#include <algorithm>
#include <cmath>

namespace tonegen {

namespace {

// The main window's timer that keeps the sweep toggle's texts on the
// frequency being heard; it runs only while the sweep plays. Four looks a
// second at the least, whatever a busy desktop does to the timer's period.
constexpr unsigned sweep_timer = 1;
constexpr unsigned sweep_look_ms = 200;

// Takes the sweep's sample being heard from the player, when it can say.
void follow_sweep(Settings& s, Platform& p)
{
    if (const std::optional<std::int64_t> sample = playing_sample(s.player, p.player, sweep_sound))
        s.sweep_heard = *sample;
}

// Without a player the toggle keeps its new pressed state and its old
// caption, and nothing plays.
void toggle_test_signal(Settings& s, Platform& p, int control)
{
    if (!init_sound_effects(s.player, p.player))
        return;
    const bool sweep = control == sweep_toggle;
    std::int64_t& on = sweep ? s.sweep_on : s.pink_on;
    const int sound = sweep ? sweep_sound : pink_sound;
    on = p.windowing.checked(control) ? 1 : 0;
    if (on == 1) {
        p.windowing.set_text(control, sweep ? "ON SWEEP" : "ON PINK");
        play_sound(s.player, p.player, sound, play_looping, test_signal_volume);
    } else {
        p.windowing.set_text(control, sweep ? "OFF SWEEP" : "OFF PINK");
        stop_sound(s.player, p.player, sound);
    }
    if (!sweep)
        return;
    if (on == 1) {
        follow_sweep(s, p);
        static_cast<void>(p.windowing.set_timer(p.main_window, sweep_timer, sweep_look_ms));
    } else {
        p.windowing.kill_timer(p.main_window, sweep_timer);
    }
}

// Ctrl+Shift+F: the frequency the sweep plays now, in whole hertz, into the
// focused frequency field (the first when the focus is elsewhere) as if
// typed there, and the sweep stopped as its toggle stops it. Nothing while
// the sweep is off.
void catch_sweep(Settings& s, Platform& p)
{
    if (s.sweep_on != 1)
        return;
    follow_sweep(s, p);
    const double hz = std::nearbyint(sweep_at(s.sweep_heard).hz);
    const auto caught =
        std::clamp(static_cast<std::int64_t>(hz), lowest_frequency, highest_frequency);
    p.windowing.set_checked(sweep_toggle, false);
    toggle_test_signal(s, p, sweep_toggle);
    const int focus = p.windowing.focus();
    const int field = is_frequency_field(focus) ? focus : 0;
    p.windowing.set_text(field, std::to_string(caught));
    on_frequency_event(s, p, Event{EventKind::control, p.main_window, field, text_changed});
}

// The stop timer has played its fade: ON/OFF shows the pause, as if
// pressed, and a playing test signal stops with its toggle released.
void end_stop_count(Settings& s, Platform& p)
{
    p.windowing.set_checked(on_off_toggle, true);
    toggle_output(s, p);
    for (const int control : {sweep_toggle, pink_toggle}) {
        if (p.windowing.checked(control)) {
            p.windowing.set_checked(control, false);
            toggle_test_signal(s, p, control);
        }
    }
    static_cast<void>(show_control_texts(s, p.control_texts));
}

std::int64_t show_program_about_box(Platform& p)
{
    // Drawn at more than its own size, the picture is made from the one
    // drawn at twice the size (smaller, not stretched).
    const bool large = static_cast<long long>(p.layout_percent) * p.device_percent > 100 * 100;
    const ImageHandle picture = large && p.about_picture_2x != 0 ? p.about_picture_2x : p.about_picture;
    return show_about_box(p, about_box_x, about_box_y, about_text(), about_captions, about_wrap_width, picture);
}

void run_event_loop(Settings& s, Platform& p)
{
    for (;;) {
        const Event event = p.windowing.wait_event();
        if (event.kind == EventKind::control)
            dispatch_control_event(s, p, event);
        else if (event.kind == EventKind::shortcut)
            on_shortcut(s, p, event.control);
        else if (event.kind == EventKind::key)
            dispatch_key_event(s, p, event);
        else if (event.kind == EventKind::close && event.window == p.main_window)
            return;
    }
}

} // namespace

void toggle_output(Settings& s, Platform& p)
{
    const bool paused = p.windowing.checked(on_off_toggle);
    set_output_paused(s, p, paused);
    p.windowing.set_text(on_off_toggle, paused ? "OFF" : "ON");
}

void stream_message_handler(Settings& s, Platform& p, WindowHandle window, unsigned message,
                            std::uintptr_t wparam, std::intptr_t lparam)
{
    if (message == MM_WOM_DONE) {
        // Handled here, not posted: a box's event wait would drop the event.
        if (on_buffer_done(s, p, lparam))
            end_stop_count(s, p);
    } else if (message == WM_COMMAND && ((wparam >> 16) & 0xFFFF) == EN_KILLFOCUS) {
        const int control = static_cast<int>(wparam & 0xFFFF);
        if (is_frequency_field(control))
            p.windowing.post_event(Event{EventKind::control, p.main_window, control, focus_lost});
    } else if (message == WM_TIMER && window == p.main_window && wparam == sweep_timer && s.sweep_on == 1) {
        follow_sweep(s, p);
        static_cast<void>(show_control_texts(s, p.control_texts, sweep_toggle));
    }
}

MessageHandler program_message_handler(Settings& s, Platform& p)
{
    return [&s, &p](WindowHandle window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
        stream_message_handler(s, p, window, message, wparam, lparam);
    };
}

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
        s.about_choice = show_program_about_box(p); // no page opens after this one
    static_cast<void>(show_control_texts(s, p.control_texts));
}

void dispatch_key_event(Settings& s, Platform& p, const Event& event)
{
    on_field_key(s, p, event);
    static_cast<void>(show_control_texts(s, p.control_texts));
}

void on_shortcut(Settings& s, Platform& p, int shortcut)
{
    if (shortcut == copy_setup_shortcut) {
        p.clipboard.set_clipboard_text(format_setup(setup_of(s)));
    } else if (shortcut == paste_setup_shortcut) {
        const auto parsed = parse_setup(p.clipboard.clipboard_text());
        if (std::holds_alternative<ToneSetup>(parsed))
            apply_setup(s, p, std::get<ToneSetup>(parsed));
        else
            p.windowing.message_box(p.main_window, main_window_title,
                                    "The clipboard holds no setup: " + std::get<std::string>(parsed));
    } else if (shortcut == catch_sweep_shortcut) {
        catch_sweep(s, p);
    }
    static_cast<void>(show_control_texts(s, p.control_texts));
}

int run_program(Settings& s, Platform& p, const StartOptions& start)
{
    static_cast<void>(p.windowing.load_control_font("Arial", 8));
    p.about_picture = p.boxes.load_picture(p.assets.about_picture);
    if (!p.assets.about_picture_2x.empty())
        p.about_picture_2x = p.boxes.load_picture(p.assets.about_picture_2x);

    if (init_sound_effects(s.player, p.player)) {
        static_cast<void>(load_sound(s.player, p.player, sweep_sound, p.assets.sweep));
        static_cast<void>(load_sound(s.player, p.player, pink_sound, p.assets.pink));
    }
    // The defaults do not depend on the test-signal player: without it only
    // the test signals are missing, the tones still play.
    apply_defaults(s);
    s.device_number = start.device_number;
    s.stop_after_frames = start.stop_after_seconds * stream_rate;
    if (start.setup)
        load_setup(s, *start.setup);

    if (open_main_window(s, p, main_window_x, main_window_y, main_window_width, main_window_height,
                         program_message_handler(s, p)) != 0) {
        refresh_controls(s, p);
        drain_events(p);
        static_cast<void>(show_control_texts(s, p.control_texts));

        // Nothing sounds while the start-up box is up: the stream opens after
        // it and after the pages, whatever the box returned.
        s.about_choice = show_program_about_box(p);
        open_web_address(p, software_page());
        open_web_address(p, page_for_choice(s.about_choice));
        drain_events(p);

        if (open_stream(s, p))
            run_event_loop(s, p);
        else
            p.windowing.message_box(p.main_window, error_title, no_device_text);
        close_stream(s, p);
    }
    if (p.main_window != 0)
        p.windowing.destroy_window(p.main_window);
    release_sound_effects(s.player, p.player);
    return 0;
}

} // namespace tonegen
