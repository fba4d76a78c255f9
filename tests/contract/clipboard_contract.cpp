// The clipboard port's contract (src/platform/clipboard_port.h), once for
// every platform.
#include "contract/windowing_contract.h"

namespace tonegen::contract {

TEST_P(ClipboardContract, ClipboardGivesBackThePlainTextWritten)
{
    for (const char* text : {"80 200 400", "\xc3\xa4 440 Hz\t\xcf\x80", "", "last"}) {
        SCOPED_TRACE(text);
        clipboard->set_clipboard_text(text);
        EXPECT_EQ(clipboard->clipboard_text(), text);
    }
}

} // namespace tonegen::contract
