// A desktop shell that only writes down the addresses it is asked to open.
#pragma once

#include "platform/shell_port.h"
#include "platform/sim/sim_windowing.h"

#include <string>
#include <vector>

namespace tonegen::sim {

class SimShell final : public ShellPort {
public:
    explicit SimShell(CallLog& log) : log_(log) {}
    std::vector<std::string> opened;
    void open_address(std::string_view address) override;

private:
    CallLog& log_;
};

} // namespace tonegen::sim
