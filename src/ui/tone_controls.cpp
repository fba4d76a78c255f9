#include "ui/tone_controls.h"

#include "model/controls.h"
#include "synth/synth.h"
#include "ui/dropped_events.h"
#include "ui/field_keys.h"
#include "ui/main_window.h"
#include "ui/number_text.h"

#include <algorithm>
#include <string>

namespace tonegen {

void refresh_controls(Settings& s, Platform& p)
{
    for (int k = 0; k < tone_slots; ++k) {
        p.windowing.set_field_value(k, s.tones[k].frequency);
        p.windowing.set_text(k, std::to_string(s.tones[k].frequency));
    }
    for (int k = 0; k < tone_slots; ++k)
        p.windowing.set_scroll_position(first_gain_bar + k, gain_position(s.tones[k].gain));
    p.windowing.set_focus(on_off_toggle);
    normalise_gains(s);
}

void drain_events(Platform& p)
{
    drop_pending_events(p.windowing, p.main_window);
}

void update_frequency(Settings& s, Platform& p, const Event& event, int control, int tone)
{
    switch (event.subtype) {
    case step_up:
    case step_down:
    case text_changed:
        s.tones[tone].frequency = p.windowing.field_value(control);
        break;
    case focus_lost: {
        // Clamped here, in 64 bits, so that a huge typed number lands on the
        // top of the range instead of on whatever a narrower field would keep.
        const std::int64_t typed = text_to_number(p.windowing.text(control));
        p.windowing.set_field_value(control, std::clamp(typed, lowest_frequency, highest_frequency));
        s.tones[tone].frequency = p.windowing.field_value(control);
        break;
    }
    default:
        break;
    }
}

void on_frequency_event(Settings& s, Platform& p, const Event& event)
{
    if (is_frequency_field(event.control))
        update_frequency(s, p, event, event.control, event.control);
    drain_events(p);
}

void on_gain_event(Settings& s, Platform& p, const Event& event)
{
    if (is_gain_bar(event.control)) {
        const int k = event.control - first_gain_bar;
        const int position = p.windowing.scroll_position(event.control);
        p.windowing.set_text(first_gain_label + k, std::to_string(position));
        s.tones[k].gain = static_cast<float>(position / 100.0);
    }
    drain_events(p);
    normalise_gains(s);
}

void on_field_key(Settings& s, Platform& p, const Event& event)
{
    const int k = event.control;
    if (!is_frequency_field(k) || !delivered_key(event.subtype, event.modifiers)) {
        drain_events(p);
        return;
    }
    if (field_key_target(event.subtype) == FieldKeyTarget::frequency) {
        const std::int64_t from = p.windowing.field_value(k);
        p.windowing.set_field_value(k, value_after_field_key(event.subtype, event.modifiers, from));
        on_frequency_event(s, p, Event{EventKind::control, event.window, k, text_changed});
    } else {
        const int bar = first_gain_bar + k;
        const std::int64_t from = p.windowing.scroll_position(bar);
        p.windowing.set_scroll_position(bar, static_cast<int>(value_after_field_key(event.subtype, event.modifiers, from)));
        on_gain_event(s, p, Event{EventKind::control, event.window, bar, 0});
    }
}

void apply_setup(Settings& s, Platform& p, const ToneSetup& setup)
{
    for (int k = 0; k < tone_slots; ++k) {
        const auto at = static_cast<std::size_t>(k);
        p.windowing.set_field_value(k, setup.frequency[at]);
        s.tones[k].frequency = p.windowing.field_value(k);
        p.windowing.set_scroll_position(first_gain_bar + k, setup.gain[at]);
        p.windowing.set_text(first_gain_label + k, std::to_string(setup.gain[at]));
        s.tones[k].gain = static_cast<float>(setup.gain[at] / 100.0);
    }
    normalise_gains(s);
    drain_events(p);
}

} // namespace tonegen
