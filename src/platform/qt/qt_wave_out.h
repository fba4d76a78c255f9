// The wave-out port on Linux: a wave-out device emulated over a sound sink.
//
// How it works: `write` appends a header to the device's HeaderFeed under
// its mutex. The device's sink (qt_sound_sink.h) pulls from the feed on its
// own thread whenever the sound server wants more (about every 100 ms); the
// feed copies the next bytes of the oldest queued headers. The server keeps
// up to 400 ms of them queued, so a header's last byte is copied well before
// it is heard; the header stays queued until the sink reports that the
// server has played it (from the server's timing reports). Then it is marked
// done and one MM_WOM_DONE naming it is posted to the callback window, so
// the program refills it on the GUI thread inside its next event wait: the
// ring holds exactly the headers still to be heard, wherever their bytes
// are. A read finds at most what is queued; when it comes up short the
// server plays what it has and then silence until the next write wakes the
// sink, which then writes at once whatever the server has room for.
//
// pause corks the server's stream: what it holds waits, and the feed is not
// read while corked, so restart plays on from exactly the sample it stopped
// at. reset hands back every queued header in order and drops what the
// server holds, so it is heard at once. If the server goes away, the sink's
// keeper (qt_sink_keeper.h) opens the same device again once it is back and the feed plays on
// from its next unread byte; what the dead server held counts as played, the
// unread headers stay queued meanwhile, and reset and close work as ever.
// The program keeps about 2 s queued in headers.
//
// Only the GUI thread calls QtWaveOut. The sink's thread never calls into the
// program, and the GUI thread never waits for it for longer than a lock.
#pragma once

#include "platform/qt/qt_sound_sink.h"
#include "platform/wave_out_port.h"
#include "platform/windowing_port.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tonegen::qt {

// The queue of written headers and the endless stream read from it.
class HeaderFeed final : public SoundFeed {
public:
    // `hand_back` is called on the reading thread, in queue order, with the
    // feed locked, for each header whose last byte has been played.
    explicit HeaderFeed(std::function<void(WaveHeader*)> hand_back);

    // GUI thread. The flag changes of the port's calls, under the feed's lock.
    MmResult prepare(WaveHeader* header);
    MmResult unprepare(WaveHeader* header);
    // Queues a prepared header that is not queued; `woken` tells whether the
    // reader had found the feed empty and must be woken.
    MmResult queue(WaveHeader* header, bool* woken);
    // Hands back every queued header in order.
    void hand_back_all();
    bool empty() const;

    std::size_t read(char* data, std::size_t bytes) noexcept override;
    bool follows_play() const noexcept override { return true; }
    // Hands back the headers played to their last byte; the bytes until the
    // oldest queued header's end is played.
    std::size_t played(std::size_t unplayed) noexcept override;

private:
    WaveHeader* front() const { return ring_[head_]; }
    WaveHeader* at(std::size_t i) const { return ring_[(head_ + i) % ring_.size()]; }
    void pop_front();

    mutable std::mutex mutex_;
    std::function<void(WaveHeader*)> hand_back_;
    // The queue, a ring that only `queue` (on the GUI thread) grows, so that
    // reading never allocates or frees.
    std::vector<WaveHeader*> ring_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;       // queued: not yet handed back
    std::size_t reading_ = 0;     // the queued header being read: those before it are read whole
    std::uint32_t read_offset_ = 0; // bytes of that header already read
    // Positions in the stream of bytes read since the feed was made.
    std::uint64_t read_total_ = 0;
    std::uint64_t front_start_ = 0; // where the front header's first byte is
    bool starved_ = false; // the reader found the queue short and waits to be woken
};

class QtWaveOut final : public WaveOutPort {
public:
    QtWaveOut(WindowingPort& windowing, SoundServer& server);
    ~QtWaveOut() override;
    QtWaveOut(const QtWaveOut&) = delete;
    QtWaveOut& operator=(const QtWaveOut&) = delete;

    unsigned get_num_devs() override;
    MmResult open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                  WindowHandle callback_window, std::uintptr_t instance, std::uint32_t flags) override;
    MmResult prepare_header(WaveOutHandle handle, WaveHeader* header) override;
    MmResult unprepare_header(WaveOutHandle handle, WaveHeader* header) override;
    MmResult write(WaveOutHandle handle, WaveHeader* header) override;
    MmResult pause(WaveOutHandle handle) override;
    MmResult restart(WaveOutHandle handle) override;
    MmResult reset(WaveOutHandle handle) override;
    MmResult close(WaveOutHandle handle) override;

    class Device;

private:
    Device* find(WaveOutHandle handle) const;

    WindowingPort& windowing_;
    SoundServer& server_;
    std::vector<std::unique_ptr<Device>> devices_;
};

} // namespace tonegen::qt
