// The setup line: every setting goes out and comes back, and a text that is
// not a setup is refused whole with the first bad item named.
#include "model/setup_text.h"

#include "model/controls.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tonegen {
namespace {

const std::string defaults =
    "tonegen-setup 1: 80@44 200@44 400@44 700@44 1000@44 1400@44 2000@44 3000@44 4000@44 5000@44 6000@44 "
    "7000@44 8000@44 9000@44 10000@44 12000@44 14000@44 16000@44 18000@44 20000@44";

// The default line with item `k` (1-based) replaced.
std::string with_item(int k, const std::string& item)
{
    std::string text = "tonegen-setup 1:";
    Settings s{};
    apply_defaults(s);
    for (int i = 1; i <= tone_slots; ++i)
        text += " " + (i == k ? item : std::to_string(s.tones[i - 1].frequency) + "@44");
    return text;
}

TEST(SetupText, TheDefaultsReadAsOneLine)
{
    Settings s{};
    apply_defaults(s);
    EXPECT_EQ(format_setup(setup_of(s)), defaults);
}

TEST(SetupText, EverySettingGoesOutAndComesBack)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::int64_t> frequency(lowest_frequency, highest_frequency);
    std::uniform_int_distribution<int> gain(0, 100);
    for (int round = 0; round < 200; ++round) {
        ToneSetup setup{};
        for (std::size_t k = 0; k < tone_slots; ++k) {
            setup.frequency[k] = round == 0 ? lowest_frequency : round == 1 ? highest_frequency : frequency(random);
            setup.gain[k] = round == 0 ? 0 : round == 1 ? 100 : gain(random);
        }
        const auto back = parse_setup(format_setup(setup));
        ASSERT_TRUE(std::holds_alternative<ToneSetup>(back)) << std::get<std::string>(back);
        EXPECT_EQ(std::get<ToneSetup>(back).frequency, setup.frequency);
        EXPECT_EQ(std::get<ToneSetup>(back).gain, setup.gain);
    }
    // Every gain a bar can show survives the trip through the Tone bank too.
    Settings s{};
    apply_defaults(s);
    for (int g = 0; g <= 100; ++g) {
        s.tones[0].gain = static_cast<float>(g / 100.0);
        EXPECT_EQ(setup_of(s).gain[0], g);
    }
}

TEST(SetupText, BlanksAroundAndBetweenItemsAreAllowed)
{
    std::string spaced = "  \t";
    for (char c : defaults)
        spaced += c == ' ' ? std::string(" \t\n ") : std::string(1, c);
    const std::string split_heading = "tonegen-setup \t\n 1:";
    spaced.replace(spaced.find(split_heading), split_heading.size(), "tonegen-setup 1:");
    spaced += " \r\n";
    const auto parsed = parse_setup(spaced);
    ASSERT_TRUE(std::holds_alternative<ToneSetup>(parsed)) << std::get<std::string>(parsed);
    EXPECT_EQ(format_setup(std::get<ToneSetup>(parsed)), defaults);
}

TEST(SetupText, ATextThatIsNotASetupIsRefusedWithTheFirstBadItem)
{
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {with_item(7, "2000@140"), "item 7: gain 140 is above 100"},
        {with_item(1, "21@44"), "item 1: frequency 21 is below 22"},
        {with_item(20, "22051@44"), "item 20: frequency 22051 is above 22050"},
        {with_item(3, "400@-1"), "item 3: \"400@-1\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "400Hz@44"), "item 3: \"400Hz@44\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "400@44.5"), "item 3: \"400@44.5\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "+400@44"), "item 3: \"+400@44\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "400"), "item 3: \"400\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "@44"), "item 3: \"@44\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(3, "9999999999@44"), "item 3: \"9999999999@44\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(2, "2000@140") + " 30@200", "item 2: gain 140 is above 100"}, // the first one counts
        {defaults + " 100@50", "item 21: there are only 20 tones"},
        {defaults.substr(0, defaults.rfind(' ')), "item 20: missing; a setup has 20 items, this one 19"},
        {"tonegen-setup 1:", "item 1: missing; a setup has 20 items, this one 0"},
        {"", "a setup starts with \"tonegen-setup 1:\""},
        {"80@44 200@44", "a setup starts with \"tonegen-setup 1:\""},
        // Comment lines belong to files: the line itself takes none.
        {"# mine\n" + defaults, "a setup starts with \"tonegen-setup 1:\""},
        {"tonegen-setup 2: 80@44", "a setup starts with \"tonegen-setup 1:\""},
        {with_item(4, "700@44,"), "item 4: \"700@44,\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {with_item(5, std::string(40, '9')),
         "item 5: \"999999999999999999999999...\" is not FREQUENCY@GAIN in whole hertz and per cent"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_setup(c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
        EXPECT_EQ(std::get<std::string>(parsed), c.message) << c.text;
    }
}

} // namespace
} // namespace tonegen
