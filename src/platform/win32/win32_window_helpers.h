// What the windowing files of this folder share: the window class of the
// program's top-level windows, handle conversions, texts and fonts.
#pragma once

#include "platform/win32/win32_api.h"

#include "ui/display_scale.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tonegen::win32 {

// The class of every top-level window of the program, boxes included.
inline constexpr const char* main_window_class = "tonegen_window";
// Their style: title bar, system menu and close box, not resizable.
inline constexpr DWORD top_level_style = WS_CAPTION | WS_SYSMENU;

// A monitor's dots per inch as a scale in per cent of 96 (win32_display.cpp).
int dpi_percent(UINT dpi);
// The scale of the monitor that holds most of `window`.
int window_display_percent(HWND window);
// What a frame of `style` adds to a client area on a display at `percent`.
SIZE frame_size(DWORD style, DWORD ex_style, int percent);

inline HWND as_hwnd(WindowHandle window)
{
    return reinterpret_cast<HWND>(window);
}

inline WindowHandle as_handle(HWND window)
{
    return reinterpret_cast<WindowHandle>(window);
}

inline std::string window_text(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// UTF-8 to the system's UTF-16.
inline std::wstring widen(std::string_view text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        static_cast<void>(
            ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length));
    return wide;
}

// A font of `face` at `points`, drawn at `percent` of 96 dpi (the layout's
// scale); nullptr when it cannot be made.
inline HFONT make_font(const char* face, int points, int percent)
{
    return ::CreateFontA(-font_pixel_height(points, percent), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

} // namespace tonegen::win32
