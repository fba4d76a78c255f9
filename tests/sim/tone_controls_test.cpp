// The tone rows: typing, stepping, leaving a field, moving a gain bar.
#include "app/program.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "synth/synth.h"
#include "ui/main_window.h"
#include "ui/tone_controls.h"

#include <gtest/gtest.h>

#include <functional>

namespace tonegen {
namespace {

using sim::SimPlatform;

// The main window built and refreshed from the defaults, as after start-up.
struct ToneRows : ::testing::Test {
    SimPlatform sim;
    Settings s{};

    void SetUp() override
    {
        apply_defaults(s);
        ASSERT_NE(open_main_window(s, sim.platform, main_window_x, main_window_y, main_window_width, main_window_height, program_message_handler(s, sim.platform)), 0u);
        refresh_controls(s, sim.platform);
        drain_events(sim.platform);
    }

    // Hands every pending event to the program, as the event loop does.
    void handle_pending()
    {
        for (Event e = sim.windowing.poll_event(); e.kind != EventKind::none; e = sim.windowing.poll_event()) {
            if (e.kind == EventKind::control)
                dispatch_control_event(s, sim.platform, e);
            else if (e.kind == EventKind::key)
                dispatch_key_event(s, sim.platform, e);
        }
    }
    void type(int field, const std::string& text)
    {
        sim.windowing.set_text(field, text);
        handle_pending();
    }
    void leave(int field)
    {
        static_cast<void>(sim.windowing.post_message(sim.platform.main_window, WM_COMMAND,
                                                     (std::uintptr_t{EN_KILLFOCUS} << 16) | static_cast<unsigned>(field), 0));
        handle_pending();
    }
};

TEST_F(ToneRows, TypingOneKeyAtATimeFollowsTheValidPrefixes)
{
    struct Step {
        const char* text;
        std::int64_t frequency;
    };
    for (const Step step : {Step{"4", 700}, Step{"44", 44}, Step{"440", 440}, Step{"4400", 4400}, Step{"44000", 4400},
                            Step{"", 4400}, Step{"x", 4400}}) {
        type(3, step.text);
        EXPECT_EQ(s.tones[3].frequency, step.frequency) << '"' << step.text << '"';
    }
}

TEST_F(ToneRows, LeavingAFieldTakesTheTypedNumberClamped)
{
    struct Case {
        const char* typed;
        std::int64_t frequency;
    };
    const Case cases[] = {
        {"abc", 22}, {"", 22}, {"-5", 22}, {"30000", 22050}, {" 1000Hz", 1000}, {"$3E8", 1000},
        {"%1111101000", 1000}, {"99999999999", 22050}, {"4294967318", 22050}, {"21", 22}, {"22050", 22050},
        {"18446744073709552616", 22050}, {"-18446744073709552616", 22},
    };
    for (const Case& c : cases) {
        sim.windowing.set_text(7, c.typed);
        drain_events(sim.platform); // the typing itself was handled earlier
        leave(7);
        EXPECT_EQ(s.tones[7].frequency, c.frequency) << '"' << c.typed << '"';
        EXPECT_EQ(sim.windowing.text(7), std::to_string(c.frequency)) << '"' << c.typed << '"';
    }
}

TEST_F(ToneRows, ArrowsStepWithinTheRange)
{
    struct Case {
        std::int64_t start;
        bool up;
        std::int64_t frequency;
    };
    for (const Case c : {Case{22050, true, 22050}, Case{22, false, 22}, Case{1000, true, 1001}, Case{1000, false, 999}}) {
        sim.windowing.set_field_value(0, c.start);
        handle_pending();
        sim.windowing.set_field_value(0, sim.windowing.field_value(0) + (c.up ? 1 : -1));
        sim.windowing.post_now(Event{EventKind::control, sim.platform.main_window, 0, c.up ? step_up : step_down});
        handle_pending();
        EXPECT_EQ(s.tones[0].frequency, c.frequency);
    }
}

TEST_F(ToneRows, KeysOfAFieldChangeItsToneAsAStepOrABarMoveWould)
{
    struct Case {
        int control, key, modifiers;
        std::int64_t frequency; // of tone 3 afterwards
        int position;           // of its gain bar and label afterwards
        float other_amplitude;  // of tone 0, renormalised
    };
    const Case cases[] = {
        {3, key_up, with_ctrl, 742, 44, 1540.3291015625f},
        {3, key_page_up, with_shift, 742, 54, 1524.0465087890625f},
        {on_off_toggle, key_page_down, 0, 742, 54, 1524.0465087890625f}, // not a field: nothing
    };
    for (const Case& c : cases) {
        sim.windowing.post_now(Event{EventKind::key, sim.platform.main_window, c.control, c.key, c.modifiers});
        handle_pending();
        EXPECT_EQ(s.tones[3].frequency, c.frequency) << c.key;
        EXPECT_EQ(sim.windowing.text(3), std::to_string(c.frequency)) << c.key;
        EXPECT_EQ(sim.windowing.text(first_gain_label + 3), std::to_string(c.position)) << c.key;
        EXPECT_EQ(gain_position(s.tones[3].gain), c.position) << c.key;
        EXPECT_EQ(s.tones[0].amplitude, c.other_amplitude) << c.key;
        // What a screen reader announces follows at once.
        EXPECT_EQ(sim.windowing.controls.at(3).accessible_value, std::to_string(c.frequency) + " hertz") << c.key;
    }
}

TEST_F(ToneRows, GainBarSetsItsLabelAndRenormalisesEveryTone)
{
    struct Case {
        int position;
        float gain, own_amplitude, other_amplitude;
    };
    for (const Case c : {Case{0, 0.0f, 0.0f, 1616.3094482421875f}, Case{100, 1.0f, 3500.747802734375f, 1453.375f},
                         Case{44, 0.44f, 1540.3291015625f, 1540.3291015625f}}) {
        sim.windowing.set_scroll_position(first_gain_bar + 19, c.position);
        sim.windowing.post_now(Event{EventKind::control, sim.platform.main_window, first_gain_bar + 19, 0});
        handle_pending();
        EXPECT_EQ(sim.windowing.text(first_gain_label + 19), std::to_string(c.position));
        EXPECT_EQ(s.tones[19].gain, c.gain);
        EXPECT_EQ(s.tones[19].amplitude, c.own_amplitude);
        EXPECT_EQ(s.tones[0].amplitude, c.other_amplitude);
    }
}

TEST_F(ToneRows, EveryPositionRoundTripsThroughTheGain)
{
    for (int p = 0; p <= 100; ++p) {
        sim.windowing.set_scroll_position(first_gain_bar, p);
        sim.windowing.post_now(Event{EventKind::control, sim.platform.main_window, first_gain_bar, 0});
        handle_pending();
        EXPECT_EQ(gain_position(s.tones[0].gain), p);
    }
}

TEST_F(ToneRows, HandlersDiscardEventsPendingBehindThemAndTheirLook)
{
    // A user's move of bar K as the platform makes it: the thumb first.
    auto move_bar = [this](int k, int position) {
        sim.windowing.set_scroll_position(first_gain_bar + k, position);
        sim.windowing.post_now(Event{EventKind::control, sim.platform.main_window, first_gain_bar + k, 0});
    };
    struct Case {
        const char* handler;
        std::function<void()> first; // the event handled; what follows it is dropped
    };
    const Case cases[] = {
        {"gain", [&] { move_bar(2, 10); }},
        {"frequency", [&] { sim.windowing.set_field_value(5, 1234); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handler);
        c.first();
        sim.windowing.click_now(on_off_toggle);
        sim.windowing.click_now(sweep_toggle);
        sim.windowing.click_now(pink_toggle);
        sim.windowing.click_now(pink_toggle);
        move_bar(2, 70);
        move_bar(7, 90);
        sim.windowing.close_now(sim.platform.main_window);
        dispatch_control_event(s, sim.platform, sim.windowing.poll_event());
        EXPECT_EQ(sim.windowing.pending_events(), 0u);
        EXPECT_EQ(s.output_paused, 1);
        EXPECT_EQ(s.sweep_on, 0);
        // The window shows what the program does: nothing of the dropped events.
        EXPECT_TRUE(sim.windowing.checked(on_off_toggle));
        EXPECT_FALSE(sim.windowing.checked(sweep_toggle));
        EXPECT_FALSE(sim.windowing.checked(pink_toggle));
        for (int k : {2, 7}) {
            EXPECT_EQ(sim.windowing.scroll_position(first_gain_bar + k), gain_position(s.tones[k].gain)) << k;
            EXPECT_EQ(sim.windowing.text(first_gain_label + k), std::to_string(gain_position(s.tones[k].gain))) << k;
        }
    }
    EXPECT_EQ(s.tones[2].gain, 0.7f); // where its thumb was when the handler ran
    EXPECT_EQ(s.tones[7].gain, 0.44f);
    EXPECT_EQ(s.tones[5].frequency, 1234);
}

TEST_F(ToneRows, RefillsDuringTheDrainSeeTheNewFrequencyButTheOldAmplitudes)
{
    ASSERT_TRUE(open_stream(s, sim.platform));
    sim.windowing.deliver_messages();
    sim.windowing.click_now(on_off_toggle);
    handle_pending();
    const float old_amplitude = s.tones[0].amplitude;

    // Each handler's drain refills one finished buffer; record what the
    // fill saw at that moment.
    std::vector<std::pair<std::int64_t, float>> seen;
    sim.windowing.set_message_handler([&](WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        if (m == MM_WOM_DONE)
            seen.emplace_back(s.tones[5].frequency, s.tones[0].amplitude);
        stream_message_handler(s, sim.platform, w, m, wp, lp);
    });

    sim.windowing.set_text(5, "1234");
    drain_events(sim.platform);
    ASSERT_EQ(sim.wave_out.play(1), 1);
    on_frequency_event(s, sim.platform, Event{EventKind::control, sim.platform.main_window, 5, text_changed});

    sim.windowing.set_scroll_position(first_gain_bar + 1, 90);
    ASSERT_EQ(sim.wave_out.play(1), 1);
    on_gain_event(s, sim.platform, Event{EventKind::control, sim.platform.main_window, first_gain_bar + 1, 0});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, 1234);
    EXPECT_EQ(seen[1].second, old_amplitude);
    EXPECT_NE(s.tones[0].amplitude, old_amplitude);
}

} // namespace
} // namespace tonegen
