// How it works: see qt_wave_out.h. Each open device owns an AudioThread
// whose event loop runs the QAudioSink and the HeaderFeed it pulls from. The
// GUI thread talks to that thread only through the FIFO (under its mutex) and
// through functions queued onto it; the sink itself is created, driven and
// deleted on the device thread only.
#include "platform/qt/qt_wave_out.h"

#include "platform/qt/qt_audio_thread.h"
#include "platform/qt/qt_windowing.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QList>
#include <QMediaDevices>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace tonegen::qt {

namespace {

constexpr int stream_block_bytes = 2; // one mono 16-bit frame
// 250 ms asked of the sound server. Pause (a cork) and reset and close (the
// stream dropped) act at the server's sink, so this length does not delay
// them; what it buys is slack: the server takes about a fifth of it for its
// sink and keeps the rest queued, and at 100 ms that rest (about 30 ms) ran
// dry, with audible gaps, while a build or an image conversion loaded the
// machine. A change of the tones is heard this much later on top of the ring.
constexpr qsizetype sink_buffer_bytes = static_cast<qsizetype>(stream_rate) / 4 * stream_block_bytes;

constexpr std::uint32_t callback_type_mask = 0x70000;

// The device's queue of headers, shared by the GUI thread (write, reset) and
// the device thread (reading samples).
struct HeaderQueue {
    std::mutex mutex;
    std::deque<WaveHeader*> queued;
    std::uint32_t read_offset = 0; // bytes of queued.front() already copied out
    // A header has been read since the stream started; from then on a dry
    // FIFO reads as silence so that the stream keeps running.
    bool fed = false;
    // The sink found nothing to read and stopped asking; the next write wakes it.
    bool starved = false;
};

// The endless stream the sink pulls: queued header bytes in order, then
// silence. Lives on the device thread.
class HeaderFeed final : public QIODevice {
public:
    HeaderFeed(HeaderQueue& queue, std::function<void(WaveHeader*)> hand_back)
        : queue_(queue), hand_back_(std::move(hand_back))
    {
        finished_.reserve(64);
    }

    bool isSequential() const override { return true; }
    // Never at its end: the sink must not drain the stream when the FIFO is dry.
    bool atEnd() const override { return false; }

protected:
    qint64 readData(char* data, qint64 max_bytes) noexcept override
    {
        if (max_bytes <= 0)
            return 0;
        const auto wanted = static_cast<std::uint64_t>(max_bytes);
        std::uint64_t copied = 0;
        {
            std::lock_guard<std::mutex> lock(queue_.mutex);
            while (copied < wanted && !queue_.queued.empty()) {
                WaveHeader* h = queue_.queued.front();
                const std::uint32_t left = h->dwBufferLength - queue_.read_offset;
                const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, wanted - copied));
                if (n > 0)
                    std::memcpy(data + copied, h->lpData + queue_.read_offset, n);
                copied += n;
                queue_.read_offset += n;
                queue_.fed = true;
                if (queue_.read_offset == h->dwBufferLength) {
                    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
                    queue_.queued.pop_front();
                    queue_.read_offset = 0;
                    finished_.push_back(h);
                }
            }
            if (copied < wanted && queue_.fed) {
                const std::uint64_t whole = wanted - wanted % stream_block_bytes;
                if (whole > copied) {
                    std::memset(data + copied, 0, whole - copied);
                    copied = whole;
                }
            }
            if (copied == 0)
                queue_.starved = true;
        }
        // Outside the lock: the GUI thread may be writing meanwhile.
        for (WaveHeader* h : finished_)
            hand_back_(h);
        finished_.clear();
        return static_cast<qint64>(copied);
    }

    qint64 writeData(const char* /*data*/, qint64 /*bytes*/) override { return -1; }

private:
    HeaderQueue& queue_;
    std::function<void(WaveHeader*)> hand_back_;
    std::vector<WaveHeader*> finished_; // reused, so that reading never allocates
};

} // namespace

class QtWaveOut::Device {
public:
    Device(QtWindowing& windowing, WindowHandle callback_window, bool notify, QAudioDevice device,
           QAudioFormat format)
        : windowing_(windowing), callback_window_(callback_window), notify_(notify),
          device_(std::move(device)), format_(format), audio_(QStringLiteral("tonegen wave-out"))
    {
    }

    // Starts the thread and the sink; false when the sound server refuses.
    bool start()
    {
        return audio_.start(device_, format_, sink_buffer_bytes, [this] {
            return new HeaderFeed(queue, [this](WaveHeader* h) { hand_back(h); });
        });
    }

    // Ends the sink and the thread; the FIFO is left as it is.
    void stop() { audio_.stop(); }

    void pause()
    {
        paused_ = true;
        audio_.run_later([this] { audio_.sink()->suspend(); });
    }

    void restart()
    {
        paused_ = false;
        audio_.run_later([this] { audio_.sink()->resume(); });
    }

    void reset()
    {
        audio_.run_and_wait([this, paused = paused_] {
            QAudioSink* sink = audio_.sink();
            sink->stop();
            std::deque<WaveHeader*> returned;
            {
                std::lock_guard<std::mutex> lock(queue.mutex);
                returned.swap(queue.queued);
                queue.read_offset = 0;
                queue.fed = false;
                queue.starved = false;
                for (WaveHeader* h : returned)
                    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            }
            for (WaveHeader* h : returned)
                hand_back(h);
            // A fresh stream, idle until the next write, paused if the device was.
            sink->start(audio_.feed());
            if (paused)
                sink->suspend();
        });
    }

    MmResult queue_header(WaveHeader* header)
    {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(queue.mutex);
            if (!(header->dwFlags & WHDR_PREPARED))
                return mm_error;
            if (header->dwFlags & WHDR_INQUEUE)
                return mm_still_playing;
            header->dwFlags = (header->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
            queue.queued.push_back(header);
            wake = std::exchange(queue.starved, false);
        }
        if (wake)
            audio_.run_later([this] { emit audio_.feed()->readyRead(); });
        return mm_no_error;
    }

    HeaderQueue queue;

private:
    // Device thread: tells the program that a header is finished.
    void hand_back(WaveHeader* header)
    {
        if (notify_)
            static_cast<void>(windowing_.post_message(callback_window_, MM_WOM_DONE, 0,
                                                      reinterpret_cast<std::intptr_t>(header)));
    }

    QtWindowing& windowing_;
    const WindowHandle callback_window_;
    const bool notify_;
    const QAudioDevice device_;
    const QAudioFormat format_;
    bool paused_ = false; // GUI thread only
    AudioThread audio_;   // declared last: its thread ends before the rest goes
};

QtWaveOut::QtWaveOut(QtWindowing& windowing) : windowing_(windowing) {}

QtWaveOut::~QtWaveOut() = default;

QtWaveOut::Device* QtWaveOut::find(WaveOutHandle handle) const
{
    for (const auto& d : devices_) {
        if (reinterpret_cast<WaveOutHandle>(d.get()) == handle)
            return d.get();
    }
    return nullptr;
}

unsigned QtWaveOut::get_num_devs()
{
    return static_cast<unsigned>(QMediaDevices::audioOutputs().size());
}

MmResult QtWaveOut::open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                         WindowHandle callback_window, std::uintptr_t /*instance*/, std::uint32_t flags)
{
    if (!handle)
        return mm_error;
    *handle = 0;

    // Device 0 is the default output, the others follow in the server's order.
    QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    const auto it = std::find(outputs.begin(), outputs.end(), preferred);
    if (it != outputs.end())
        static_cast<void>(std::rotate(outputs.begin(), it, it + 1));
    if (device_id >= static_cast<unsigned>(outputs.size()))
        return mm_bad_device_id;
    const QAudioDevice& device = outputs[static_cast<qsizetype>(device_id)];

    // The one format this device plays, and only when the server takes it as it is.
    if (!is_stream_format(format))
        return mm_bad_format;
    QAudioFormat qt_format;
    qt_format.setSampleRate(static_cast<int>(stream_rate));
    qt_format.setChannelCount(1);
    qt_format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(qt_format))
        return mm_bad_format;

    const std::uint32_t callback_type = flags & callback_type_mask;
    if (callback_type != 0 && callback_type != CALLBACK_WINDOW)
        return mm_error;

    auto opened = std::make_unique<Device>(windowing_, callback_window, callback_type == CALLBACK_WINDOW,
                                           device, qt_format);
    if (!opened->start())
        return mm_error;
    *handle = reinterpret_cast<WaveOutHandle>(opened.get());
    devices_.push_back(std::move(opened));
    return mm_no_error;
}

MmResult QtWaveOut::prepare_header(WaveOutHandle handle, WaveHeader* header)
{
    Device* d = find(handle);
    if (!d || !header)
        return mm_error;
    std::lock_guard<std::mutex> lock(d->queue.mutex);
    header->dwFlags |= WHDR_PREPARED;
    return mm_no_error;
}

MmResult QtWaveOut::unprepare_header(WaveOutHandle handle, WaveHeader* header)
{
    Device* d = find(handle);
    if (!d || !header)
        return mm_error;
    std::lock_guard<std::mutex> lock(d->queue.mutex);
    if (header->dwFlags & WHDR_INQUEUE)
        return mm_still_playing;
    header->dwFlags &= ~WHDR_PREPARED;
    return mm_no_error;
}

MmResult QtWaveOut::write(WaveOutHandle handle, WaveHeader* header)
{
    Device* d = find(handle);
    if (!d || !header)
        return mm_error;
    return d->queue_header(header);
}

MmResult QtWaveOut::pause(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->pause();
    return mm_no_error;
}

MmResult QtWaveOut::restart(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->restart();
    return mm_no_error;
}

MmResult QtWaveOut::reset(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->reset();
    return mm_no_error;
}

MmResult QtWaveOut::close(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    {
        std::lock_guard<std::mutex> lock(d->queue.mutex);
        if (!d->queue.queued.empty())
            return mm_still_playing;
    }
    d->stop();
    static_cast<void>(devices_.erase(std::find_if(devices_.begin(), devices_.end(),
                                                  [d](const std::unique_ptr<Device>& p) { return p.get() == d; })));
    return mm_no_error;
}

} // namespace tonegen::qt
