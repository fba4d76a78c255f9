#include "ui/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace tonegen {
namespace {

constexpr std::int64_t lowest = 22, highest = 22050;

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
        // Past 64 bits a number saturates instead of wrapping onto a small one.
        {"9223372036854775808", INT64_MAX},
        {"18446744073709551616", INT64_MAX},
        {"18446744073709552616", INT64_MAX},
        {"99999999999999999999999999999999999999", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"-9223372036854775809", INT64_MIN},
        {"-18446744073709551617", INT64_MIN},
        {"99999999999", 99999999999},
        {"$7FFFFFFFFFFFFFFF", INT64_MAX},
        {"$FFFFFFFFFFFFFFFF", INT64_MAX},
        {"$10000000000000005", INT64_MAX},
        {"%1000000000000000000000000000000000000000000000000000000000000000001", INT64_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_to_number(c.text), c.expected) << '"' << c.text << '"';
}

TEST(WholeNumberInRange, IsWhatTheFieldTakesAsItsValueWhileTyping)
{
    struct Case {
        const char* text;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {"440", 440},
        {"22", 22},
        {"22050", 22050},
        {"0022050", 22050},
        {"21", std::nullopt},
        {"22051", std::nullopt},
        {"-440", std::nullopt},   // a number, but below the range
        {"", std::nullopt},
        {"-", std::nullopt},
        {" 440", std::nullopt},
        {"440 ", std::nullopt},
        {"+440", std::nullopt},
        {"44.0", std::nullopt},
        {"$1B8", std::nullopt},
        {"1e3", std::nullopt},
        {"000000000000000440", 440},          // 18 characters
        {"0000000000000000440", std::nullopt}, // 19
        {"999999999999999999", std::nullopt},
        {"\xd9\xa4\xd9\xa4", std::nullopt},   // digits of another script
    };
    for (const Case& c : cases)
        EXPECT_EQ(whole_number_in_range(c.text, lowest, highest), c.value) << '"' << c.text << '"';
    EXPECT_EQ(whole_number_in_range("-5", -10, 10), -5);
    EXPECT_EQ(whole_number_in_range("-000000000000000001", -1, 0), std::nullopt); // 19 characters
}

} // namespace
} // namespace tonegen
