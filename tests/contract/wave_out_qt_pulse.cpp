// The wave-out contract on the Linux emulation over the real sound server
// (a private one: with_sound_server.sh), as the program plays: the stream's
// own buffering, the server's timing reports and its sink between the
// headers and their notices. The rig cannot hear the sink; it lets the
// device play in real time, pumping the Qt event queue the notices come by.
// The script kills the server and starts it again when asked.
#include "contract/wave_out_contract.h"

#include "platform/qt/qt_pulse_sink.h"
#include "platform/qt/qt_wave_out.h"
#include "platform/qt/qt_windowing.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>

namespace tonegen::contract {
namespace {

class QtPulseWaveOutRig final : public WaveOutRig {
public:
    WaveOutPort& port() override { return wave_out_; }
    WindowingPort& windowing() override { return windowing_; }

    void run(std::size_t frames) override
    {
        const auto until = Clock::now() + std::chrono::microseconds(frames * 1000000 / stream_rate);
        do {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        } while (Clock::now() < until);
        QCoreApplication::processEvents();
    }

    std::optional<std::vector<std::int16_t>> played() override { return std::nullopt; }
    std::size_t played_at_most() override
    {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - made_).count();
        return static_cast<std::size_t>(us) * stream_rate / 1000000;
    }

    bool kill_sound_system() override { return ask_sound_server("kill"); }
    void revive_sound_system() override { ASSERT_TRUE(ask_sound_server("start")); }

private:
    using Clock = std::chrono::steady_clock;
    const Clock::time_point made_ = Clock::now();
    qt::QtWindowing windowing_;
    qt::PulseSoundServer server_;
    qt::QtWaveOut wave_out_{windowing_, server_};
};

std::unique_ptr<WaveOutRig> make_qt_pulse_rig()
{
    return std::make_unique<QtPulseWaveOutRig>();
}

INSTANTIATE_TEST_SUITE_P(QtPulse, WaveOutContract, ::testing::Values(&make_qt_pulse_rig));

} // namespace
} // namespace tonegen::contract
