#include "platform/sim/sim_clipboard.h"

namespace tonegen::sim {

std::string SimClipboard::clipboard_text()
{
    return text;
}

void SimClipboard::set_clipboard_text(std::string_view written)
{
    log_.push_back("set_clipboard_text");
    text = std::string(written);
}

} // namespace tonegen::sim
