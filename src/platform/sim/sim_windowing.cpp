#include "platform/sim/sim_windowing.h"

#include "formats/bitmap_file.h"
#include "formats/little_endian.h"
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
    then([this, id, up] {
        set_field_value(id, field_value(id) + (up ? 1 : -1));
        raise(id, up ? step_up : step_down);
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

void SimWindowing::close_now(WindowHandle window)
{
    events_.push_back(Event{EventKind::close, window, 0, 0});
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

namespace tonegen::sim {

std::string SimWindowing::clipboard_text()
{
    return clipboard;
}

void SimWindowing::set_clipboard_text(std::string_view text)
{
    log_.push_back("set_clipboard_text");
    clipboard = std::string(text);
}

bool SimWindowing::program_in_foreground()
{
    return in_foreground;
}

ImageHandle SimWindowing::load_picture(std::span<const unsigned char> bitmap_file)
{
    const std::optional<BitmapFileParts> parts = bitmap_file_parts(bitmap_file);
    if (!parts)
        return 0;
    const auto height = static_cast<std::int32_t>(read_u32(parts->info + 8));
    const ImageHandle picture = 0x1D0 + pictures.size();
    pictures[picture] = TextSize{static_cast<int>(read_u32(parts->info + 4)), height < 0 ? -height : height};
    return picture;
}

int SimWindowing::open_measuring()
{
    measuring = measuring_result == measuring_ready;
    return measuring_result;
}

TextSize SimWindowing::measure_text(std::string_view text)
{
    if (!measuring)
        return {0, 0};
    return {static_cast<int>(text.size()) * char_width, char_height};
}

void SimWindowing::close_measuring()
{
    measuring = false;
}

WindowHandle SimWindowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                    bool centred)
{
    log_.push_back("open_box " + std::string(title));
    if (refuse_boxes)
        return 0;
    open_box_handle = centred ? open((screen_width - client_width) / 2, (screen_height - client_height) / 2,
                                     client_width, client_height)
                              : open(x, y, client_width, client_height);
    // The box takes the keyboard from the window below, which gets it back.
    focus_before_box = focused;
    move_focus(-1);
    boxes.push_back(Box{std::string(title), x, y, client_width, client_height, centred, open_box_handle});
    return open_box_handle;
}

} // namespace tonegen::sim
