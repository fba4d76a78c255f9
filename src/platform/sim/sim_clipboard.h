// Stand-in for the desktop's clipboard: one text, which tests read and set.
#pragma once

#include "platform/clipboard_port.h"
#include "platform/sim/sim_windowing.h"

#include <string>

namespace tonegen::sim {

class SimClipboard final : public ClipboardPort {
public:
    explicit SimClipboard(CallLog& log) : log_(log) {}

    std::string text; // what the clipboard holds

    std::string clipboard_text() override;
    void set_clipboard_text(std::string_view written) override;

private:
    CallLog& log_;
};

} // namespace tonegen::sim
