// The program's main line: start-up, the event loop, shutdown.
#pragma once

#include "app/settings.h"
#include "platform/platform.h"

namespace tonegen {

// Runs the whole program over the given platform and returns the process's
// exit code (always 0: every failure ends the program normally).
int run_program(Settings& s, Platform& p);

// Hands one control event of the main window to its handler; events of
// controls without a handler are ignored.
void dispatch_control_event(Settings& s, Platform& p, const Event& event);

} // namespace tonegen
