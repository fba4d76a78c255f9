// The wave-out contract on the system's waveOut (run under wine, with a
// private sound server behind its audio driver: with_sound_server.sh). The
// device plays in real time; the rig waits while pumping the thread's
// message queue, through which the notices come. The device as the program
// plays through it is the wrapper that opens it again, looked at once a
// second as the program's timer does; the script kills the sound server and
// starts it again when asked.
#include "contract/wave_out_contract.h"

#include "audio/reopening_wave_out.h"
#include "platform/win32/win32_wave_out.h"
#include "platform/win32/win32_windowing.h"

namespace tonegen::contract {
namespace {

class Win32WaveOutRig final : public WaveOutRig {
public:
    WaveOutPort& port() override { return wave_out_; }
    WindowingPort& windowing() override { return windowing_; }

    void run(std::size_t frames) override
    {
        const DWORD until = ::GetTickCount() + static_cast<DWORD>(frames * 1000 / stream_rate) + 1;
        do {
            if (checking_ && static_cast<LONG>(::GetTickCount() - next_check_) >= 0) {
                kept_.check();
                next_check_ = ::GetTickCount() + 1000;
            }
            static_cast<void>(windowing_.poll_event());
            ::Sleep(2);
        } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
        static_cast<void>(windowing_.poll_event());
    }

    // What the system played goes to the sound server; the rig does not hear it.
    std::optional<std::vector<std::int16_t>> played() override { return std::nullopt; }
    // The time since the rig was made, and a tick of the clock's granularity more.
    std::size_t played_at_most() override
    {
        return static_cast<std::size_t>(::GetTickCount() - made_ + 20) * stream_rate / 1000;
    }

    // Windows refuses to close a device that still has headers queued
    // (WAVERR_STILLPLAYING); wine 8 closes it (measured: waveOutClose gives 0
    // with four headers queued while paused, and the handle is gone).
    bool close_refused_while_queued() override
    {
        return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
    }

    WaveOutPort& kept_port() override { return kept_; }
    bool kill_sound_system() override { return ask_sound_server("kill"); }
    void revive_sound_system() override { ASSERT_TRUE(ask_sound_server("start")); }

private:
    const DWORD made_ = ::GetTickCount();
    win32::Win32Windowing windowing_{::GetModuleHandleA(nullptr)};
    win32::Win32WaveOut wave_out_;
    bool checking_ = false;
    DWORD next_check_ = 0;
    ReopeningWaveOut kept_{wave_out_, windowing_,
                           [this](bool on) {
                               checking_ = on;
                               next_check_ = ::GetTickCount() + 1000;
                           },
                           [](std::string_view) {}};
};

std::unique_ptr<WaveOutRig> make_win32_rig()
{
    return std::make_unique<Win32WaveOutRig>();
}

INSTANTIATE_TEST_SUITE_P(Win32, WaveOutContract, ::testing::Values(&make_win32_rig));

} // namespace
} // namespace tonegen::contract
