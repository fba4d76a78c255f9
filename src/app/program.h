// The program's main line: start-up, the event loop, shutdown.
#pragma once

#include "model/settings.h"
#include "model/setup_text.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>

namespace tonegen {

// What the command line changes at start-up; the defaults change nothing.
struct StartOptions {
    std::optional<ToneSetup> setup; // the Tone bank starts with it instead of the defaults
    std::int64_t device_number = 1; // the wave-out device, counted from 1
    std::int64_t stop_after_seconds = 0; // the tones end this long after each release of ON/OFF; 0: never
};

// Runs the whole program over the given platform and returns the process's
// exit code (always 0: every failure ends the program normally).
int run_program(Settings& s, Platform& p, const StartOptions& start = {});

// A key combination of the main window: Ctrl+Shift+C copies the setup to the
// clipboard, Ctrl+Shift+V takes one from it or shows why it cannot,
// Ctrl+Shift+F catches the frequency the sweep plays now into a frequency
// field and stops the sweep.
void on_shortcut(Settings& s, Platform& p, int shortcut);

// Hands one control event of the main window to its handler; events of
// controls without a handler are ignored.
void dispatch_control_event(Settings& s, Platform& p, const Event& event);

// Hands one key event of a frequency field to on_field_key.
//
// All three bring the controls' tooltips and accessible texts up to date once
// the handler is done (as start-up does once the controls are loaded), on
// the GUI thread and outside every buffer fill.
void dispatch_key_event(Settings& s, Platform& p, const Event& event);

// The ON/OFF toggle's handler: pauses or resumes the stream from its
// pressed state and shows which.
void toggle_output(Settings& s, Platform& p);

// The program's window message handler; it never consumes a message.
// MM_WOM_DONE goes to the stream, which refills and requeues the named
// buffer (and, where that buffer ended the stop timer's sound, the program
// pauses as ON/OFF does and stops the test signals); WM_COMMAND with
// EN_KILLFOCUS from a frequency field becomes a focus_lost control event.
// While the sweep plays, the main window's sweep timer brings the sweep
// toggle's texts to the frequency being heard.
void stream_message_handler(Settings& s, Platform& p, WindowHandle window, unsigned message,
                            std::uintptr_t wparam, std::intptr_t lparam);

// stream_message_handler bound to this record and platform, as the main
// window installs it.
MessageHandler program_message_handler(Settings& s, Platform& p);

} // namespace tonegen
