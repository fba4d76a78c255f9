// The display scale in Win32Windowing (win32_windowing.h).
//
// How it works: the manifest declares the program aware of each monitor's
// scale (Per-Monitor v2; per monitor or the system's scale where Windows is
// older), so the system stretches none of its windows and reports real
// pixels. display_at asks the monitor under the point for its work area and
// its scale (GetDpiForMonitor, Windows 8.1 on; before, the system's
// LOGPIXELSY; wine answers LogPixels of its registry) and what a frame adds
// at that scale (AdjustWindowRectExForDpi, Windows 10 on; before, the
// system's metrics, which are the system scale's). Both newer functions are
// looked up at run time, so that the program still starts where they are
// missing. Fonts are made at the layout's scale from their 96-dpi point
// sizes, never from the screen's LOGPIXELSY, which under Per-Monitor
// awareness is the system's, not the window's monitor's.
//
// When a window is moved to a monitor of another scale the system sends
// WM_DPICHANGED with the rectangle it proposes: every child is moved and
// sized by the ratio of the two scales from where it is, the fonts are
// made again at the new scale, and the window takes the proposed place.
#include "platform/win32/win32_windowing.h"

#include "platform/win32/win32_window_helpers.h"

#include "ui/display_scale.h"

#include <vector>

namespace tonegen::win32 {

namespace {

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename F>
F entry_point(const char* dll, const char* name)
{
    HMODULE module = ::GetModuleHandleA(dll);
    if (!module)
        module = ::LoadLibraryA(dll); // kept for the run: the program asks again
    // GetProcAddress hands out a generic function pointer; the detour
    // through void* gives it its real type.
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

UINT system_dpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        static_cast<void>(::ReleaseDC(nullptr, screen));
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT monitor_dpi(HMONITOR monitor)
{
    static const auto get_dpi = entry_point<GetDpiForMonitorFunction>("shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    constexpr int effective_dpi = 0; // MDT_EFFECTIVE_DPI
    if (get_dpi && monitor && SUCCEEDED(get_dpi(monitor, effective_dpi, &x, &y)) && y > 0)
        return y;
    return system_dpi();
}

struct ChildRescale {
    int from, to;               // per cent
    HFONT old_control, new_control;
    HFONT old_box, new_box;
};

BOOL CALLBACK rescale_child(HWND child, LPARAM context)
{
    const auto& r = *reinterpret_cast<const ChildRescale*>(context);
    if (::GetParent(child) != ::GetAncestor(child, GA_ROOT))
        return TRUE; // a control's own parts move with it
    RECT place{};
    static_cast<void>(::GetWindowRect(child, &place));
    static_cast<void>(::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&place), 2));
    const auto at = [&r](LONG v) { return ::MulDiv(static_cast<int>(v), r.to, r.from); };
    const int left = at(place.left), top = at(place.top);
    static_cast<void>(::SetWindowPos(child, nullptr, left, top, at(place.right) - left, at(place.bottom) - top,
                                     SWP_NOZORDER | SWP_NOACTIVATE));
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0));
    HFONT replacement = font == r.old_box && r.new_box ? r.new_box : r.new_control;
    if (replacement)
        static_cast<void>(::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(replacement), TRUE));
    return TRUE;
}

} // namespace

int window_display_percent(HWND window)
{
    return dpi_percent(monitor_dpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)));
}

int dpi_percent(UINT dpi)
{
    return ::MulDiv(static_cast<int>(dpi), 100, 96);
}

SIZE frame_size(DWORD style, DWORD ex_style, int percent)
{
    static const auto adjust = entry_point<AdjustForDpiFunction>("user32.dll", "AdjustWindowRectExForDpi");
    RECT outer{0, 0, 0, 0};
    const UINT dpi = static_cast<UINT>(::MulDiv(percent, 96, 100));
    if (!adjust || !adjust(&outer, style, FALSE, ex_style, dpi))
        static_cast<void>(::AdjustWindowRectEx(&outer, style, FALSE, ex_style));
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

DisplayArea Win32Windowing::display_at(int x, int y)
{
    DisplayArea display;
    HMONITOR monitor = ::MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    RECT work{};
    if (monitor && ::GetMonitorInfoA(monitor, &info))
        work = info.rcWork;
    else
        static_cast<void>(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    display.percent = dpi_percent(monitor_dpi(monitor));
    display.x = work.left;
    display.y = work.top;
    display.width = work.right - work.left;
    display.height = work.bottom - work.top;
    const SIZE frame = frame_size(top_level_style, 0, display.percent);
    display.frame_width = frame.cx;
    display.frame_height = frame.cy;
    return display;
}

void Win32Windowing::set_drawing_scale(int percent)
{
    drawing_scale_ = percent;
    if (!control_face_.empty())
        static_cast<void>(load_control_font(control_face_, control_points_));
    box_font_ = nullptr; // made again at the new scale by the next box
}

void Win32Windowing::follow_dpi_change(HWND window, UINT dpi, const RECT& proposed)
{
    TopLevel* t = top_level(window);
    if (!t)
        return;
    const int from = t->percent;
    const int to = ::MulDiv(from, dpi_percent(dpi), t->display_percent);
    if (to <= 0 || to == from)
        return;
    ChildRescale r{from, to, font_, nullptr, box_font_, nullptr};
    set_drawing_scale(to);
    r.new_control = font_;
    if (r.old_box)
        r.new_box = box_font();
    static_cast<void>(::EnumChildWindows(window, &rescale_child, reinterpret_cast<LPARAM>(&r)));
    t->percent = to;
    t->display_percent = dpi_percent(dpi);
    static_cast<void>(::SetWindowPos(window, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                                     proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE));
}

} // namespace tonegen::win32
