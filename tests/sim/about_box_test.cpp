// The About box at start-up and from its toggle, and the maker's pages.
#include "app/program.h"
#include "audio/stream.h"
#include "platform/sim/sim_platform.h"
#include "ui/about_box.h"
#include "ui/main_window.h"

#include "record_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tonegen {
namespace {

using sim::SimPlatform;

constexpr int web = first_box_button, twitter = first_box_button + 1, linkedin = first_box_button + 4,
              ok = first_box_button + 5;

bool logged(const sim::CallLog& log, const std::string& call)
{
    return std::find(log.begin(), log.end(), call) != log.end();
}

TEST(StartupAboutBox, ChoicesOpenTheSoftwarePageAndAtMostOneMore)
{
    struct Case {
        const char* name;
        int button; // 0: the close box
        std::int64_t choice;
        std::vector<std::string> pages;
    };
    const std::string software(software_page());
    const Case cases[] = {
        {"OK", ok, 6, {software}},
        {"close box", 0, 0, {software}},
        {"Web", web, 1, {software}},
        {"Twitter", twitter, 2, {software, std::string(page_for_choice(2))}},
        {"Facebook", first_box_button + 2, 3, {software, std::string(page_for_choice(3))}},
        {"Google+", first_box_button + 3, 4, {software, std::string(page_for_choice(4))}},
        {"Linkedin", linkedin, 5, {software, std::string(page_for_choice(5))}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        Settings s{};
        sim.windowing.then([&] {
            // Nothing is heard or open while the start-up box is up.
            EXPECT_FALSE(logged(sim.log, "waveOutOpen"));
            EXPECT_TRUE(sim.shell.opened.empty());
        });
        if (c.button != 0)
            sim.windowing.press(c.button);
        else
            sim.windowing.close_box();
        sim.windowing.then([&] { EXPECT_TRUE(sim.wave_out.is_open); });
        sim.windowing.close_main_window();
        EXPECT_EQ(run_program(s, sim.platform), 0);
        EXPECT_EQ(s.about_choice, c.choice);
        EXPECT_EQ(sim.shell.opened, c.pages);
        EXPECT_FALSE(sim.windowing.script_used_up);
        EXPECT_EQ(sim.windowing.open_box_handle, 0u); // destroyed
    }
    EXPECT_NE(std::string(page_for_choice(2)), software_page());
    EXPECT_TRUE(page_for_choice(6).empty());
}

TEST(StartupAboutBox, ABoxThatCannotBeBuiltStopsNothing)
{
    struct Case {
        int measuring;
        bool refuse_box;
        std::int64_t choice;
    };
    for (const Case c : {Case{measuring_no_window, false, -1}, Case{measuring_no_drawing, false, -2},
                         Case{measuring_ready, true, -3}}) {
        SimPlatform sim;
        sim.windowing.measuring_result = c.measuring;
        sim.windowing.refuse_boxes = c.refuse_box;
        Settings s{};
        sim.windowing.then([&] { EXPECT_TRUE(sim.wave_out.is_open); });
        sim.windowing.close_main_window();
        EXPECT_EQ(run_program(s, sim.platform), 0);
        EXPECT_EQ(s.about_choice, c.choice);
        EXPECT_EQ(sim.shell.opened, std::vector<std::string>{std::string(software_page())});
        EXPECT_TRUE(sim.windowing.boxes.empty());
        EXPECT_FALSE(sim.windowing.script_used_up);
    }
}

TEST(StartupAboutBox, MainWindowEventsDuringTheBoxAreDropped)
{
    SimPlatform sim;
    Settings s{};
    std::optional<RecordSnapshot> before;
    sim.windowing.then([&] { before = snapshot(s); });
    sim.windowing.click(on_off_toggle);
    sim.windowing.click(sweep_toggle);
    sim.windowing.scroll(first_gain_bar + 4, 90);
    sim.windowing.type(2, "1234");
    sim.windowing.leave(2);
    sim.windowing.close_main_window(); // lost: the program runs on after the box
    sim.windowing.then([&] { EXPECT_EQ(snapshot(s), *before); });
    sim.windowing.press(ok);
    sim.windowing.then([&] {
        EXPECT_TRUE(sim.wave_out.is_open);
        RecordSnapshot after = snapshot(s);
        EXPECT_EQ(after.about_choice, 6);
        after.about_choice = before->about_choice;
        EXPECT_EQ(after, *before);
        // The dropped clicks and moves left no trace in the window either.
        EXPECT_TRUE(sim.windowing.checked(on_off_toggle));
        EXPECT_FALSE(sim.windowing.checked(sweep_toggle));
        EXPECT_EQ(sim.windowing.scroll_position(first_gain_bar + 4), 44);
    });
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_FALSE(sim.windowing.script_used_up);
    EXPECT_EQ(s.output_paused, 1);
    EXPECT_EQ(s.tones[4].gain, 0.44f);
    EXPECT_EQ(s.tones[2].frequency, 400);
}

TEST(AboutBox, IsLaidOutFromItsTexts)
{
    struct Case {
        const char* name;
        bool in_foreground;
        bool picture;
        int text_x;
    };
    for (const Case c : {Case{"program in front", true, true, 88}, Case{"another program in front", false, true, 88},
                         Case{"no picture", true, false, 5}}) {
        SCOPED_TRACE(c.name);
        SimPlatform sim;
        sim.windowing.in_foreground = c.in_foreground;
        if (!c.picture)
            sim.platform.assets.about_picture = {};
        std::vector<ControlSpec> box_controls;
        int focus = -1;
        sim.windowing.then([&] {
            const auto first = std::find_if(sim.windowing.created.begin(), sim.windowing.created.end(),
                                            [](const ControlSpec& x) { return x.kind == ControlKind::picture || x.font == ControlFont::box; });
            box_controls.assign(first, sim.windowing.created.end());
            focus = sim.windowing.focused;
        });
        sim.windowing.press(ok);
        Settings s{};
        sim.windowing.close_main_window();
        EXPECT_EQ(run_program(s, sim.platform), 0);

        ASSERT_EQ(sim.windowing.boxes.size(), 1u);
        const auto& box = sim.windowing.boxes[0];
        EXPECT_EQ(box.title, " Zelvara Pro V1.3.3");
        EXPECT_EQ(box.x, 40);
        EXPECT_EQ(box.y, 190);
        EXPECT_EQ(box.centred, !c.in_foreground);
        EXPECT_EQ(focus, web);

        std::vector<std::string> lines, captions;
        for (const ControlSpec& x : box_controls) {
            if (x.kind == ControlKind::text_label) {
                lines.push_back(x.caption);
                EXPECT_EQ(x.x, c.text_x);
            } else if (x.kind == ControlKind::push_button) {
                captions.push_back(x.caption);
                EXPECT_EQ(x.id, first_box_button + static_cast<int>(captions.size()) - 1);
            }
        }
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[1], "Real-Time Sinewave Audio Zelvara Generator");
        EXPECT_EQ(lines[2], "By Quillent");
        EXPECT_EQ(lines[3], "Web Site:");
        EXPECT_EQ(lines[5], "");
        EXPECT_EQ(captions, (std::vector<std::string>{"Web", "Twitter", "Facebook", "Google+", "Linkedin", "OK"}));
        EXPECT_EQ(std::count_if(box_controls.begin(), box_controls.end(),
                                [](const ControlSpec& x) { return x.kind == ControlKind::picture; }),
                  c.picture ? 1 : 0);
    }
}

TEST(AboutBox, EmptyCaptionsShowABlank)
{
    SimPlatform sim;
    sim.windowing.press(first_box_button + 1);
    EXPECT_EQ(show_about_box(sim.platform, 10, 20, "T|line", "A||  B  ", 100, 0), 2);
    std::vector<std::string> captions;
    for (const ControlSpec& x : sim.windowing.created)
        if (x.kind == ControlKind::push_button)
            captions.push_back(x.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"A", " ", "  B  "}));
}

TEST(AboutToggle, OpensTheBoxWhileTheTonesPlayOnAndOpensNoPage)
{
    SimPlatform sim;
    Settings s{};
    sim.windowing.press(ok);
    sim.windowing.click(on_off_toggle);
    sim.windowing.click(about_toggle);
    std::size_t played_before = 0;
    sim.windowing.then([&] { played_before = sim.wave_out.played.size(); });
    sim.play(3); // while the box is up
    sim.windowing.then([&] {
        EXPECT_EQ(sim.wave_out.played.size(), played_before + 3 * stream_buffer_frames);
        EXPECT_EQ(sim.wave_out.queued(), 8u); // refilled inside the box's own wait
    });
    sim.windowing.press(twitter);
    sim.windowing.close_main_window();
    EXPECT_EQ(run_program(s, sim.platform), 0);
    EXPECT_EQ(sim.windowing.boxes.size(), 2u);
    EXPECT_EQ(s.about_choice, 2);
    EXPECT_EQ(sim.shell.opened, std::vector<std::string>{std::string(software_page())});
    EXPECT_EQ(sim.wave_out.misuse, 0);
}

} // namespace
} // namespace tonegen
