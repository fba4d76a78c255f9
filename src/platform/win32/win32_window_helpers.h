// What the windowing files of this folder share: the window class of the
// program's top-level windows, handle conversions, texts and fonts.
#pragma once

#include "platform/win32/win32_api.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tonegen::win32 {

// The class of every top-level window of the program, boxes included.
inline constexpr const char* main_window_class = "tonegen_window";

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

// A font of `face` at `points` on the screen's resolution; nullptr when it
// cannot be made.
inline HFONT make_font(const char* face, int points)
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        static_cast<void>(::ReleaseDC(nullptr, screen));
    return ::CreateFontA(-::MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

} // namespace tonegen::win32
