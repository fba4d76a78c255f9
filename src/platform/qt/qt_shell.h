// The shell port on Linux: web addresses go to xdg-open.
//
// How it works: xdg-open is started directly, with the address as its one
// argument: no shell ever reads the address, the program does not wait for
// it, and a failure to start it is ignored. It gets the environment without
// the program's sound-server properties (qt_desktop_identity.h).
#pragma once

#include "platform/shell_port.h"

namespace tonegen::qt {

class QtShell final : public ShellPort {
public:
    void open_address(std::string_view address) override;
};

} // namespace tonegen::qt
