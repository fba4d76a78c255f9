// The sound server the Linux program plays through: the devices as Qt
// Multimedia lists them, and sinks that are PulseAudio playback streams (the
// protocol PipeWire's pulse layer speaks as well).
//
// How it works: each PulseSink runs its own client main loop on a thread
// that libpulse starts, with one connection and one stream. `open` connects
// and waits (at most two seconds) until the stream is ready. From then on
// the server asks for data whenever the stream's buffer has fallen by a
// request's length, and the request handler reads that much from the feed
// and writes it; so the loop wakes about ten times a second while playing
// and not at all while held (a cork) or idle. A connection or stream that
// dies after it was ready is reported once through the failure function.
//
// The streams are played through libpulse rather than QAudioSink because a
// QAudioSink cannot come back by itself: its client reconnects to a server
// that went away only after three seconds, and never again if the server was
// not back by then, and it wakes every 20 ms to move data.
#pragma once

#include "platform/qt/qt_sound_sink.h"

namespace tonegen::qt {

class PulseSoundServer final : public SoundServer {
public:
    std::vector<SoundOutput> outputs() override;
    std::unique_ptr<SoundSink> make_sink(const std::string& device, const char* stream_name,
                                         std::function<void()> failed) override;
};

} // namespace tonegen::qt
