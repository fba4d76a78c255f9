// Events the program drops: those a handler's drain takes, and those of the
// main window that arrive while the About box waits for its answer.
//
// The platform changes a control's look before it raises the event (a
// toggle's pressed state flips, a gain bar's thumb moves), so a dropped event
// would leave the control showing what the program never took: ON/OFF
// pressed and reading "ON" while the tones play on, a bar apart from its
// label and gain. Dropping an event therefore also undoes that change, and
// what the window shows stays what the program does.
#pragma once

#include "platform/windowing_port.h"

namespace tonegen {

// Puts back what a dropped event of the main window had changed: a toggle's
// pressed state flipped back (one flip per click), a gain bar back at the
// position its label shows. Any other event changed nothing to undo.
void undo_dropped_event(WindowingPort& w, WindowHandle main_window, const Event& event);

// Takes and drops every pending event without waiting; window messages are
// still delivered meanwhile.
void drop_pending_events(WindowingPort& w, WindowHandle main_window);

} // namespace tonegen
