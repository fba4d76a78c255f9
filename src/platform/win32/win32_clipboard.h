// The desktop's clipboard on Windows, as CF_UNICODETEXT.
//
// How it works: the clipboard is opened for the program's main window (tried
// a few times, since another program may hold it for a moment), read or
// emptied and written, and closed again at once. Texts are UTF-8 here and
// UTF-16 on the clipboard.
#pragma once

#include "platform/clipboard_port.h"
#include "platform/win32/win32_windowing.h"

namespace tonegen::win32 {

class Win32Clipboard final : public ClipboardPort {
public:
    explicit Win32Clipboard(const Win32Windowing& windowing) : windowing_(windowing) {}

    std::string clipboard_text() override;
    void set_clipboard_text(std::string_view text) override;

private:
    bool open_clipboard();

    const Win32Windowing& windowing_;
};

} // namespace tonegen::win32
