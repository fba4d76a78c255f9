// The fake's windows, controls and event queue. Its user's actions are in
// sim_user_actions.cpp, its control texts in sim_control_texts.cpp, its box
// support in sim_boxes.cpp.
#include "platform/sim/sim_windowing.h"

#include "ui/number_text.h"

#include <algorithm>
#include <optional>

namespace tonegen::sim {

SimControl* SimWindowing::find(int id)
{
    const auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

void SimWindowing::raise(int id, int subtype)
{
    if (const SimControl* c = find(id))
        events_.push_back(Event{EventKind::control, c->parent, id, subtype});
}

void SimWindowing::move_focus(int id)
{
    if (focused == id)
        return;
    const int from = focused;
    focused = id;
    const SimControl* left = find(from);
    if (left && left->spec.kind == ControlKind::frequency_field)
        static_cast<void>(post_message(left->parent, WM_COMMAND,
                                       (std::uintptr_t{EN_KILLFOCUS} << 16) | static_cast<std::uintptr_t>(from), 0));
}

void SimWindowing::deliver_messages()
{
    while (!messages_.empty()) {
        const PostedMessage m = messages_.front();
        messages_.pop_front();
        // A message for a window that went meanwhile is lost, as on the desktop.
        if (handler_ && windows.count(m.window) != 0)
            handler_(m.window, m.message, m.wparam, m.lparam);
    }
}

bool SimWindowing::load_control_font(std::string_view face, int points)
{
    log_.push_back("font " + std::string(face) + " " + std::to_string(points));
    return font_available;
}

WindowHandle SimWindowing::open_window(std::string_view title, int x, int y, int client_width,
                                       int client_height)
{
    log_.push_back("open_window " + std::string(title) + " " + std::to_string(x) + "," + std::to_string(y) +
                   " " + std::to_string(client_width) + "x" + std::to_string(client_height));
    if (refuse_windows)
        return 0;
    const WindowHandle w = open(x, y, client_width, client_height);
    if (first_window_ == 0)
        first_window_ = w;
    return w;
}

WindowHandle SimWindowing::open(int x, int y, int width, int height)
{
    const WindowHandle w = next_window_++;
    windows[w] = Window{x, y, width, height};
    return w;
}

void SimWindowing::destroy_window(WindowHandle window)
{
    log_.push_back(window == open_box_handle ? "destroy_box" : "destroy_window");
    destroyed.push_back(window);
    windows.erase(window);
    std::erase_if(controls, [window](const auto& entry) { return entry.second.parent == window; });
    std::erase_if(timers, [window](const auto& entry) { return entry.first.first == window; });
    if (window == open_box_handle) {
        open_box_handle = 0;
        move_focus(focus_before_box);
    }
}

void SimWindowing::set_message_handler(MessageHandler handler)
{
    handler_ = std::move(handler);
}

bool SimWindowing::post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                                std::intptr_t lparam)
{
    if (message == MM_WOM_DONE)
        log_.push_back("post MM_WOM_DONE");
    if (windows.count(window) == 0)
        return false;
    messages_.push_back(PostedMessage{window, message, wparam, lparam});
    return true;
}

bool SimWindowing::set_timer(WindowHandle window, unsigned id, unsigned milliseconds)
{
    if (windows.count(window) == 0)
        return false;
    timers[{window, id}] = milliseconds;
    return true;
}

void SimWindowing::kill_timer(WindowHandle window, unsigned id)
{
    timers.erase({window, id});
}

void SimWindowing::post_event(const Event& event)
{
    events_.push_back(event);
}

Event SimWindowing::wait_event()
{
    for (;;) {
        deliver_messages();
        if (!events_.empty()) {
            const Event e = events_.front();
            events_.pop_front();
            return e;
        }
        if (script_.empty()) {
            // Every run ends: the open box is closed first, then the window.
            script_used_up = true;
            return Event{EventKind::close, open_box_handle != 0 ? open_box_handle : first_window_, 0, 0};
        }
        const std::function<void()> step = std::move(script_.front());
        script_.pop_front();
        step();
    }
}

Event SimWindowing::poll_event()
{
    deliver_messages();
    if (events_.empty())
        return Event{};
    const Event e = events_.front();
    events_.pop_front();
    return e;
}

void SimWindowing::message_box(WindowHandle /*owner*/, std::string_view title, std::string_view text)
{
    log_.push_back("message_box " + std::string(title) + "|" + std::string(text));
    message_boxes.push_back(std::string(title) + "|" + std::string(text));
    // The box's modal loop keeps dispatching window messages until the user
    // dismisses it.
    deliver_messages();
}

bool SimWindowing::create_control(WindowHandle parent, const ControlSpec& spec)
{
    // Numbers are unique in the program; a window that is gone takes nothing.
    if (windows.count(parent) == 0 || (spec.id >= 0 && controls.count(spec.id) != 0))
        return false;
    created.push_back(spec);
    if (spec.id < 0)
        return true;
    SimControl c;
    c.spec = spec;
    c.parent = parent;
    c.order = created_controls_++;
    c.text = spec.caption;
    c.value = spec.range_min;
    c.position = spec.range_min;
    controls[spec.id] = c;
    return true;
}

bool SimWindowing::checked(int id)
{
    const SimControl* c = find(id);
    return c && c->checked;
}

void SimWindowing::set_checked(int id, bool pressed)
{
    if (SimControl* c = find(id))
        c->checked = pressed;
}

std::string SimWindowing::text(int id)
{
    const SimControl* c = find(id);
    return c ? c->text : std::string();
}

void SimWindowing::set_text(int id, std::string_view text)
{
    SimControl* c = find(id);
    if (!c)
        return;
    c->text = std::string(text);
    if (c->spec.kind == ControlKind::frequency_field)
        raise(id, text_changed);
}

std::int64_t SimWindowing::field_value(int id)
{
    SimControl* c = find(id);
    if (!c)
        return 0;
    if (const std::optional<std::int64_t> typed = whole_number_in_range(c->text, c->spec.range_min, c->spec.range_max))
        c->value = *typed;
    return c->value;
}

void SimWindowing::set_field_value(int id, std::int64_t value)
{
    SimControl* c = find(id);
    if (!c)
        return;
    c->value = std::clamp<std::int64_t>(value, c->spec.range_min, c->spec.range_max);
    set_text(id, std::to_string(c->value));
}

int SimWindowing::scroll_position(int id)
{
    const SimControl* c = find(id);
    return c ? c->position : 0;
}

void SimWindowing::set_scroll_position(int id, int position)
{
    if (SimControl* c = find(id))
        c->position = std::clamp(position, c->spec.range_min, c->spec.range_max);
}

void SimWindowing::set_focus(int id)
{
    if (find(id))
        move_focus(id);
}

} // namespace tonegen::sim
