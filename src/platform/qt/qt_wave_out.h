// The wave-out port over Qt Multimedia: a wave-out device emulated on a
// thread of its own that feeds a QAudioSink.
//
// How it works: `write` appends a header to the device's FIFO under a mutex.
// The device thread runs the sink in pull mode: whenever the sound server
// wants more (about every 20 ms), the sink reads from `HeaderFeed`, which
// copies the next bytes of the oldest queued headers. When a header's last
// byte has been copied, it is marked done and one MM_WOM_DONE naming it is
// posted to the callback window through QtWindowing::post_message, so the
// program refills it on the GUI thread inside its next event wait. When the
// FIFO runs dry the feed hands out silence, so the stream never stops and
// plays new headers as soon as they arrive.
//
// pause corks the sound server's stream: what is already queued there waits,
// and the feed is not read while corked, so restart plays on from exactly
// the sample it stopped at. reset drops the stream at once and hands back
// every queued header in order. Both act at the sound server's sink, so they
// are heard within its latency (tens of milliseconds) whatever the stream
// holds; the stream itself asks for 250 ms so that a loaded machine does not
// starve it. The program keeps about 2 s more queued in headers.
//
// Only the GUI thread calls this class. The device thread never calls into
// the program; the GUI thread waits for it only in open, reset and close.
#pragma once

#include "platform/wave_out_port.h"

#include <memory>
#include <vector>

namespace tonegen::qt {

class QtWindowing;

class QtWaveOut final : public WaveOutPort {
public:
    explicit QtWaveOut(QtWindowing& windowing);
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

    QtWindowing& windowing_;
    std::vector<std::unique_ptr<Device>> devices_;
};

} // namespace tonegen::qt
