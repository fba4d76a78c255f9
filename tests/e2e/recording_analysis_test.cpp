// The measuring tool must itself be right before it can judge the program:
// known signals in, known levels and verdicts out.
#include "recording_analysis.h"

#include "audio/stream.h"
#include "synth/synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>

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
    lost.erase(lost.begin() + static_cast<std::ptrdiff_t>(resume),
               lost.begin() + static_cast<std::ptrdiff_t>(resume + stream_buffer_frames));
    cases.push_back({"buffer lost at resume", lost});

    Samples repeated = clean.samples;  // the last buffer before the pause played again after it
    const Samples again(clean.samples.begin() + static_cast<std::ptrdiff_t>(clean.pause_at[0] - stream_buffer_frames),
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

// A render in place of the synthesis: the recording of the same samples
// after some silence matches them all, one altered sample does not.
TEST(CompareWithReference, TakesARendersSamplesAsTheReference)
{
    ReferenceStream synthesis;
    Samples render(30000);
    for (std::int16_t& v : render)
        v = synthesis.next();
    Samples rec(5000, 0);
    rec.insert(rec.end(), render.begin(), render.end());
    for (const bool alter : {false, true}) {
        Samples heard = rec;
        if (alter)
            heard[5000 + 12345] = static_cast<std::int16_t>(heard[5000 + 12345] ^ 4);
        ReferenceStream reference(render);
        const Comparison cmp = compare_with_reference(heard, reference, 64);
        EXPECT_GE(cmp.compared + 1, render.size()); // a leading zero is silence
        EXPECT_EQ(cmp.mismatches, alter ? 1u : 0u);
    }
}

// A restarted sound server: the first recording stops where the server died
// (mid-sound), the second begins with silence or at once with sound; the
// stream may go on further along, never earlier, never beyond the limit.
TEST(CompareWithReference, ResumesAfterAJoinOnlyFurtherOnAndWithinTheLimit)
{
    struct Case {
        const char* name;
        std::size_t silence_after_join;
        long jump;              // reference samples between the last before and the first after
        std::size_t max_skip;
        bool exact;
    };
    const Case cases[] = {
        {"nothing lost", 20000, 0, 22050, true},
        {"what the dead server held is lost", 20000, 15000, 22050, true},
        {"sound at once after the join", 0, 700, 22050, true},
        {"a stretch played twice", 20000, -3000, 22050, false},
        {"more lost than the limit", 20000, 30000, 22050, false},
        {"no join allowed", 20000, 15000, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The default tones repeat every 0.1 s; with 1001 Hz only every second.
        const std::vector<ToneOverride> bank{ToneOverride{3, 1001, std::nullopt, 0}};
        ReferenceStream source(bank);
        Samples stream;
        for (int i = 0; i < 200000; ++i)
            stream.push_back(source.next());
        Samples rec(5000, 0);
        const std::size_t stop = 60000;
        rec.insert(rec.end(), stream.begin(), stream.begin() + stop);
        const std::size_t join = rec.size();
        rec.insert(rec.end(), c.silence_after_join, 0);
        const auto from = static_cast<std::ptrdiff_t>(stop) + c.jump;
        rec.insert(rec.end(), stream.begin() + from, stream.begin() + from + 50000);
        rec.insert(rec.end(), 3000, 0);

        ReferenceStream reference(bank);
        const Comparison cmp = compare_with_reference(rec, reference, 64, Joins{{join}, c.max_skip});
        ASSERT_EQ(cmp.resumes.size(), 1u);
        EXPECT_EQ(cmp.resumes[0].at, join + c.silence_after_join);
        if (c.exact) {
            EXPECT_EQ(cmp.mismatches, 0u);
            ASSERT_TRUE(cmp.resumes[0].skipped.has_value());
            // Reference zeros at the join may merge into the silence.
            EXPECT_LE(*cmp.resumes[0].skipped, static_cast<std::size_t>(c.jump));
            EXPECT_GE(*cmp.resumes[0].skipped + 2, static_cast<std::size_t>(c.jump));
        } else {
            EXPECT_FALSE(cmp.resumes[0].skipped.has_value() && cmp.mismatches == 0);
        }
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

// Deterministic noise: Gaussian by Box-Muller over a 64-bit xorshift.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : state_(seed) {}

    double gaussian()
    {
        const double r = std::sqrt(-2.0 * std::log(uniform()));
        return r * std::cos(6.283185307179586 * uniform());
    }

private:
    double uniform()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return (static_cast<double>(state_ >> 11) + 0.5) / 9007199254740992.0;
    }
    std::uint64_t state_;
};

// Noise of the given colour scaled to `rms` sample units.
enum class Colour { white, pink, brown };

Samples noise(Colour colour, double rms, std::size_t count, std::uint64_t seed)
{
    Noise n(seed);
    std::vector<double> v(count + 44100);
    double b[7] = {};
    double level = 0.0;
    for (double& x : v) {
        const double w = n.gaussian();
        switch (colour) {
        case Colour::white:
            x = w;
            break;
        case Colour::pink:  // the same sections as the program's pink recording
            b[0] = 0.99886 * b[0] + w * 0.0555179;
            b[1] = 0.99332 * b[1] + w * 0.0750759;
            b[2] = 0.96900 * b[2] + w * 0.1538520;
            b[3] = 0.86650 * b[3] + w * 0.3104856;
            b[4] = 0.55000 * b[4] + w * 0.5329522;
            b[5] = -0.7616 * b[5] - w * 0.0168980;
            x = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
            b[6] = w * 0.115926;
            break;
        case Colour::brown:  // integrated, with a leak far below the measured bands
            level = 0.998 * level + w;
            x = level;
            break;
        }
    }
    v.erase(v.begin(), v.begin() + 44100);  // past the filters' start
    double mean = 0.0, square = 0.0;
    for (double x : v)
        mean += x;
    mean /= static_cast<double>(count);
    for (double x : v)
        square += (x - mean) * (x - mean);
    const double scale = rms / std::sqrt(square / static_cast<double>(count));
    Samples out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>(std::lround((v[i] - mean) * scale));
    return out;
}

Samples add(Samples a, const Samples& b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        a[i] = static_cast<std::int16_t>(a[i] + b[i]);
    return a;
}

std::vector<double> default_tone_frequencies()
{
    const ReferenceStream reference;
    std::vector<double> f;
    for (const Tone& t : reference.settings().tones)
        f.push_back(static_cast<double>(t.frequency));
    return f;
}

Samples default_tones(std::size_t count)
{
    ReferenceStream reference;
    Samples out(count);
    for (std::int16_t& s : out)
        s = reference.next();
    return out;
}

TEST(NoiseMeasures, ReadTheLevelAndSlopeOfKnownNoisesWithTheTonesLeftOut)
{
    const Exclusion tones{default_tone_frequencies(), 5.0};
    struct Case {
        const char* what;
        Colour colour;
        double rms;
        bool with_tones;
        double slope;  // dB per octave
    };
    const Case cases[] = {
        {"white", Colour::white, 3000.0, false, 0.0},
        {"pink, the program's level", Colour::pink, 2105.0, false, -3.01},
        {"pink under the default tones", Colour::pink, 2105.0, true, -3.01},
        {"brown", Colour::brown, 2000.0, false, -6.02},
        {"quiet white under the tones", Colour::white, 100.0, true, 0.0},
    };
    for (const Case& c : cases) {
        Samples rec = noise(c.colour, c.rms, 2 * 44100, 7);
        if (c.with_tones)
            rec = add(rec, default_tones(rec.size()));
        const Spectrum spectrum(rec.data(), rec.size(), recording_rate);
        const Exclusion& left_out = c.with_tones ? tones : Exclusion{};
        EXPECT_NEAR(rms_dbfs(spectrum.band_power(0.0, 22050.0, left_out).mean_square), to_dbfs(c.rms), 0.25)
            << c.what;
        const BandSlope slope = band_slope(spectrum, 100.0, 12800.0, left_out);
        EXPECT_EQ(slope.bands.size(), 7u) << c.what;
        EXPECT_NEAR(slope.db_per_octave, c.slope, 0.4) << c.what;
    }
}

TEST(NoiseMeasures, TonesLeftInCountAndBandsSeeOnlyTheirOwnBins)
{
    const Samples tones = default_tones(44100);
    const Spectrum spectrum(tones.data(), tones.size(), recording_rate);
    // Twenty tones of peak 1540.33 carry 20 x 1540.33^2 / 2 of mean square.
    EXPECT_NEAR(rms_dbfs(spectrum.band_power(0.0, 22050.0, {}).mean_square),
                10.0 * std::log10(20.0 * 1540.3291 * 1540.3291 / 2.0) - 20.0 * std::log10(full_scale), 0.05);
    EXPECT_NEAR(rms_dbfs(spectrum.band_power(900.0, 1100.0, {}).mean_square), to_dbfs(1540.3291) - 3.0103, 0.05);
    EXPECT_LT(rms_dbfs(spectrum.band_power(0.0, 22050.0, Exclusion{default_tone_frequencies(), 5.0}).mean_square),
              -90.0);
    EXPECT_LT(rms_dbfs(spectrum.band_power(1100.0, 1300.0, {}).mean_square), -90.0) << "between 1000 and 1400 Hz";
}

// An exponential sweep as the program's recording makes it: phase steps
// growing by the same ratio every sample, summed in closed form.
Samples sweep(double f0, double f1, double seconds, double amplitude, std::size_t lead_in, std::size_t count)
{
    Samples out(count, 0);
    const double ratio = std::exp(std::log(f1 / f0) / seconds / recording_rate);
    const double first_step = 6.283185307179586 * f0 / recording_rate;
    for (std::size_t n = 0; n + lead_in < count; ++n) {
        const double phase = first_step * (std::pow(ratio, static_cast<double>(n)) - 1.0) / (ratio - 1.0);
        out[n + lead_in] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return out;
}

TEST(PeakTrack, FindsWhereAnExponentialSweepStartsAndRejectsOtherMotion)
{
    const SweepLaw law{20.0, 21050.0, 14.0};
    const std::size_t window = 8820, step = 4410, count = 8 * 44100;
    struct Case {
        const char* what;
        Samples rec;
        bool tones_left_out;
        bool follows;
        std::size_t start;
    };
    const Case cases[] = {
        {"the sweep alone", sweep(20.0, 21050.0, 14.0, 9280.0, 22050, count), false, true, 22050},
        {"over the default tones and pink noise",
         add(add(sweep(20.0, 21050.0, 14.0, 9280.0, 54321, count), default_tones(count)),
             noise(Colour::pink, 2105.0, count, 3)),
         true, true, 54321},
        {"a faster sweep", sweep(20.0, 21050.0, 10.0, 9280.0, 22050, count), false, false, 0},
        {"a steady tone", sweep(440.0, 440.0000001, 14.0, 9280.0, 0, count), false, false, 0},
    };
    const Exclusion tones{default_tone_frequencies(), 20.0};
    for (const Case& c : cases) {
        const std::vector<TrackPoint> points =
            track_strongest(c.rec, 0, c.rec.size(), window, step, 0.0, 22050.0, c.tones_left_out ? tones : Exclusion{});
        ASSERT_EQ(points.size(), (count - window) / step + 1) << c.what;
        const SweepFit fit = fit_sweep(points, window, law, -45.0, 0.15);
        const bool follows = fit.inliers >= 5 && 5 * fit.inliers >= 4 * fit.candidates;
        EXPECT_EQ(follows, c.follows) << c.what << ": " << fit.inliers << " of " << fit.candidates;
        if (c.follows) {
            EXPECT_NEAR(fit.start_sample, static_cast<double>(c.start), 0.03 * recording_rate) << c.what;
            EXPECT_LT(fit.lowest_hz, 30.0) << c.what;
            EXPECT_GT(fit.highest_hz, 500.0) << c.what;
        }
    }
}

TEST(TrackLevel, FindsTheWindowWhereAToneComesAndGoes)
{
    const std::size_t count = 3 * 44100;
    Samples rec = default_tones(count);
    const Samples tone = synthesise({{440.0, 1540.0}}, count);
    for (std::size_t i = 30000; i < 90000; ++i)
        rec[i] = static_cast<std::int16_t>(rec[i] + tone[i]);
    const std::vector<TrackPoint> points = track_level(rec, 0, count, 4410, 2205, 440.0);
    auto first = [&](std::size_t from, const std::function<bool(double)>& holds) {
        for (const TrackPoint& p : points) {
            if (p.start >= from && holds(p.dbfs))
                return p.start;
        }
        return count;
    };
    const std::size_t on = first(0, [](double db) { return db > -30.0; });
    const std::size_t off = first(on, [](double db) { return db < -60.0; });
    // The first window holding enough of the tone, the first holding none.
    EXPECT_GT(on + 4410, 30000u);
    EXPECT_LE(on, 30000u);
    EXPECT_GE(off, 90000u);
    EXPECT_LT(off, 90000u + 2205);
}

// A recording as the sound server makes it: the tone stream after a lead-in,
// plus the player's rounded mix of the sources as they start and stop.
struct Play {
    std::size_t at;  // index into the recording
    std::size_t source;
    bool starts;
};

Samples mixed(const std::vector<LoopedSource>& sources, double gain, const std::vector<Play>& plays,
              std::size_t lead_in, std::size_t count)
{
    Samples out(count, 0);
    ReferenceStream tones;
    static_cast<void>(tones.next());  // the silent first sample merges into the lead-in
    std::vector<std::optional<std::size_t>> position(sources.size());
    for (std::size_t i = lead_in; i < count; ++i) {
        for (const Play& p : plays) {
            if (p.at == i)
                position[p.source] = p.starts ? std::optional<std::size_t>(0) : std::nullopt;
        }
        double mix = 0.0;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            if (position[s]) {
                mix += sources[s].samples[*position[s]] * gain;
                position[s] = (*position[s] + 1) % sources[s].samples.size();
            }
        }
        out[i] = static_cast<std::int16_t>(
            std::clamp(static_cast<double>(tones.next()) + std::nearbyint(mix), -32768.0, 32767.0));
    }
    return out;
}

TEST(Mixture, FindsEveryStartAndStopOfTheSourcesOverTheTones)
{
    const std::vector<LoopedSource> sources = {
        {"sweep", sweep(20.0, 2000.0, 0.5, 23198.0, 0, 22050)},
        {"pink", noise(Colour::pink, 5262.0, 30011, 11)},
    };
    const double gain = std::pow(10.0, -796.0 / 2000.0);
    const std::size_t lead_in = 5000, count = 200000;
    struct Case {
        const char* what;
        std::vector<Play> plays;
    };
    const Case cases[] = {
        {"nothing but tones", {}},
        {"one source on and off", {{20000, 1, true}, {90000, 1, false}}},
        {"overlapping, looping past their ends, restarted",
         {{10000, 1, true}, {30000, 0, true}, {70000, 1, false}, {100000, 0, false}, {120000, 0, true}}},
        {"both start together", {{50000, 0, true}, {50000, 1, true}}},
    };
    for (const Case& c : cases) {
        const Samples rec = mixed(sources, gain, c.plays, lead_in, count);
        ReferenceStream tones;
        const MixtureReport r = explain_mixture(rec, tones, sources, gain);
        EXPECT_FALSE(r.unexplained_at.has_value()) << c.what << " at " << *r.unexplained_at;
        EXPECT_EQ(r.explained, count - lead_in) << c.what;
        ASSERT_EQ(r.events.size(), c.plays.size()) << c.what;
        for (std::size_t i = 0; i < c.plays.size(); ++i) {
            EXPECT_EQ(r.events[i].source, c.plays[i].source) << c.what << ", event " << i;
            EXPECT_EQ(r.events[i].starts, c.plays[i].starts) << c.what << ", event " << i;
            // A stop shows once the source would have added something.
            EXPECT_GE(r.events[i].at, c.plays[i].at) << c.what << ", event " << i;
            EXPECT_LE(r.events[i].at, c.plays[i].at + 4) << c.what << ", event " << i;
        }
    }
}

// A recording cut from the middle of the play: the tones from a known
// sample, a source going on from a position known only roughly; a guess
// too far off explains nothing.
TEST(Mixture, TakesUpACutRecordingWithASourceGoingOn)
{
    const std::vector<LoopedSource> sources = {{"pink", noise(Colour::pink, 5262.0, 30011, 5)}};
    const double gain = std::pow(10.0, -796.0 / 2000.0);
    const Samples whole = mixed(sources, gain, {{10000, 0, true}}, 0, 120000);
    const std::size_t cut = 60000;  // the noise is at its sample 50000 % 30011 = 19989 there
    const Samples rec(whole.begin() + cut, whole.end());
    struct Case {
        std::size_t near, within;
        bool found;
    };
    const Case cases[] = {{19989, 0, true}, {19000, 2000, true}, {21500, 2000, true}, {25000, 2000, false}};
    for (const Case& c : cases) {
        ReferenceStream tones;
        for (std::size_t i = 0; i <= cut; ++i)  // mixed() lets the first, silent sample go
            static_cast<void>(tones.next());
        const MixtureReport r = explain_mixture(rec, tones, sources, gain, 256, 64, 64, {GoingOn{0, c.near, c.within}});
        EXPECT_EQ(r.unexplained_at.has_value(), !c.found) << c.near;
        if (c.found) {
            ASSERT_EQ(r.events.size(), 1u);
            EXPECT_EQ(r.events[0].from, 19989u);
            EXPECT_EQ(r.explained, rec.size());
        }
    }
}

TEST(Mixture, CatchesAWrongGainADropoutALateStartAndAnAlteredTone)
{
    const std::vector<LoopedSource> sources = {{"pink", noise(Colour::pink, 5262.0, 30011, 5)}};
    const double gain = std::pow(10.0, -796.0 / 2000.0);
    const std::size_t count = 120000;
    const Samples clean = mixed(sources, gain, {{20000, 0, true}}, 1000, count);

    struct Case {
        const char* what;
        Samples rec;
        std::size_t fault_at;
    };
    std::vector<Case> cases;
    cases.push_back({"louder by 0.01 dB", mixed(sources, std::pow(10.0, -795.0 / 2000.0), {{20000, 0, true}}, 1000, count),
                     20000});
    // The player's stream stalls for 100 samples and goes on where it was.
    Samples stalled = clean;
    const Samples tones_only = mixed(sources, gain, {}, 1000, count);
    for (std::size_t i = 50000; i < count; ++i)
        stalled[i] = static_cast<std::int16_t>(tones_only[i] + (i < 50100 ? 0 : clean[i - 100] - tones_only[i - 100]));
    cases.push_back({"a stall of 100 samples", stalled, 50000});
    // Restarted from the middle of the recording instead of its first sample.
    Samples late = tones_only;
    for (std::size_t i = 20000; i < count; ++i)
        late[i] = static_cast<std::int16_t>(tones_only[i] + clean[i + 500 < count ? i + 500 : i] - tones_only[i + 500 < count ? i + 500 : i]);
    cases.push_back({"started 500 samples in", late, 20000});
    Samples altered = clean;
    altered[77777] = static_cast<std::int16_t>(altered[77777] + 1);
    cases.push_back({"one sample off by one", altered, 77777});

    for (const Case& c : cases) {
        ReferenceStream tones;
        const MixtureReport r = explain_mixture(c.rec, tones, sources, gain);
        ASSERT_TRUE(r.unexplained_at.has_value()) << c.what;
        EXPECT_GE(*r.unexplained_at, c.fault_at) << c.what;
        EXPECT_LT(*r.unexplained_at, c.fault_at + 300) << c.what;
    }
}

TEST(CompareWithReference, TakesAToneChangeFromTheBufferItReachesOn)
{
    // The program's ring: eight buffers filled with the defaults before the
    // output is released, tone 3 changed to 1001 Hz after that.
    Settings s{};
    apply_defaults(s);
    normalise_gains(s);
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    std::vector<char> buffer(2 * stream_buffer_frames);
    Samples rec(3000, 0);
    for (int b = 0; b < 14; ++b) {
        if (b == 8)
            s.tones[3].frequency = 1001;
        fill_buffer(s, buffer.data());
        for (std::size_t i = 0; i < buffer.size(); i += 2)
            rec.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(
                static_cast<unsigned char>(buffer[i]) | static_cast<unsigned char>(buffer[i + 1]) << 8)));
    }
    struct Case {
        std::size_t from_buffer;
        bool matches;
    };
    for (const Case c : {Case{8, true}, Case{0, false}, Case{7, false}, Case{9, false}}) {
        ReferenceStream reference({ToneOverride{3, 1001, std::nullopt, c.from_buffer}});
        const Comparison cmp = compare_with_reference(rec, reference, 64);
        EXPECT_EQ(cmp.mismatches == 0, c.matches) << "from buffer " << c.from_buffer;
    }
    EXPECT_EQ(final_bank({ToneOverride{3, 1001, std::nullopt, 8}})[0].from_buffer, 0u);
}

TEST(SynthesisedLevels, FollowTheNormalisationAsGainsGoToZero)
{
    // With n tones left at 0.44 each has 0.44 / (1 + (n - 1) 0.44) of full
    // scale: -26.56 dBFS for 20 tones, -26.14 for 19, -25.70 for 18.
    struct Case {
        std::vector<ToneOverride> overrides;
        int sounding;
    };
    const Case cases[] = {
        {{}, 20},
        {{{19, std::nullopt, 0.0f}}, 19},
        {{{19, std::nullopt, 0.0f}, {0, std::nullopt, 0.0f}, {3, 440, std::nullopt}}, 18},
    };
    for (const Case& c : cases) {
        const std::vector<ToneLevel> levels = synthesised_levels(c.overrides);
        ASSERT_EQ(levels.size(), static_cast<std::size_t>(tone_slots));
        const double renormalised = 20.0 * std::log10(0.44 / (1.0 + (c.sounding - 1) * 0.44));
        int sounding = 0;
        for (const ToneLevel& t : levels) {
            if (!std::isfinite(t.dbfs))
                continue;
            ++sounding;
            EXPECT_NEAR(t.dbfs, renormalised, 0.01) << t.frequency << " Hz of " << c.sounding;
        }
        EXPECT_EQ(sounding, c.sounding);
    }
    // The bank after an override at a later buffer, exactly as the core
    // computes it: nineteen tones of amplitude 0.44 x 32767 / 8.92.
    const std::vector<ToneLevel> without_first = synthesised_levels({{0, std::nullopt, 0.0f, 8}});
    EXPECT_EQ(without_first[0].dbfs, -HUGE_VAL);
    EXPECT_DOUBLE_EQ(without_first[1].dbfs, to_dbfs(1616.3094482421875));
    EXPECT_EQ(synthesised_levels({{3, 440, std::nullopt}})[3].frequency, 440.0);
}

TEST(Layout, TakesTheTableAtItsPlacesAndNothingElse)
{
    const std::vector<ControlSpec> table = start_up_controls();
    ASSERT_EQ(table.size(), 108u) << "four buttons, two headings with frames, twenty rows of five";
    std::vector<WindowRect> exact;
    for (const ControlSpec& c : table)
        exact.push_back(WindowRect{c.x, c.y, c.width, c.height});
    auto field = std::find_if(table.begin(), table.end(),
                              [](const ControlSpec& c) { return c.kind == ControlKind::frequency_field; });
    ASSERT_NE(field, table.end());
    const WindowRect edit_line{field->x + 2, field->y + 2, field->width - 20, field->height - 4};

    struct Case {
        const char* what;
        std::vector<WindowRect> windows;
        std::size_t missing;
        std::size_t unexpected;
    };
    auto with = [&exact](std::vector<WindowRect> more) {
        std::vector<WindowRect> w = exact;
        w.insert(w.end(), more.begin(), more.end());
        return w;
    };
    auto without = [&exact](std::size_t index) {
        std::vector<WindowRect> w = exact;
        w.erase(w.begin() + static_cast<std::ptrdiff_t>(index));
        return w;
    };
    auto moved = [&exact](std::size_t index) {
        std::vector<WindowRect> w = exact;
        ++w[index].x;
        return w;
    };
    const Case cases[] = {
        {"every control", exact, 0, 0},
        {"a field's edit line inside it", with({edit_line}), 0, 0},
        {"ON/OFF missing", without(0), 1, 0},
        {"a gain bar a pixel to the right", moved(table.size() - 21), 1, 1},
        {"a stray window", with({WindowRect{0, 0, 294, 5}}), 0, 1},
        {"a window sticking out of a field", with({WindowRect{field->x + 2, field->y, field->width, 20}}), 0, 1},
        {"nothing", {}, table.size(), 0},
    };
    for (const Case& c : cases) {
        const LayoutCheck r = check_layout(table, c.windows);
        EXPECT_EQ(r.missing.size(), c.missing) << c.what;
        EXPECT_EQ(r.unexpected.size(), c.unexpected) << c.what;
        EXPECT_EQ(r.matched, table.size() - c.missing) << c.what;
    }
    // Two controls on one rectangle would want two windows.
    const std::vector<ControlSpec> twice = {table[0], table[0]};
    EXPECT_EQ(check_layout(twice, {exact[0]}).missing.size(), 1u);
}

TEST(Events, EachInOrderAndWithinItsLagOfTheClick)
{
    const std::vector<LoopedSource> sources = {{"sweep", {}}, {"pink", {}}};
    const std::vector<MixEvent> found = {{1000, 1, true}, {5000, 0, true}, {9000, 1, false}};
    struct Case {
        const char* what;
        std::vector<ExpectedEvent> expected;
        std::size_t problems;
    };
    const Case cases[] = {
        {"as clicked", {{"pink+", 900}, {"sweep+", 4000}, {"pink-", 9000}}, 0},
        {"names only", {{"pink+", std::nullopt}, {"sweep+", std::nullopt}, {"pink-", std::nullopt}}, 0},
        {"heard before its click", {{"pink+", 1101}, {"sweep+", 4000}, {"pink-", 9000}}, 1},
        {"heard as early as allowed", {{"pink+", 1100}, {"sweep+", 4000}, {"pink-", 9000}}, 0},
        {"heard too late", {{"pink+", 900}, {"sweep+", 3999}, {"pink-", 9000}}, 1},
        {"another order", {{"sweep+", 900}, {"pink+", 4000}, {"pink-", 9000}}, 2},
        {"one more expected", {{"pink+", 900}, {"sweep+", 4000}, {"pink-", 9000}, {"sweep-", 9500}}, 1},
        {"one fewer expected", {{"pink+", 900}, {"sweep+", 4000}}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(check_events(found, sources, c.expected, 100, 1000).size(), c.problems) << c.what;
}

TEST(Sweep, TonesCrossedDuringAStretchAcrossTheLoopToo)
{
    const SweepLaw law{20.0, 21050.0, 14.0};
    const std::vector<double> tones = {80, 200, 400, 700, 16000, 18000, 20000};
    struct Case {
        double from_s, seconds;
        std::vector<double> crossed;
    };
    const Case cases[] = {
        {4.8, 1.0, {200}},                  // 217 Hz to 357 Hz
        {0.0, 2.0, {}},                     // 20 Hz to 54 Hz, more than 20 Hz below 80 Hz
        {0.0, 2.5, {80}},                   // 20 Hz to 69 Hz
        {13.5, 1.0, {18000, 20000}},        // 16.4 kHz to the end, then 20 Hz to 26 Hz
        {-1.0, 1.5, {}},                    // not started yet, then up to 25 Hz
    };
    for (const Case& c : cases) {
        const double start = 100000.0;
        const auto from = static_cast<std::size_t>(start + c.from_s * recording_rate);
        const auto count = static_cast<std::size_t>(c.seconds * recording_rate);
        EXPECT_EQ(crossed_by_sweep(tones, law, start, from, count, 20.0), c.crossed) << c.from_s << " s";
    }
    EXPECT_NEAR(law.frequency_at(law.seconds_to(1000.0)), 1000.0, 1e-9);
}

TEST(Pauses, OnlyTheLongOnesCounted)
{
    const std::vector<ZeroRun> pauses = {{100, 1}, {500, 3000}, {9000, 30000}, {50000, 2}};
    EXPECT_EQ(count_at_least(pauses, 1), 4u);
    EXPECT_EQ(count_at_least(pauses, 3000), 2u);
    EXPECT_EQ(count_at_least(pauses, 30001), 0u);
}

TEST(SourceLevel, IsTheRecordingsRmsAtThePlayersGain)
{
    Samples square(1000);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = i % 2 ? 1000 : -1000;
    EXPECT_NEAR(source_rms_dbfs(square, 0.5), 20.0 * std::log10(500.0 / full_scale), 1e-9);
    EXPECT_NEAR(source_rms_dbfs(square, 1.0) - source_rms_dbfs(square, std::pow(10.0, -796.0 / 2000.0)), 7.96, 1e-9);
}

TEST(CloseGaps, GivesBackTheStreamAndItsLevelsAfterUnderruns)
{
    // The tones with an output's underruns in them: runs of zeros put in,
    // the stream going on after each unchanged.
    // The stream begins after the mix's first sample, a zero, which would
    // go with the silence before it.
    ReferenceStream reference;
    static_cast<void>(reference.next());
    Samples stream(60000), rec(5000, 0);
    for (std::int16_t& s : stream)
        s = reference.next();
    const std::vector<std::pair<std::size_t, std::size_t>> underruns = {{40000, 2213}, {45000, 4441}, {45500, 3107}};
    std::size_t taken = 0;
    for (const auto& [at, length] : underruns) {
        rec.insert(rec.end(), stream.begin() + static_cast<std::ptrdiff_t>(taken),
                   stream.begin() + static_cast<std::ptrdiff_t>(at));
        rec.insert(rec.end(), length, 0);
        taken = at;
    }
    rec.insert(rec.end(), stream.begin() + static_cast<std::ptrdiff_t>(taken), stream.end());

    const ClosedGaps closed = close_gaps(rec, 64);
    EXPECT_EQ(closed.gaps.size(), 4u) << "the silence before the stream and three underruns";
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), closed.samples.begin(), closed.samples.end()));
    EXPECT_EQ(closed.moved(5000), 0u);
    EXPECT_EQ(closed.moved(5000 + 40000 + 100), 40000u) << "inside a gap: the next kept sample";
    EXPECT_EQ(closed.moved(rec.size()), stream.size());

    // The gaps shift the tones against the analysis window; closed, every
    // tone reads its synthesised level again.
    auto worst_error = [&reference](const Samples& s) {
        const Spectrum spectrum(s.data() + s.size() - 44100, 44100, recording_rate);
        double worst = 0.0;
        for (const Tone& t : reference.settings().tones)
            worst = std::max(worst, std::fabs(to_dbfs(spectrum.amplitude_at(static_cast<double>(t.frequency))) -
                                              to_dbfs(static_cast<double>(t.amplitude))));
        return worst;
    };
    EXPECT_GT(worst_error(rec), 0.5);
    EXPECT_LT(worst_error(closed.samples), 0.01);
    EXPECT_EQ(close_gaps(stream, 64).samples, stream) << "the mix's own single zeros stay";
}

TEST(NoiseMeasures, WindowsTellANoiseFromAShortSplash)
{
    // Half a second of pink noise, then silence with one click in it.
    Samples rec = noise(Colour::pink, 5262.0, 22050, 5);
    rec.resize(22050 * 4, 0);
    rec[22050 * 2 + 11025] = 20000;
    const std::vector<double> levels = windowed_band_rms(rec, 0, rec.size(), 22050, 2000.0, 20000.0, Exclusion{});
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_GT(levels[0], -40.0);
    EXPECT_LT(levels[1], -200.0);
    EXPECT_GT(levels[2], -60.0) << "the click's splash";
    EXPECT_LT(levels[3], -200.0);
    EXPECT_EQ(windowed_band_rms(rec, 1000, 22050 * 2, 22050, 2000.0, 20000.0, Exclusion{}).size(), 2u);
}

} // namespace
} // namespace tonegen::e2e
