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
    constexpr int up = key_up, down = key_down, page_up = key_page_up, page_down = key_page_down;
    constexpr int ctrl = with_ctrl, shift = with_shift;
    const Case cases[] = {
        // Hertz by 1, 10 or a semitone, the nearest whole hertz (741.62, 700.35, 1059.46, 943.87, 466.16).
        {up, 0, 700, 701}, {down, shift, 700, 690}, {up, ctrl, 700, 742}, {down, ctrl, 742, 700},
        {up, ctrl, 1000, 1059}, {down, ctrl, 1000, 944}, {up, ctrl | shift, 440, 466},
        // The ends: 23.31, 21.71, 22248.72.
        {up, ctrl, 22, 23}, {down, ctrl, 23, 22}, {up, ctrl, 21000, 22050}, {up, shift, 22045, 22050}, {down, 0, 22, 22},
        // Per cent by 1 or 10, Ctrl adding nothing; any other key changes nothing.
        {page_up, 0, 44, 45}, {page_up, shift, 45, 55}, {page_down, shift, 5, 0}, {page_up, 0, 100, 100},
        {page_down, ctrl, 44, 43}, {'F', ctrl | shift, 700, 700},
    };
    for (const Case& c : cases)
        EXPECT_EQ(value_after_field_key(c.key, c.modifiers, c.value), c.after)
            << "key " << c.key << " modifiers " << c.modifiers << " from " << c.value;
}

} // namespace
} // namespace tonegen
