// The sound server the Linux program plays through: its outputs as the
// server lists them, and sinks that are PulseAudio playback streams (the
// protocol PipeWire's pulse layer speaks as well).
//
// How it works: `outputs` asks the server on a connection of its own, made
// and ended within the call (at most two seconds): the sinks with their
// names and descriptions, the server's default one first. Each PulseSink
// runs its own client main loop on a thread that libpulse starts, with one
// connection and one stream. `open` connects and waits (at most two
// seconds) until the stream is ready. From then on the server asks for data
// whenever the stream's buffer has fallen by a request's length, and the
// request handler reads that much from the feed and writes it; so the loop
// wakes a few times a second while playing and not at all while held (a
// cork) or idle. A feed that comes up short has what it gave played at once
// rather than after a full buffer (a trigger).
//
// For a feed that follows the play, the loop asks the server where its
// playing stands (a timing update) and tells the feed what is still to be
// played: what the stream has written less what the server has read, and
// what the server has read but not yet sent out of the sink (its latency).
// The feed answers how far off the next point it wants to hear about is, and
// a timer of the loop is set to then; so a header's last sample is reported
// played about when it is heard, with one timer and one answer per header,
// and nothing while held.
//
// A rewrite asks the server the same, once for any number of calls made
// while the answer is on its way, and then writes the feed again, gone back,
// over what the server holds (an absolute seek) from the first byte the
// server cannot have read before the new bytes arrive: what is being heard,
// the sink's latency ahead of it at most and a margin for the way. The
// server plays on from its read position into the new bytes without a seam,
// since up to the change they are the old ones. A connection or stream that
// dies after it was ready is reported once through the failure function;
// what happens then is the keeper's (qt_sink_keeper.h).
//
// The streams are played through libpulse rather than QAudioSink because a
// QAudioSink cannot come back by itself: its client reconnects to a server
// that went away only after three seconds, and never again if the server was
// not back by then, and it wakes every 20 ms to move data.
#pragma once

#include "app/start_up.h"
#include "platform/qt/qt_sound_sink.h"

namespace tonegen::qt {

class PulseSoundServer final : public SoundServer {
public:
    std::vector<SoundOutput> outputs() override;
    // The sources, the default one first: inputs, the outputs' monitors among them.
    std::vector<SoundOutput> inputs();
    std::unique_ptr<SoundSink> make_sink(const std::string& device, const char* stream_name, StreamBuffer buffer,
                                         std::function<void()> failed) override;
};

// The devices for --list-devices, --device and their like: their names for
// people, and the server's names, which tell apart two devices of the same
// description.
OutputNames names_of(const std::vector<SoundOutput>& devices);

} // namespace tonegen::qt
