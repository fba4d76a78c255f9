// The test-signal player on Linux: static buffers held in memory, mixed and
// looped into one sound sink.
//
// How it works: every buffer keeps its recording's 16-bit mono samples (a
// copy, or where they come from the program's own read-only recordings,
// which live as long as the program, those in place: the recordings are in
// memory once), a linear gain made from its attenuation (10^(hundredths / 2000)), a play
// position and its playing and looping states, all under one mutex. MixFeed
// adds up every playing buffer at its gain, sample by sample: a looping
// buffer wraps to its first sample, any other stops at its end. A playing
// buffer's place is kept as the frame of the mixed stream at which it plays
// its start position (its origin, set where the mix first reaches it), so
// the mix can be made again from an earlier frame with every buffer where it
// was there: MixFeed `rewind`.
//
// The player's stream exists only while a buffer plays: `play` opens it (or,
// while the sound server is away, keeps trying to), and the `stop` that
// leaves nothing playing closes it, so silence costs no stream and no
// wake-ups. A change while it plays (a start, a stop, a volume or a
// position) asks the sink to rewrite what the server holds from as near the
// sample being heard as the server allows: the mix goes back there, a buffer
// started or stopped later starts or stops there, the others go on
// unbroken, and the change is heard within 0.1 s although the stream keeps
// 0.4 s queued for a busy machine. The sink tells the mix what it has still
// to play every 0.1 s, so that a buffer's position being heard is known: the
// frame heard then, carried on at the stream's rate. The GUI thread only changes the shared
// states and opens, closes and rewrites the stream; it never waits for the
// sink's thread.
#pragma once

#include "platform/qt/qt_sound_sink.h"
#include "platform/sound_player_port.h"

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace tonegen::qt {

struct SoundBuffer {
    std::vector<std::int16_t> samples; // its own copy, unless `lasting` holds them
    long volume = 0;
    double gain = 1.0;
    std::size_t position = 0; // in samples: where it plays from its origin on
    bool playing = false;
    bool looping = false;
    bool placed = false;       // playing, and the mix has set its origin
    std::uint64_t origin = 0;  // the mix's frame at which it plays `position`
    std::uint64_t ended = 0;   // a buffer that ran out: the frame after its last sample
    // Little-endian samples in memory that outlives the player, read in place.
    std::span<const unsigned char> lasting{};
    std::size_t silence = 0; // the length of one that nothing has been copied into yet

    std::size_t length() const
    {
        return !lasting.empty() ? lasting.size() / 2 : samples.empty() ? silence : samples.size();
    }
    std::int16_t sample(std::size_t i) const;
    // Where it stands at the mix's frame `frame`, once placed; its length
    // when a buffer that does not loop has run out.
    std::size_t position_at(std::uint64_t frame) const;
};

struct SoundBuffers {
    std::mutex mutex;
    std::map<SoundBufferHandle, SoundBuffer> by_handle;
    std::uint64_t frame = 0; // the next frame of the mix
    // The frame of the mix being heard at `heard_at`, as the sink last
    // reported it; none until the stream now open has reported.
    std::optional<std::uint64_t> heard;
    std::chrono::steady_clock::time_point heard_at{};

    bool any_playing(); // locks
};

// Every playing buffer, mixed; silence when none plays. Never at its end.
class MixFeed final : public SoundFeed {
public:
    explicit MixFeed(SoundBuffers& buffers) : buffers_(buffers) {}

    std::size_t read(char* data, std::size_t bytes) noexcept override;
    // The mix from `bytes` bytes back, as the buffers now are: one that
    // started or was moved since starts there.
    bool rewind(std::size_t bytes) noexcept override;
    // Where the playing stands, a few times a second, for the frame heard.
    bool follows_play() const noexcept override { return true; }
    std::size_t played(std::size_t unplayed) noexcept override;

private:
    void mix_block(char* data, std::size_t frames);

    SoundBuffers& buffers_;
    std::array<double, 1024> mix_{}; // one block of frames, so that mixing never allocates
};

class QtSoundPlayer final : public SoundPlayerPort {
public:
    // Plays on the output that wave-out device `device_id` plays on. What is
    // copied in from inside `lasting` (memory that outlives the player and
    // never changes: the program's embedded recordings) is read in place.
    explicit QtSoundPlayer(SoundServer& server, unsigned device_id = 0,
                           std::vector<std::span<const unsigned char>> lasting = {});
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

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
    // From the frame of the mix the sink last reported heard, carried on by
    // the time since (never beyond what has been mixed).
    bool get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte) override;

    // The player's stream exists (open or being retried).
    bool streaming() const;

    struct Player;

private:
    void close_if_silent();
    // A change while the stream plays: heard from as near the sample being
    // heard as the server allows.
    void changed();

    SoundServer& server_;
    const unsigned device_id_;
    const std::vector<std::span<const unsigned char>> lasting_;
    std::unique_ptr<Player> player_;
};

} // namespace tonegen::qt
