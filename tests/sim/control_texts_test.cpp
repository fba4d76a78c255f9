// The tooltips and the texts of assistive technology in the running program:
// shown from start-up on, following every kind of change at once, sent only
// when they change and never from a buffer refill.
#include "app/program.h"
#include "model/controls.h"
#include "platform/sim/sim_platform.h"
#include "ui/control_texts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tonegen {
namespace {

using sim::SimPlatform;

constexpr const char* minus = "\u2212";

struct ShownTexts : ::testing::Test {
    SimPlatform sim;
    Settings s{};

    void SetUp() override { sim.windowing.press(first_box_button + 5); } // OK in the start-up box

    const sim::SimControl& control(int id) { return sim.windowing.controls.at(id); }

    // Every control shows what the record says now.
    void expect_current(const std::string& after)
    {
        SCOPED_TRACE(after);
        for (const ControlText& t : control_texts(s)) {
            const sim::SimControl& c = control(t.control);
            EXPECT_EQ(c.tooltip, t.tooltip) << t.control;
            EXPECT_EQ(c.accessible_description, t.tooltip) << t.control;
            EXPECT_EQ(c.accessible_name, t.accessible_name) << t.control;
            EXPECT_EQ(c.accessible_value, t.accessible_value) << t.control;
        }
    }

    // A script step, after the program has handled every action before it:
    // the texts are current, `more` holds, and `sent` texts went out since
    // the last check (-1: any number).
    void check(const std::string& after, int sent, std::function<void()> more = [] {})
    {
        sim.windowing.then([this, after, sent, more] {
            expect_current(after);
            if (sent >= 0) {
                EXPECT_EQ(sim.windowing.texts_sent - sent_before_, static_cast<std::size_t>(sent)) << after;
            }
            sent_before_ = sim.windowing.texts_sent;
            more();
        });
    }

    std::size_t sent_before_ = 0;
};

TEST_F(ShownTexts, FollowEveryKindOfChangeAtOnceAndOnlyWhatChangedIsSent)
{
    auto bar_value = [this](int k) { return control(first_gain_bar + k).accessible_value; };
    sim.play(1);
    check("start-up", -1, [&] {
        EXPECT_EQ(bar_value(4), std::string("44 per cent, ") + minus + "26.56 dBFS");
        EXPECT_EQ(control(4).accessible_value, "1000 hertz");
        EXPECT_EQ(control(on_off_toggle).accessible_name, "ON/OFF");
    });

    // Buffer refills change nothing the texts show, and send nothing.
    sim.play(8);
    check("refills", 0);

    // Tone 5's row alone: the field's value, the three tooltips (each also
    // the description).
    sim.windowing.type(4, "440");
    check("typing", 7, [&] {
        EXPECT_EQ(control(4).accessible_value, "440 hertz");
        EXPECT_EQ(control(first_gain_label + 4).tooltip.rfind("Tone 5: 440 Hz = A4 ", 0), 0u);
    });
    sim.windowing.step_field(4, true);
    check("stepping", 7, [&] { EXPECT_EQ(control(4).accessible_value, "441 hertz"); });
    sim.windowing.leave(4);
    check("leaving the field as it is", 0);

    // One bar to the top: every tone's level moves with the renormalisation,
    // and so does the mix.
    sim.windowing.scroll(first_gain_bar, 100);
    check("a gain move", -1, [&] {
        EXPECT_EQ(bar_value(0).rfind("100 per cent, ", 0), 0u);
        EXPECT_EQ(control(first_gain_label).accessible_value, "100 per cent");
        for (int k = 1; k < tone_slots; ++k)
            EXPECT_NE(bar_value(k), std::string("44 per cent, ") + minus + "26.56 dBFS") << k;
    });
    sim.windowing.scroll(first_gain_bar + 7, 0);
    check("a tone switched off", -1, [&] {
        EXPECT_EQ(bar_value(7), "0 per cent, off");
        EXPECT_NE(control(first_gain_bar + 7).tooltip.find("gain 0 % \u00B7 off"), std::string::npos);
    });

    // ON/OFF says whether the stream plays: one tooltip, one description.
    sim.windowing.click(on_off_toggle);
    check("ON/OFF", 2, [&] {
        EXPECT_NE(control(on_off_toggle).tooltip.find("playing"), std::string::npos);
    });

    // A pasted setup: every row follows it.
    sim.windowing.then([this] {
        sim.clipboard.text = "tonegen-setup 1: 440@100 200@0 400@0 700@0 1000@0 1400@0 2000@0 3000@0 4000@0 "
                                  "5000@0 6000@0 7000@0 8000@0 9000@0 10000@0 12000@0 14000@0 16000@0 18000@0 22050@0";
    });
    sim.windowing.shortcut(paste_setup_shortcut);
    check("a pasted setup", -1, [&] {
        EXPECT_EQ(bar_value(0), "100 per cent, 0.00 dBFS");
        EXPECT_EQ(control(19).accessible_value, "22050 hertz");
        EXPECT_EQ(control(first_gain_bar + 19).tooltip, "Tone 20: 22050 Hz \u2248 F10 \u221223 cents \u00B7 gain 0 % \u00B7 off");
    });

    // A change that changes nothing sends nothing.
    sim.windowing.scroll(first_gain_bar + 19, 0);
    check("the same position again", 0);
    sim.windowing.click(about_toggle);
    sim.windowing.press(first_box_button + 5);
    check("the About box", 0);

    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_TRUE(sim.windowing.script_used_up);
}

} // namespace
} // namespace tonegen
