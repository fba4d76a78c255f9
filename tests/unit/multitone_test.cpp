// The multitone analysis on made-up recordings of a render: what each
// change to the samples must show in the readings, and what must not
// change them.
#include "analysis/multitone.h"

#include "app/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace tonegen {
namespace {

using Samples = std::vector<std::int16_t>;

const ToneSetup setup = [] {
    ToneSetup s{};
    const int frequencies[tone_slots] = {80,   200,  400,  700,   1000,  1400,  2000,  3000,  4000,  5000,
                                         6000, 7000, 8000, 9000, 10000, 12000, 14000, 16000, 18000, 20000};
    for (int i = 0; i < tone_slots; ++i) {
        s.frequency[i] = frequencies[i];
        s.gain[i] = i == 7 ? 0 : 44; // 3000 Hz silent
    }
    return s;
}();

Samples render(std::size_t frames)
{
    RenderOptions options;
    options.setup = setup;
    StreamRender r(options, Assets{});
    Samples out(frames);
    r.next(out.data(), frames);
    return out;
}

std::int16_t to_sample(double v)
{
    return static_cast<std::int16_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
}

Measurement measured(const Samples& recording)
{
    const auto result = measure_recording(setup, render(recording.size()), recording);
    if (std::holds_alternative<std::string>(result))
        ADD_FAILURE() << std::get<std::string>(result);
    return std::holds_alternative<Measurement>(result) ? std::get<Measurement>(result) : Measurement{};
}

constexpr std::size_t three_seconds = 3 * measure_period;

TEST(Multitone, ReadsEachToneOfARenderChangedAsADeviceWould)
{
    const Samples clean = render(three_seconds);
    const Measurement reference = measured(clean);
    ASSERT_EQ(reference.tones.size(), 19u) << "the tone at gain 0 is not reported";
    EXPECT_EQ(reference.delay, 0);
    EXPECT_EQ(reference.periods, 2);

    struct Case {
        const char* what;
        std::function<double(const Samples&, std::size_t)> sample; // the recording's sample i
        std::int64_t delay;
        std::function<double(double)> gain_db; // of a frequency
        double gain_within, phase_within;
    };
    const Case cases[] = {
        {"halved", [](const Samples& x, std::size_t i) { return x[i] / 2.0; }, 0,
         [](double) { return 20.0 * std::log10(0.5); }, 0.01, 0.1},
        {"smoothed", [](const Samples& x, std::size_t i) {
             return x[i] / 4.0 + (i > 0 ? x[i - 1] / 2.0 : 0.0) + (i > 1 ? x[i - 2] / 4.0 : 0.0);
         }, 1, [](double f) { return 40.0 * std::log10(std::cos(std::numbers::pi * f / 44100.0)); }, 0.02, 0.5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Samples recording(clean.size());
        for (std::size_t i = 0; i < clean.size(); ++i)
            recording[i] = to_sample(k.sample(clean, i));
        const Measurement m = measured(recording);
        EXPECT_EQ(m.delay, k.delay);
        ASSERT_EQ(m.tones.size(), reference.tones.size());
        for (std::size_t t = 0; t < m.tones.size(); ++t) {
            SCOPED_TRACE(m.tones[t].frequency);
            EXPECT_NEAR(m.tones[t].sent_dbfs, reference.tones[t].sent_dbfs, 1e-9);
            EXPECT_NEAR(m.tones[t].gain_db, k.gain_db(double(m.tones[t].frequency)), k.gain_within);
            EXPECT_NEAR(m.tones[t].phase_deg, 0.0, k.phase_within);
        }
    }
}

TEST(Multitone, ADelayedRecordingReadsTheSame)
{
    const Samples clean = render(three_seconds);
    const Measurement reference = measured(clean);
    for (std::size_t delay : {1u, 441u, 12345u, 70001u}) {
        SCOPED_TRACE(delay);
        Samples recording(delay, 0);
        recording.insert(recording.end(), clean.begin(), clean.end());
        const Measurement m = measured(recording);
        EXPECT_EQ(m.delay, static_cast<std::int64_t>(delay));
        EXPECT_EQ(m.periods, reference.periods);
        ASSERT_EQ(m.tones.size(), reference.tones.size());
        for (std::size_t t = 0; t < m.tones.size(); ++t) {
            EXPECT_NEAR(m.tones[t].received_dbfs, reference.tones[t].received_dbfs, 1e-9);
            EXPECT_NEAR(m.tones[t].phase_deg, reference.tones[t].phase_deg, 1e-6);
        }
        EXPECT_NEAR(m.thd_n_db, reference.thd_n_db, 1e-6);
    }
}

TEST(Multitone, FindsWhatWasAddedAndTellsNoiseFromDistortion)
{
    const Samples clean = render(5 * measure_period);
    const Measurement reference = measured(clean);
    const double first = std::pow(10.0, reference.tones[0].received_dbfs / 20.0) * 32767.0; // 80 Hz's peak

    Samples harmonic(clean.size()), noisy(clean.size()), clipped(clean.size());
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 100.0);
    for (std::size_t i = 0; i < clean.size(); ++i) {
        // The 80 Hz tone starts at phase 0, as every tone does.
        harmonic[i] = to_sample(clean[i] + first / 100.0 * std::sin(2.0 * std::numbers::pi * 160.0 * double(i) / 44100.0));
        noisy[i] = to_sample(clean[i] + noise(random));
        clipped[i] = to_sample(std::clamp(2.0 * clean[i], -20000.0, 20000.0));
    }

    const Measurement h = measured(harmonic);
    ASSERT_EQ(h.products.size(), 1u);
    EXPECT_EQ(h.products[0].name, "2f1");
    EXPECT_EQ(h.products[0].frequency, 160);
    EXPECT_NEAR(h.products[0].received_dbfs, reference.tones[0].received_dbfs - 40.0, 0.1);

    const Measurement n = measured(noisy);
    const double expected = 10.0 * std::log10(4.0 * 100.0 * 100.0 / (44100.0 * n.periods * 32767.0 * 32767.0));
    EXPECT_NEAR(n.noise_floor_dbfs, expected, 1.0);
    EXPECT_TRUE(n.products.empty()) << n.products[0].name;
    EXPECT_GT(n.thd_n_db, reference.thd_n_db + 20.0);

    const Measurement c = measured(clipped);
    EXPECT_GT(c.thd_n_db, reference.thd_n_db + 40.0);
    EXPECT_FALSE(c.products.empty());
}

TEST(Multitone, SaysWhyARecordingCannotBeMeasured)
{
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 300.0);
    Samples noise_only(three_seconds);
    for (std::int16_t& v : noise_only)
        v = to_sample(noise(random));
    const struct {
        Samples recording;
        const char* said;
    } cases[] = {
        {Samples(three_seconds, 0), "silent"},
        {noise_only, "no trace of the signal in the recording: its level is -"},
        {render(measure_period), "too short: 1.0 s"},
    };
    for (const auto& k : cases) {
        const auto result = measure_recording(setup, render(k.recording.size()), k.recording);
        ASSERT_TRUE(std::holds_alternative<std::string>(result)) << k.said;
        EXPECT_NE(std::get<std::string>(result).find(k.said), std::string::npos) << std::get<std::string>(result);
    }
}

TEST(Multitone, TheFftAlignsAsThePlainSumDoes)
{
    const Samples clean = render(2 * measure_period);
    Samples recording(3000, 0);
    for (std::size_t i = 0; i < clean.size(); ++i)
        recording.push_back(to_sample(clean[i] * 0.3 + (i % 7) * 50.0));
    for (bool plain : {false, true})
        EXPECT_EQ(align_recording(clean, recording, 4096, 5000, plain), 3000) << plain;
}

} // namespace
} // namespace tonegen
