// Tooltips and the texts of assistive technology in Win32Windowing
// (win32_windowing.h).
//
// How it works: one tooltip control (TOOLTIPS_CLASS) per top-level window,
// made with its first tooltip and owned by that window, so it goes with it;
// each control is a tool of it, found by its window and watched through the
// tooltip control's own subclassing (TTF_SUBCLASS), a field with its arrows,
// a label made to see the mouse (SS_NOTIFY). A new text goes in with
// TTM_UPDATETIPTEXT, which also redraws a tip that is up. The names,
// descriptions and values that assistive technology reads are answered by
// the interfaces of win32_accessibility.h.
#include "platform/win32/win32_windowing.h"

#include "platform/win32/win32_window_helpers.h"

#include <algorithm>
#include <string>

namespace tonegen::win32 {

HWND Win32Windowing::tooltips_of(HWND window)
{
    TopLevel* t = top_level(window);
    if (!t)
        return nullptr;
    if (!t->tooltips) {
        // Owned by its window, so it goes with it.
        t->tooltips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                        instance_, nullptr);
    }
    return t->tooltips;
}

void Win32Windowing::set_tooltip(int id, std::string_view text)
{
    Control* c = find(id);
    if (!c)
        return;
    HWND tooltips = tooltips_of(c->parent);
    if (!tooltips)
        return;
    std::wstring wide = widen(text);
    if (!c->has_tooltip && c->kind == ControlKind::text_label) {
        // A plain static lets the mouse through to its window.
        const LONG_PTR style = ::GetWindowLongPtrA(c->window, GWL_STYLE);
        static_cast<void>(::SetWindowLongPtrA(c->window, GWL_STYLE, style | SS_NOTIFY));
    }
    for (HWND tool : {c->window, c->arrows}) {
        if (!tool)
            continue;
        TTTOOLINFOW info{};
        // The size every version of the tooltip control takes.
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = c->parent;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = wide.data();
        static_cast<void>(::SendMessageW(tooltips, c->has_tooltip ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                                         reinterpret_cast<LPARAM>(&info)));
    }
    c->has_tooltip = true;
}

void Win32Windowing::set_accessible_name(int id, std::string_view text)
{
    if (const Control* c = find(id))
        accessible_.set(c->window, AccessibleControls::Text::name, widen(text));
}

void Win32Windowing::set_accessible_description(int id, std::string_view text)
{
    if (const Control* c = find(id))
        accessible_.set(c->window, AccessibleControls::Text::description, widen(text));
}

void Win32Windowing::set_accessible_value(int id, std::string_view text)
{
    if (const Control* c = find(id))
        accessible_.set(c->window, AccessibleControls::Text::value, widen(text));
}

HWND Win32Windowing::tooltip_window(int id) const
{
    const Control* c = find(id);
    if (!c)
        return nullptr;
    const auto it = std::find_if(windows_.begin(), windows_.end(), [c](const TopLevel& t) { return t.window == c->parent; });
    return it == windows_.end() ? nullptr : it->tooltips;
}

} // namespace tonegen::win32
