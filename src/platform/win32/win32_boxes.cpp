// The About box's support in Win32Windowing (win32_windowing.h).
//
// How it works: a box is a top-level window of the program's own class, kept
// above the others (WS_EX_TOPMOST), so it shares the window procedure, the
// event queue and the Tab handling with the main window. Its texts are
// measured beforehand on a hidden 1 x 1 window's device context in the box
// font ("Fixedsys", 10 points, made once and kept). Pictures are DIB sections
// made from a BMP file image after its headers and sizes were checked
// against the image's length, shown by SS_BITMAP statics and deleted when the
// port ends, after the windows that show them.
#include "platform/win32/win32_windowing.h"

#include "platform/win32/win32_window_helpers.h"

#include "formats/bitmap_file.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tonegen::win32 {

namespace {

// Title bar and close box only, above every other window.
constexpr DWORD box_style = top_level_style;
constexpr DWORD box_ex_style = WS_EX_TOPMOST;
constexpr const char* box_font_face = "Fixedsys";
constexpr int box_font_points = 10;

} // namespace

WindowHandle Win32Windowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                      bool centred)
{
    if (!register_window_class())
        return 0;
    const SIZE frame = frame_size(box_style, box_ex_style, display_at(x, y).percent);
    const int width = client_width + frame.cx;
    const int height = client_height + frame.cy;
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

HBITMAP Win32Windowing::fitted_picture(HBITMAP picture, int width, int height)
{
    BITMAP source{};
    if (!::GetObjectA(picture, sizeof(source), &source) || (source.bmWidth == width && source.bmHeight == height) ||
        width <= 0 || height <= 0)
        return picture;
    // Made smaller (or larger) once, with the system's smoothing filter,
    // into a picture of the control's own size.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP fitted = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC from = ::CreateCompatibleDC(nullptr);
    HDC to = ::CreateCompatibleDC(nullptr);
    bool made = false;
    if (fitted && from && to) {
        HGDIOBJ old_from = ::SelectObject(from, picture);
        HGDIOBJ old_to = ::SelectObject(to, fitted);
        static_cast<void>(::SetStretchBltMode(to, HALFTONE));
        static_cast<void>(::SetBrushOrgEx(to, 0, 0, nullptr));
        made = ::StretchBlt(to, 0, 0, width, height, from, 0, 0, source.bmWidth, source.bmHeight, SRCCOPY) != FALSE;
        static_cast<void>(::SelectObject(from, old_from));
        static_cast<void>(::SelectObject(to, old_to));
        static_cast<void>(::GdiFlush());
    }
    if (from)
        static_cast<void>(::DeleteDC(from));
    if (to)
        static_cast<void>(::DeleteDC(to));
    if (!made) {
        if (fitted)
            static_cast<void>(::DeleteObject(fitted));
        return picture;
    }
    pictures_.push_back(fitted);
    return fitted;
}

HFONT Win32Windowing::box_font()
{
    if (!box_font_) {
        box_font_ = make_font(box_font_face, box_font_points, drawing_scale_);
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

} // namespace tonegen::win32
