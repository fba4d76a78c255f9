#include "recording_analysis.h"

#include "synth/synth.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tonegen::e2e {

double to_dbfs(double peak)
{
    if (peak <= 0.0)
        return -HUGE_VAL;
    return 20.0 * std::log10(peak / full_scale);
}

Samples read_raw(const std::string& path, bool* ok)
{
    std::ifstream in(path, std::ios::binary);
    if (ok)
        *ok = static_cast<bool>(in);
    if (!in)
        return {};
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Samples samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto u = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        samples[i] = static_cast<std::int16_t>(u);
    }
    return samples;
}

namespace {

void put_le(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

bool write_wav(const std::string& path, const std::int16_t* data, std::size_t count, int rate)
{
    const auto data_bytes = static_cast<std::uint32_t>(count * 2);
    std::string out = "RIFF";
    put_le(out, 36 + data_bytes, 4);
    out += "WAVEfmt ";
    put_le(out, 16, 4);
    put_le(out, 1, 2);  // PCM
    put_le(out, 1, 2);  // mono
    put_le(out, static_cast<std::uint32_t>(rate), 4);
    put_le(out, static_cast<std::uint32_t>(rate) * 2, 4);
    put_le(out, 2, 2);
    put_le(out, 16, 2);
    out += "data";
    put_le(out, data_bytes, 4);
    for (std::size_t i = 0; i < count; ++i)
        put_le(out, static_cast<std::uint16_t>(data[i]), 2);

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

Spectrum::Spectrum(const std::int16_t* data, std::size_t count, double rate)
    : points_(count), rate_(rate), window_power_(0.0), power_(count / 2 + 1, 0.0)
{
    if (count < 2)
        return;
    double* in = fftw_alloc_real(count);
    fftw_complex* out = fftw_alloc_complex(count / 2 + 1);
    const fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(count), in, out, FFTW_ESTIMATE);

    const double n = static_cast<double>(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double w = 0.5 - 0.5 * std::cos(two_pi * static_cast<double>(i) / n);
        window_power_ += w * w;
        in[i] = w * static_cast<double>(data[i]);
    }
    fftw_execute(plan);
    for (std::size_t k = 0; k < power_.size(); ++k)
        power_[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];

    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}

double Spectrum::lobe_amplitude(std::size_t centre, std::size_t half_width) const
{
    if (power_.empty() || window_power_ <= 0.0)
        return 0.0;
    const std::size_t first = centre > half_width ? centre - half_width : 0;
    const std::size_t last = std::min(centre + half_width, power_.size() - 1);
    double energy = 0.0;
    for (std::size_t k = first; k <= last; ++k)
        energy += power_[k];
    // Parseval: a sine of peak A leaves A^2 / 4 * N * sum(w^2) in each half
    // of the spectrum.
    return std::sqrt(4.0 * energy / (static_cast<double>(points_) * window_power_));
}

double Spectrum::amplitude_at(double frequency) const
{
    if (power_.empty())
        return 0.0;
    const double bin = std::nearbyint(frequency / bin_hz());
    if (bin < 0.0 || bin >= static_cast<double>(power_.size()))
        return 0.0;
    return lobe_amplitude(static_cast<std::size_t>(bin), 2);
}

Spectrum::Component Spectrum::strongest_other(const std::vector<double>& known, double guard_hz) const
{
    Component best{0.0, -HUGE_VAL};
    for (std::size_t k = 0; k < power_.size(); ++k) {
        const double f = static_cast<double>(k) * bin_hz();
        const bool near_known = std::any_of(known.begin(), known.end(),
                                            [&](double g) { return std::fabs(f - g) <= guard_hz; });
        if (near_known)
            continue;
        const double level = to_dbfs(lobe_amplitude(k, 1));
        if (level > best.dbfs)
            best = Component{f, level};
    }
    return best;
}

std::vector<Spectrum::Component> Spectrum::peaks(double threshold_dbfs) const
{
    std::vector<Component> found;
    const std::size_t n = power_.size();
    for (std::size_t k = 1; k + 1 < n; ++k) {
        bool local_max = true;
        for (std::size_t j = (k >= 2 ? k - 2 : 0); j <= std::min(k + 2, n - 1); ++j) {
            if (j != k && (power_[j] > power_[k] || (power_[j] == power_[k] && j < k)))
                local_max = false;
        }
        if (!local_max)
            continue;
        const double level = to_dbfs(lobe_amplitude(k, 2));
        if (level < threshold_dbfs)
            continue;
        // Parabola through the log magnitudes of the peak bin and its neighbours.
        const double a = std::log(power_[k - 1] + 1e-300);
        const double b = std::log(power_[k] + 1e-300);
        const double c = std::log(power_[k + 1] + 1e-300);
        const double denominator = a - 2.0 * b + c;
        const double offset = denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0;
        found.push_back(Component{(static_cast<double>(k) + offset) * bin_hz(), level});
    }
    return found;
}

SilenceReport measure_silence(const std::int16_t* data, std::size_t count)
{
    SilenceReport r;
    r.samples = count;
    for (std::size_t i = 0; i < count; ++i) {
        const int v = std::abs(static_cast<int>(data[i]));
        if (v != 0)
            ++r.nonzero;
        r.max_abs = std::max(r.max_abs, v);
    }
    return r;
}

std::vector<ZeroRun> zero_runs(const Samples& rec, std::size_t min_length)
{
    std::vector<ZeroRun> runs;
    std::size_t i = 0;
    while (i < rec.size()) {
        if (rec[i] != 0) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < rec.size() && rec[end] == 0)
            ++end;
        if (end - i >= min_length)
            runs.push_back(ZeroRun{i, end - i});
        i = end;
    }
    return runs;
}

std::optional<std::size_t> first_sound(const Samples& rec)
{
    for (std::size_t i = 0; i < rec.size(); ++i) {
        if (rec[i] != 0)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> last_sound(const Samples& rec)
{
    for (std::size_t i = rec.size(); i > 0; --i) {
        if (rec[i - 1] != 0)
            return i - 1;
    }
    return std::nullopt;
}

ReferenceStream::ReferenceStream(const std::vector<ToneOverride>& overrides)
    : settings_(std::make_unique<Settings>())
{
    Settings& s = *settings_;
    apply_defaults(s);
    for (const ToneOverride& o : overrides) {
        if (o.tone < 0 || o.tone >= tone_slots)
            continue;
        if (o.frequency)
            s.tones[o.tone].frequency = *o.frequency;
        if (o.gain)
            s.tones[o.tone].gain = *o.gain;
    }
    normalise_gains(s);
    // The geometry open_stream gives a mono stream.
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 24576;
    buffer_.resize(static_cast<std::size_t>(s.buffer_bytes));
    frames_ = buffer_.size() / 2;
    position_ = frames_;
}

void ReferenceStream::refill()
{
    fill_buffer(*settings_, buffer_.data());
    position_ = 0;
}

std::int16_t ReferenceStream::peek()
{
    if (position_ == frames_)
        refill();
    const auto lo = static_cast<unsigned char>(buffer_[2 * position_]);
    const auto hi = static_cast<unsigned char>(buffer_[2 * position_ + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

std::int16_t ReferenceStream::next()
{
    const std::int16_t value = peek();
    ++position_;
    return value;
}

Comparison compare_with_reference(const Samples& rec, ReferenceStream& reference, std::size_t min_pause)
{
    Comparison c;
    const std::optional<std::size_t> start = first_sound(rec);
    if (!start)
        return c;
    c.sound_found = true;
    c.start = *start;

    // The silence before the first sound is a pause like any other.
    bool after_silence = true;
    std::size_t i = c.start;
    while (i < rec.size()) {
        if (after_silence) {
            while (reference.peek() == 0) {
                static_cast<void>(reference.next());
                ++c.reference_zeros_absorbed;
            }
            after_silence = false;
        }
        if (rec[i] == 0) {
            std::size_t end = i;
            while (end < rec.size() && rec[end] == 0)
                ++end;
            if (end == rec.size() && end - i >= min_pause) {
                c.trailing_silence = end - i;
                break;
            }
            if (end - i >= min_pause) {
                // Reference zeros either side of the pause vanish into it;
                // they are taken out before the next comparison.
                c.pauses.push_back(ZeroRun{i, end - i});
                i = end;
                after_silence = true;
                continue;
            }
        }
        const std::int16_t expected = reference.next();
        if (rec[i] != expected) {
            if (!c.first_mismatch) {
                c.first_mismatch = i;
                c.expected_at_mismatch = expected;
                c.recorded_at_mismatch = rec[i];
            }
            ++c.mismatches;
        }
        ++c.compared;
        ++i;
    }
    return c;
}

} // namespace tonegen::e2e
