// The desktop shell's "open this address" operation.
#pragma once

#include <string_view>

namespace tonegen {

class ShellPort {
public:
    virtual ~ShellPort() = default;
    // Hands a web address to the desktop's associated program without
    // waiting for it; a failure is silent.
    virtual void open_address(std::string_view address) = 0;
};

} // namespace tonegen
