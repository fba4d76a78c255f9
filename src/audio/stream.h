// The output stream: a ring of eight buffers queued on wave-out device 0.
//
// How it works: the device reports each finished buffer by posting
// MM_WOM_DONE to the main window; stream_message_handler sees it inside an
// event wait of the GUI thread, has fill_buffer write the next stretch of the
// mix into that buffer and queues it again behind the seven still queued. A
// change of the Tone bank is therefore heard 7 to 8 buffers (1.95 to 2.23 s)
// later. Priming uses the same road: open_stream posts one notice per buffer,
// so every buffer gets its first fill and queueing inside the event waits.
#pragma once

#include "app/settings.h"
#include "platform/platform.h"

#include <cstdint>

namespace tonegen {

constexpr int on_off_toggle = 163;

// Opens device device_number - 1 in 44100 Hz mono 16-bit PCM (only if it
// plays that without conversion), prepares the ring and posts its priming
// notices; pauses when output_paused is 1. False when the stream cannot run:
// no sample memory, the device refused, or a header failed to prepare (then
// nothing is primed).
bool open_stream(Settings& s, Platform& p);

// Stops at once, hands back and unprepares the headers that were prepared
// and closes the device. Touches no device when none was opened.
void close_stream(Settings& s, Platform& p);

// The ON/OFF toggle's handler: pauses or resumes from its pressed state.
void toggle_output(Settings& s, Platform& p);

// The program's window message handler; it never consumes a message.
// MM_WOM_DONE refills and requeues the named buffer; WM_COMMAND with
// EN_KILLFOCUS from a frequency field becomes a focus_lost control event.
void stream_message_handler(Settings& s, Platform& p, WindowHandle window, unsigned message,
                            std::uintptr_t wparam, std::intptr_t lparam);

} // namespace tonegen
