#include "audio/stream.h"
#include "synth/synth.h"

#include "common/fill_path_held.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tonegen {
namespace {

constexpr double pi = 3.141592653589793;

// A record ready to fill buffers: defaults, stream geometry as the stream
// sets it at open, amplitudes computed.
Settings ready_settings()
{
    Settings s{};
    apply_defaults(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    normalise_gains(s);
    return s;
}

std::vector<std::int16_t> render(Settings& s, int buffers)
{
    const std::size_t frames = static_cast<std::size_t>(s.buffer_bytes / 2);
    std::vector<std::int16_t> out(frames * static_cast<std::size_t>(buffers));
    std::vector<char> buffer(static_cast<std::size_t>(s.buffer_bytes));
    for (int b = 0; b < buffers; ++b) {
        fill_buffer(s, buffer.data());
        std::memcpy(out.data() + frames * static_cast<std::size_t>(b), buffer.data(), buffer.size());
    }
    return out;
}

// A record that sounds only the tones given, with amplitudes set directly,
// each at a phase whose sine is exactly +1 (pi / 2) or -1 (3 pi / 2).
Settings peak_settings(std::vector<std::pair<int, float>> amplitudes)
{
    Settings s = ready_settings();
    for (Tone& t : s.tones)
        t.amplitude = 0.0f;
    for (auto [k, a] : amplitudes) {
        s.tones[k].amplitude = a < 0 ? -a : a;
        s.tones[k].phase = a < 0 ? 3 * pi / 2 : pi / 2;
    }
    s.buffer_bytes = 2; // one frame
    return s;
}

TEST(FillBuffer, DefaultMixFollowsTheExactSumWithinTheTwoRoundings)
{
    Settings s = ready_settings();
    const std::vector<std::int16_t> samples = render(s, 3);
    ASSERT_EQ(samples[0], 0); // every tone starts at sin(0)
    int peak = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        long double exact = 0;
        for (int k = 0; k < tone_slots; ++k) {
            const long double cycles = static_cast<long double>(s.tones[k].frequency) * n / static_cast<long double>(stream_rate);
            exact += static_cast<long double>(1540.3291015625f) *
                     std::sin(2 * 3.14159265358979323846264338327950288L * (cycles - std::floor(cycles)));
        }
        ASSERT_LE(std::fabs(static_cast<double>(exact - samples[n])), 1.0 + 1e-6) << "frame " << n;
        peak = std::max(peak, std::abs(static_cast<int>(samples[n])));
    }
    EXPECT_LE(peak, 30807);
}

TEST(FillBuffer, RoundingCases)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, float>> amplitudes; // tone, signed peak
        std::int16_t expected;
    };
    const Case cases[] = {
        {"first ten round before the rest are added", {{0, 0.3f}, {10, 0.3f}}, 0},
        {"a single stage would have given one", {{0, 0.3f}, {1, 0.3f}}, 1},
        {"tie 2.5 goes to even", {{10, 2.5f}}, 2},
        {"tie 3.5 goes to even", {{10, 3.5f}}, 4},
        {"tie -2.5 goes to even", {{10, -2.5f}}, -2},
        {"tie in the partial mix", {{0, 2.5f}, {11, 0.25f}}, 2},
        {"partial carries a tie up", {{0, 0.5f}, {1, 1.0f}}, 2},
        {"one tone at full scale", {{5, 32767.0f}}, 32767},
        {"one tone at negative full scale", {{15, -32767.0f}}, -32767},
        // Tones 0 and 10 at gain 1: 16383.5 rounds to 16384, then 32767.5
        // to 32768, which a 16-bit store would turn into -32768.
        {"full-scale sum held at the rail", {{0, 16383.5f}, {10, 16383.5f}}, 32767},
        {"negative full scale fits in 16 bits", {{0, -16383.5f}, {10, -16383.5f}}, -32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s = peak_settings(c.amplitudes);
        const std::vector<std::int16_t> out = render(s, 1);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], c.expected);
    }
}

TEST(FillBuffer, NyquistToneAlternatesWithTheMagnitudeOfItsStartingPhase)
{
    struct Case {
        double start_phase;
        int expected_first;
    };
    for (const Case c : {Case{0.0, 0}, Case{pi, 0}, Case{pi / 2, 32767}, Case{pi / 4, 23170}}) {
        Settings s = ready_settings();
        for (Tone& t : s.tones)
            t.amplitude = 0.0f;
        s.tones[12].frequency = 22050;
        s.tones[12].amplitude = 32767.0f;
        s.tones[12].phase = c.start_phase;
        const std::vector<std::int16_t> out = render(s, 1);
        EXPECT_DOUBLE_EQ(s.tones[12].phase_step, pi);
        for (std::size_t n = 0; n < 64; ++n)
            ASSERT_EQ(out[n], (n % 2 == 0 ? 1 : -1) * c.expected_first) << "phase " << c.start_phase << " frame " << n;
    }
}

TEST(FillBuffer, PhaseWrapIsStrict)
{
    Settings s = ready_settings();
    s.buffer_bytes = 2;
    s.tones[0].frequency = 22050; // step of exactly pi
    s.tones[0].phase = pi;
    std::vector<char> frame(2);
    fill_buffer(s, frame.data());
    EXPECT_EQ(s.tones[0].phase, two_pi); // landed on 2 pi: kept this frame
    fill_buffer(s, frame.data());
    EXPECT_EQ(s.tones[0].phase, pi); // 3 pi, reduced once
}

TEST(FillBuffer, SilentTonesKeepTheirPhaseRunning)
{
    Settings loud = ready_settings();
    Settings silent = ready_settings();
    for (Tone& t : silent.tones)
        t.gain = 0.0f;
    normalise_gains(silent);

    const std::vector<std::int16_t> quiet = render(silent, 5);
    for (std::int16_t v : quiet)
        ASSERT_EQ(v, 0);
    static_cast<void>(render(loud, 5));
    for (int k = 0; k < tone_slots; ++k)
        EXPECT_EQ(silent.tones[k].phase, loud.tones[k].phase) << "tone " << k;

    // Raising the gains again brings the tones back where they would have
    // been had they sounded throughout.
    for (Tone& t : silent.tones)
        t.gain = 0.44f;
    normalise_gains(silent);
    EXPECT_EQ(render(silent, 2), render(loud, 2));
}

TEST(FillBuffer, BufferBoundariesDoNotShowInTheSignal)
{
    Settings small = ready_settings();
    Settings large = ready_settings();
    large.buffer_bytes = 4 * 2 * stream_buffer_frames;
    for (Tone& t : small.tones)
        t.frequency += 1; // off the 20 Hz grid, so the mix does not repeat
    for (Tone& t : large.tones)
        t.frequency += 1;
    EXPECT_EQ(render(small, 8), render(large, 2));
}

TEST(FillBuffer, FrequencyChangeContinuesFromTheCurrentPhase)
{
    Settings s = ready_settings();
    for (Tone& t : s.tones)
        t.amplitude = 0.0f;
    s.tones[4].amplitude = 32767.0f;
    static_cast<void>(render(s, 1));
    const double phase_at_boundary = s.tones[4].phase;
    s.tones[4].frequency = 1001;
    const std::vector<std::int16_t> next = render(s, 1);
    EXPECT_EQ(next[0], static_cast<std::int16_t>(std::nearbyint(std::sin(phase_at_boundary) * 32767.0)));
    const double step = 1001 * two_pi / stream_rate;
    EXPECT_NEAR(std::asin(next[1] / 32767.0), std::asin(std::sin(phase_at_boundary + step)), 1e-3);
}

// Golden hashes of long stretches for settings whose mix does not repeat
// quickly. Checked on every build target, so a different sine, rounding or
// evaluation order anywhere changes them.
std::uint64_t fnv1a(const std::vector<std::int16_t>& samples)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::int16_t v : samples) {
        const auto u = static_cast<std::uint16_t>(v);
        for (unsigned char byte : {static_cast<unsigned char>(u & 0xFF), static_cast<unsigned char>(u >> 8)}) {
            h ^= byte;
            h *= 0x100000001b3ull;
        }
    }
    return h;
}

struct Lcg {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
};

// Every instruction-set path, the scalar reference among them, makes the
// same stretches.
class FillBufferOnEveryPath : public ::testing::TestWithParam<FillPath> {
protected:
    void SetUp() override
    {
        if (!fill_path_supported(GetParam()))
            GTEST_SKIP() << test::missing_fill_path(GetParam());
    }
};

TEST_P(FillBufferOnEveryPath, GoldenHashes)
{
    const test::FillPathHeld path(GetParam());
    ASSERT_TRUE(path.held());
    struct Case {
        const char* name;
        void (*setup)(Settings&);
        int buffers;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"defaults", [](Settings&) {}, 16, 0xf5ef1db7d728a7f1ull},
        {"odd frequencies at full gain",
         [](Settings& s) {
             for (int k = 0; k < tone_slots; ++k) {
                 s.tones[k].frequency = 22 + 1103 * k + 7 * k * k;
                 s.tones[k].gain = 1.0f;
             }
             s.tones[10].frequency = 22050;
             s.tones[3].frequency = 1001;
         },
         40, 0x4174adeaffbeef00ull},
        {"random gains and frequencies",
         [](Settings& s) {
             Lcg rng{20261207};
             for (Tone& t : s.tones) {
                 t.frequency = 22 + static_cast<std::int64_t>(rng.next() % (22050 - 22 + 1));
                 t.gain = static_cast<float>((rng.next() % 101) / 100.0);
             }
         },
         40, 0xdf6ef827da8bd2d8ull},
        {"two tones that reach full scale",
         [](Settings& s) {
             for (Tone& t : s.tones)
                 t.gain = 0.0f;
             s.tones[0].gain = 1.0f;
             s.tones[0].frequency = 997;
             s.tones[10].gain = 1.0f;
             s.tones[10].frequency = 1009;
         },
         40, 0xdf9056a1b94b2b60ull},
    };
    for (const Case& c : cases) {
        Settings s = ready_settings();
        c.setup(s);
        normalise_gains(s);
        const std::uint64_t h = fnv1a(render(s, c.buffers));
        EXPECT_EQ(h, c.expected) << c.name << ": 0x" << std::hex << h;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, FillBufferOnEveryPath, ::testing::ValuesIn(fill_paths), test::fill_path_test_name);

} // namespace
} // namespace tonegen
