#include "analysis/multitone.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

namespace tonegen {

namespace {

constexpr double full_scale = 32767.0;
constexpr std::size_t n = measure_period;
constexpr std::int64_t nyquist = static_cast<std::int64_t>(n / 2);

// 10 log10 of a power, with silence far below anything a recording holds.
double power_db(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-300));
}

// The level in dBFS of the sine a bin of a one-second spectrum holds.
double bin_dbfs(std::complex<double> bin)
{
    return power_db(4.0 * std::norm(bin) / (double(n) * double(n) * full_scale * full_scale));
}

// One bin at a time over a period held in doubles: a plain DFT, which
// is all the few hundred bins a setup has need.
class Bins {
public:
    Bins() : cos_(n), sin_(n)
    {
        for (std::size_t k = 0; k < n; ++k) {
            const double angle = 2.0 * std::numbers::pi * double(k) / double(n);
            cos_[k] = std::cos(angle);
            sin_[k] = std::sin(angle);
        }
    }

    std::complex<double> at(const std::vector<double>& period, std::int64_t frequency) const
    {
        double re = 0.0, im = 0.0;
        const auto step = static_cast<std::size_t>(frequency);
        for (std::size_t j = 0, k = 0; j < n; ++j) {
            re += period[j] * cos_[k];
            im -= period[j] * sin_[k];
            k += step;
            if (k >= n)
                k -= n;
        }
        return {re, im};
    }

    // Takes the sine a bin holds out of the period.
    void remove(std::vector<double>& period, std::int64_t frequency, std::complex<double> bin) const
    {
        const double scale = frequency == nyquist ? 1.0 / double(n) : 2.0 / double(n);
        const double c = bin.real() * scale, s = bin.imag() * scale;
        const auto step = static_cast<std::size_t>(frequency);
        for (std::size_t j = 0, k = 0; j < n; ++j) {
            period[j] -= c * cos_[k] - s * sin_[k];
            k += step;
            if (k >= n)
                k -= n;
        }
    }

private:
    std::vector<double> cos_, sin_;
};

struct Candidate {
    std::int64_t frequency;
    std::string name;
};

// The harmonics and the sums and differences of the tones below the
// Nyquist frequency and off every tone's bin, each bin once (named by the
// first that lands on it: harmonics first, then pairs in row order).
std::vector<Candidate> product_candidates(const ToneSetup& setup, const std::vector<int>& on)
{
    std::vector<Candidate> out;
    auto is_tone = [&](std::int64_t f) {
        return std::any_of(on.begin(), on.end(), [&](int i) { return setup.frequency[i] == f; });
    };
    auto add = [&](std::int64_t f, std::string name) {
        if (f <= 0 || f >= nyquist || is_tone(f))
            return;
        if (std::none_of(out.begin(), out.end(), [&](const Candidate& c) { return c.frequency == f; }))
            out.push_back({f, std::move(name)});
    };
    for (int i : on)
        for (int k = 2; k <= 5; ++k)
            add(k * setup.frequency[i], std::to_string(k) + "f" + std::to_string(i + 1));
    for (std::size_t a = 0; a < on.size(); ++a) {
        for (std::size_t b = a + 1; b < on.size(); ++b) {
            const int i = on[a], j = on[b];
            const std::int64_t fi = setup.frequency[i], fj = setup.frequency[j];
            if (fi == fj)
                continue;
            const std::string ti = "f" + std::to_string(i + 1), tj = "f" + std::to_string(j + 1);
            add(fi + fj, ti + "+" + tj);
            add(fi > fj ? fi - fj : fj - fi, fi > fj ? ti + "-" + tj : tj + "-" + ti);
        }
    }
    return out;
}

std::string dbfs_text(double dbfs)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", dbfs);
    return text;
}

} // namespace

void fft(std::vector<std::complex<double>>& data, bool inverse)
{
    const std::size_t size = data.size();
    for (std::size_t i = 1, j = 0; i < size; ++i) {
        std::size_t bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (std::size_t length = 2; length <= size; length <<= 1) {
        const double angle = (inverse ? 2.0 : -2.0) * std::numbers::pi / double(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < size; start += length) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                // The twiddle recomputed every 64 steps keeps its error from growing.
                if (k % 64 == 0 && k != 0)
                    w = std::polar(1.0, angle * double(k));
                const std::complex<double> u = data[start + k], v = data[start + k + length / 2] * w;
                data[start + k] = u + v;
                data[start + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

std::int64_t align_recording(std::span<const std::int16_t> sent, std::span<const std::int16_t> received,
                             std::size_t template_length, std::size_t longest, bool plain)
{
    const std::size_t t = std::min(template_length, sent.size());
    if (t == 0 || received.size() < t)
        return 0;
    const std::size_t lags = std::min(longest, received.size() - t) + 1;

    // correlation[d]: the sum of sent[i] * received[i + d] over the template.
    std::vector<double> correlation(lags);
    if (plain) {
        for (std::size_t d = 0; d < lags; ++d) {
            double sum = 0.0;
            for (std::size_t i = 0; i < t; ++i)
                sum += double(sent[i]) * double(received[i + d]);
            correlation[d] = sum;
        }
    } else {
        std::size_t size = 1;
        while (size < lags + t)
            size <<= 1;
        std::vector<std::complex<double>> r(size), s(size);
        for (std::size_t i = 0; i < lags - 1 + t; ++i)
            r[i] = double(received[i]);
        for (std::size_t i = 0; i < t; ++i)
            s[i] = double(sent[i]);
        fft(r, false);
        fft(s, false);
        for (std::size_t k = 0; k < size; ++k)
            r[k] *= std::conj(s[k]);
        fft(r, true);
        for (std::size_t d = 0; d < lags; ++d)
            correlation[d] = r[d].real() / double(size);
    }

    // The match against the recording's energy from a template's length
    // before the lag to one after it: a lag whose window holds the signal
    // before it, or silence inside the template, matches less.
    std::vector<double> energy(received.size() + 1, 0.0);
    for (std::size_t i = 0; i < received.size(); ++i)
        energy[i + 1] = energy[i] + double(received[i]) * double(received[i]);
    std::int64_t best = 0;
    double best_score = -1.0;
    for (std::size_t d = 0; d < lags; ++d) {
        const double e = energy[std::min(d + t, received.size())] - energy[d > t ? d - t : 0];
        const double score = e > 0.0 ? correlation[d] * correlation[d] / e : 0.0;
        if (score > best_score) {
            best_score = score;
            best = static_cast<std::int64_t>(d);
        }
    }
    return best;
}

std::variant<Measurement, std::string> measure_recording(const ToneSetup& setup, std::span<const std::int16_t> sent,
                                                        std::span<const std::int16_t> received)
{
    if (received.size() < measure_settle + n || sent.size() < measure_settle + n)
        return "the recording is too short: " + dbfs_text(double(received.size()) / double(n)) +
               " s, and the signal's first 1.5 s at least are needed";
    double received_energy = 0.0;
    for (std::int16_t v : received)
        received_energy += double(v) * double(v);
    if (received_energy == 0.0)
        return std::string("no trace of the signal in the recording: it is silent (every sample 0)");

    Measurement m;
    m.delay = align_recording(sent, received, n, std::min(measure_longest_delay, received.size() - measure_settle - n));
    const std::size_t start = static_cast<std::size_t>(m.delay) + measure_settle;
    m.periods = static_cast<int>(std::min((received.size() - start) / n, (sent.size() - measure_settle) / n));

    std::vector<double> a(n, 0.0), b(n, 0.0);
    double raw = 0.0;
    for (int p = 0; p < m.periods; ++p) {
        for (std::size_t j = 0; j < n; ++j) {
            const double r = received[start + p * n + j];
            a[j] += r;
            b[j] += sent[measure_settle + p * n + j];
            raw += r * r;
        }
    }
    double mean = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        a[j] /= m.periods;
        b[j] /= m.periods;
        mean += a[j];
    }
    mean /= double(n);
    raw = raw / (double(n) * m.periods) - mean * mean;
    m.received_rms_dbfs = power_db(2.0 * (raw + mean * mean) / (full_scale * full_scale));

    std::vector<int> on;
    for (int i = 0; i < tone_slots; ++i)
        if (setup.gain[i] > 0)
            on.push_back(i);
    std::vector<std::int64_t> tone_bins;
    for (int i : on)
        if (std::find(tone_bins.begin(), tone_bins.end(), setup.frequency[i]) == tone_bins.end())
            tone_bins.push_back(setup.frequency[i]);
    const std::vector<Candidate> candidates = product_candidates(setup, on);

    static const Bins bins;
    std::map<std::int64_t, std::pair<std::complex<double>, std::complex<double>>> spectrum; // received, sent
    std::vector<double> residual = a;
    for (double& v : residual)
        v -= mean;
    std::size_t used = 1; // the DC bin
    auto read = [&](std::int64_t f) {
        const std::complex<double> x = bins.at(a, f);
        spectrum[f] = {x, bins.at(b, f)};
        bins.remove(residual, f, x);
        used += f == nyquist ? 1 : 2;
    };
    for (std::int64_t f : tone_bins)
        read(f);
    for (const Candidate& c : candidates)
        read(c.frequency);

    double left = 0.0;
    for (double v : residual)
        left += v * v;
    const double floor_power = used < n ? left * double(n) / double(n - used) : 0.0; // |X|^2 of a bin
    m.noise_floor_dbfs = bin_dbfs(std::sqrt(floor_power));

    double tones_power = 0.0, tones_norm = 0.0;
    for (std::int64_t f : tone_bins) {
        const double norm = std::norm(spectrum[f].first);
        tones_norm += norm;
        tones_power += (f == nyquist ? 1.0 : 2.0) * norm / (double(n) * double(n));
    }
    // Without ten times the floor's power in the tones' bins together, what
    // the bins hold is noise.
    if (tones_norm < 10.0 * floor_power * double(tone_bins.size()) || tones_power == 0.0)
        return "no trace of the signal in the recording: its level is " + dbfs_text(m.received_rms_dbfs) +
               " dBFS RMS, and the tones stand no higher than its noise";
    m.thd_n_db = power_db(std::max(raw - tones_power, 0.0) / tones_power);

    for (int i : on) {
        const auto [x, s] = spectrum[setup.frequency[i]];
        ToneReading t;
        t.tone = i + 1;
        t.frequency = setup.frequency[i];
        t.sent_dbfs = bin_dbfs(s);
        t.received_dbfs = bin_dbfs(x);
        t.gain_db = t.received_dbfs - t.sent_dbfs;
        t.phase_deg = std::arg(x * std::conj(s)) * 180.0 / std::numbers::pi;
        m.tones.push_back(t);
    }
    // Rounding to 16 bits puts a floor of its own under the products: a
    // mix whose tones share a divisor repeats within the second, and so
    // does its rounding error, which then lies on the very bins the products
    // take (every 20 Hz for tones of 80, 200, 700 Hz...), louder there than
    // the bins between. What the sent signal holds there on average is
    // that floor; a device that rounds again has about as much.
    double sent_products = 0.0;
    for (const Candidate& c : candidates)
        sent_products += std::norm(spectrum[c.frequency].second);
    if (!candidates.empty())
        sent_products /= double(candidates.size());
    const double threshold = bin_dbfs(std::sqrt(std::max(floor_power, sent_products))) + measure_product_margin_db;
    for (const Candidate& c : candidates) {
        const auto [x, s] = spectrum[c.frequency];
        if (bin_dbfs(x) >= threshold)
            m.products.push_back({c.name, c.frequency, bin_dbfs(s), bin_dbfs(x)});
    }
    std::sort(m.products.begin(), m.products.end(),
              [](const ProductReading& p, const ProductReading& q) { return p.frequency < q.frequency; });
    return m;
}

} // namespace tonegen
