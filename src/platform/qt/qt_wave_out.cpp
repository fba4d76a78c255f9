// How it works: see qt_wave_out.h. Each open device owns a HeaderFeed and the
// SinkKeeper of its stream. The GUI thread and the sink's thread share only
// the feed, under its mutex; the hand-back notices are posted with it held,
// so that they leave in queue order even when a reset meets a read.
#include "platform/qt/qt_wave_out.h"

#include "platform/qt/qt_sink_keeper.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tonegen::qt {

namespace {

constexpr std::size_t frame_bytes = 2; // one mono 16-bit frame
constexpr std::uint32_t callback_type_mask = 0x70000;

// Slack on a loaded machine: the loop refills a request's length at a time,
// and the rest must last until it has run. It does not delay what the
// program hears of a change, since a header comes back only once played.
constexpr StreamBuffer tone_buffer{400, 100};

void mark_done(WaveHeader* h)
{
    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
}

} // namespace

HeaderFeed::HeaderFeed(std::function<void(WaveHeader*)> hand_back)
    : hand_back_(std::move(hand_back)), ring_(16, nullptr)
{
}

MmResult HeaderFeed::prepare(WaveHeader* header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    header->dwFlags |= WHDR_PREPARED;
    return mm_no_error;
}

MmResult HeaderFeed::unprepare(WaveHeader* header)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (header->dwFlags & WHDR_INQUEUE)
        return mm_still_playing;
    header->dwFlags &= ~WHDR_PREPARED;
    return mm_no_error;
}

MmResult HeaderFeed::queue(WaveHeader* header, bool* woken)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!(header->dwFlags & WHDR_PREPARED))
        return mm_error;
    if (header->dwFlags & WHDR_INQUEUE)
        return mm_still_playing;
    if (count_ == ring_.size()) {
        // Unrolled into a ring twice the size, oldest first.
        std::vector<WaveHeader*> grown(ring_.size() * 2, nullptr);
        for (std::size_t i = 0; i < count_; ++i)
            grown[i] = ring_[(head_ + i) % ring_.size()];
        ring_.swap(grown);
        head_ = 0;
    }
    header->dwFlags = (header->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
    ring_[(head_ + count_) % ring_.size()] = header;
    ++count_;
    *woken = std::exchange(starved_, false);
    return mm_no_error;
}

void HeaderFeed::pop_front()
{
    ring_[head_] = nullptr;
    head_ = (head_ + 1) % ring_.size();
    --count_;
}

void HeaderFeed::hand_back_all()
{
    std::lock_guard<std::mutex> lock(mutex_);
    while (count_ > 0) {
        WaveHeader* h = front();
        pop_front();
        mark_done(h);
        hand_back_(h);
    }
    reading_ = 0;
    read_offset_ = 0;
    // What was read is dropped at the server too: the next header starts
    // where reading stands.
    front_start_ = read_total_;
    starved_ = false;
}

bool HeaderFeed::empty() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return count_ == 0;
}

std::size_t HeaderFeed::read(char* data, std::size_t bytes) noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t wanted = bytes - bytes % frame_bytes;
    std::size_t copied = 0;
    while (copied < wanted && reading_ < count_) {
        WaveHeader* h = at(reading_);
        const std::size_t n = std::min<std::size_t>(h->dwBufferLength - read_offset_, wanted - copied);
        if (n > 0)
            std::memcpy(data + copied, h->lpData + read_offset_, n);
        copied += n;
        read_offset_ += static_cast<std::uint32_t>(n);
        if (read_offset_ == h->dwBufferLength) {
            ++reading_;
            read_offset_ = 0;
        }
    }
    read_total_ += copied;
    // A short read leaves the rest to the next write: the server plays
    // silence meanwhile and starts again once it has enough.
    if (copied < wanted)
        starved_ = true;
    return copied;
}

std::size_t HeaderFeed::played(std::size_t unplayed) noexcept
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t position = read_total_ - std::min<std::uint64_t>(unplayed, read_total_);
    while (reading_ > 0 && front_start_ + front()->dwBufferLength <= position) {
        WaveHeader* h = front();
        front_start_ += h->dwBufferLength;
        pop_front();
        --reading_;
        mark_done(h);
        hand_back_(h);
    }
    if (count_ == 0)
        return 0;
    const std::uint64_t end = front_start_ + front()->dwBufferLength;
    return end > position ? static_cast<std::size_t>(end - position) : 0;
}

class QtWaveOut::Device {
public:
    Device(WindowingPort& windowing, WindowHandle callback_window, bool notify, SoundServer& server,
           std::string device)
        : feed([this](WaveHeader* h) { hand_back(h); }),
          keeper(server, std::move(device), "tonegen tones", tone_buffer, feed), windowing_(windowing),
          callback_window_(callback_window), notify_(notify)
    {
    }

    HeaderFeed feed;
    SinkKeeper keeper; // after the feed: the sink stops reading before the feed goes

private:
    // The sink's thread: tells the program that a header is finished.
    void hand_back(WaveHeader* header)
    {
        if (notify_)
            static_cast<void>(windowing_.post_message(callback_window_, MM_WOM_DONE, 0,
                                                      reinterpret_cast<std::intptr_t>(header)));
    }

    WindowingPort& windowing_;
    const WindowHandle callback_window_;
    const bool notify_;
};

QtWaveOut::QtWaveOut(WindowingPort& windowing, SoundServer& server) : windowing_(windowing), server_(server) {}

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
    return static_cast<unsigned>(server_.outputs().size());
}

MmResult QtWaveOut::open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                         WindowHandle callback_window, std::uintptr_t /*instance*/, std::uint32_t flags)
{
    if (!handle)
        return mm_error;
    *handle = 0;

    // Device 0 is the default output, the others follow in the server's order.
    const std::vector<SoundOutput> outputs = server_.outputs();
    if (device_id >= outputs.size())
        return mm_bad_device_id;
    // The one format this device plays, and only when the server takes it as it is.
    if (!is_stream_format(format) || !outputs[device_id].plays_stream_format)
        return mm_bad_format;

    const std::uint32_t callback_type = flags & callback_type_mask;
    if (callback_type != 0 && callback_type != CALLBACK_WINDOW)
        return mm_error;

    auto opened = std::make_unique<Device>(windowing_, callback_window, callback_type == CALLBACK_WINDOW, server_,
                                           outputs[device_id].device);
    if (!opened->keeper.open(false))
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
    return d->feed.prepare(header);
}

MmResult QtWaveOut::unprepare_header(WaveOutHandle handle, WaveHeader* header)
{
    Device* d = find(handle);
    if (!d || !header)
        return mm_error;
    return d->feed.unprepare(header);
}

MmResult QtWaveOut::write(WaveOutHandle handle, WaveHeader* header)
{
    Device* d = find(handle);
    if (!d || !header)
        return mm_error;
    bool woken = false;
    const MmResult queued = d->feed.queue(header, &woken);
    if (woken)
        d->keeper.wake();
    return queued;
}

MmResult QtWaveOut::pause(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->keeper.set_paused(true);
    return mm_no_error;
}

MmResult QtWaveOut::restart(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->keeper.set_paused(false);
    return mm_no_error;
}

MmResult QtWaveOut::reset(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    d->feed.hand_back_all();
    d->keeper.flush();
    return mm_no_error;
}

MmResult QtWaveOut::close(WaveOutHandle handle)
{
    Device* d = find(handle);
    if (!d)
        return mm_error;
    if (!d->feed.empty())
        return mm_still_playing;
    d->keeper.close();
    static_cast<void>(devices_.erase(std::find_if(devices_.begin(), devices_.end(),
                                                  [d](const std::unique_ptr<Device>& p) { return p.get() == d; })));
    return mm_no_error;
}

} // namespace tonegen::qt
