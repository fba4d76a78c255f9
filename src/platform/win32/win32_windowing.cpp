// How it works: see win32_windowing.h. The window procedure never lets a C++
// exception out: the handler's and the translation's are caught and dropped,
// since the system would otherwise unwind through its own frames.
#include "platform/win32/win32_windowing.h"

#include "platform/win32/win32_window_helpers.h"

#include <algorithm>
#include <string>

namespace tonegen::win32 {

namespace {

constexpr DWORD window_style = top_level_style;
constexpr DWORD window_ex_style = 0;
constexpr int icon_resource = 1;

} // namespace

Win32Windowing::Win32Windowing(HINSTANCE instance)
    : instance_(instance), font_(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)))
{
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES;
    static_cast<void>(::InitCommonControlsEx(&classes));
}

Win32Windowing::~Win32Windowing()
{
    // Whatever the core left open goes without reaching its handler, whose
    // objects may be gone by now.
    handler_ = nullptr;
    close_measuring();
    while (!windows_.empty())
        destroy_window(as_handle(windows_.back().window));
    if (window_class_ != 0)
        static_cast<void>(::UnregisterClassA(main_window_class, instance_));
    for (HFONT font : created_fonts_)
        static_cast<void>(::DeleteObject(font));
    for (HBITMAP picture : pictures_)
        static_cast<void>(::DeleteObject(picture));
}

bool Win32Windowing::load_control_font(std::string_view face, int points)
{
    const std::string name(face);
    control_face_ = name;
    control_points_ = points;
    HFONT font = make_font(name.c_str(), points, drawing_scale_);
    if (!font) {
        font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        return false;
    }
    created_fonts_.push_back(font);
    font_ = font;
    return true;
}

bool Win32Windowing::register_window_class()
{
    if (window_class_ != 0)
        return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Win32Windowing::window_procedure;
    wc.hInstance = instance_;
    wc.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(icon_resource));
    wc.hIconSm = static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(icon_resource), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 0));
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = main_window_class;
    window_class_ = ::RegisterClassExA(&wc);
    return window_class_ != 0;
}

HWND Win32Windowing::show_top_level(HWND window)
{
    windows_.push_back(TopLevel{window, nullptr, nullptr, drawing_scale_, window_display_percent(window)});
    static_cast<void>(::ShowWindow(window, SW_SHOWNORMAL));
    static_cast<void>(::UpdateWindow(window));
    static_cast<void>(::SetForegroundWindow(window));
    return window;
}

WindowHandle Win32Windowing::open_window(std::string_view title, int x, int y, int client_width,
                                         int client_height)
{
    if (!register_window_class())
        return 0;
    // The size asked for is the client area's; the frame comes on top, at
    // the scale of the monitor the window opens on.
    const SIZE frame = frame_size(window_style, window_ex_style, display_at(x, y).percent);
    const std::string caption(title);
    HWND window = ::CreateWindowExA(window_ex_style, main_window_class, caption.c_str(), window_style, x, y,
                                    client_width + frame.cx, client_height + frame.cy, nullptr, nullptr,
                                    instance_, this);
    if (!window)
        return 0;
    return as_handle(show_top_level(window));
}

HWND Win32Windowing::first_window() const
{
    return windows_.empty() ? nullptr : windows_.front().window;
}

void Win32Windowing::destroy_window(WindowHandle window)
{
    HWND w = as_hwnd(window);
    if (!is_program_window(w))
        return;
    // The window's controls go with it, and so do their numbers.
    static_cast<void>(::DestroyWindow(w));
    std::erase_if(windows_, [w](const TopLevel& t) { return t.window == w; });
    std::erase_if(controls_, [w](const Control& c) { return c.parent == w; });
}

void Win32Windowing::set_message_handler(MessageHandler handler)
{
    handler_ = std::move(handler);
}

bool Win32Windowing::post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam)
{
    return ::PostMessageA(as_hwnd(window), message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) !=
           FALSE;
}

bool Win32Windowing::set_timer(WindowHandle window, unsigned id, unsigned milliseconds)
{
    HWND w = as_hwnd(window);
    return is_program_window(w) && ::SetTimer(w, id, milliseconds, nullptr) != 0;
}

void Win32Windowing::kill_timer(WindowHandle window, unsigned id)
{
    HWND w = as_hwnd(window);
    if (is_program_window(w))
        static_cast<void>(::KillTimer(w, id));
}

void Win32Windowing::post_event(const Event& event)
{
    events_.push_back(event);
}

Event Win32Windowing::wait_event()
{
    while (events_.empty()) {
        MSG msg{};
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // WM_QUIT (or a broken queue) ends the program like its close box.
            return Event{EventKind::close, windows_.empty() ? 0 : as_handle(windows_.front().window), 0, 0};
        }
        dispatch(msg);
    }
    return take_event();
}

Event Win32Windowing::poll_event()
{
    MSG msg{};
    while (events_.empty() && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return Event{EventKind::close, windows_.empty() ? 0 : as_handle(windows_.front().window), 0, 0};
        dispatch(msg);
    }
    return events_.empty() ? Event{} : take_event();
}

void Win32Windowing::message_box(WindowHandle owner, std::string_view title, std::string_view text)
{
    const std::string caption(title);
    const std::string body(text);
    static_cast<void>(::MessageBoxA(as_hwnd(owner), body.c_str(), caption.c_str(), MB_OK));
}

LRESULT CALLBACK Win32Windowing::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        static_cast<void>(::SetWindowLongPtrA(window, GWLP_USERDATA,
                                              reinterpret_cast<LONG_PTR>(create->lpCreateParams)));
    }
    auto* self = reinterpret_cast<Win32Windowing*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcA(window, message, wparam, lparam);
    return self->handle_message(window, message, wparam, lparam);
}

LRESULT Win32Windowing::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (handler_) {
        try {
            handler_(as_handle(window), message, static_cast<std::uintptr_t>(wparam),
                     static_cast<std::intptr_t>(lparam));
        } catch (...) {
        }
    }
    try {
        translate(window, message, wparam, lparam);
    } catch (...) {
    }

    switch (message) {
    case WM_CLOSE:
        return 0; // queued as an event; the core destroys the window
    case WM_DPICHANGED:
        follow_dpi_change(window, HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_ACTIVATE:
        // Like a dialog box: the control that had the focus gets it back
        // when the window is activated again, so Tab goes on from there.
        if (TopLevel* t = top_level(window)) {
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                t->saved_focus = focus && ::IsChild(window, focus) ? focus : nullptr;
            } else if (t->saved_focus && ::IsChild(window, t->saved_focus)) {
                static_cast<void>(::SetFocus(t->saved_focus));
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

void Win32Windowing::dispatch(MSG& msg)
{
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (msg.message == WM_KEYDOWN && top && !windows_.empty() && top == windows_.front().window &&
        (msg.wParam == 'C' || msg.wParam == 'V' || msg.wParam == 'F') && ::GetKeyState(VK_CONTROL) < 0 &&
        ::GetKeyState(VK_SHIFT) < 0 && ::GetKeyState(VK_MENU) >= 0) {
        raise_shortcut(top, msg.wParam == 'C'   ? copy_setup_shortcut
                            : msg.wParam == 'V' ? paste_setup_shortcut
                                                : catch_sweep_shortcut);
        return;
    }
    if (msg.message == WM_KEYDOWN && raise_field_key(msg))
        return;
    if (top && is_program_window(top) && ::IsDialogMessageA(top, &msg))
        return;
    static_cast<void>(::TranslateMessage(&msg));
    static_cast<void>(::DispatchMessageA(&msg));
}

static_assert(key_up == VK_UP && key_down == VK_DOWN && key_page_up == VK_PRIOR && key_page_down == VK_NEXT);
static_assert(with_alt == MOD_ALT && with_ctrl == MOD_CONTROL && with_shift == MOD_SHIFT);

bool Win32Windowing::raise_field_key(const MSG& msg)
{
    const Control* field = find_by_window(msg.hwnd);
    if (!field || field->kind != ControlKind::frequency_field || field->window != msg.hwnd)
        return false;
    const int key = static_cast<int>(msg.wParam);
    const int modifiers = (::GetKeyState(VK_MENU) < 0 ? with_alt : 0) | (::GetKeyState(VK_CONTROL) < 0 ? with_ctrl : 0) |
                          (::GetKeyState(VK_SHIFT) < 0 ? with_shift : 0);
    if (!delivered_key(key, modifiers))
        return false;
    events_.push_back(Event{EventKind::key, as_handle(field->parent), field->id, key, modifiers});
    return true;
}

void Win32Windowing::raise_shortcut(HWND window, int which)
{
    events_.push_back(Event{EventKind::shortcut, as_handle(window), which, 0});
}

void Win32Windowing::raise(HWND window, int control, int subtype)
{
    events_.push_back(Event{EventKind::control, as_handle(window), control, subtype});
}

Event Win32Windowing::take_event()
{
    const Event event = events_.front();
    events_.pop_front();
    return event;
}

bool Win32Windowing::is_program_window(HWND window) const
{
    return window && std::any_of(windows_.begin(), windows_.end(),
                                 [window](const TopLevel& t) { return t.window == window; });
}

Win32Windowing::TopLevel* Win32Windowing::top_level(HWND window)
{
    const auto it =
        std::find_if(windows_.begin(), windows_.end(), [window](const TopLevel& t) { return t.window == window; });
    return it == windows_.end() ? nullptr : &*it;
}

} // namespace tonegen::win32
