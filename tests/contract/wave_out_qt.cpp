// The wave-out contract on the Linux emulation, over a fake sound server
// whose sink the rig reads by hand (tests/qt/fake_sound_server.h) and which
// keeps 400 ms read ahead of what it plays, as the real server does; the
// notices travel through the real Qt windowing port's message queue. Its
// sound server dies as the fake lets one: the sink says so and new ones are
// refused until it is back; the device's keeper retries every 20 ms.
#include "contract/wave_out_contract.h"

#include "platform/qt/qt_wave_out.h"
#include "platform/qt/qt_windowing.h"
#include "qt/fake_sound_server.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>

namespace tonegen::contract {
namespace {

class QtWaveOutRig final : public WaveOutRig {
public:
    QtWaveOutRig() { server_.ahead_frames = stream_rate * 4 / 10; }

    WaveOutPort& port() override { return wave_out_; }
    WindowingPort& windowing() override { return windowing_; }

    void run(std::size_t frames) override
    {
        if (server_.current) {
            const auto got = server_.current->pull(frames);
            played_.insert(played_.end(), got.begin(), got.end());
        } else {
            QThread::msleep(2); // the keeper's retry timer runs meanwhile
        }
        QCoreApplication::processEvents();
    }

    std::optional<std::vector<std::int16_t>> played() override { return played_; }
    std::size_t played_at_most() override { return played_.size(); }

    bool kill_sound_system() override
    {
        server_.refuse = true;
        if (server_.current)
            server_.current->fail();
        QCoreApplication::processEvents(); // what it held is gone with it
        return true;
    }
    void revive_sound_system() override { server_.refuse = false; }

private:
    qt::QtWindowing windowing_;
    qt::testing::FakeSoundServer server_;
    qt::QtWaveOut wave_out_{windowing_, server_};
    std::vector<std::int16_t> played_;
};

std::unique_ptr<WaveOutRig> make_qt_rig()
{
    return std::make_unique<QtWaveOutRig>();
}

INSTANTIATE_TEST_SUITE_P(Qt, WaveOutContract, ::testing::Values(&make_qt_rig));

} // namespace
} // namespace tonegen::contract
