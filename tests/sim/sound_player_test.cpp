// The sweep and pink-noise toggles over the test-signal player.
#include "app/program.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "ui/about_box.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

namespace tonegen {
namespace {

using sim::SimPlatform;

const sim::SimSoundBuffer* buffer_of(const SimPlatform& sim, const std::vector<unsigned char>& image)
{
    return sim.player.buffer_with(image.data() + 44, image.size() - 44);
}

TEST(SoundPlayer, EachToggleStartsAndStopsOnlyItsOwnLoop)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(first_box_button + 5);
    sim.windowing.click(sweep_toggle);
    sim.windowing.then([&] {
        const auto* sweep = buffer_of(sim, sim.sweep);
        ASSERT_NE(sweep, nullptr);
        EXPECT_TRUE(sweep->playing && sweep->looping);
        EXPECT_EQ(sweep->volume, -796);
        EXPECT_EQ(sweep->position, 0u);
        EXPECT_EQ(s.sweep_on, 1);
        EXPECT_EQ(sim.windowing.text(sweep_toggle), "ON SWEEP");
        EXPECT_FALSE(buffer_of(sim, sim.pink)->playing);
        sim.player.buffers.begin()->second.position = 4000; // it plays on by itself
    });
    sim.windowing.click(pink_toggle);
    sim.windowing.then([&] {
        EXPECT_TRUE(buffer_of(sim, sim.sweep)->playing);
        EXPECT_TRUE(buffer_of(sim, sim.pink)->playing);
        EXPECT_EQ(sim.windowing.text(pink_toggle), "ON PINK");
    });
    sim.windowing.click(sweep_toggle);
    sim.windowing.then([&] {
        EXPECT_FALSE(buffer_of(sim, sim.sweep)->playing);
        EXPECT_EQ(buffer_of(sim, sim.sweep)->position, 0u); // rewound
        EXPECT_TRUE(buffer_of(sim, sim.pink)->playing);
        EXPECT_EQ(s.sweep_on, 0);
        EXPECT_EQ(sim.windowing.text(sweep_toggle), "OFF SWEEP");
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_EQ(sim.log.back(), "sound release");
    EXPECT_FALSE(sim.windowing.script_used_up);
}

TEST(SoundPlayer, WithoutAPlayerOnlyTheTestSignalsAreMissing)
{
    struct Case {
        const char* name;
        bool library_missing, set_up_fails;
    };
    for (const Case c : {Case{"no library", true, false}, Case{"device set-up fails", false, true}}) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        sim.player.library_missing = c.library_missing;
        sim.player.set_up_fails = c.set_up_fails;
        Settings s{};
        sim.windowing.press(first_box_button + 5);
        sim.windowing.click(sweep_toggle);
        sim.windowing.click(on_off_toggle);
        sim.play(2);
        sim.windowing.then([&] {
            EXPECT_TRUE(sim.windowing.checked(sweep_toggle)); // its own pressed state only
            EXPECT_EQ(sim.windowing.text(sweep_toggle), "OFF SWEEP");
            EXPECT_EQ(s.sweep_on, 0);
            EXPECT_TRUE(sim.player.buffers.empty());
            EXPECT_EQ(sim.wave_out.played.size(), 2u * stream_buffer_frames); // the tones play
            EXPECT_EQ(s.tones[0].frequency, 80);
        });
        sim.windowing.close_main_window();
        EXPECT_EQ(run_program(s, sim.platform), 0);
        EXPECT_TRUE(sim.windowing.message_boxes.empty());
        EXPECT_FALSE(sim.windowing.script_used_up);
    }
}

TEST(SoundPlayer, SwitchingOffAndOnRestartsFromTheFirstSample)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(first_box_button + 5);
    sim.windowing.click(pink_toggle);
    sim.windowing.then([&] { sim.player.buffers.begin()->second.position = 123456; });
    sim.windowing.click(pink_toggle);
    sim.windowing.click(pink_toggle);
    sim.windowing.then([&] {
        const auto* pink = buffer_of(sim, sim.pink);
        EXPECT_TRUE(pink->playing);
        EXPECT_EQ(pink->position, 0u);
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
}

TEST(SoundPlayer, CtrlShiftFCatchesTheSweepsFrequencyHeardIntoAFieldAndStopsTheSweep)
{
    struct Case {
        const char* name;
        int focus; // where the keyboard is at the key
        int field; // the field that takes the frequency; -1: none
        bool sweep;
    };
    const Case cases[] = {
        {"a field focused", 5, 5, true},
        {"ON/OFF focused", on_off_toggle, 0, true},
        {"no sweep playing", 5, -1, false},
    };
    Settings defaults{};
    apply_defaults(defaults);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        Settings s{};
        sim.windowing.press(first_box_button + 5);
        sim.windowing.click(on_off_toggle);
        if (c.sweep)
            sim.windowing.click(sweep_toggle);
        sim.windowing.then([&] {
            for (auto& [handle, b] : sim.player.buffers)
                b.position = 2 * 3 * 44100; // 3 s in: 88.8 Hz
        });
        sim.windowing.timers_run_out();
        sim.windowing.then([&] {
            const std::string& said = sim.windowing.controls.at(sweep_toggle).accessible_description;
            EXPECT_EQ(said.ends_with("now 89 Hz, rising"), c.sweep) << said;
            sim.windowing.set_focus(c.focus);
        });
        sim.windowing.shortcut(catch_sweep_shortcut);
        sim.windowing.then([&] {
            for (int k = 0; k < tone_slots; ++k) {
                const std::int64_t expected = k == c.field ? 89 : defaults.tones[k].frequency;
                EXPECT_EQ(s.tones[k].frequency, expected) << k;
                EXPECT_EQ(sim.windowing.text(k), std::to_string(expected)) << k;
            }
            EXPECT_EQ(s.sweep_on, 0);
            EXPECT_FALSE(sim.windowing.checked(sweep_toggle));
            EXPECT_EQ(sim.windowing.text(sweep_toggle), "OFF SWEEP");
            EXPECT_FALSE(buffer_of(sim, sim.sweep)->playing);
            EXPECT_TRUE(sim.windowing.timers.empty());
            EXPECT_EQ(sim.windowing.controls.at(sweep_toggle).tooltip.find("now"), std::string::npos);
            EXPECT_EQ(s.output_paused, 0); // the tones go on
            EXPECT_EQ(sim.windowing.focused, c.focus);
        });
        sim.windowing.close_main_window();
        EXPECT_EQ(run_program(s, sim.platform), 0);
        EXPECT_FALSE(sim.windowing.script_used_up);
    }
}

} // namespace
} // namespace tonegen
