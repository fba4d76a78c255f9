// How it works: see win32_windowing.h. The window procedure never lets a C++
// exception out: the handler's and the translation's are caught and dropped,
// since the system would otherwise unwind through its own frames.
#include "platform/win32/win32_windowing.h"

#include "formats/bitmap_file.h"
#include "ui/number_text.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace tonegen::win32 {

namespace {

constexpr const char* main_window_class = "tonegen_window";
constexpr DWORD window_style = WS_CAPTION | WS_SYSMENU;
constexpr DWORD window_ex_style = 0;
// Boxes: title bar and close box only, above every other window.
constexpr DWORD box_style = WS_CAPTION | WS_SYSMENU;
constexpr DWORD box_ex_style = WS_EX_TOPMOST;
constexpr const char* box_font_face = "Fixedsys";
constexpr int box_font_points = 10;
constexpr int icon_resource = 1;
// Anonymous controls (frames) share the id no program control uses.
constexpr INT_PTR anonymous_id = -1;
// The up-down control of frequency field k, kept out of the program's numbers.
constexpr INT_PTR arrows_id_base = 0x4000;

HWND as_hwnd(WindowHandle window)
{
    return reinterpret_cast<HWND>(window);
}

WindowHandle as_handle(HWND window)
{
    return reinterpret_cast<WindowHandle>(window);
}

HMENU child_id(INT_PTR id)
{
    return reinterpret_cast<HMENU>(id);
}

std::string window_text(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

int dots_per_inch()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        static_cast<void>(::ReleaseDC(nullptr, screen));
    return dpi;
}

HFONT make_font(const char* face, int points)
{
    return ::CreateFontA(-::MulDiv(points, dots_per_inch(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, face);
}

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
    HFONT font = make_font(name.c_str(), points);
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
    windows_.push_back(TopLevel{window, nullptr});
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
    // The size asked for is the client area's; the frame comes on top.
    RECT outer{0, 0, client_width, client_height};
    static_cast<void>(::AdjustWindowRectEx(&outer, window_style, FALSE, window_ex_style));
    const std::string caption(title);
    HWND window = ::CreateWindowExA(window_ex_style, main_window_class, caption.c_str(), window_style, x, y,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                    instance_, this);
    if (!window)
        return 0;
    return as_handle(show_top_level(window));
}

WindowHandle Win32Windowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                      bool centred)
{
    if (!register_window_class())
        return 0;
    RECT outer{0, 0, client_width, client_height};
    static_cast<void>(::AdjustWindowRectEx(&outer, box_style, FALSE, box_ex_style));
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    if (centred) {
        x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    const std::string caption(title);
    HWND box = ::CreateWindowExA(box_ex_style, main_window_class, caption.c_str(), box_style, x, y, width, height,
                                 nullptr, nullptr, instance_, this);
    if (!box)
        return 0;
    return as_handle(show_top_level(box));
}

bool Win32Windowing::open_clipboard()
{
    // Another program may hold the clipboard for a moment.
    HWND owner = windows_.empty() ? nullptr : windows_.front().window;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(owner))
            return true;
        ::Sleep(10);
    }
    return false;
}

std::string Win32Windowing::clipboard_text()
{
    if (!open_clipboard())
        return {};
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
            const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 1) {
                text.resize(static_cast<std::size_t>(bytes));
                static_cast<void>(::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), bytes, nullptr, nullptr));
                text.resize(static_cast<std::size_t>(bytes) - 1);
            }
            static_cast<void>(::GlobalUnlock(data));
        }
    }
    static_cast<void>(::CloseClipboard());
    return text;
}

void Win32Windowing::set_clipboard_text(std::string_view text)
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t));
    if (!data)
        return;
    auto* wide = static_cast<wchar_t*>(::GlobalLock(data));
    if (!wide) {
        static_cast<void>(::GlobalFree(data));
        return;
    }
    static_cast<void>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide, length));
    wide[length] = L'\0';
    static_cast<void>(::GlobalUnlock(data));
    if (!open_clipboard()) {
        static_cast<void>(::GlobalFree(data));
        return;
    }
    // Once the clipboard takes the memory it is the clipboard's to free.
    if (!::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, data))
        static_cast<void>(::GlobalFree(data));
    static_cast<void>(::CloseClipboard());
}

bool Win32Windowing::program_in_foreground()
{
    HWND front = ::GetForegroundWindow();
    if (!front)
        return false;
    DWORD process = 0;
    static_cast<void>(::GetWindowThreadProcessId(front, &process));
    return process == ::GetCurrentProcessId();
}

ImageHandle Win32Windowing::load_picture(std::span<const unsigned char> bitmap_file)
{
    const std::optional<BitmapFileParts> parts = bitmap_file_parts(bitmap_file);
    if (!parts)
        return 0;
    // The headers sit at an odd offset of the image: they are copied into an
    // aligned BITMAPINFO, reduced to the 40-byte header the DIB needs.
    std::vector<std::uint32_t> info_words((sizeof(BITMAPINFOHEADER) + parts->colours * 4 + 3) / 4);
    auto* info = reinterpret_cast<BITMAPINFO*>(info_words.data());
    std::memcpy(&info->bmiHeader, parts->info, sizeof(BITMAPINFOHEADER));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biSizeImage = static_cast<DWORD>(parts->pixel_bytes);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(parts->colours);
    std::memcpy(info->bmiColors, parts->colour_table, parts->colours * 4);

    void* bits = nullptr;
    HBITMAP picture = ::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture || !bits) {
        if (picture)
            static_cast<void>(::DeleteObject(picture));
        return 0;
    }
    std::memcpy(bits, parts->pixels, parts->pixel_bytes);
    static_cast<void>(::GdiFlush());
    pictures_.push_back(picture);
    return reinterpret_cast<ImageHandle>(picture);
}

HFONT Win32Windowing::box_font()
{
    if (!box_font_) {
        box_font_ = make_font(box_font_face, box_font_points);
        if (box_font_)
            created_fonts_.push_back(box_font_);
    }
    return box_font_;
}

int Win32Windowing::open_measuring()
{
    close_measuring();
    measuring_window_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance_,
                                          nullptr);
    if (!measuring_window_)
        return measuring_no_window;
    measuring_dc_ = ::GetDC(measuring_window_);
    if (!measuring_dc_) {
        static_cast<void>(::DestroyWindow(measuring_window_));
        measuring_window_ = nullptr;
        return measuring_no_drawing;
    }
    if (HFONT font = box_font())
        measuring_old_font_ = ::SelectObject(measuring_dc_, font);
    return measuring_ready;
}

TextSize Win32Windowing::measure_text(std::string_view text)
{
    SIZE size{};
    if (!measuring_dc_ ||
        !::GetTextExtentPoint32A(measuring_dc_, text.data(), static_cast<int>(text.size()), &size))
        return {0, 0};
    return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

void Win32Windowing::close_measuring()
{
    if (measuring_dc_) {
        if (measuring_old_font_)
            static_cast<void>(::SelectObject(measuring_dc_, measuring_old_font_));
        static_cast<void>(::ReleaseDC(measuring_window_, measuring_dc_));
    }
    if (measuring_window_)
        static_cast<void>(::DestroyWindow(measuring_window_));
    measuring_window_ = nullptr;
    measuring_dc_ = nullptr;
    measuring_old_font_ = nullptr;
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
        static_cast<void>(::SendMessageA(window, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(spec.image)));
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

void Win32Windowing::dispatch(MSG& msg)
{
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (msg.message == WM_KEYDOWN && top && !windows_.empty() && top == windows_.front().window &&
        (msg.wParam == 'C' || msg.wParam == 'V') && ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_SHIFT) < 0 &&
        ::GetKeyState(VK_MENU) >= 0) {
        raise_shortcut(top, msg.wParam == 'C' ? copy_setup_shortcut : paste_setup_shortcut);
        return;
    }
    if (top && is_program_window(top) && ::IsDialogMessageA(top, &msg))
        return;
    static_cast<void>(::TranslateMessage(&msg));
    static_cast<void>(::DispatchMessageA(&msg));
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
