// The wave-out contract on the fake device: its clock turns only when the
// rig lets it play, whole headers at a time.
#include "contract/wave_out_contract.h"

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

private:
    sim::CallLog log_;
    sim::SimWindowing windowing_{log_};
    sim::SimWaveOut device_{log_, windowing_};
};

std::unique_ptr<WaveOutRig> make_sim_rig()
{
    return std::make_unique<SimWaveOutRig>();
}

INSTANTIATE_TEST_SUITE_P(Sim, WaveOutContract, ::testing::Values(&make_sim_rig));

} // namespace
} // namespace tonegen::contract
