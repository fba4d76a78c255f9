// The test-signal player over Qt Multimedia: static buffers held in memory,
// mixed and looped on a thread of their own.
//
// How it works: every buffer keeps its recording's 16-bit mono samples, a
// linear gain made from its attenuation (10^(hundredths / 2000)), a play
// position and its playing and looping states, all under one mutex. One
// QAudioSink on an AudioThread pulls from `MixFeed`, which adds up every
// playing buffer at its gain, sample by sample, and moves each one's
// position on: a looping buffer wraps to its first sample, any other stops
// at its end. With nothing playing the feed hands out silence, so starting a
// buffer is heard within the stream's latency. The GUI thread only changes
// the shared states; it never waits for the sound thread except when the
// player starts and ends.
#pragma once

#include "platform/test_signal_port.h"

#include <memory>

namespace tonegen::qt {

class QtTestSignals final : public TestSignalPort {
public:
    QtTestSignals();
    ~QtTestSignals() override;
    QtTestSignals(const QtTestSignals&) = delete;
    QtTestSignals& operator=(const QtTestSignals&) = delete;

    bool load_library() override;
    bool create_device() override;
    bool set_up_device() override;
    void release() override;
    SoundBufferHandle create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags) override;
    bool copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes) override;
    void release_buffer(SoundBufferHandle buffer) override;
    void stop(SoundBufferHandle buffer) override;
    void set_position(SoundBufferHandle buffer, std::uint32_t byte_offset) override;
    void set_volume(SoundBufferHandle buffer, long hundredths_of_db) override;
    long volume(SoundBufferHandle buffer) override;
    void play(SoundBufferHandle buffer, bool looping) override;

    struct Player;

private:
    std::unique_ptr<Player> player_;
};

} // namespace tonegen::qt
