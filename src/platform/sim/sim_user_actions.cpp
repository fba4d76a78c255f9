// The fake user's actions: script steps that run while the program waits
// (see sim_windowing.h), and the same actions done at once.
#include "platform/sim/sim_windowing.h"

#include <algorithm>

namespace tonegen::sim {

void SimWindowing::click(int id)
{
    then([this, id] { click_now(id); });
}

void SimWindowing::click_now(int id)
{
    if (SimControl* c = find(id)) {
        move_focus(id);
        c->checked = !c->checked;
        raise(id, 0);
    }
}

void SimWindowing::press_now(int id)
{
    if (find(id)) {
        move_focus(id);
        raise(id, 0);
    }
}

void SimWindowing::step_field(int id, bool up)
{
    then([this, id, up] { step_now(id, up); });
}

void SimWindowing::step_now(int id, bool up)
{
    set_field_value(id, field_value(id) + (up ? 1 : -1));
    raise(id, up ? step_up : step_down);
}

void SimWindowing::press_key(int key, int modifiers)
{
    then([this, key, modifiers] {
        const SimControl* c = find(focused);
        if (!c || c->spec.kind != ControlKind::frequency_field)
            return;
        if (delivered_key(key, modifiers))
            events_.push_back(Event{EventKind::key, c->parent, focused, key, modifiers});
        else if (modifiers == 0 && (key == key_up || key == key_down))
            step_now(focused, key == key_up);
    });
}

void SimWindowing::type(int id, const std::string& text)
{
    then([this, id, text] {
        if (find(id)) {
            move_focus(id);
            set_text(id, text);
        }
    });
}

void SimWindowing::leave(int id)
{
    then([this, id] {
        if (focused == id)
            move_focus(-1);
    });
}

void SimWindowing::scroll(int id, int position)
{
    then([this, id, position] {
        set_scroll_position(id, position);
        raise(id, 0);
    });
}

void SimWindowing::scroll_by(int id, int steps)
{
    then([this, id, steps] {
        set_scroll_position(id, scroll_position(id) + steps);
        raise(id, 0);
    });
}

void SimWindowing::tab(bool backwards)
{
    then([this, backwards] {
        const SimControl* from = find(focused);
        const WindowHandle window = from ? from->parent : open_box_handle != 0 ? open_box_handle : first_window_;
        std::vector<const SimControl*> stops;
        for (const auto& [id, c] : controls) {
            if (c.parent == window && c.spec.kind != ControlKind::text_label && c.spec.kind != ControlKind::picture &&
                c.spec.kind != ControlKind::gain_scroll_bar && c.spec.kind != ControlKind::frame)
                stops.push_back(&c);
        }
        if (stops.empty())
            return;
        std::sort(stops.begin(), stops.end(), [](const SimControl* a, const SimControl* b) { return a->order < b->order; });
        const auto at = std::find(stops.begin(), stops.end(), from);
        const std::size_t n = stops.size();
        std::size_t next = backwards ? n - 1 : 0;
        if (at != stops.end()) {
            const auto i = static_cast<std::size_t>(at - stops.begin());
            next = backwards ? (i + n - 1) % n : (i + 1) % n;
        }
        move_focus(stops[next]->spec.id);
    });
}

void SimWindowing::close_main_window()
{
    then([this] { close_now(first_window_); });
}

void SimWindowing::close_box()
{
    then([this] { close_now(open_box_handle); });
}

void SimWindowing::press(int id)
{
    then([this, id] { press_now(id); });
}

void SimWindowing::shortcut(int which)
{
    then([this, which] {
        // Only the main window has them: not while the keyboard is in a box.
        const SimControl* focus = find(focused);
        if (focus ? focus->parent == first_window_ : open_box_handle == 0)
            events_.push_back(Event{EventKind::shortcut, first_window_, which, 0});
    });
}

void SimWindowing::timers_run_out()
{
    then([this] {
        for (const auto& [timer, period] : timers)
            static_cast<void>(post_message(timer.first, WM_TIMER, timer.second, 0));
    });
}

void SimWindowing::close_now(WindowHandle window)
{
    events_.push_back(Event{EventKind::close, window, 0, 0});
}

} // namespace tonegen::sim
