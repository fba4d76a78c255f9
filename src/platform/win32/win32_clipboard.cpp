// How it works: see win32_clipboard.h.
#include "platform/win32/win32_clipboard.h"

namespace tonegen::win32 {

bool Win32Clipboard::open_clipboard()
{
    // Another program may hold the clipboard for a moment.
    HWND owner = windowing_.first_window();
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::OpenClipboard(owner))
            return true;
        ::Sleep(10);
    }
    return false;
}

std::string Win32Clipboard::clipboard_text()
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

void Win32Clipboard::set_clipboard_text(std::string_view text)
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

} // namespace tonegen::win32
