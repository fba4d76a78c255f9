// The measuring tool must itself be right before it can judge the program:
// known signals in, known levels and verdicts out.
#include "recording_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace tonegen::e2e {
namespace {

struct Sine {
    double frequency;
    double amplitude;
};

Samples synthesise(const std::vector<Sine>& sines, std::size_t count)
{
    Samples out(count);
    for (std::size_t n = 0; n < count; ++n) {
        double v = 0.0;
        for (const Sine& s : sines)
            v += s.amplitude * std::sin(6.283185307179586 * s.frequency * static_cast<double>(n) / recording_rate);
        out[n] = static_cast<std::int16_t>(std::lround(v));
    }
    return out;
}

TEST(Spectrum, ReadsTheLevelOfASineOnAndBetweenBins)
{
    struct Case {
        double frequency;
        double amplitude;
        std::size_t points;
    };
    const Case cases[] = {
        {1000.0, 1540.3291015625, 44100},  // on a 1 Hz bin
        {1000.5, 1540.3291015625, 44100},  // halfway between bins
        {80.0, 1540.3291015625, 44100},
        {20000.0, 1540.3291015625, 44100},
        {997.3, 12000.0, 65536},           // 0.67 Hz bins, off any bin
        {440.0, 32.0, 44100},              // near the quantisation floor
    };
    for (const Case& c : cases) {
        const Samples rec = synthesise({{c.frequency, c.amplitude}}, c.points);
        const Spectrum spectrum(rec.data(), rec.size(), recording_rate);
        EXPECT_NEAR(to_dbfs(spectrum.amplitude_at(c.frequency)), to_dbfs(c.amplitude), 0.02)
            << c.frequency << " Hz over " << c.points << " points";
    }
}

TEST(Spectrum, StrongestOtherFindsAnUnlistedToneAndIgnoresListedOnes)
{
    const Samples rec = synthesise({{1000.0, 1540.0}, {3000.0, 1540.0}, {5123.0, 3.3}}, 44100);
    const Spectrum spectrum(rec.data(), rec.size(), recording_rate);

    const Spectrum::Component other = spectrum.strongest_other({1000.0, 3000.0}, 5.0);
    EXPECT_NEAR(other.frequency, 5123.0, 1.0);
    EXPECT_NEAR(other.dbfs, to_dbfs(3.3), 1.0);

    const Spectrum::Component rest = spectrum.strongest_other({1000.0, 3000.0, 5123.0}, 5.0);
    EXPECT_LT(rest.dbfs, -100.0) << "only rounding noise is left, at " << rest.frequency << " Hz";
}

TEST(Spectrum, PeaksListsEveryToneWithItsFrequencyAndLevel)
{
    const std::vector<Sine> sines = {{80.0, 1540.0}, {1400.0, 800.0}, {7000.5, 1540.0}, {18000.0, 100.0}};
    const Samples rec = synthesise(sines, 44100);
    const Spectrum spectrum(rec.data(), rec.size(), recording_rate);

    const std::vector<Spectrum::Component> found = spectrum.peaks(-60.0);
    ASSERT_EQ(found.size(), sines.size());
    for (std::size_t i = 0; i < sines.size(); ++i) {
        EXPECT_NEAR(found[i].frequency, sines[i].frequency, 0.1);
        EXPECT_NEAR(found[i].dbfs, to_dbfs(sines[i].amplitude), 0.05);
    }
}

TEST(ReferenceStream, PlaysTheDefaultToneBankAtItsSynthesisedLevels)
{
    ReferenceStream reference({{0, 90, std::nullopt}, {19, std::nullopt, 0.2f}});
    Samples rec(44100);
    for (std::int16_t& s : rec)
        s = reference.next();
    const Spectrum spectrum(rec.data(), rec.size(), recording_rate);

    std::vector<double> frequencies;
    for (const Tone& t : reference.settings().tones) {
        frequencies.push_back(static_cast<double>(t.frequency));
        EXPECT_NEAR(to_dbfs(spectrum.amplitude_at(static_cast<double>(t.frequency))),
                    to_dbfs(static_cast<double>(t.amplitude)), 0.01)
            << t.frequency << " Hz";
    }
    EXPECT_EQ(frequencies.front(), 90.0);
    EXPECT_LT(to_dbfs(spectrum.amplitude_at(80.0)), -100.0) << "the overridden default still sounds";
    EXPECT_LT(reference.settings().tones[19].amplitude, reference.settings().tones[18].amplitude / 2);
}

// A recording as the monitor would hold it: silence, the stream with pauses
// cut into it, silence after the window closed.
struct Recording {
    Samples samples;
    std::vector<std::size_t> pause_at;  // recording indices where pauses begin
};

Recording play(std::size_t lead_in, const std::vector<std::size_t>& played, std::size_t pause, std::size_t tail)
{
    Recording r;
    r.samples.assign(lead_in, 0);
    ReferenceStream reference;
    for (std::size_t i = 0; i < played.size(); ++i) {
        if (i > 0) {
            r.pause_at.push_back(r.samples.size());
            r.samples.insert(r.samples.end(), pause, 0);
        }
        for (std::size_t n = 0; n < played[i]; ++n)
            r.samples.push_back(reference.next());
    }
    r.samples.insert(r.samples.end(), tail, 0);
    return r;
}

TEST(CompareWithReference, AcceptsAnUnbrokenStreamAcrossPauses)
{
    struct Case {
        std::vector<std::size_t> played;
        std::size_t pause;
    };
    const Case cases[] = {
        {{3 * 44100}, 0},
        {{44100, 44100}, 22050},
        {{12288, 1, 30000, 5000}, 64},  // pauses a single sample apart, the shortest pause
    };
    for (const Case& c : cases) {
        const Recording r = play(44100, c.played, c.pause, 10000);
        ReferenceStream reference;
        const Comparison cmp = compare_with_reference(r.samples, reference, 64);
        ASSERT_TRUE(cmp.sound_found);
        EXPECT_EQ(cmp.mismatches, 0u);
        EXPECT_EQ(cmp.pauses.size(), c.played.size() - 1);
        // Every sample of the stream is compared except the zeros that merge
        // into the silence around them.
        std::size_t total = 0;
        for (std::size_t n : c.played)
            total += n;
        EXPECT_EQ(cmp.compared + cmp.reference_zeros_absorbed, total);
        EXPECT_LE(cmp.reference_zeros_absorbed, 2 * c.played.size());
        EXPECT_EQ(cmp.trailing_silence, 10000u);
    }
}

TEST(CompareWithReference, CatchesLostRepeatedAndAlteredAudio)
{
    const Recording clean = play(1000, {60000, 60000}, 5000, 100);
    const std::size_t resume = clean.pause_at[0] + 5000;

    struct Case {
        const char* fault;
        Samples samples;
    };
    std::vector<Case> cases;

    Samples lost = clean.samples;  // one ring buffer dropped at the resume
    lost.erase(lost.begin() + static_cast<std::ptrdiff_t>(resume), lost.begin() + static_cast<std::ptrdiff_t>(resume + 12288));
    cases.push_back({"buffer lost at resume", lost});

    Samples repeated = clean.samples;  // the last buffer before the pause played again after it
    const Samples again(clean.samples.begin() + static_cast<std::ptrdiff_t>(clean.pause_at[0] - 12288),
                        clean.samples.begin() + static_cast<std::ptrdiff_t>(clean.pause_at[0]));
    repeated.insert(repeated.begin() + static_cast<std::ptrdiff_t>(resume), again.begin(), again.end());
    cases.push_back({"buffer repeated at resume", repeated});

    Samples altered = clean.samples;
    altered[resume + 777] = static_cast<std::int16_t>(altered[resume + 777] + 1);
    cases.push_back({"one sample off by one", altered});

    Samples dropout = clean.samples;  // a short gap of zeros is no pause
    for (std::size_t i = 30000; i < 30040; ++i)
        dropout[i] = 0;
    cases.push_back({"40-sample dropout", dropout});

    Samples shifted = clean.samples;  // the stream started one sample late
    shifted.erase(shifted.begin() + 1001);
    cases.push_back({"first sample lost", shifted});

    for (const Case& c : cases) {
        ReferenceStream reference;
        const Comparison cmp = compare_with_reference(c.samples, reference, 64);
        EXPECT_GT(cmp.mismatches, 0u) << c.fault;
        EXPECT_TRUE(cmp.first_mismatch.has_value()) << c.fault;
    }
}

TEST(CompareWithReference, FindsNoSoundInSilence)
{
    const Samples silent(44100, 0);
    ReferenceStream reference;
    EXPECT_FALSE(compare_with_reference(silent, reference, 64).sound_found);
    EXPECT_EQ(measure_silence(silent.data(), silent.size()).nonzero, 0u);
}

TEST(RawFiles, ReadWholeSignedSamplesAndLeaveAHalfWrittenOneOut)
{
    const std::string path = ::testing::TempDir() + "recording_analysis_test.raw";
    {
        std::ofstream out(path, std::ios::binary);
        const unsigned char bytes[] = {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x12};
        out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    bool ok = false;
    const Samples rec = read_raw(path, &ok);
    std::remove(path.c_str());
    ASSERT_TRUE(ok);
    EXPECT_EQ(rec, (Samples{1, -1, -32768, 32767}));
    const SilenceReport r = measure_silence(rec.data(), rec.size());
    EXPECT_EQ(r.nonzero, 4u);
    EXPECT_EQ(r.max_abs, 32768);
}

} // namespace
} // namespace tonegen::e2e
