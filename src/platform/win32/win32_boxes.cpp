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
constexpr DWORD box_style = WS_CAPTION | WS_SYSMENU;
constexpr DWORD box_ex_style = WS_EX_TOPMOST;
constexpr const char* box_font_face = "Fixedsys";
constexpr int box_font_points = 10;

} // namespace

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

} // namespace tonegen::win32
