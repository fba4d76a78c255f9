// How it works: see qt_sound_player.h.
#include "platform/qt/qt_sound_player.h"

#include "platform/qt/qt_sink_keeper.h"
#include "signals/sound_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace tonegen::qt {

bool SoundBuffers::any_playing()
{
    std::lock_guard<std::mutex> lock(mutex);
    return std::any_of(by_handle.begin(), by_handle.end(), [](const auto& b) { return b.second.playing; });
}

std::int16_t SoundBuffer::sample(std::size_t i) const
{
    if (lasting.empty())
        return samples.empty() ? 0 : samples[i];
    std::int16_t v = 0;
    std::memcpy(&v, lasting.data() + 2 * i, 2);
    return v;
}

std::size_t SoundBuffer::position_at(std::uint64_t frame) const
{
    const std::uint64_t at = position + (frame - origin);
    if (looping && length() != 0)
        return static_cast<std::size_t>(at % length());
    return static_cast<std::size_t>(std::min<std::uint64_t>(at, length()));
}

std::size_t MixFeed::read(char* data, std::size_t bytes) noexcept
{
    const std::size_t frames = bytes / 2;
    for (std::size_t done = 0; done < frames; done += mix_.size())
        mix_block(data + 2 * done, std::min(mix_.size(), frames - done));
    return frames * 2;
}

bool MixFeed::rewind(std::size_t bytes) noexcept
{
    std::lock_guard<std::mutex> lock(buffers_.mutex);
    const std::uint64_t back = std::min<std::uint64_t>(bytes / 2, buffers_.frame);
    buffers_.frame -= back;
    for (auto& [handle, b] : buffers_.by_handle) {
        // One that ran out after that frame plays its end again.
        if (!b.playing && b.ended > buffers_.frame) {
            b.playing = true;
            b.ended = 0;
        }
        if (b.playing && b.placed && b.origin > buffers_.frame)
            b.origin = buffers_.frame;
    }
    return true;
}

std::size_t MixFeed::played(std::size_t unplayed) noexcept
{
    constexpr std::size_t report_bytes = stream_rate / 10 * 2; // 0.1 s
    std::lock_guard<std::mutex> lock(buffers_.mutex);
    buffers_.heard = buffers_.frame - std::min<std::uint64_t>(unplayed / 2, buffers_.frame);
    buffers_.heard_at = std::chrono::steady_clock::now();
    return report_bytes;
}

void MixFeed::mix_block(char* data, std::size_t frames)
{
    std::fill_n(mix_.begin(), frames, 0.0);
    {
        std::lock_guard<std::mutex> lock(buffers_.mutex);
        const std::uint64_t first = buffers_.frame;
        for (auto& [handle, b] : buffers_.by_handle) {
            if (!b.playing)
                continue;
            if (!b.placed) {
                b.placed = true;
                b.origin = first;
            }
            const std::size_t length = b.length();
            std::size_t p = b.position_at(first);
            for (std::size_t i = 0; i < frames; ++i) {
                if (p >= length) {
                    if (!b.looping || length == 0) {
                        b.playing = false;
                        b.ended = first + i;
                        break;
                    }
                    p = 0;
                }
                mix_[i] += b.sample(p++) * b.gain;
            }
        }
        buffers_.frame = first + frames;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const std::int16_t v = mixed_sample(mix_[i]);
        std::memcpy(data + 2 * i, &v, 2);
    }
}

namespace {

// As much queued as the tones' stream, for the same slack on a busy machine;
// a change is written over it. Requested seldom (every 170 ms) so that the
// server keeps little in its sink (30 ms), which a change cannot reach: that
// and the margin of the rewrite are how late a change is heard. The sink
// works at that latency only while a recording plays.
constexpr StreamBuffer test_signal_buffer{400, 170};

} // namespace

struct QtSoundPlayer::Player {
    Player(SoundServer& server, std::string device)
        : feed(buffers), keeper(server, std::move(device), "tonegen test signals", test_signal_buffer, feed)
    {
    }

    SoundBuffers buffers;
    MixFeed feed;
    SinkKeeper keeper; // last: its sink stops reading before the rest goes
    SoundBufferHandle next_handle = 1;

    std::uint64_t buffers_frame()
    {
        std::lock_guard<std::mutex> lock(buffers.mutex);
        return buffers.frame;
    }

    template <typename F>
    void with(SoundBufferHandle handle, F&& f)
    {
        std::lock_guard<std::mutex> lock(buffers.mutex);
        const auto it = buffers.by_handle.find(handle);
        if (it != buffers.by_handle.end())
            f(it->second);
    }
};

QtSoundPlayer::QtSoundPlayer(SoundServer& server, unsigned device_id,
                             std::vector<std::span<const unsigned char>> lasting)
    : server_(server), device_id_(device_id), lasting_(std::move(lasting))
{
}

QtSoundPlayer::~QtSoundPlayer() = default;

bool QtSoundPlayer::load_library()
{
    return true; // the sound server's client library is linked in
}

bool QtSoundPlayer::create_device()
{
    const std::vector<SoundOutput> outputs = server_.outputs();
    if (device_id_ >= outputs.size() || !outputs[device_id_].plays_stream_format)
        return false;
    player_ = std::make_unique<Player>(server_, outputs[device_id_].device);
    return true;
}

bool QtSoundPlayer::set_up_device()
{
    // Nothing plays yet, so no stream is opened: the first play opens it.
    return player_ != nullptr;
}

void QtSoundPlayer::release()
{
    player_.reset();
}

bool QtSoundPlayer::streaming() const
{
    return player_ && player_->keeper.wanted();
}

void QtSoundPlayer::close_if_silent()
{
    if (player_ && !player_->buffers.any_playing())
        player_->keeper.close();
}

void QtSoundPlayer::changed()
{
    if (player_)
        player_->keeper.rewrite();
}

SoundBufferHandle QtSoundPlayer::create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t /*flags*/)
{
    // The player mixes one format: what the recordings are made in.
    if (!player_ || !is_stream_format(format) || bytes < 2)
        return 0;
    // Its memory is taken when something is copied into it, and then only if
    // that is not read in place.
    SoundBuffer b;
    b.silence = bytes / 2;
    std::lock_guard<std::mutex> lock(player_->buffers.mutex);
    const SoundBufferHandle handle = player_->next_handle++;
    player_->buffers.by_handle.emplace(handle, std::move(b));
    return handle;
}

bool QtSoundPlayer::copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes)
{
    if (!player_)
        return false;
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const bool in_place = std::any_of(lasting_.begin(), lasting_.end(), [&](std::span<const unsigned char> m) {
        const auto begin = reinterpret_cast<std::uintptr_t>(m.data());
        return at >= begin && at - begin <= m.size() && bytes <= m.size() - (at - begin);
    });
    bool copied = false;
    player_->with(buffer, [&](SoundBuffer& b) {
        const std::size_t length = b.length();
        if (bytes > length * 2)
            return;
        if (in_place && bytes == length * 2) {
            b.lasting = {data, bytes};
            std::vector<std::int16_t>().swap(b.samples);
        } else {
            if (b.samples.empty())
                b.samples.assign(length, 0);
            b.lasting = {};
            std::memcpy(b.samples.data(), data, bytes);
        }
        copied = true;
    });
    return copied;
}

void QtSoundPlayer::release_buffer(SoundBufferHandle buffer)
{
    if (!player_)
        return;
    {
        std::lock_guard<std::mutex> lock(player_->buffers.mutex);
        static_cast<void>(player_->buffers.by_handle.erase(buffer));
    }
    close_if_silent();
}

void QtSoundPlayer::stop(SoundBufferHandle buffer)
{
    if (!player_)
        return;
    const std::uint64_t frame = player_->buffers_frame();
    player_->with(buffer, [frame](SoundBuffer& b) {
        if (b.playing && b.placed)
            b.position = b.position_at(frame);
        b.playing = false;
        b.placed = false;
        b.ended = 0;
    });
    close_if_silent();
    changed();
}

void QtSoundPlayer::set_position(SoundBufferHandle buffer, std::uint32_t byte_offset)
{
    if (!player_)
        return;
    player_->with(buffer, [byte_offset](SoundBuffer& b) {
        b.position = std::min<std::size_t>(byte_offset / 2, b.length());
        b.placed = false;
        b.ended = 0;
    });
    changed();
}

void QtSoundPlayer::set_volume(SoundBufferHandle buffer, long hundredths_of_db)
{
    const long v = std::clamp(hundredths_of_db, volume_min, volume_max);
    if (!player_)
        return;
    player_->with(buffer, [v](SoundBuffer& b) {
        b.volume = v;
        b.gain = linear_gain(v);
    });
    changed();
}

long QtSoundPlayer::volume(SoundBufferHandle buffer)
{
    long v = 0;
    if (player_)
        player_->with(buffer, [&v](const SoundBuffer& b) { v = b.volume; });
    return v;
}

void QtSoundPlayer::play(SoundBufferHandle buffer, bool looping)
{
    if (!player_)
        return;
    bool found = false;
    player_->with(buffer, [&](SoundBuffer& b) {
        if (!b.playing)
            b.placed = false;
        b.playing = true;
        b.looping = looping;
        b.ended = 0;
        found = true;
    });
    if (!found)
        return;
    if (!player_->keeper.wanted()) {
        // What an earlier stream reported is no measure of the new one.
        std::lock_guard<std::mutex> lock(player_->buffers.mutex);
        player_->buffers.heard.reset();
    }
    player_->keeper.keep_open(false);
    changed();
}

bool QtSoundPlayer::get_current_position(SoundBufferHandle buffer, std::uint32_t& play_byte)
{
    if (!player_)
        return false;
    SoundBuffers& all = player_->buffers;
    std::lock_guard<std::mutex> lock(all.mutex);
    const auto it = all.by_handle.find(buffer);
    if (it == all.by_handle.end())
        return false;
    const SoundBuffer& b = it->second;
    std::size_t at = b.position; // not heard yet: where it starts
    if (b.playing && b.placed && all.heard) {
        const auto since = std::chrono::duration<double>(std::chrono::steady_clock::now() - all.heard_at).count();
        const std::uint64_t now =
            std::min(all.frame, *all.heard + static_cast<std::uint64_t>(std::max(since, 0.0) * stream_rate));
        if (now >= b.origin)
            at = b.position_at(now);
    }
    play_byte = static_cast<std::uint32_t>(at * 2);
    return true;
}

} // namespace tonegen::qt
