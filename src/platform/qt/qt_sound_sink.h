// Where the Linux streams meet the sound server: the seam between the two
// feeds (the wave-out emulation's header queue, the test-signal player's mix)
// and the stream that plays them.
//
// How it works: a SoundSink is one playback stream in the program's format
// (mono 16-bit, 44100 frames a second) on one output device. Once open it
// pulls bytes from its SoundFeed on a thread of its own whenever the sound
// server wants more, and none while it is held. A feed that comes up short
// is read again at the server's next request or when its owner calls
// `wake`, which writes at once what the server has room for. A feed that
// can go back (the test signals' mix) has what the server holds written over
// after a change, so that the change is heard about when it is made rather
// than after the stream's whole buffer. A feed that follows the play (the header queue) is told, on the sink's thread, how
// much of what it gave is still to be played, as the server reports it: at
// each point the feed asks to hear about (a header's last sample), and never
// while the stream is held. When the server goes away the sink calls the
// failure function it was made with, once, on its own thread, and pulls no
// more; a failed sink is closed and a new one made to play on (the
// keeper's work: qt_sink_keeper.h).
//
// How much a stream keeps queued at the server is its StreamBuffer: the
// longer, the more slack on a busy machine and the fewer wake-ups; the
// shorter, the sooner a change of what the feed gives is heard.
//
// SoundServer is what the Qt layer is given to reach the sound server: the
// program's own (qt_pulse_sink.h) or a test's fake.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonegen::qt {

class SoundFeed {
public:
    virtual ~SoundFeed() = default;
    // Writes up to `bytes` bytes (whole frames) of the stream at `data` and
    // returns how many; fewer when there is no more to play yet. Called on the
    // sink's thread, one call at a time; never blocks for long, never
    // allocates.
    virtual std::size_t read(char* data, std::size_t bytes) noexcept = 0;
    // Whether the feed wants `played`; asked once, when a sink opens.
    virtual bool follows_play() const noexcept { return false; }
    // The server has played all but the last `unplayed` bytes of what the
    // feed has given the stream now open (what a server that went away held
    // counts as played). Called on the sink's thread, between reads. Returns
    // how many more bytes are to be played before the feed wants to hear
    // again; 0 when nothing waits for it until the next read.
    virtual std::size_t played(std::size_t unplayed) noexcept
    {
        static_cast<void>(unplayed);
        return 0;
    }
    // The next reads give the last `bytes` bytes read again, as the feed now
    // has them (after a change of what it plays). Called on the sink's
    // thread, between reads; false where the feed cannot (the default).
    virtual bool rewind(std::size_t bytes) noexcept
    {
        static_cast<void>(bytes);
        return false;
    }
};

class SoundSink {
public:
    virtual ~SoundSink() = default;
    // Connects and starts pulling from `feed`, held (paused) if asked. False
    // when the server refuses; then the feed is never read.
    virtual bool open(SoundFeed& feed, bool paused) = 0;
    // Holds what the server has and stops pulling / plays on from there.
    virtual void set_paused(bool paused) = 0;
    // Drops what the server holds, so that what follows is heard at once.
    virtual void flush() = 0;
    // The feed has more after coming up short.
    virtual void wake() = 0;
    // What the feed gives has changed: what the server holds and will not
    // have played before new bytes reach it is read again from the feed
    // (which rewinds) and written over. Soon after the call, on the sink's
    // thread; calls that come before it is done are served by it.
    virtual void rewrite() = 0;
    // Ends the stream at once; the feed is not read after it returns.
    virtual void close() = 0;
};

// What a stream keeps queued at the server, the server's own buffers
// included: `queued_ms` at most, topped up whenever it has fallen by
// `request_ms`.
struct StreamBuffer {
    unsigned queued_ms;
    unsigned request_ms;
};

struct SoundOutput {
    std::string device;       // the server's name for it
    bool plays_stream_format; // takes mono 16-bit 44100 Hz as it is
    std::string description;  // its name for people, as a volume control shows it
};

class SoundServer {
public:
    virtual ~SoundServer() = default;
    // The output devices, the default one first; empty without a server.
    virtual std::vector<SoundOutput> outputs() = 0;
    // A sink on `device`, not yet open. `failed` is called on the sink's
    // thread when an open stream dies.
    virtual std::unique_ptr<SoundSink> make_sink(const std::string& device, const char* stream_name,
                                                 StreamBuffer buffer, std::function<void()> failed) = 0;
    // How often a stream whose server went away tries to open again.
    virtual std::chrono::milliseconds retry_interval() const { return std::chrono::seconds(1); }
};

} // namespace tonegen::qt
