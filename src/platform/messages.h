// Window handles and the window messages that travel between the ports and
// the program, numbered as the platform numbers them.
#pragma once

#include <cstdint>

namespace tonegen {

using WindowHandle = std::uintptr_t; // 0: no window

// A finished wave-out buffer: lParam is the header's address.
constexpr unsigned MM_WOM_DONE = 0x3BD;
// A control's notification: wParam holds the notice code in its high word
// and the control number in its low word.
constexpr unsigned WM_COMMAND = 0x111;
// The notice of an edit field that has lost the keyboard focus.
constexpr unsigned EN_KILLFOCUS = 0x200;
// A timer of the window has run out: wParam is the timer's number.
constexpr unsigned WM_TIMER = 0x113;

} // namespace tonegen
