#include "ui/display_scale.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tonegen {
namespace {

bool overlap(const ControlSpec& a, const ControlSpec& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(DisplayScale, TheTableAtEachScaleKeepsItsShape)
{
    Settings s{};
    apply_defaults(s);
    const std::vector<ControlSpec> table = main_window_controls(s);
    for (const int percent : {100, 125, 150, 175, 200}) {
        SCOPED_TRACE(percent);
        std::vector<ControlSpec> scaled;
        for (const ControlSpec& c : table)
            scaled.push_back(scale_control(c, percent));
        const int width = scale_length(main_window_width, percent), height = scale_row_y(main_window_height, percent);
        EXPECT_NEAR(height, main_window_height * percent / 100.0, 0.25 * row_pitch * percent / 100.0);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const ControlSpec& c = scaled[i];
            if (percent == 100) {
                EXPECT_EQ((std::tuple{c.x, c.y, c.width, c.height}),
                          (std::tuple{table[i].x, table[i].y, table[i].width, table[i].height}));
            }
            EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.x + c.width <= width && c.y + c.height <= height) << c.id;
            // Controls apart at 96 dpi stay apart, those on top of each other (a frame and its field) stay so.
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_EQ(overlap(c, scaled[j]), overlap(table[i], table[j])) << c.id << " and " << scaled[j].id;
        }
        // Each column's rows one pitch apart, all of one height: fields, bars, labels, both columns' frames.
        for (std::size_t first : {std::size_t{6}, std::size_t{28}, std::size_t{48}, std::size_t{68}, std::size_t{88}}) {
            const int pitch = scaled[first + 1].y - scaled[first].y;
            EXPECT_EQ(pitch, scale_length(row_pitch, percent));
            for (std::size_t k = 1; k < 20; ++k) {
                EXPECT_EQ(scaled[first + k].y - scaled[first + k - 1].y, pitch) << first + k;
                EXPECT_EQ(scaled[first + k].height, scaled[first].height) << first + k;
            }
        }
    }
}

TEST(DisplayScale, FontsAtTheScale)
{
    // 100 %: what 8 and 10 points are at 96 dpi on the desktop (11 and 13 pixels).
    const int cases[][3] = {{8, 100, 11}, {10, 100, 13}, {8, 150, 16}, {8, 200, 21}, {10, 200, 27}, {8, 75, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(font_pixel_height(c[0], c[1]), c[2]) << c[0] << " pt at " << c[1] << " %";
}

TEST(DisplayScale, TheWindowFitsTheWorkArea)
{
    struct Case {
        const char* name;
        DisplayArea display;
        int x, y;
        WindowPlace want;
    };
    const Case cases[] = {
        {"100 %, room to spare: as asked", {100, 100, 0, 0, 1024, 900, 0, 0}, 33, 33, {100, 33, 33, 294, 765}},
        {"200 % on 3840 x 2160", {200, 100, 0, 0, 3840, 2160, 12, 62}, 33, 33, {200, 33, 33, 588, 1530}},
        // 23 rows of 45 px and 8 more: 1043 + 31 = 1074; at 138 % the pitch is 46 and 1097 is too tall.
        {"150 % on 1920 x 1080", {150, 100, 0, 0, 1920, 1080, 9, 31}, 33, 33, {137, 33, 6, 403, 1043}},
        {"100 % on a 1366 x 768 laptop with a task bar", {100, 100, 0, 0, 1366, 728, 6, 29}, 33, 33,
         {92, 33, 3, 270, 696}},
        {"too small even at 75 %: its corner at the work area's", {100, 100, 100, 0, 700, 600, 6, 29}, 33, 33,
         {75, 100, 0, 221, 580}},
        {"asked for right of the work area: moved in", {100, 100, 0, 0, 1920, 1080, 6, 29}, 2000, 33,
         {100, 1620, 33, 294, 765}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowPlace got = place_main_window(c.display, c.x, c.y, main_window_width, main_window_height);
        EXPECT_EQ((std::tuple{got.percent, got.x, got.y, got.width, got.height}),
                  (std::tuple{c.want.percent, c.want.x, c.want.y, c.want.width, c.want.height}));
    }
}

} // namespace
} // namespace tonegen
