// The stream over a device whose sound system dies: the wrapper that notices
// the stall, closes the device and opens it again.
#include "app/program.h"
#include "audio/reopening_wave_out.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "synth/synth.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

namespace tonegen {
namespace {

using sim::SimPlatform;

constexpr std::size_t buffer_samples = stream_buffer_frames;

// The default mix, buffer after buffer, as the fill makes it.
std::vector<std::int16_t> mix_buffers(std::size_t buffers)
{
    Settings s{};
    apply_defaults(s);
    normalise_gains(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * buffer_samples;
    std::vector<std::int16_t> out(buffers * buffer_samples);
    for (std::size_t b = 0; b < buffers; ++b)
        fill_buffer(s, reinterpret_cast<char*>(out.data() + b * buffer_samples));
    return out;
}

std::size_t count(const sim::CallLog& log, const std::string& call)
{
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), call));
}

// The program's stream, playing, on the sim device behind the wrapper.
struct Reopening : ::testing::Test {
    SimPlatform sim;
    bool checking = false;
    std::vector<std::string> said;
    ReopeningWaveOut device{sim.wave_out, sim.windowing, [this](bool on) { checking = on; },
                            [this](std::string_view line) { said.emplace_back(line); }};
    Platform p{sim.windowing, sim.windowing, sim.clipboard, sim.windowing, device, sim.player, sim.shell, sim.platform.assets};
    Settings s{};

    void SetUp() override
    {
        apply_defaults(s);
        ASSERT_NE(open_main_window(s, p, main_window_x, main_window_y, main_window_width, main_window_height,
                                   program_message_handler(s, p)),
                  0u);
        normalise_gains(s);
        ASSERT_TRUE(open_stream(s, p));
        sim.windowing.deliver_messages();
        press_on_off(); // released: playing
    }

    void press_on_off()
    {
        sim.windowing.click_now(on_off_toggle);
        dispatch_control_event(s, p, sim.windowing.poll_event());
    }

    // The device finishes n buffers and the program refills them.
    void play(int n)
    {
        ASSERT_EQ(sim.wave_out.play(n), n);
        sim.windowing.deliver_messages();
    }

    void check_times(int n)
    {
        for (int i = 0; i < n; ++i) {
            device.check();
            sim.windowing.deliver_messages();
        }
    }
};

TEST_F(Reopening, AHealthyDeviceIsLeftAloneHoweverOftenItIsChecked)
{
    EXPECT_TRUE(checking);
    for (int i = 0; i < 10; ++i) {
        play(1);
        check_times(1);
    }
    press_on_off(); // paused: nothing comes back, and nothing is checked
    EXPECT_FALSE(checking);
    check_times(5);
    EXPECT_EQ(count(sim.log, "waveOutOpen"), 1u);
    EXPECT_TRUE(said.empty());
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

// What the device played, buffer numbers of the mix: [0, heard_before) and
// then from first_after on.
enum class Fault {
    stalls,          // takes every header, finishes none, refuses the reset
    refuses_writes,  // unplugged: every write fails
    refuses_restart, // ON/OFF released after a pause, and the restart fails
};

struct Failure {
    const char* name;
    Fault fault;
    int checks_to_see;   // checks after the last write until it is given up
    const char* said;
    std::size_t heard_before, first_after;
};

class FailingDevice : public Reopening, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailingDevice, ComesBackInOrderWithNothingRepeated)
{
    const Failure& f = GetParam();
    play(5);
    switch (f.fault) {
    case Fault::stalls:
        sim.wave_out.stalled = true;
        break;
    case Fault::refuses_writes:
        sim.wave_out.refuse_writes = true;
        play(2); // refilled, and refused
        break;
    case Fault::refuses_restart:
        press_on_off();
        sim.wave_out.refuse_restart = true;
        press_on_off();
        break;
    }
    sim.wave_out.refuse_open = true; // and the sound system stays away for a while
    check_times(f.checks_to_see - 1);
    EXPECT_TRUE(sim.wave_out.is_open);
    EXPECT_TRUE(said.empty());
    check_times(1);
    EXPECT_FALSE(sim.wave_out.is_open);
    EXPECT_TRUE(device.device_away());
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], f.said);
    EXPECT_EQ(count(sim.log, "waveOutOpen"), 2u); // tried at once

    check_times(3); // once per check, said once
    EXPECT_EQ(count(sim.log, "waveOutOpen"), 5u);
    EXPECT_EQ(said.size(), 1u);
    EXPECT_TRUE(s.device_open); // the program above noticed nothing

    sim.wave_out.stalled = false;
    sim.wave_out.refuse_writes = false;
    sim.wave_out.refuse_restart = false;
    sim.wave_out.refuse_open = false;
    const std::size_t writes_before = sim.wave_out.writes.size();
    check_times(1);
    EXPECT_TRUE(sim.wave_out.is_open);
    EXPECT_FALSE(device.device_away());
    EXPECT_EQ(said.back(), "the sound device is back");
    // Seven queued again as they were, then the eighth refilled behind them.
    EXPECT_EQ(sim.wave_out.writes.size(), writes_before + 8);
    EXPECT_EQ(sim.wave_out.queued(), 8u);
    for (int i = 0; i < 3; ++i) {
        play(4);
        check_times(1); // a device that plays again is left alone
    }
    EXPECT_EQ(count(sim.log, "waveOutOpen"), 6u);
    EXPECT_EQ(said.size(), 2u);

    const std::size_t after = 12;
    const std::vector<std::int16_t> mix = mix_buffers(f.first_after + after);
    std::vector<std::int16_t> expected(mix.begin(), mix.begin() + static_cast<long>(f.heard_before * buffer_samples));
    expected.insert(expected.end(), mix.begin() + static_cast<long>(f.first_after * buffer_samples), mix.end());
    EXPECT_TRUE(sim.wave_out.played == expected);
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reopening, FailingDevice,
    ::testing::Values(
        // Its sound server died: noticed after two quiet checks; of the ring
        // only the buffer that may have been partly heard is lost.
        Failure{"stalled", Fault::stalls, 1 + ReopeningWaveOut::stall_checks,
                "the sound device stopped playing; opening it again every second", 5, 6},
        // Unplugged: the first refused write is seen at the next check; what
        // its reset handed back is lost, and the first buffer kept.
        Failure{"refuses_writes", Fault::refuses_writes, 1, "the sound device failed; opening it again every second", 7,
                14},
        // A restart refused: seen at the next look; the queued buffers its
        // reset handed back are lost.
        Failure{"refuses_restart", Fault::refuses_restart, 1,
                "the sound device failed; opening it again every second", 5, 14}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST_F(Reopening, APauseIsKeptAndItsReleaseOpensADeviceThatIsAway)
{
    struct Case {
        const char* name;
        bool back_before_on; // the sound system returns while paused
    };
    for (const Case c : {Case{"back while paused", true}, Case{"back only later", false}}) {
        SCOPED_TRACE(c.name);
        sim.wave_out.stalled = true;
        sim.wave_out.refuse_open = true;
        check_times(1 + ReopeningWaveOut::stall_checks);
        ASSERT_TRUE(device.device_away());
        press_on_off(); // paused while away: no more tries
        EXPECT_FALSE(checking);
        const std::size_t opens = count(sim.log, "waveOutOpen");
        check_times(3);
        EXPECT_EQ(count(sim.log, "waveOutOpen"), opens);

        sim.wave_out.stalled = false;
        sim.wave_out.refuse_open = !c.back_before_on;
        press_on_off(); // released: opened at once if it can be
        sim.windowing.deliver_messages();
        EXPECT_EQ(device.device_away(), !c.back_before_on);
        EXPECT_TRUE(checking);
        if (!c.back_before_on) {
            sim.wave_out.refuse_open = false;
            check_times(1);
        }
        EXPECT_FALSE(device.device_away());
        play(8);
        EXPECT_EQ(sim.wave_out.queued(), 8u);
    }
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

TEST_F(Reopening, ClosingWhileTheDeviceIsAwayEndsCleanly)
{
    sim.wave_out.stalled = true;
    sim.wave_out.refuse_open = true;
    check_times(1 + ReopeningWaveOut::stall_checks);
    ASSERT_TRUE(device.device_away());
    const std::size_t opens = count(sim.log, "waveOutOpen");
    close_stream(s, p);
    EXPECT_FALSE(s.device_open);
    EXPECT_FALSE(checking);
    for (const WaveHeader& h : std::span(s.wave_headers.get(), 8))
        EXPECT_EQ(h.dwFlags & (WHDR_PREPARED | WHDR_INQUEUE), 0u);
    device.check(); // nothing left to look after
    EXPECT_EQ(count(sim.log, "waveOutOpen"), opens);
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

} // namespace
} // namespace tonegen
