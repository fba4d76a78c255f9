// How it works: see qt_test_signals.h.
#include "platform/qt/qt_test_signals.h"

#include "signals/test_signals.h"

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

std::size_t MixFeed::read(char* data, std::size_t bytes) noexcept
{
    const std::size_t frames = bytes / 2;
    for (std::size_t done = 0; done < frames; done += mix_.size())
        mix_block(data + 2 * done, std::min(mix_.size(), frames - done));
    return frames * 2;
}

void MixFeed::mix_block(char* data, std::size_t frames)
{
    std::fill_n(mix_.begin(), frames, 0.0);
    {
        std::lock_guard<std::mutex> lock(buffers_.mutex);
        for (auto& [handle, b] : buffers_.by_handle) {
            for (std::size_t i = 0; i < frames && b.playing; ++i) {
                if (b.position >= b.samples.size()) {
                    if (!b.looping || b.samples.empty()) {
                        b.playing = false;
                        break;
                    }
                    b.position = 0;
                }
                mix_[i] += b.samples[b.position++] * b.gain;
            }
        }
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const std::int16_t v = mixed_sample(mix_[i]);
        std::memcpy(data + 2 * i, &v, 2);
    }
}

namespace {

constexpr StreamBuffer test_signal_buffer{400, 100};

} // namespace

struct QtTestSignals::Player {
    Player(SoundServer& server, std::string device)
        : feed(buffers), keeper(server, std::move(device), "tonegen test signals", test_signal_buffer, feed)
    {
    }

    SoundBuffers buffers;
    MixFeed feed;
    SinkKeeper keeper; // last: its sink stops reading before the rest goes
    SoundBufferHandle next_handle = 1;

    template <typename F>
    void with(SoundBufferHandle handle, F&& f)
    {
        std::lock_guard<std::mutex> lock(buffers.mutex);
        const auto it = buffers.by_handle.find(handle);
        if (it != buffers.by_handle.end())
            f(it->second);
    }
};

QtTestSignals::QtTestSignals(SoundServer& server, unsigned device_id) : server_(server), device_id_(device_id) {}

QtTestSignals::~QtTestSignals() = default;

bool QtTestSignals::load_library()
{
    return true; // the sound server's client library is linked in
}

bool QtTestSignals::create_device()
{
    const std::vector<SoundOutput> outputs = server_.outputs();
    if (device_id_ >= outputs.size() || !outputs[device_id_].plays_stream_format)
        return false;
    player_ = std::make_unique<Player>(server_, outputs[device_id_].device);
    return true;
}

bool QtTestSignals::set_up_device()
{
    // Nothing plays yet, so no stream is opened: the first play opens it.
    return player_ != nullptr;
}

void QtTestSignals::release()
{
    player_.reset();
}

bool QtTestSignals::streaming() const
{
    return player_ && player_->keeper.wanted();
}

void QtTestSignals::close_if_silent()
{
    if (player_ && !player_->buffers.any_playing())
        player_->keeper.close();
}

SoundBufferHandle QtTestSignals::create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t /*flags*/)
{
    // The player mixes one format: what the recordings are made in.
    if (!player_ || !is_stream_format(format) || bytes < 2)
        return 0;
    SoundBuffer b;
    b.samples.assign(bytes / 2, 0);
    std::lock_guard<std::mutex> lock(player_->buffers.mutex);
    const SoundBufferHandle handle = player_->next_handle++;
    player_->buffers.by_handle.emplace(handle, std::move(b));
    return handle;
}

bool QtTestSignals::copy_into(SoundBufferHandle buffer, const unsigned char* data, std::uint32_t bytes)
{
    bool copied = false;
    if (player_) {
        player_->with(buffer, [&](SoundBuffer& b) {
            if (bytes <= b.samples.size() * 2) {
                std::memcpy(b.samples.data(), data, bytes);
                copied = true;
            }
        });
    }
    return copied;
}

void QtTestSignals::release_buffer(SoundBufferHandle buffer)
{
    if (!player_)
        return;
    {
        std::lock_guard<std::mutex> lock(player_->buffers.mutex);
        static_cast<void>(player_->buffers.by_handle.erase(buffer));
    }
    close_if_silent();
}

void QtTestSignals::stop(SoundBufferHandle buffer)
{
    if (!player_)
        return;
    player_->with(buffer, [](SoundBuffer& b) { b.playing = false; });
    close_if_silent();
}

void QtTestSignals::set_position(SoundBufferHandle buffer, std::uint32_t byte_offset)
{
    if (player_)
        player_->with(buffer, [byte_offset](SoundBuffer& b) { b.position = std::min<std::size_t>(byte_offset / 2, b.samples.size()); });
}

void QtTestSignals::set_volume(SoundBufferHandle buffer, long hundredths_of_db)
{
    const long v = std::clamp(hundredths_of_db, volume_min, volume_max);
    if (player_) {
        player_->with(buffer, [v](SoundBuffer& b) {
            b.volume = v;
            b.gain = linear_gain(v);
        });
    }
}

long QtTestSignals::volume(SoundBufferHandle buffer)
{
    long v = 0;
    if (player_)
        player_->with(buffer, [&v](const SoundBuffer& b) { v = b.volume; });
    return v;
}

void QtTestSignals::play(SoundBufferHandle buffer, bool looping)
{
    if (!player_)
        return;
    bool found = false;
    player_->with(buffer, [&](SoundBuffer& b) {
        b.playing = true;
        b.looping = looping;
        found = true;
    });
    if (found)
        player_->keeper.keep_open(false);
}

} // namespace tonegen::qt
