// The test-signal player on Linux: static buffers held in memory, mixed and
// looped into one sound sink.
//
// How it works: every buffer keeps its recording's 16-bit mono samples, a
// linear gain made from its attenuation (10^(hundredths / 2000)), a play
// position and its playing and looping states, all under one mutex. MixFeed
// adds up every playing buffer at its gain, sample by sample, and moves each
// one's position on: a looping buffer wraps to its first sample, any other
// stops at its end. The player's stream exists only while a buffer plays:
// `play` opens it (or, while the sound server is away, keeps trying to), and
// the `stop` that leaves nothing playing closes it, so silence costs no
// stream and no wake-ups. The GUI thread only changes the shared states and
// opens and closes the stream; it never waits for the sink's thread.
#pragma once

#include "platform/qt/qt_sound_sink.h"
#include "platform/test_signal_port.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace tonegen::qt {

struct SoundBuffer {
    std::vector<std::int16_t> samples;
    long volume = 0;
    double gain = 1.0;
    std::size_t position = 0; // in samples
    bool playing = false;
    bool looping = false;
};

struct SoundBuffers {
    std::mutex mutex;
    std::map<SoundBufferHandle, SoundBuffer> by_handle;

    bool any_playing(); // locks
};

// Every playing buffer, mixed; silence when none plays. Never at its end.
class MixFeed final : public SoundFeed {
public:
    explicit MixFeed(SoundBuffers& buffers) : buffers_(buffers) {}

    std::size_t read(char* data, std::size_t bytes) noexcept override;

private:
    void mix_block(char* data, std::size_t frames);

    SoundBuffers& buffers_;
    std::array<double, 1024> mix_{}; // one block of frames, so that mixing never allocates
};

class QtTestSignals final : public TestSignalPort {
public:
    // Plays on the output that wave-out device `device_id` plays on.
    explicit QtTestSignals(SoundServer& server, unsigned device_id = 0);
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

    // The player's stream exists (open or being retried).
    bool streaming() const;

    struct Player;

private:
    void close_if_silent();

    SoundServer& server_;
    const unsigned device_id_;
    std::unique_ptr<Player> player_;
};

} // namespace tonegen::qt
