// The vector fills against the reference fill, path by path: the same bytes
// and the same Tone bank after every buffer, over long runs of many
// settings. Each path this processor lacks is skipped with a message.
#include "audio/stream.h"
#include "synth/fill_path.h"
#include "synth/fill_vector.h"
#include "synth/synth.h"

#include "common/fill_path_held.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tonegen {
namespace {

constexpr double pi = 3.141592653589793;

Settings ready_settings()
{
    Settings s{};
    apply_defaults(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    normalise_gains(s);
    return s;
}

struct Lcg {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    double unit() { return next() / 4294967296.0; }
};

std::vector<unsigned char> render(Settings& s, int buffers)
{
    std::vector<unsigned char> out;
    std::vector<char> buffer(static_cast<std::size_t>(s.buffer_bytes));
    for (int b = 0; b < buffers; ++b) {
        fill_buffer(s, buffer.data());
        out.insert(out.end(), buffer.begin(), buffer.end());
    }
    return out;
}

std::int16_t sample_at(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8));
}

bool same_bits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Case {
    const char* name;
    // From the normalised defaults; normalises again when it changes gains.
    void (*setup)(Settings&);
    int buffers;
    // What the reference's output must show for the case to test what it
    // is meant to (none: nothing).
    bool (*reference_shows)(const std::vector<unsigned char>&) = nullptr;
};

bool reaches_the_rail(const std::vector<unsigned char>& bytes)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (sample_at(bytes, i) == 32767)
            return true;
    }
    return false;
}

void random_tones(Settings& s, std::uint64_t seed)
{
    Lcg rng{seed};
    for (Tone& t : s.tones) {
        t.frequency = 22 + static_cast<std::int64_t>(rng.next() % (22050 - 22 + 1));
        t.gain = static_cast<float>((rng.next() % 101) / 100.0);
        t.phase = rng.unit() * two_pi;
    }
    normalise_gains(s);
}

// Only the tones given sound, at amplitudes set directly.
void only(Settings& s, std::initializer_list<std::pair<int, float>> amplitudes)
{
    for (Tone& t : s.tones)
        t.amplitude = 0.0f;
    for (auto [k, a] : amplitudes)
        s.tones[k].amplitude = a;
}

const Case cases[] = {
    {"defaults", [](Settings&) {}, 24},
    {"random tones, seed 1", [](Settings& s) { random_tones(s, 1); }, 12},
    {"random tones, seed 2", [](Settings& s) { random_tones(s, 2); }, 12},
    {"random tones, seed 3", [](Settings& s) { random_tones(s, 3); }, 12},
    {"random tones, seed 4, buffers of 1001 frames",
     [](Settings& s) {
         random_tones(s, 4);
         s.buffer_bytes = 2 * 1001;
     },
     150},
    {"equal frequencies, every gain at 1",
     [](Settings& s) {
         for (Tone& t : s.tones) {
             t.frequency = 441;
             t.gain = 1.0f;
         }
         normalise_gains(s);
     },
     8},
    {"adjacent frequencies",
     [](Settings& s) {
         for (int k = 0; k < tone_slots; ++k)
             s.tones[k].frequency = 1000 + k;
     },
     8},
    {"lowest and highest frequencies",
     [](Settings& s) {
         for (int k = 0; k < tone_slots; ++k) {
             s.tones[k].frequency = k % 2 == 0 ? 22 : 22050;
             s.tones[k].gain = k % 3 == 0 ? 1.0f : 0.37f;
         }
         normalise_gains(s);
     },
     8},
    {"phases at and just below 2 pi",
     [](Settings& s) {
         const double below = std::nextafter(two_pi, 0.0);
         for (int k = 0; k < tone_slots; ++k) {
             s.tones[k].phase = k % 3 == 0 ? two_pi : k % 3 == 1 ? below : std::nextafter(below, 0.0);
             s.tones[k].frequency = 22 + 1103 * k;
         }
     },
     8},
    {"every gain at 0",
     [](Settings& s) {
         for (Tone& t : s.tones)
             t.gain = 0.0f;
         normalise_gains(s);
     },
     2},
    // Tones 0 and 10 alone at gain 1 make 16383.5 each; at a quarter of the
    // rate their sines reach exactly 1 and -1, so the first stage meets a
    // tie and the sum is held at the rail.
    {"two tones at gain 1 meeting the rail",
     [](Settings& s) {
         for (Tone& t : s.tones)
             t.gain = 0.0f;
         s.tones[0].gain = s.tones[10].gain = 1.0f;
         s.tones[0].frequency = s.tones[10].frequency = 11025;
         normalise_gains(s);
     },
     4, reaches_the_rail},
    // Past full scale without a tie: 16383.625 + 16384 = 32767.625.
    {"sum held at the rail without a tie",
     [](Settings& s) {
         only(s, {{0, 16383.625f}, {10, 16383.625f}});
         s.tones[0].frequency = s.tones[10].frequency = 11025;
         s.tones[0].phase = s.tones[10].phase = pi / 2;
     },
     2, reaches_the_rail},
    // Sines of 0, 1, 0, -1 and 1, 0, -1, 0: a tie at the first stage on
    // odd frames, at the second on even ones.
    {"ties on every frame",
     [](Settings& s) {
         only(s, {{3, 2.5f}, {13, 3.5f}});
         s.tones[3].frequency = s.tones[13].frequency = 11025;
         s.tones[13].phase = pi / 2;
     },
     2},
    {"fewer frames than a group", [](Settings& s) { s.buffer_bytes = 2 * 7; }, 40},
    {"four bytes a frame", [](Settings& s) { s.wave_format.nBlockAlign = 4; }, 2},
    {"phases outside 0..2 pi",
     [](Settings& s) {
         for (int k = 0; k < tone_slots; ++k)
             s.tones[k].phase = k % 2 == 0 ? 3.0 * pi + k : -0.05 * k;
     },
     3},
    {"amplitudes beyond the vector range", [](Settings& s) { only(s, {{0, 3.0e6f}, {12, 1000.0f}}); }, 2},
};

using test::FillPathHeld;

class VectorFill : public ::testing::TestWithParam<FillPath> {
protected:
    void SetUp() override
    {
        if (!fill_path_supported(GetParam()))
            GTEST_SKIP() << test::missing_fill_path(GetParam());
    }
};

TEST_P(VectorFill, SamplesAndToneBankMatchTheReferenceToTheBit)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings reference = ready_settings();
        c.setup(reference);
        Settings vector = ready_settings();
        c.setup(vector);

        std::vector<unsigned char> expected;
        {
            FillPathHeld scalar(FillPath::scalar);
            expected = render(reference, c.buffers);
        }
        std::vector<unsigned char> actual;
        {
            FillPathHeld path(GetParam());
            ASSERT_TRUE(path.held());
            actual = render(vector, c.buffers);
        }
        if (c.reference_shows) {
            EXPECT_TRUE(c.reference_shows(expected)) << "the case no longer tests what it is meant to";
        }

        ASSERT_EQ(actual.size(), expected.size());
        const std::size_t frame_bytes = static_cast<std::size_t>(reference.wave_format.nBlockAlign);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(actual[i], expected[i]) << "byte " << i << " of frame " << i / frame_bytes << ": sample "
                                              << sample_at(actual, i - i % 2) << ", reference "
                                              << sample_at(expected, i - i % 2);
        }
        for (int k = 0; k < tone_slots; ++k) {
            const Tone& a = vector.tones[k];
            const Tone& e = reference.tones[k];
            EXPECT_TRUE(same_bits(a.phase, e.phase)) << "tone " << k << " phase " << a.phase << " vs " << e.phase;
            EXPECT_TRUE(same_bits(a.phase_step, e.phase_step)) << "tone " << k;
            EXPECT_TRUE(same_bits(a.sample_value, e.sample_value)) << "tone " << k;
        }
    }
}

// Calls `f` with the stack lower by `bytes` (rounded up to 16) than a plain
// call would leave it.
[[gnu::noinline]] void call_lowered(std::size_t bytes, const std::function<void()>& f)
{
    volatile char* below = static_cast<volatile char*>(__builtin_alloca(bytes + 1));
    below[0] = 0;
    f();
}

// 64-bit Windows aligns the stack to 16 bytes only, while the wider paths
// keep 32- and 64-byte vectors on it: started from each 16-byte step of a
// 64-byte line, every path gives the reference's samples (an aligned move
// to a misplaced vector would end the program instead).
TEST_P(VectorFill, SamplesMatchTheReferenceFromAStackAlignedToSixteenBytesOnly)
{
#ifndef _WIN32
    GTEST_SKIP() << "only the Windows builds meet a stack aligned to 16 bytes and no more";
#endif
    Settings reference = ready_settings();
    std::vector<unsigned char> expected;
    {
        FillPathHeld scalar(FillPath::scalar);
        expected = render(reference, 2);
    }
    FillPathHeld path(GetParam());
    ASSERT_TRUE(path.held());
    std::set<std::uintptr_t> starts;
    for (std::size_t lowered = 0; lowered < 64; lowered += 16) {
        SCOPED_TRACE("stack lowered by " + std::to_string(lowered) + " bytes");
        Settings s = ready_settings();
        std::vector<unsigned char> actual;
        call_lowered(lowered, [&] {
            const volatile char here = 0;
            starts.insert(reinterpret_cast<std::uintptr_t>(&here) % 64);
            actual = render(s, 2);
        });
        EXPECT_EQ(actual, expected);
    }
    EXPECT_EQ(starts.size(), 4u) << "the calls did not start from four different places of a 64-byte line";
}

// The guard that sends frames back to the reference rests on this bound.
TEST_P(VectorFill, SineStaysWithinItsProvenBound)
{
    std::vector<double> x;
    // A fine grid over the whole domain (long double sines are slow on some
    // C libraries, so not too fine).
    for (int i = 0; i <= 40000; ++i)
        x.push_back(8.0 * i / 40000);
    // Around every multiple of pi / 2 (reduction boundaries and peaks) and
    // at the ends of the fills' range.
    for (int m = 0; m <= 5; ++m) {
        double at = m * (pi / 2);
        for (int step = 0; step < 64; ++step) {
            x.push_back(at);
            x.push_back(std::nextafter(at, 9.0));
            at = std::nextafter(at, -1.0);
            if (at < 0)
                break;
        }
    }
    x.push_back(two_pi);
    x.push_back(8.0);
    x.push_back(1e-300);

    std::vector<double> y(x.size());
    detail::vector_sines(GetParam(), x.data(), y.data(), x.size());
    long double worst = 0;
    double worst_at = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const long double error = std::fabs(static_cast<long double>(y[i]) - std::sin(static_cast<long double>(x[i])));
        if (error > worst) {
            worst = error;
            worst_at = x[i];
        }
    }
    EXPECT_LE(worst, static_cast<long double>(detail::vector_sine_error_bound)) << "at " << worst_at;
}

INSTANTIATE_TEST_SUITE_P(EveryVectorPath, VectorFill,
                         ::testing::Values(FillPath::sse2, FillPath::avx2, FillPath::avx512),
                         test::fill_path_test_name);

} // namespace
} // namespace tonegen
