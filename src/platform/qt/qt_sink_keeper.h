// What happens to the Linux program's sound when its sound server dies:
// SinkKeeper keeps one stream (the tones' wave-out device, the test
// signals' mix) playing across the server's restarts.
//
// How it works: a sink (qt_sound_sink.h) whose connection or stream dies
// says so once, on its own thread; the keeper hears of it on the GUI thread,
// closes the sink, says so once on standard error and makes a new sink on
// the same device about once a second (never faster) until the server takes
// it. Then the stream plays on from the feed's next unread byte, held or
// playing as last asked. What the dead server held is lost; nothing is
// played twice and nothing piles up while no server is there, because only
// a sink reads the feed. A stream held when the server died is opened again
// held, and stays so until it is released.
//
// Why the Linux program keeps its own policy rather than the wrapper that
// opens the Windows program's device again (src/audio/reopening_wave_out.h):
// - The wrapper works in whole headers, since a system device tells it no
//   more: it writes the queued headers again from their first sample and
//   hands the first back for a fresh fill, as it may have been partly heard.
//   Here the header feed knows to the byte what the dead server was given,
//   and only that is lost (the stream's 0.4 s at most). Over the wrapper the
//   loss would grow by up to a header (0.28 s) or, where the sink had played
//   ahead of its last report, a few milliseconds would be heard twice.
// - libpulse tells at once of a connection that dies, so the keeper need not
//   wait for two quiet looks a second apart, as the wrapper does for a
//   device that only stops handing headers back: the sound is back at the
//   first try after the server is, within about a second.
// - The test signals' stream is a mix, not a wave-out device: the same
//   keeper keeps it.
// Both keep the same promises, which the wave-out contract holds the fake,
// Linux and Windows devices to: a device that dies comes back, nothing is
// heard twice, and a pause stays a pause.
#pragma once

#include "platform/qt/qt_sound_sink.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace tonegen::qt {

// Keeps one stream playing across restarts of the sound server. GUI thread
// only; the retries run from its event waits.
class SinkKeeper {
public:
    SinkKeeper(SoundServer& server, std::string device, const char* stream_name, StreamBuffer buffer,
               SoundFeed& feed);
    ~SinkKeeper();
    SinkKeeper(const SinkKeeper&) = delete;
    SinkKeeper& operator=(const SinkKeeper&) = delete;

    // Opens the stream now; false (and no retries) when the server refuses.
    bool open(bool paused);
    // Opens the stream now or, when the server refuses, keeps trying.
    void keep_open(bool paused);
    void set_paused(bool paused);
    void flush();
    void wake();
    void rewrite();
    // Ends the stream and any retrying.
    void close();

    bool wanted() const { return wanted_; }
    // A stream is open and playing (or held) now.
    bool connected() const { return sink_ != nullptr; }
    // Open attempts made since the keeper was made, the first one included.
    int attempts() const { return attempts_; }

private:
    bool try_open();
    void on_failed(unsigned generation);
    void retry();

    SoundServer& server_;
    const std::string device_;
    const char* const stream_name_;
    const StreamBuffer buffer_;
    SoundFeed& feed_;
    std::unique_ptr<SoundSink> sink_;
    bool wanted_ = false;
    bool paused_ = false;
    bool reported_ = false;  // the failure has been told on standard error
    unsigned generation_ = 0; // tells the notices of a sink from those of its predecessors
    int attempts_ = 0;
    QObject anchor_;          // receives the failure notices on the GUI thread
    QTimer retry_timer_;
};

} // namespace tonegen::qt
