// How it works: see qt_test_signals.h.
#include "platform/qt/qt_test_signals.h"

#include "platform/qt/qt_audio_thread.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace tonegen::qt {

namespace {


constexpr qsizetype player_buffer_bytes = static_cast<qsizetype>(stream_rate) / 4 * 2; // 250 ms, as the tone stream

struct Buffer {
    std::vector<std::int16_t> samples;
    long volume = 0;
    double gain = 1.0;
    std::size_t position = 0; // in samples
    bool playing = false;
    bool looping = false;
};

struct Buffers {
    std::mutex mutex;
    std::map<SoundBufferHandle, Buffer> by_handle;
};

// Every playing buffer, mixed; silence when none plays. Never at its end.
class MixFeed final : public QIODevice {
public:
    explicit MixFeed(Buffers& buffers) : buffers_(buffers) {}

    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char* data, qint64 max_bytes) noexcept override
    {
        const auto frames = static_cast<std::size_t>(std::max<qint64>(max_bytes, 0) / 2);
        mix_.assign(frames, 0.0);
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
            const auto v = static_cast<std::int16_t>(std::clamp(std::nearbyint(mix_[i]), -32768.0, 32767.0));
            std::memcpy(data + 2 * i, &v, 2);
        }
        return static_cast<qint64>(frames * 2);
    }

    qint64 writeData(const char* /*data*/, qint64 /*bytes*/) override { return -1; }

private:
    Buffers& buffers_;
    std::vector<double> mix_; // reused, so that mixing rarely allocates
};

QAudioFormat player_format()
{
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(stream_rate));
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

struct QtTestSignals::Player {
    QAudioDevice device;
    Buffers buffers;
    SoundBufferHandle next_handle = 1;
    AudioThread audio{QStringLiteral("tonegen test signals")}; // last: ends first

    template <typename F>
    void with(SoundBufferHandle handle, F&& f)
    {
        std::lock_guard<std::mutex> lock(buffers.mutex);
        const auto it = buffers.by_handle.find(handle);
        if (it != buffers.by_handle.end())
            f(it->second);
    }
};

QtTestSignals::QtTestSignals() = default;

QtTestSignals::~QtTestSignals() = default;

bool QtTestSignals::load_library()
{
    return true; // Qt Multimedia is linked in
}

bool QtTestSignals::create_device()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(player_format()))
        return false;
    player_ = std::make_unique<Player>();
    player_->device = device;
    return true;
}

bool QtTestSignals::set_up_device()
{
    if (!player_)
        return false;
    Player& p = *player_;
    if (p.audio.running())
        return true;
    return p.audio.start(p.device, player_format(), player_buffer_bytes,
                         [&p] { return new MixFeed(p.buffers); });
}

void QtTestSignals::release()
{
    player_.reset();
}

SoundBufferHandle QtTestSignals::create_buffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t /*flags*/)
{
    // The player mixes one format: what the recordings are made in.
    if (!player_ || !is_stream_format(format) || bytes < 2)
        return 0;
    Buffer b;
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
        player_->with(buffer, [&](Buffer& b) {
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
    std::lock_guard<std::mutex> lock(player_->buffers.mutex);
    static_cast<void>(player_->buffers.by_handle.erase(buffer));
}

void QtTestSignals::stop(SoundBufferHandle buffer)
{
    if (player_)
        player_->with(buffer, [](Buffer& b) { b.playing = false; });
}

void QtTestSignals::set_position(SoundBufferHandle buffer, std::uint32_t byte_offset)
{
    if (player_)
        player_->with(buffer, [byte_offset](Buffer& b) { b.position = std::min<std::size_t>(byte_offset / 2, b.samples.size()); });
}

void QtTestSignals::set_volume(SoundBufferHandle buffer, long hundredths_of_db)
{
    const long v = std::clamp(hundredths_of_db, volume_min, volume_max);
    if (player_) {
        player_->with(buffer, [v](Buffer& b) {
            b.volume = v;
            b.gain = v <= volume_min ? 0.0 : std::pow(10.0, static_cast<double>(v) / 2000.0);
        });
    }
}

long QtTestSignals::volume(SoundBufferHandle buffer)
{
    long v = 0;
    if (player_)
        player_->with(buffer, [&v](const Buffer& b) { v = b.volume; });
    return v;
}

void QtTestSignals::play(SoundBufferHandle buffer, bool looping)
{
    if (player_) {
        player_->with(buffer, [looping](Buffer& b) {
            b.playing = true;
            b.looping = looping;
        });
    }
}

} // namespace tonegen::qt
