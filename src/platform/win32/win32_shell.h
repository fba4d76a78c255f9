// The shell port as ShellExecuteEx.
//
// How it works: the address goes to ShellExecuteExA with the default verb,
// so the shell starts whatever program the desktop associates with web
// addresses. When the shell started a process for it, the port waits (at
// most 5 s) until that process is ready for input or has ended, so that a
// second address follows the first into the browser and does not overtake
// it, then closes the process handle. The program's start-up initialises
// COM on the GUI thread first, as shell handlers may be COM objects. A
// failure shows nothing (SEE_MASK_FLAG_NO_UI) and is not reported.
#pragma once

#include "platform/shell_port.h"

namespace tonegen::win32 {

class Win32Shell final : public ShellPort {
public:
    void open_address(std::string_view address) override;
};

} // namespace tonegen::win32
