// The output stream: a ring of eight buffers queued on wave-out device 0.
//
// How it works: the device reports each finished buffer by posting
// MM_WOM_DONE to the main window; the program's message handler sees it
// inside an event wait of the GUI thread and hands it to on_buffer_done,
// which has fill_buffer write the next stretch of the mix into that buffer
// and queues it again behind the seven still queued. A
// change of the Tone bank is therefore heard 7 to 8 buffers (1.95 to 2.23 s)
// later. Priming uses the same road: open_stream posts one notice per buffer,
// so every buffer gets its first fill and queueing inside the event waits.
#pragma once

#include "model/settings.h"
#include "platform/platform.h"

#include <cstdint>

namespace tonegen {

// One buffer of the ring: 12288 frames, 278.6 ms at stream_rate, so
// buffer_bytes is channel_count * 24576 for 16-bit samples. The render tool
// fills buffers of the same size, in the same order.
constexpr std::uint32_t stream_buffer_frames = 12288;

// Opens device device_number - 1 in 44100 Hz mono 16-bit PCM (only if it
// plays that without conversion), prepares the ring and posts its priming
// notices; pauses when output_paused is 1. False when the stream cannot run:
// no sample memory, the device refused, or a header failed to prepare (then
// nothing is primed).
bool open_stream(Settings& s, Platform& p);

// Stops at once, hands back and unprepares the headers that were prepared
// and closes the device. Touches no device when none was opened.
void close_stream(Settings& s, Platform& p);

// Holds (true) or plays on (false) what is queued, and notes it in
// output_paused.
void set_output_paused(Settings& s, Platform& p, bool paused);

// A finished buffer, named by its header's address: filled with the next
// stretch of the mix and queued again. An address that is not one of the
// ring's headers, or a header the device still holds, is ignored.
void on_buffer_done(Settings& s, Platform& p, std::intptr_t header_address);

} // namespace tonegen
