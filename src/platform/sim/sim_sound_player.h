// A test-signal player that plays nothing and remembers everything: which
// buffers exist, their data, volume, position and whether they loop.
#pragma once

#include "platform/sim/sim_windowing.h"
#include "platform/sound_player_port.h"

#include <map>
#include <vector>

namespace tonegen::sim {

struct SimSoundBuffer {
    WaveFormat format{};
    std::uint32_t flags = 0;
    std::vector<unsigned char> data;
    long volume = 0;
    std::uint32_t position = 0;
    bool playing = false;
    bool looping = false;
};

class SimSoundPlayer final : public SoundPlayerPort {
public:
    explicit SimSoundPlayer(CallLog& log) : log_(log) {}

    // Knobs: which step of bringing the player up fails.
    bool library_missing = false;
    bool device_fails = false;
    bool set_up_fails = false;
    bool refuse_buffers = false;

    std::map<SoundBufferHandle, SimSoundBuffer> buffers;
    int released = 0;

    // The buffer that holds exactly these bytes, or nullptr.
    const SimSoundBuffer* buffer_with(const unsigned char* data, std::size_t bytes) const;

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
    // Its `position`: the fake plays nothing by itself, the test moves it.
    bool get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte) override;

private:
    SimSoundBuffer* find(SoundBufferHandle buffer);
    CallLog& log_;
    SoundBufferHandle next_ = 0x700;
};

} // namespace tonegen::sim
