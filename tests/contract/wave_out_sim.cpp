// The wave-out contract on the fake device: its clock turns only when the
// rig lets it play, whole headers at a time. Its sound system dies as a
// stalled device's does; the wrapper the Windows program plays through opens
// it again, looking at it once every second of the rig's time.
#include "contract/wave_out_contract.h"

#include "audio/reopening_wave_out.h"
#include "platform/sim/sim_wave_out.h"
#include "platform/sim/sim_windowing.h"

namespace tonegen::contract {
namespace {

class SimWaveOutRig final : public WaveOutRig {
public:
    WaveOutPort& port() override { return device_; }
    WindowingPort& windowing() override { return windowing_; }

    void run(std::size_t frames) override
    {
        clock_ += frames;
        for (; checking_ && clock_ >= next_check_; next_check_ += stream_rate) {
            kept_.check();
            windowing_.deliver_messages();
        }
        std::size_t played = 0;
        while (played < frames) {
            const std::size_t before = device_.played.size();
            if (device_.play(1) == 0)
                break;
            played += device_.played.size() - before;
        }
        windowing_.deliver_messages();
    }

    std::optional<std::vector<std::int16_t>> played() override { return device_.played; }
    std::size_t played_at_most() override { return device_.played.size(); }

    WaveOutPort& kept_port() override { return kept_; }
    bool kill_sound_system() override
    {
        device_.stalled = true;
        device_.refuse_open = true;
        return true;
    }
    void revive_sound_system() override
    {
        device_.stalled = false;
        device_.refuse_open = false;
    }

private:
    sim::CallLog log_;
    sim::SimWindowing windowing_{log_};
    sim::SimWaveOut device_{log_, windowing_};
    std::size_t clock_ = 0, next_check_ = stream_rate;
    bool checking_ = false;
    ReopeningWaveOut kept_{device_, windowing_,
                           [this](bool on) {
                               checking_ = on;
                               next_check_ = clock_ + stream_rate;
                           },
                           [](std::string_view) {}};
};

std::unique_ptr<WaveOutRig> make_sim_rig()
{
    return std::make_unique<SimWaveOutRig>();
}

INSTANTIATE_TEST_SUITE_P(Sim, WaveOutContract, ::testing::Values(&make_sim_rig));

} // namespace
} // namespace tonegen::contract
