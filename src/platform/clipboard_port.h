// The desktop's clipboard, as plain text.
//
// Contract: called on the GUI thread only; no method throws.
#pragma once

#include <string>
#include <string_view>

namespace tonegen {

class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;

    // UTF-8 here. Reading gives an empty text when the clipboard holds
    // none; writing replaces what it holds.
    virtual std::string clipboard_text() = 0;
    virtual void set_clipboard_text(std::string_view text) = 0;
};

} // namespace tonegen
