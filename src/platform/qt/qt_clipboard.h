// The desktop's clipboard over Qt: the application's QClipboard, as text.
#pragma once

#include "platform/clipboard_port.h"

namespace tonegen::qt {

class QtClipboard final : public ClipboardPort {
public:
    // Needs the QApplication to exist already; lives on the GUI thread.
    std::string clipboard_text() override;
    void set_clipboard_text(std::string_view text) override;
};

} // namespace tonegen::qt
