// A wave-out device that comes back when the sound system behind it fails.
//
// A device whose sound server or driver goes away mid-stream does not
// always say so: it may go on accepting every header and never hand one
// back, so the ring stays queued and the program is silent for good. This
// wrapper notices that and opens the device again.
//
// How it works: every call goes to the wrapped device under the one handle
// this wrapper gives out, and the ring's headers are tracked: which are
// prepared, which are queued and in what order. While the stream plays with
// headers queued, `check` is called about once a second on the GUI thread
// (the wrapper asks for that through `set_checking`, and only then, so a
// paused or closed stream costs no wake-ups). The program writes a header
// again as each one comes back, every 0.28 s; when two checks in a row saw
// none written, the device has stopped. A device that refuses a write or a
// restart has failed, and the next check treats it as stopped. A stopped
// device is reset and closed, that is said once, and it is opened again at
// once and at every later check until it opens. Then the ring goes on from
// where it stood: the first queued header, which may have been partly heard,
// is handed back for a fresh fill (so nothing is heard twice), the others
// are queued again as they are, in order. While the stream is paused nothing is checked; releasing the pause
// while the device is away tries to open it at once.
//
// While no device is open, every call succeeds on the bookkeeping alone
// (headers written then wait for the device; a reset hands them back), so
// the stream above notices nothing. One device is open at a time.
//
// The Windows program plays its tones through this wrapper. The Linux
// program's device keeps its stream itself, to the byte rather than to the
// header: platform/qt/qt_sink_keeper.h says why.
#pragma once

#include "platform/windowing_port.h"
#include "platform/wave_out_port.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tonegen {

class ReopeningWaveOut final : public WaveOutPort {
public:
    // `set_checking(true)` asks for `check` about once a second from now on,
    // `set_checking(false)` for no more calls; `say` takes a line for the
    // program's log.
    ReopeningWaveOut(WaveOutPort& device, WindowingPort& windowing, std::function<void(bool)> set_checking,
                     std::function<void(std::string_view)> say);

    // Looks whether the device still hands headers back; opens it again
    // when it has stopped or is away.
    void check();

    // True while the device is away (closed after a stall, not yet opened
    // again).
    bool device_away() const { return open_ && device_handle_ == 0; }

    // WaveOutPort
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

    // Checks in a row without a header written that make a stall.
    static constexpr int stall_checks = 2;

private:
    static constexpr WaveOutHandle own_handle = 1;

    bool ours(WaveOutHandle handle) const { return open_ && handle == own_handle; }
    void forget_finished();
    void hand_back(WaveHeader* header);
    void give_up_device();
    void try_reopen();
    void update_checking();

    WaveOutPort& device_;
    WindowingPort& windowing_;
    std::function<void(bool)> set_checking_;
    std::function<void(std::string_view)> say_;

    // How the device was opened, to open it the same way again.
    unsigned device_id_ = 0;
    WaveFormat format_{};
    WindowHandle window_ = 0;
    std::uintptr_t instance_ = 0;
    std::uint32_t flags_ = 0;

    bool open_ = false;             // as the program sees it
    WaveOutHandle device_handle_ = 0; // 0 while the device is away
    bool paused_ = false;
    bool checking_ = false;
    std::vector<WaveHeader*> prepared_;
    std::vector<WaveHeader*> queued_; // in the order they were written
    std::uint64_t writes_ = 0;
    std::uint64_t writes_at_last_check_ = 0;
    int quiet_checks_ = 0;
    bool failed_ = false; // the device refused a write or a restart
};

} // namespace tonegen
