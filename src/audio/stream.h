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
//
// The stop timer (--stop-after) lives here too, in frames of the stream:
// stop_after_frames after the first frame heard at a release of ON/OFF the
// fill ends the tones with a fade over stop_fade_frames and writes silence
// from there on. The first frame heard is known exactly: at the first
// release it is the stream's frame 0 (the device has played nothing since
// it opened paused), so the count is armed from the start and may end inside
// the primed buffers; at every later release the queued buffers, filled
// before, are handed back and filled again, so that the first frame heard is
// the next one filled. Without the timer a release plays on what is queued.
// When the buffer holding the count's last sounding frame comes back played,
// on_buffer_done says so; the program then pauses the stream.
#pragma once

#include "model/settings.h"
#include "platform/platform.h"

#include <cstdint>

namespace tonegen {

// One buffer of the ring: 12288 frames, 278.6 ms at stream_rate, so
// buffer_bytes is channel_count * 24576 for 16-bit samples. The render tool
// fills buffers of the same size, in the same order.
constexpr std::uint32_t stream_buffer_frames = 12288;

// The stop timer's fade: 50 ms, linear down to the first silent frame.
constexpr std::int64_t stop_fade_frames = stream_rate / 20;

// Opens device device_number - 1 in 44100 Hz mono 16-bit PCM (only if it
// plays that without conversion), prepares the ring and posts its priming
// notices; pauses when output_paused is 1. False when the stream cannot run:
// no sample memory, the device refused, or a header failed to prepare (then
// nothing is primed).
bool open_stream(Settings& s, Platform& p);

// Numbers the stream's frames from 0 again and arms the stop timer (when
// stop_after_frames is set) for a count from frame 0.
void start_frame_count(Settings& s);

// The factor the stop timer gives frame `frame` of the stream: 1 before the
// fade, (stop_frame - frame) / stop_fade_frames within it, 0 from stop_frame.
double stop_fade_gain(const Settings& s, std::int64_t frame);

// fill_buffer, then the stop timer's fade and silence applied to the
// samples (rounded to nearest); advances frames_filled. The stream's one
// way of filling a buffer, which the render uses too.
void fill_stream_buffer(Settings& s, char* data);

// Stops at once, hands back and unprepares the headers that were prepared
// and closes the device. Touches no device when none was opened.
void close_stream(Settings& s, Platform& p);

// Holds (true) or plays on (false) what is queued, and notes it in
// output_paused. With the stop timer, a hold cancels a running count and a
// release starts a new one (after the first, refilling what is queued).
void set_output_paused(Settings& s, Platform& p, bool paused);

// A finished buffer, named by its header's address: filled with the next
// stretch of the mix and queued again. An address that is not one of the
// ring's headers, or a header the device still holds, is ignored. True when
// the buffer held the running count's last sounding frame: the stop timer
// has ended the sound (the stream itself plays on, silent, until held).
bool on_buffer_done(Settings& s, Platform& p, std::intptr_t header_address);

} // namespace tonegen
