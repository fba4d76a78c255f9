// The output stream on the virtual device: priming, pause, refill, close.
#include "app/program.h"
#include "app/render.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "synth/synth.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace tonegen {
namespace {

using sim::SimPlatform;

// What the device must have played: consecutive buffers of the default mix.
std::vector<std::int16_t> expected_mix(std::size_t samples)
{
    Settings s{};
    apply_defaults(s);
    for (Tone& t : s.tones)
        t.frequency += 3; // the same shift the tests apply, off the 20 Hz grid
    normalise_gains(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    std::vector<std::int16_t> out(samples);
    std::vector<char> buffer(2 * stream_buffer_frames);
    for (std::size_t done = 0; done < samples; done += stream_buffer_frames) {
        fill_buffer(s, buffer.data());
        std::memcpy(out.data() + done, buffer.data(), std::min<std::size_t>(2 * stream_buffer_frames, 2 * (samples - done)));
    }
    return out;
}

std::size_t count(const sim::CallLog& log, const std::string& call)
{
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), call));
}

// The program up to its open stream, tones moved off the 20 Hz grid so that
// a lost or repeated buffer cannot hide in the mix's period.
struct OpenStream : ::testing::Test {
    SimPlatform sim;
    Settings s{};

    void SetUp() override
    {
        apply_defaults(s);
        for (Tone& t : s.tones)
            t.frequency += 3;
        ASSERT_NE(open_main_window(s, sim.platform, main_window_x, main_window_y, main_window_width, main_window_height, program_message_handler(s, sim.platform)), 0u);
        normalise_gains(s);
        ASSERT_TRUE(open_stream(s, sim.platform));
    }
};

TEST_F(OpenStream, PrimesAllEightBuffersBeforeThePause)
{
    const auto& log = sim.log;
    const auto open = std::find(log.begin(), log.end(), "waveOutOpen");
    ASSERT_NE(open, log.end());
    const std::vector<std::string> expected_tail = [] {
        std::vector<std::string> v(8, "waveOutPrepareHeader");
        v.insert(v.end(), 8, "post MM_WOM_DONE");
        v.push_back("waveOutPause");
        return v;
    }();
    EXPECT_EQ(std::vector<std::string>(open + 1, log.end()), expected_tail);

    EXPECT_EQ(sim.wave_out.open_device, 0u);
    EXPECT_EQ(sim.wave_out.open_flags, 0x10008u);
    EXPECT_EQ(sim.wave_out.open_instance, 1u);
    EXPECT_EQ(sim.wave_out.callback, sim.platform.main_window);
    EXPECT_EQ(s.buffer_bytes, 24576);
    EXPECT_EQ(s.wave_format.nAvgBytesPerSec, 88200u);

    // Handled inside the next event wait: every buffer filled and queued
    // once on the paused device, nothing played.
    sim.windowing.deliver_messages();
    EXPECT_EQ(sim.wave_out.writes.size(), 8u);
    EXPECT_EQ(sim.wave_out.queued(), 8u);
    EXPECT_EQ(sim.wave_out.play(8), 0);
    EXPECT_TRUE(sim.wave_out.played.empty());
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

TEST_F(OpenStream, PlaysTheMixWithoutLossOrRepeatAcrossPauses)
{
    sim.windowing.deliver_messages();
    auto press_on_off = [&] {
        sim.windowing.click_now(on_off_toggle);
        dispatch_control_event(s, sim.platform, sim.windowing.poll_event());
    };
    press_on_off(); // released: "ON"
    EXPECT_EQ(sim.windowing.text(on_off_toggle), "ON");
    EXPECT_EQ(s.output_paused, 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(sim.wave_out.play(3), 3);
        sim.windowing.deliver_messages();
        EXPECT_EQ(sim.wave_out.queued(), 8u); // every finished buffer is back in the ring
    }
    press_on_off(); // pressed: "OFF"
    EXPECT_EQ(sim.windowing.text(on_off_toggle), "OFF");
    EXPECT_EQ(sim.wave_out.play(4), 0);
    press_on_off();
    ASSERT_EQ(sim.wave_out.play(10), 8); // the queued buffers made before the pause play first
    sim.windowing.deliver_messages();
    ASSERT_EQ(sim.wave_out.play(6), 6);

    const std::vector<std::int16_t>& played = sim.wave_out.played;
    ASSERT_EQ(played.size(), 29u * stream_buffer_frames);
    EXPECT_TRUE(played == expected_mix(played.size()));
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

TEST_F(OpenStream, EachHeaderCarriesOneFillPerPlayback)
{
    sim.windowing.deliver_messages();
    // A stray notice for a header that is still queued, and one for an
    // address that is no header at all, must not refill anything.
    const std::size_t writes = sim.wave_out.writes.size();
    const WaveHeader& queued = s.wave_headers[3];
    ASSERT_TRUE(queued.dwFlags & WHDR_INQUEUE);
    const std::vector<char> samples(queued.lpData, queued.lpData + queued.dwBufferLength);
    std::int64_t bogus = 0;
    for (std::intptr_t address : {reinterpret_cast<std::intptr_t>(&queued), reinterpret_cast<std::intptr_t>(&bogus),
                                  std::intptr_t{0}})
        stream_message_handler(s, sim.platform, sim.platform.main_window, MM_WOM_DONE, 0, address);
    EXPECT_EQ(sim.wave_out.writes.size(), writes);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), queued.lpData));
    EXPECT_EQ(sim.wave_out.misuse, 0);
    // What plays afterwards is the mix as if no stray notice had come.
    set_output_paused(s, sim.platform, false);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(sim.wave_out.play(8), 8);
        sim.windowing.deliver_messages();
    }
    EXPECT_TRUE(sim.wave_out.played == expected_mix(sim.wave_out.played.size()));
}

TEST_F(OpenStream, CloseResetsBeforeItUnpreparesAndCloses)
{
    sim.windowing.deliver_messages();
    const std::size_t before = sim.log.size();
    close_stream(s, sim.platform);
    std::vector<std::string> expected{"waveOutReset"};
    expected.insert(expected.end(), 8, "waveOutUnprepareHeader");
    expected.push_back("waveOutClose");
    std::vector<std::string> device_calls;
    std::copy_if(sim.log.begin() + static_cast<long>(before), sim.log.end(), std::back_inserter(device_calls),
                 [](const std::string& call) { return call.rfind("waveOut", 0) == 0; });
    EXPECT_EQ(device_calls, expected);
    EXPECT_EQ(sim.wave_out.misuse, 0);
    EXPECT_FALSE(sim.wave_out.is_open);

    close_stream(s, sim.platform); // a second close touches nothing
    EXPECT_EQ(sim.log.back(), "waveOutClose");
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

// The stop timer over the whole program: the device plays the render's
// samples up to the end, which shows as a pause and stops the test signal;
// each later release counts anew from the first frame it plays, a pause
// cancelling the count that runs.
TEST(StopTimer, EndsAsTheRenderDoesAndEachReleaseCountsAgain)
{
    SimPlatform sim;
    Settings s{};
    StartOptions start;
    start.stop_after_seconds = 3; // 132300 frames: the end is in the 11th buffer
    const std::vector<std::int16_t>& played = sim.wave_out.played;
    const auto buffers = [&](int n) {
        for (int i = 0; i < n; ++i)
            sim.play(1);
    };
    std::size_t released_at = 0;
    const auto release = [&] {
        sim.windowing.click(on_off_toggle);
        sim.windowing.then([&] { released_at = played.size(); });
    };
    sim.windowing.press(first_box_button + 5);
    sim.windowing.click(sweep_toggle);
    release();
    buffers(10);
    sim.windowing.then([&] { EXPECT_EQ(sim.windowing.text(on_off_toggle), "ON"); });
    buffers(1);
    sim.windowing.then([&] {
        EXPECT_EQ(sim.windowing.text(on_off_toggle), "OFF");
        EXPECT_TRUE(sim.windowing.checked(on_off_toggle));
        EXPECT_EQ(s.output_paused, 1);
        EXPECT_EQ(sim.windowing.text(sweep_toggle), "OFF SWEEP");
        EXPECT_FALSE(sim.windowing.checked(sweep_toggle));
        EXPECT_EQ(sim.wave_out.play(1), 0);
        RenderOptions o;
        o.stop_after_seconds = 3;
        StreamRender render(o, sim.platform.assets);
        std::vector<std::int16_t> expected(played.size());
        render.next(expected.data(), expected.size());
        EXPECT_TRUE(played == expected);
    });
    release(); // the silence queued after the end is not heard
    buffers(2);
    sim.windowing.click(on_off_toggle);
    release();
    buffers(11);
    sim.windowing.then([&] {
        EXPECT_EQ(sim.windowing.text(on_off_toggle), "OFF");
        ASSERT_EQ(played.size(), released_at + 11 * stream_buffer_frames);
        const auto sounding = [&](std::size_t from, std::size_t to) {
            return std::any_of(played.begin() + static_cast<std::ptrdiff_t>(from),
                               played.begin() + static_cast<std::ptrdiff_t>(to), [](std::int16_t v) { return v != 0; });
        };
        const std::size_t end = released_at + 3 * stream_rate;
        EXPECT_TRUE(sounding(released_at - 2 * stream_buffer_frames, released_at));
        EXPECT_TRUE(sounding(end - stop_fade_frames - 100, end - stop_fade_frames));
        EXPECT_FALSE(sounding(end, played.size()));
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform, start), 0);
    EXPECT_FALSE(sim.windowing.script_used_up);
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

TEST(StreamFailures, WhatAFailedOpenLeavesBehind)
{
    struct Case {
        const char* name;
        bool refuse_format;
        int fail_prepare_at;
        std::size_t prepares, unprepares;
    };
    const Case cases[] = {
        {"format refused", true, -1, 0, 0},
        {"first header fails", false, 0, 8, 7},
        {"last header fails", false, 7, 8, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        sim.wave_out.refuse_format = c.refuse_format;
        sim.wave_out.fail_prepare_at = c.fail_prepare_at;
        Settings s{};
        apply_defaults(s);
        sim.platform.main_window = sim.windowing.open_window(main_window_title, 33, 33, 294, 765);

        EXPECT_FALSE(open_stream(s, sim.platform));
        EXPECT_EQ(count(sim.log, "waveOutPrepareHeader"), c.prepares);
        EXPECT_EQ(count(sim.log, "post MM_WOM_DONE"), 0u); // nothing unprepared is ever queued
        EXPECT_EQ(count(sim.log, "waveOutPause"), 0u);

        close_stream(s, sim.platform);
        EXPECT_EQ(count(sim.log, "waveOutUnprepareHeader"), c.unprepares);
        EXPECT_EQ(count(sim.log, "waveOutReset"), c.refuse_format ? 0u : 1u);
        EXPECT_EQ(sim.wave_out.misuse, 0);
    }
}

} // namespace
} // namespace tonegen
