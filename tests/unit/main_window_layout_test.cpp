#include "model/controls.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tonegen {
namespace {

TEST(MainWindowLayout, EveryControlLiesInsideTheClientArea)
{
    Settings s{};
    apply_defaults(s);
    const std::vector<ControlSpec> controls = main_window_controls(s);
    EXPECT_EQ(controls.size(), 4u + 2 * 22 + 3 * 20);
    for (const ControlSpec& c : controls) {
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.x + c.width, 294) << "control " << c.id;
        EXPECT_LE(c.y + c.height, 765) << "control " << c.id;
    }
}

TEST(MainWindowLayout, RowsFollowOnePitch)
{
    Settings s{};
    apply_defaults(s);
    const std::vector<ControlSpec> controls = main_window_controls(s);
    std::vector<int> frame_y;
    for (const ControlSpec& c : controls)
        if (c.kind == ControlKind::frame && c.height == 42)
            frame_y.push_back(c.y);
    ASSERT_EQ(frame_y.size(), 40u);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(frame_y[k], 33 + 33 * k);
        EXPECT_EQ(frame_y[20 + k], 33 + 33 * k);
    }
    EXPECT_EQ(frame_y[19] + 42, 702); // the last frame ends above the buttons at 718
}

TEST(MainWindowLayout, ZeroRecordStacksTheFirstTwoFrequencyRows)
{
    Settings s{}; // defaults never applied
    const std::vector<ControlSpec> controls = main_window_controls(s);
    std::vector<ControlSpec> frames;
    std::copy_if(controls.begin(), controls.end(), std::back_inserter(frames),
                 [](const ControlSpec& c) { return c.kind == ControlKind::frame && c.height == 42; });
    ASSERT_EQ(frames.size(), 40u);
    EXPECT_EQ(frames[0].y, 33);
    EXPECT_EQ(frames[1].y, 33);
    EXPECT_EQ(frames[2].y, 66);
    EXPECT_EQ(frames[0].x, 0);
    EXPECT_EQ(frames[20].y, 33);
    EXPECT_EQ(frames[21].y, 66); // the gain column starts again from 33
    for (const ControlSpec& c : controls) {
        if (c.kind == ControlKind::gain_scroll_bar) {
            EXPECT_EQ(c.range_max, 0);
        }
    }
}

TEST(MainWindowLayout, GainLabelsShowTheRoundedGain)
{
    struct Case {
        float gain;
        const char* text;
    };
    for (const Case c : {Case{0.44f, "44"}, Case{0.0f, "0"}, Case{1.0f, "100"}, Case{0.285f, "28"},
                         Case{0.07f, "7"}, Case{0.125f, "12"}, Case{0.375f, "38"}}) {
        Settings s{};
        apply_defaults(s);
        s.tones[5].gain = c.gain;
        const std::vector<ControlSpec> controls = main_window_controls(s);
        const auto label = std::find_if(controls.begin(), controls.end(),
                                        [](const ControlSpec& x) { return x.id == first_gain_label + 5; });
        ASSERT_NE(label, controls.end());
        EXPECT_EQ(label->caption, c.text) << c.gain;
    }
}

} // namespace
} // namespace tonegen
