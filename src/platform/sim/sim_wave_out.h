// A virtual wave-out device with a clock the test turns by hand.
//
// How it works: write() queues a header and takes its samples then, as a
// device may (so a header written before it is refilled plays stale
// samples); play(n) lets the device finish the next n queued headers
// (unless paused), appending the samples taken to `played` and posting one
// MM_WOM_DONE per header to the callback window through the sim windowing
// port, as the real device does. reset() hands back everything queued.
// Every call is logged, and misuse the real device would punish (writing a
// header that is still queued or not prepared, unpreparing a queued one) is
// counted. A stalled device behaves as one whose sound
// server died: see `stalled`.
#pragma once

#include "platform/sim/sim_windowing.h"
#include "platform/wave_out_port.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace tonegen::sim {

class SimWaveOut final : public WaveOutPort {
public:
    SimWaveOut(CallLog& log, SimWindowing& windowing) : log_(log), windowing_(windowing) {}

    // Knobs.
    unsigned device_count = 1;
    bool refuse_format = false;
    int fail_prepare_at = -1; // index of the prepare call that fails, -1: none
    bool refuse_open = false;  // open fails (the sound system is away)
    bool refuse_writes = false; // write fails, as on a device that was unplugged
    bool refuse_restart = false; // restart fails and the device stays paused
    // The sound system behind the open device is gone: headers are taken and
    // never finish, reset fails and hands nothing back, and close lets go of
    // the queue without complaint.
    bool stalled = false;

    // What happened.
    std::vector<std::int16_t> played; // every sample the device played, in order
    std::vector<WaveHeader*> writes;  // every header written, in order
    int misuse = 0;                   // calls a real device would refuse
    bool paused = false;
    bool is_open = false;
    WaveFormat format{};
    WindowHandle callback = 0;
    std::uint32_t open_flags = 0;
    unsigned open_device = 0;
    std::uintptr_t open_instance = 0;

    std::size_t queued() const { return queue_.size(); }
    // Finishes up to n queued headers; returns how many finished.
    int play(int n);

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

private:
    bool valid(WaveOutHandle handle);
    void hand_back(WaveHeader* header);

    CallLog& log_;
    SimWindowing& windowing_;
    struct Queued {
        WaveHeader* header;
        std::vector<std::int16_t> samples; // taken at write
    };
    std::deque<Queued> queue_;
    int prepares_ = 0;
    static constexpr WaveOutHandle handle_value = 0x5157;
};

} // namespace tonegen::sim
