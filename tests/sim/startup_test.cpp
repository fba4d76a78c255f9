// The whole program on the sim platform: start-up, event loop, shutdown.
#include "app/program.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "synth/synth.h"
#include "ui/about_box.h"
#include "ui/main_window.h"

#include "record_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace tonegen {
namespace {

using sim::SimPlatform;

bool logged(const sim::CallLog& log, const std::string& call)
{
    return std::find(log.begin(), log.end(), call) != log.end();
}

TEST(Startup, StartsSilentWithTheDefaultsLoadedAndEndsWithExitCodeZero)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(first_box_button + 5); // "OK" in the start-up box
    sim.play(4); // the device is paused: nothing may come back
    sim.windowing.then([&] {
        EXPECT_EQ(sim.wave_out.queued(), 8u);
        EXPECT_TRUE(sim.wave_out.played.empty());
        EXPECT_TRUE(sim.windowing.checked(on_off_toggle));
        EXPECT_EQ(sim.windowing.text(on_off_toggle), "OFF");
        EXPECT_EQ(sim.windowing.focused, on_off_toggle);
        for (int k = 0; k < tone_slots; ++k) {
            EXPECT_EQ(sim.windowing.text(k), std::to_string(s.tones[k].frequency));
            EXPECT_EQ(sim.windowing.scroll_position(first_gain_bar + k), 44);
            EXPECT_EQ(sim.windowing.text(first_gain_label + k), "44");
            EXPECT_EQ(s.tones[k].amplitude, 1540.3291015625f);
        }
    });
    sim.windowing.close_main_window();

    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_FALSE(sim.windowing.script_used_up);
    EXPECT_TRUE(sim.windowing.message_boxes.empty());
    EXPECT_EQ(sim.log.front(), "font Arial 8");
    EXPECT_TRUE(logged(sim.log, "open_window Zelvara Pro-ZEZIZAVIZ VERSION 33,33 294x765"));
    EXPECT_EQ(s.tones[19].frequency, 20000);
    // Closing stops the device at once, then undoes what open did.
    const auto reset = std::find(sim.log.begin(), sim.log.end(), "waveOutReset");
    ASSERT_NE(reset, sim.log.end());
    const auto destroyed = std::find(reset, sim.log.end(), "destroy_window");
    ASSERT_NE(destroyed, sim.log.end());
    EXPECT_EQ(*(destroyed - 1), "waveOutClose");
    EXPECT_EQ(sim.log.back(), "sound release");
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

TEST(Startup, FailuresEndWithOneMessageAtMostAndExitCodeZero)
{
    struct Case {
        const char* name;
        unsigned devices;
        bool refuse_format;
        bool refuse_window;
        std::vector<std::string> boxes;
        bool stream_opened;
    };
    const std::string no_device = "Err!|Audio Device Not Present";
    const Case cases[] = {
        {"no wave-out device", 0, false, false, {no_device}, false},
        {"format refused", 1, true, false, {no_device}, false},
        {"window refused", 1, false, true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        sim.wave_out.device_count = c.devices;
        sim.wave_out.refuse_format = c.refuse_format;
        sim.windowing.refuse_windows = c.refuse_window;
        sim.windowing.press(first_box_button + 5);
        Settings s{};
        EXPECT_EQ(run_program(s, sim.platform), 0);
        EXPECT_EQ(sim.windowing.message_boxes, c.boxes);
        EXPECT_FALSE(sim.windowing.script_used_up); // the event loop never ran
        EXPECT_EQ(sim.windowing.boxes.size(), c.refuse_format ? 1u : 0u);
        EXPECT_FALSE(logged(sim.log, "waveOutReset"));
        EXPECT_EQ(sim.wave_out.misuse, 0);
        if (c.devices == 0) { // the box stands over the empty window, the controls still follow
            EXPECT_FALSE(logged(sim.log, "waveOutOpen"));
        }
    }
}

TEST(Startup, NoDeviceLeavesTheMessageHandlerUninstalled)
{
    SimPlatform sim;
    sim.wave_out.device_count = 0;
    Settings s{};
    apply_defaults(s);
    EXPECT_EQ(open_main_window(s, sim.platform, main_window_x, main_window_y, main_window_width, main_window_height, program_message_handler(s, sim.platform)), 0u);
    EXPECT_EQ(sim.windowing.controls.size(), 4u + 2 + 60);
    // A completion posted now reaches nobody.
    static_cast<void>(sim.windowing.post_message(sim.platform.main_window, MM_WOM_DONE, 0, 0));
    sim.windowing.deliver_messages();
    EXPECT_TRUE(sim.wave_out.writes.empty());
}

TEST(EventLoop, ControlsWithoutAHandlerChangeNothing)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(first_box_button + 5);
    std::optional<RecordSnapshot> before;
    sim.windowing.then([&] { before = snapshot(s); });
    for (int id : {frequency_heading, gain_heading, first_gain_label, first_gain_label + 19, 40, 119, 162, 999, -1}) {
        sim.windowing.then([&sim, id] { sim.windowing.post_now(Event{EventKind::control, sim.windowing.main_window(), id, 0}); });
    }
    // A close request of another window does not end the loop either.
    sim.windowing.then([&sim] { sim.windowing.close_now(0x9999); });
    sim.windowing.then([&] { EXPECT_EQ(snapshot(s), *before); });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
    ASSERT_TRUE(before.has_value());
    EXPECT_FALSE(sim.windowing.script_used_up);
}

TEST(EventLoop, OnOffTogglesThePausedDevice)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(first_box_button + 5);
    sim.windowing.click(on_off_toggle);
    sim.play(2);
    sim.windowing.then([&] {
        EXPECT_EQ(s.output_paused, 0);
        EXPECT_EQ(sim.wave_out.played.size(), 2u * stream_buffer_frames);
        EXPECT_EQ(sim.wave_out.played[0], 0); // every tone starts at sin(0)
    });
    sim.windowing.click(on_off_toggle);
    sim.play(2);
    sim.windowing.then([&] {
        EXPECT_EQ(s.output_paused, 1);
        EXPECT_EQ(sim.windowing.text(on_off_toggle), "OFF");
        EXPECT_EQ(sim.wave_out.played.size(), 2u * stream_buffer_frames);
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

} // namespace
} // namespace tonegen
