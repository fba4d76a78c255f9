// The controls of Win32Windowing (win32_windowing.h): the system's own
// controls made to the program's table, read and set by number, and the
// translation of their notifications into the port's events.
#include "platform/win32/win32_windowing.h"

#include "platform/win32/win32_window_helpers.h"

#include "ui/number_text.h"

#include <algorithm>
#include <optional>
#include <string>

namespace tonegen::win32 {

namespace {

// Anonymous controls (frames) share the id no program control uses.
constexpr INT_PTR anonymous_id = -1;
// The up-down control of frequency field k, kept out of the program's numbers.
constexpr INT_PTR arrows_id_base = 0x4000;

HMENU child_id(INT_PTR id)
{
    return reinterpret_cast<HMENU>(id);
}

} // namespace

bool Win32Windowing::create_control(WindowHandle parent, const ControlSpec& spec)
{
    HWND owner = as_hwnd(parent);
    if (!is_program_window(owner))
        return false;

    const char* window_class = "BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD ex_style = 0;
    switch (spec.kind) {
    case ControlKind::toggle_button:
        style |= BS_PUSHLIKE | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
        break;
    case ControlKind::frame:
        style |= BS_GROUPBOX | WS_GROUP;
        break;
    case ControlKind::text_label:
        window_class = "STATIC";
        style |= SS_NOPREFIX | WS_GROUP;
        break;
    case ControlKind::frequency_field:
        window_class = "EDIT";
        style |= ES_RIGHT | WS_TABSTOP;
        ex_style = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::gain_scroll_bar:
        window_class = "SCROLLBAR";
        style |= SBS_HORZ;
        break;
    case ControlKind::push_button:
        style |= BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP;
        break;
    case ControlKind::picture:
        // Takes the size of its bitmap.
        window_class = "STATIC";
        style |= SS_BITMAP;
        break;
    }

    // Numbers are unique in the program.
    if (spec.id >= 0 && find(spec.id) != nullptr)
        return false;
    const INT_PTR id = spec.id < 0 ? anonymous_id : spec.id;
    HWND window = ::CreateWindowExA(ex_style, window_class, spec.caption.c_str(), style, spec.x, spec.y,
                                    spec.width, spec.height, owner, child_id(id), instance_, nullptr);
    if (!window)
        return false;
    HFONT font = spec.font == ControlFont::box ? box_font() : font_;
    static_cast<void>(::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : font_), FALSE));

    HWND arrows = nullptr;
    if (spec.kind == ControlKind::frequency_field) {
        arrows = ::CreateWindowExA(0, UPDOWN_CLASSA, nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_SETBUDDYINT | UDS_ALIGNRIGHT |
                                       UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                   0, 0, 0, 0, owner, child_id(arrows_id_base + id), instance_, nullptr);
        if (!arrows) {
            static_cast<void>(::DestroyWindow(window));
            return false;
        }
        static_cast<void>(::SendMessageA(arrows, UDM_SETRANGE32, static_cast<WPARAM>(spec.range_min),
                                         static_cast<LPARAM>(spec.range_max)));
        // The position is set before the edit becomes the buddy, so that the
        // field starts at the bottom of its range with its caption as text.
        static_cast<void>(::SendMessageA(arrows, UDM_SETPOS32, 0, static_cast<LPARAM>(spec.range_min)));
        static_cast<void>(::SendMessageA(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(window), 0));
        static_cast<void>(::SendMessageA(arrows, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE));
    } else if (spec.kind == ControlKind::gain_scroll_bar) {
        SCROLLINFO bar{};
        bar.cbSize = sizeof(bar);
        bar.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        bar.nMin = spec.range_min;
        bar.nMax = spec.range_max;
        bar.nPage = 1;
        bar.nPos = spec.range_min;
        static_cast<void>(::SetScrollInfo(window, SB_CTL, &bar, TRUE));
    } else if (spec.kind == ControlKind::picture && spec.image != 0) {
        HBITMAP shown = fitted_picture(reinterpret_cast<HBITMAP>(spec.image), spec.width, spec.height);
        static_cast<void>(::SendMessageA(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown)));
    }

    if (spec.id >= 0)
        controls_.push_back(
            Control{spec.id, spec.kind, window, owner, arrows, spec.range_min, spec.range_max, step_up, spec.range_min});
    return true;
}

bool Win32Windowing::checked(int id)
{
    const Control* c = find(id);
    return c && ::SendMessageA(c->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Windowing::set_checked(int id, bool pressed)
{
    if (const Control* c = find(id))
        static_cast<void>(::SendMessageA(c->window, BM_SETCHECK, pressed ? BST_CHECKED : BST_UNCHECKED, 0));
}

std::string Win32Windowing::text(int id)
{
    const Control* c = find(id);
    return c ? window_text(c->window) : std::string();
}

void Win32Windowing::set_text(int id, std::string_view text)
{
    if (const Control* c = find(id)) {
        const std::string t(text);
        static_cast<void>(::SetWindowTextA(c->window, t.c_str()));
    }
}

std::int64_t Win32Windowing::field_value(int id)
{
    Control* c = find(id);
    if (!c || !c->arrows)
        return 0;
    if (const std::optional<std::int64_t> typed = whole_number_in_range(window_text(c->window), c->range_min, c->range_max))
        c->value = *typed;
    return c->value;
}

void Win32Windowing::set_field_value(int id, std::int64_t value)
{
    Control* c = find(id);
    if (!c || !c->arrows)
        return;
    c->value = std::clamp<std::int64_t>(value, c->range_min, c->range_max);
    // The up-down control rewrites its buddy only when its position moves;
    // the text is written here once, which raises exactly one text_changed.
    ++quiet_;
    static_cast<void>(::SendMessageA(c->arrows, UDM_SETPOS32, 0, static_cast<LPARAM>(c->value)));
    --quiet_;
    static_cast<void>(::SetWindowTextA(c->window, std::to_string(c->value).c_str()));
}

int Win32Windowing::scroll_position(int id)
{
    const Control* c = find(id);
    return c ? ::GetScrollPos(c->window, SB_CTL) : 0;
}

void Win32Windowing::set_scroll_position(int id, int position)
{
    if (const Control* c = find(id))
        static_cast<void>(::SetScrollPos(c->window, SB_CTL, std::clamp(position, c->range_min, c->range_max), TRUE));
}

void Win32Windowing::set_focus(int id)
{
    if (const Control* c = find(id))
        static_cast<void>(::SetFocus(c->window));
}

int Win32Windowing::focus()
{
    // A field's arrows may have it, as well as its edit.
    const Control* c = find_by_window(::GetFocus());
    return c ? c->id : -1;
}

HWND Win32Windowing::control_window(int id) const
{
    const Control* c = find(id);
    return c ? c->window : nullptr;
}

HWND Win32Windowing::arrows_window(int id) const
{
    const Control* c = find(id);
    return c ? c->arrows : nullptr;
}

void Win32Windowing::translate(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND: {
        Control* c = find_by_window(reinterpret_cast<HWND>(lparam));
        if (!c || c->window != reinterpret_cast<HWND>(lparam))
            return;
        const unsigned code = HIWORD(wparam);
        if ((c->kind == ControlKind::toggle_button || c->kind == ControlKind::push_button) && code == BN_CLICKED)
            raise(window, c->id, 0);
        else if (c->kind == ControlKind::frequency_field && code == EN_UPDATE && quiet_ == 0)
            raise(window, c->id, text_changed);
        return;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (!header || header->code != UDN_DELTAPOS)
            return;
        Control* c = find_by_window(header->hwndFrom);
        if (c && c->arrows == header->hwndFrom)
            aim_step(*c, *reinterpret_cast<NMUPDOWN*>(lparam));
        return;
    }
    case WM_VSCROLL: {
        // Sent by the up-down control after the step was applied (or refused
        // at the end of the range). The text shows the value the step went to
        // before the step is reported, also where the up-down control left
        // it alone.
        Control* c = find_by_window(reinterpret_cast<HWND>(lparam));
        if (c && c->arrows == reinterpret_cast<HWND>(lparam) && LOWORD(wparam) == SB_THUMBPOSITION) {
            const std::string number = std::to_string(c->value);
            if (window_text(c->window) != number)
                static_cast<void>(::SetWindowTextA(c->window, number.c_str()));
            raise(window, c->id, c->step);
        }
        return;
    }
    case WM_HSCROLL: {
        Control* c = find_by_window(reinterpret_cast<HWND>(lparam));
        if (c && c->kind == ControlKind::gain_scroll_bar && c->window == reinterpret_cast<HWND>(lparam) &&
            LOWORD(wparam) != SB_ENDSCROLL) {
            move_gain_bar(c->window, *c, LOWORD(wparam), HIWORD(wparam));
            raise(window, c->id, 0);
        }
        return;
    }
    case WM_CLOSE:
        events_.push_back(Event{EventKind::close, as_handle(window), 0, 0});
        return;
    default:
        return;
    }
}

void Win32Windowing::aim_step(Control& field, NMUPDOWN& step)
{
    // The up-down control proposes a step from the number it read itself;
    // the step is made one unit from the field's value instead, within range.
    field.step = step.iDelta < 0 ? step_down : step_up;
    const std::int64_t from = field_value(field.id);
    field.value = std::clamp<std::int64_t>(from + (step.iDelta < 0 ? -1 : 1), field.range_min, field.range_max);
    step.iDelta = static_cast<int>(field.value - step.iPos);
}

void Win32Windowing::move_gain_bar(HWND bar_window, const Control& bar, int action, int thumb)
{
    int position = ::GetScrollPos(bar_window, SB_CTL);
    switch (action) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
        position -= 1;
        break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
        position += 1;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        position = thumb; // 16 bits are plenty: a gain bar ends at 100
        break;
    case SB_LEFT:
        position = bar.range_min;
        break;
    case SB_RIGHT:
        position = bar.range_max;
        break;
    default:
        break;
    }
    static_cast<void>(::SetScrollPos(bar_window, SB_CTL, std::clamp(position, bar.range_min, bar.range_max), TRUE));
}

Win32Windowing::Control* Win32Windowing::find(int id)
{
    const auto it = std::find_if(controls_.begin(), controls_.end(), [id](const Control& c) { return c.id == id; });
    return it == controls_.end() ? nullptr : &*it;
}

const Win32Windowing::Control* Win32Windowing::find(int id) const
{
    const auto it = std::find_if(controls_.begin(), controls_.end(), [id](const Control& c) { return c.id == id; });
    return it == controls_.end() ? nullptr : &*it;
}

Win32Windowing::Control* Win32Windowing::find_by_window(HWND window)
{
    if (!window)
        return nullptr;
    const auto it = std::find_if(controls_.begin(), controls_.end(),
                                 [window](const Control& c) { return c.window == window || c.arrows == window; });
    return it == controls_.end() ? nullptr : &*it;
}

} // namespace tonegen::win32
