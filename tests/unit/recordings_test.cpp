// The two generated recordings, measured from their samples.
#include "formats/wave_file.h"
#include "signals/sound_player.h"
#include "signals/sweep.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>
#include <vector>

namespace tonegen {
namespace {

constexpr double rate = stream_rate;
constexpr std::size_t half = 617400;

std::vector<std::int16_t> samples_of(const char* file)
{
    std::ifstream in(std::string(TONEGEN_ASSETS_DIR) + "/" + file, std::ios::binary);
    const std::vector<unsigned char> image{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(image.size(), 2469644u) << file;
    const std::optional<WaveImage> wave = parse_wave_image(image);
    if (!wave)
        return {};
    EXPECT_EQ(wave->format.nSamplesPerSec, 44100u);
    EXPECT_EQ(wave->format.nChannels, 1u);
    EXPECT_EQ(wave->format.wBitsPerSample, 16u);
    std::vector<std::int16_t> out(wave->bytes / 2);
    std::memcpy(out.data(), wave->data, wave->bytes);
    return out;
}

// Power spectrum of n samples from `first`, Hann-windowed; bin k is k * rate / n Hz.
std::vector<double> power_spectrum(const std::vector<std::int16_t>& s, std::size_t first, std::size_t n)
{
    std::vector<double> in(n);
    std::vector<std::complex<double>> out(n / 2 + 1);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in.data(),
                                                reinterpret_cast<fftw_complex*>(out.data()), FFTW_ESTIMATE);
    for (std::size_t i = 0; i < n; ++i)
        in[i] = s[first + i] * (0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / static_cast<double>(n)));
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    std::vector<double> power(out.size());
    for (std::size_t k = 0; k < out.size(); ++k)
        power[k] = std::norm(out[k]);
    return power;
}

struct Measured {
    double seconds; // when, counted from `origin`
    double hz;
};

// The sweep's frequency near sample `at`: from the spacing of two rising zero
// crossings where a period spans many samples (dated at the period's middle),
// from the spectral peak of a short window around `at` where it does not.
Measured frequency_at(const std::vector<std::int16_t>& s, std::size_t origin, std::size_t at)
{
    std::vector<double> crossings;
    for (std::size_t i = at; i < s.size() - 1 && crossings.size() < 2; ++i)
        if (s[i] <= 0 && s[i + 1] > 0)
            crossings.push_back(static_cast<double>(i) + static_cast<double>(-s[i]) / (s[i + 1] - s[i]));
    if (crossings.size() == 2 && crossings[1] - crossings[0] > 200)
        return {((crossings[0] + crossings[1]) / 2 - static_cast<double>(origin)) / rate,
                rate / (crossings[1] - crossings[0])};
    const std::size_t n = 2048;
    const std::vector<double> p = power_spectrum(s, at - n / 2, n);
    std::size_t peak = 1;
    for (std::size_t k = 1; k + 1 < p.size(); ++k)
        if (p[k] > p[peak])
            peak = k;
    const double a = std::log(p[peak - 1]), b = std::log(p[peak]), c = std::log(p[std::min(peak + 1, p.size() - 1)]);
    const double offset = 0.5 * (a - c) / (a - 2 * b + c);
    return {static_cast<double>(at - origin) / rate, (static_cast<double>(peak) + offset) * rate / static_cast<double>(n)};
}

TEST(Recordings, SweepRisesFor14SecondsAndFallsFor14)
{
    const std::vector<std::int16_t> s = samples_of("sweep.wav");
    ASSERT_EQ(s.size(), 1234800u);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 23198);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -23198);
    EXPECT_EQ(std::vector<std::int16_t>(s.begin(), s.begin() + 5), (std::vector<std::int16_t>{0, 66, 132, 198, 264}));
    // The joins: no phase continuity at the turn, nor at the loop point.
    EXPECT_EQ(s[half - 1], -7416);
    EXPECT_EQ(std::vector<std::int16_t>(s.begin() + half, s.begin() + half + 6),
              (std::vector<std::int16_t>{0, 0, -1, 2, -5, 8}));
    EXPECT_EQ(s.back(), -13528);

    // Its law as the program says it (20 Hz rising to 21050 Hz, then 22050 Hz
    // falling to 25 Hz, each exponentially over 14 s): within 1 % of the
    // frequency measured where it is dated, and its way.
    struct Case {
        bool first_half;
        double seconds;
    };
    const Case cases[] = {{true, 0}, {true, 1}, {true, 4}, {true, 7}, {true, 10}, {true, 13.97},
                          {false, 0.03}, {false, 3}, {false, 7}, {false, 10}, {false, 13.9}};
    for (const Case c : cases) {
        const std::size_t origin = c.first_half ? 0 : half;
        const Measured m = frequency_at(s, origin, origin + static_cast<std::size_t>(c.seconds * rate));
        const SweepPoint law = sweep_at(std::llround(m.seconds * rate) + static_cast<std::int64_t>(origin));
        EXPECT_NEAR(m.hz, law.hz, 0.01 * law.hz) << (c.first_half ? "rising" : "falling") << " at " << m.seconds << " s";
        EXPECT_EQ(law.rising, c.first_half) << m.seconds << " s";
    }
    EXPECT_NEAR(frequency_at(s, 0, 0).hz, 20, 0.5);          // starts at 20 Hz
}

TEST(Recordings, PinkNoiseHasItsLevelAndFallsThreeDecibelsPerOctave)
{
    const std::vector<std::int16_t> s = samples_of("pink.wav");
    ASSERT_EQ(s.size(), 1234800u);
    double sum = 0, squares = 0;
    for (std::int16_t v : s) {
        sum += v;
        squares += static_cast<double>(v) * v;
    }
    const double n = static_cast<double>(s.size());
    EXPECT_NEAR(std::sqrt(squares / n), 5262, 1.0);
    EXPECT_NEAR(sum / n, 0, 20);
    const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
    EXPECT_GT(*lo, -32768); // never clipped
    EXPECT_LT(*hi, 32767);
    EXPECT_GT(20 * std::log10(std::max(-*lo, +*hi) / std::sqrt(squares / n)), 11.0); // noise-like crest

    // Averaged spectrum of 18 segments of 65536 samples (0.67 Hz bins).
    const std::size_t len = 65536;
    std::vector<double> psd(len / 2 + 1, 0.0);
    for (std::size_t first = 0; first + len <= s.size(); first += len) {
        const std::vector<double> p = power_spectrum(s, first, len);
        for (std::size_t k = 0; k < p.size(); ++k)
            psd[k] += p[k];
    }
    auto band_power = [&](double from, double to) {
        double total = 0;
        for (std::size_t k = 1; k < psd.size(); ++k) {
            const double f = static_cast<double>(k) * rate / len;
            if (f >= from && f < to)
                total += psd[k];
        }
        return total;
    };

    std::vector<double> octave_db;
    for (double centre = 31.25; centre < 17000; centre *= 2)
        octave_db.push_back(10 * std::log10(band_power(centre / std::sqrt(2.0), centre * std::sqrt(2.0))));
    ASSERT_EQ(octave_db.size(), 10u);
    const auto [quiet, loud] = std::minmax_element(octave_db.begin(), octave_db.end());
    EXPECT_LE(*loud - *quiet, 0.5) << "octave bands 31.25 Hz .. 16 kHz";

    // Density in third-octave steps, fitted against octaves: -3 dB each.
    std::vector<double> x, y;
    for (double f = 40; f * std::cbrt(2.0) <= 20000; f *= std::cbrt(2.0)) {
        const double to = f * std::cbrt(2.0);
        x.push_back(std::log2(std::sqrt(f * to)));
        y.push_back(10 * std::log10(band_power(f, to) / (to - f)));
    }
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(y.size());
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    EXPECT_NEAR(sxy / sxx, -3.0, 0.2) << "dB per octave";
}

} // namespace
} // namespace tonegen
