#include "ui/field_keys.h"

#include "platform/windowing_port.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tonegen {
namespace {

TEST(FieldKeys, MoveTheFrequencyOrTheGainWithinTheirRanges)
{
    struct Case {
        int key, modifiers;
        std::int64_t value, after;
    };
    constexpr int ctrl = with_ctrl, shift = with_shift;
    const Case cases[] = {
        // Hertz: 1, 10, a semitone (the nearest whole hertz).
        {key_up, 0, 700, 701},              {key_down, 0, 700, 699},
        {key_up, shift, 700, 710},          {key_down, shift, 700, 690},
        {key_up, ctrl, 700, 742},           {key_down, ctrl, 742, 700},     // 741.62, 700.37
        {key_up, ctrl, 1000, 1059},         {key_down, ctrl, 1000, 944},    // 1059.46, 943.87
        {key_up, ctrl | shift, 440, 466},   {key_down, ctrl, 23, 22},       // 21.71 clamped
        {key_up, ctrl, 22, 23},             {key_down, ctrl, 24, 23},       // 23.31, 22.65
        {key_up, ctrl, 22050, 22050},       {key_up, ctrl, 21000, 22050},   // 22248.72 clamped
        {key_up, shift, 22045, 22050},      {key_down, shift, 25, 22},
        {key_down, 0, 22, 22},              {key_up, 0, 30000, 22050},
        // Per cent: 1 or 10; Ctrl adds nothing.
        {key_page_up, 0, 44, 45},           {key_page_up, shift, 45, 55},
        {key_page_down, 0, 55, 54},         {key_page_down, shift, 54, 44},
        {key_page_up, ctrl, 44, 45},        {key_page_down, ctrl | shift, 44, 34},
        {key_page_up, shift, 95, 100},      {key_page_up, 0, 100, 100},
        {key_page_down, shift, 5, 0},       {key_page_down, 0, 0, 0},
        // Any other key changes nothing.
        {'F', ctrl | shift, 700, 700},
    };
    for (const Case& c : cases)
        EXPECT_EQ(value_after_field_key(c.key, c.modifiers, c.value), c.after)
            << "key " << c.key << " modifiers " << c.modifiers << " from " << c.value;
}

} // namespace
} // namespace tonegen
