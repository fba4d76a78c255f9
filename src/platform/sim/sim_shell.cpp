#include "platform/sim/sim_shell.h"

namespace tonegen::sim {

void SimShell::open_address(std::string_view address)
{
    log_.push_back("open " + std::string(address));
    opened.emplace_back(address);
}

} // namespace tonegen::sim
