#include "synth/synth.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tonegen {
namespace {

struct Case {
    const char* name;
    std::vector<std::pair<int, float>> gains; // tones not named take `rest`
    float rest;
    std::vector<std::pair<int, float>> expected; // tones not named expect `expected_rest`
    float expected_rest;
};

std::uint32_t bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST(NormaliseGains, AmplitudesMatchTheMixLawToTheBit)
{
    const Case cases[] = {
        {"defaults", {}, 0.44f, {}, 1540.3291015625f},
        {"all full", {}, 1.0f, {}, 1638.3499755859375f},
        {"one tone alone", {{7, 1.0f}}, 0.0f, {{7, 32767.0f}}, 0.0f},
        {"one tone at 1 %", {{3, 0.01f}}, 0.0f, {{3, 327.66998291015625f}}, 0.0f},
        {"full and half", {{0, 1.0f}, {1, 0.5f}}, 0.0f, {{0, 21844.666015625f}, {1, 8191.75f}}, 0.0f},
        {"one raised over defaults", {{0, 1.0f}}, 0.44f, {{0, 3500.747802734375f}}, 1453.375f},
        {"all silent", {}, 0.0f, {}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s{};
        s.tone_count = tone_slots;
        for (Tone& t : s.tones)
            t.gain = c.rest;
        for (auto [k, g] : c.gains)
            s.tones[k].gain = g;
        normalise_gains(s);

        double sum = 0;
        for (int k = 0; k < tone_slots; ++k) {
            float want = c.expected_rest;
            for (auto [j, a] : c.expected)
                if (j == k)
                    want = a;
            EXPECT_EQ(bits(s.tones[k].amplitude), bits(want)) << "tone " << k << " got " << s.tones[k].amplitude;
            sum += s.tones[k].amplitude;
        }
        EXPECT_LE(sum, 32767.0 + 1e-3);
    }
}

TEST(NormaliseGains, DefaultGainIsTheExpectedFloat)
{
    Settings s{};
    apply_defaults(s);
    for (const Tone& t : s.tones)
        EXPECT_EQ(bits(t.gain), 0x3EE147AEu);
}

} // namespace
} // namespace tonegen
