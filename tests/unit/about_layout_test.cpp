#include "ui/about_layout.h"

#include <gtest/gtest.h>

namespace tonegen {
namespace {

AboutMeasurements about_text(bool picture)
{
    AboutMeasurements m;
    m.line_height = 16;
    m.line_widths = {160, 336, 88, 72, 200, 0}; // five lines and a blank one
    m.title_width = 152;
    m.caption_words = {{24}, {56}, {64}, {56}, {64}, {16}};
    m.has_picture = picture;
    return m;
}

TEST(AboutLayout, BoxesFromTheirMeasurements)
{
    struct Case {
        const char* name;
        AboutMeasurements m;
        int width, height, button_width, button_height, first_button_x, buttons_y, text_x;
        Rect picture;
    };
    AboutMeasurements no_lines = about_text(true);
    no_lines.line_widths.clear();
    AboutMeasurements bare;
    bare.line_height = 16;
    bare.caption_words = {{0}};
    AboutMeasurements wide_title = about_text(false);
    wide_title.title_width = 488;
    const Case cases[] = {
        // 6 x 66 + 5 x 5 = 421 wide button row; 78 + 336 + 5 + 10 = 429 < 421 + 5 + 10.
        {"picture and text", about_text(true), 436, 135, 66, 24, 7, 106, 88, {5, 5, 77, 78}},
        {"no picture", about_text(false), 431, 135, 66, 24, 5, 106, 5, {}},
        {"no text lines: picture centred", no_lines, 431, 117, 66, 24, 5, 88, 0, {176, 5, 77, 78}},
        {"nothing but one empty caption", bare, 46, 34, 20, 24, 13, 5, 0, {}},
        // 488 + 488 / 16 + 36 = 554 > 421: the title sets the width, the row centred.
        {"title wider than the buttons", wide_title, 564, 135, 66, 24, 71, 106, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AboutLayout l = layout_about_box(c.m, 100);
        EXPECT_EQ(l.client_width, c.width);
        EXPECT_EQ(l.client_height, c.height);
        EXPECT_EQ(l.button_width, c.button_width);
        EXPECT_EQ(l.button_height, c.button_height);
        EXPECT_EQ(l.picture, c.picture);
        ASSERT_EQ(l.buttons.size(), c.m.caption_words.size());
        for (std::size_t i = 0; i < l.buttons.size(); ++i)
            EXPECT_EQ(l.buttons[i], (Rect{c.first_button_x + static_cast<int>(i) * (c.button_width + 5), c.buttons_y,
                                          c.button_width, c.button_height}));
        // The row of buttons ends 5 pixels above the bottom edge.
        EXPECT_EQ(l.buttons[0].y + l.buttons[0].height + 5, l.client_height);
        for (std::size_t i = 0; i < l.lines.size(); ++i)
            EXPECT_EQ(l.lines[i], (Rect{c.text_x, 5 + 16 * static_cast<int>(i), c.width - 10, 16}));
    }
}

TEST(AboutLayout, TwiceTheScaleWithTextsMeasuredTwiceAsLargeIsTwiceTheBox)
{
    AboutMeasurements m = about_text(true);
    m.line_height *= 2;
    for (int& w : m.line_widths)
        w *= 2;
    m.title_width *= 2;
    for (std::vector<int>& words : m.caption_words)
        for (int& w : words)
            w *= 2;
    const AboutLayout at_100 = layout_about_box(about_text(true), 100);
    const AboutLayout at_200 = layout_about_box(m, 100, 200);
    EXPECT_EQ(at_200.client_width, 2 * at_100.client_width);
    EXPECT_EQ(at_200.client_height, 2 * at_100.client_height);
    EXPECT_EQ(at_200.picture, (Rect{10, 10, 154, 156}));
    ASSERT_EQ(at_200.buttons.size(), at_100.buttons.size());
    // The row centred in the wider box: an odd spare pixel at 100 % is one whole one at 200 %.
    for (std::size_t i = 0; i < at_200.buttons.size(); ++i) {
        const Rect& b = at_100.buttons[i];
        EXPECT_NEAR(at_200.buttons[i].x, 2 * b.x, 1);
        EXPECT_EQ((Rect{0, at_200.buttons[i].y, at_200.buttons[i].width, at_200.buttons[i].height}),
                  (Rect{0, 2 * b.y, 2 * b.width, 2 * b.height}));
    }
}

TEST(AboutLayout, ButtonWidthGrowsOnlyWhenACaptionExceedsIt)
{
    struct Case {
        const char* name;
        std::vector<std::vector<int>> captions;
        int button_width, rows;
    };
    const Case cases[] = {
        {"64 does not exceed 66", {{24}, {56}, {64}, {56}, {64}, {16}}, 66, 1},
        {"a wider caption later", {{24}, {80}}, 90, 1},
        {"one word wider than the limit", {{120}}, 130, 2},
        {"two words that fit in 90", {{30}, {30, 50}}, 90, 1},
        {"two words that do not", {{40, 60}}, 70, 2},
        {"two words exactly at the limit", {{40, 50}}, 100, 1},
        {"two words one past it", {{41, 50}}, 60, 2},
        {"three rows", {{50, 50, 50}}, 60, 3},
        {"narrow captions still get 10", {{3}}, 20, 1},
    };
    for (const Case& c : cases) {
        AboutMeasurements m;
        m.line_height = 13;
        m.caption_words = c.captions;
        const AboutLayout l = layout_about_box(m, 100);
        EXPECT_EQ(l.button_width, c.button_width) << c.name;
        EXPECT_EQ(l.button_height, c.rows * 13 + 8) << c.name;
    }
}

TEST(AboutLayout, TextsSplitAtBarsAndBlanks)
{
    EXPECT_EQ(split_fields(" Title|one|two|"), (std::vector<std::string>{" Title", "one", "two", ""}));
    EXPECT_EQ(split_fields("Web|Twitter|OK"), (std::vector<std::string>{"Web", "Twitter", "OK"}));
    EXPECT_EQ(split_fields(""), (std::vector<std::string>{""}));
    EXPECT_EQ(caption_words("  Google  Plus "), (std::vector<std::string>{"Google", "", "Plus"}));
    EXPECT_EQ(caption_words("   "), (std::vector<std::string>{""}));
    EXPECT_EQ(caption_words("OK"), (std::vector<std::string>{"OK"}));
}

} // namespace
} // namespace tonegen
