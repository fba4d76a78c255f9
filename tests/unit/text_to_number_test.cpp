#include "ui/tone_controls.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tonegen {
namespace {

TEST(TextToNumber, ReadsWhatUsersType)
{
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 0},
        {"440", 440},
        {"  \t 1000Hz", 1000},
        {" 1000Hz", 1000},
        {"+25", 25},
        {"-5", -5},
        {"--5", 0},
        {"- 5", 0},
        {"$3E8", 1000},
        {"$3e8", 1000},
        {"-$10", -16},
        {"$", 0},
        {"$G", 0},
        {"%1111101000", 1000},
        {"%102", 2},
        {"12.5", 12},
        {"1 000", 1},
        {"0x10", 0},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", INT64_MIN},  // wraps around
        {"18446744073709551616", 0},         // 2^64 wraps to 0
        {"18446744073709551617", 1},
        {"99999999999", 99999999999},
        {"$FFFFFFFFFFFFFFFF", -1},
        {"$10000000000000005", 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_to_number(c.text), c.expected) << '"' << c.text << '"';
}

} // namespace
} // namespace tonegen
