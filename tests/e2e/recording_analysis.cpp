#include "recording_analysis.h"

#include "audio/stream.h"
#include "formats/wave_file.h"
#include "synth/synth.h"
#include "ui/main_window.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
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

bool Exclusion::covers(double frequency) const
{
    return std::any_of(frequencies.begin(), frequencies.end(),
                       [&](double f) { return std::fabs(frequency - f) <= guard_hz; });
}

Spectrum::Strongest Spectrum::strongest_in(double lo_hz, double hi_hz, const Exclusion& exclusion) const
{
    Strongest out;
    const std::size_t n = power_.size();
    if (n < 3)
        return out;
    std::size_t best = 0;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const double f = static_cast<double>(k) * bin_hz();
        if (f < lo_hz || f > hi_hz || exclusion.covers(f))
            continue;
        if (best == 0 || power_[k] > power_[best])
            best = k;
    }
    if (best == 0)
        return out;
    out.found = true;
    out.beside_excluded = exclusion.covers(static_cast<double>(best - 1) * bin_hz()) ||
                          exclusion.covers(static_cast<double>(best + 1) * bin_hz());
    const double a = std::log(power_[best - 1] + 1e-300);
    const double b = std::log(power_[best] + 1e-300);
    const double c = std::log(power_[best + 1] + 1e-300);
    const double denominator = a - 2.0 * b + c;
    const double offset = denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0;
    out.component = Component{(static_cast<double>(best) + offset) * bin_hz(), to_dbfs(lobe_amplitude(best, 2))};
    return out;
}

Spectrum::BandPower Spectrum::band_power(double lo_hz, double hi_hz, const Exclusion& exclusion) const
{
    BandPower out;
    if (power_.empty() || window_power_ <= 0.0)
        return out;
    const std::size_t nyquist = points_ % 2 == 0 ? points_ / 2 : power_.size();
    double energy = 0.0;
    for (std::size_t k = 0; k < power_.size(); ++k) {
        const double f = static_cast<double>(k) * bin_hz();
        if (f < lo_hz || f > hi_hz || exclusion.covers(f))
            continue;
        // Every bin but DC and Nyquist stands for its negative twin as well.
        energy += (k == 0 || k == nyquist ? 1.0 : 2.0) * power_[k];
        ++out.bins;
    }
    out.mean_square = energy / (static_cast<double>(points_) * window_power_);
    return out;
}

double rms_dbfs(double mean_square)
{
    if (mean_square <= 0.0)
        return -HUGE_VAL;
    return 10.0 * std::log10(mean_square) - 20.0 * std::log10(full_scale);
}

std::vector<double> windowed_band_rms(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                      double lo_hz, double hi_hz, const Exclusion& exclusion)
{
    std::vector<double> levels;
    for (std::size_t at = start; window > 0 && at + window <= start + count && at + window <= rec.size(); at += window) {
        const Spectrum spectrum(rec.data() + at, window, recording_rate);
        levels.push_back(rms_dbfs(spectrum.band_power(lo_hz, hi_hz, exclusion).mean_square));
    }
    return levels;
}

BandSlope band_slope(const Spectrum& spectrum, double lo_hz, double hi_hz, const Exclusion& exclusion)
{
    BandSlope out;
    if (lo_hz <= 0.0)
        return out;
    for (double lo = lo_hz; 2.0 * lo <= hi_hz * (1.0 + 1e-9); lo *= 2.0) {
        // Half-open: a bin on the border belongs to the band above.
        const Spectrum::BandPower p = spectrum.band_power(lo, 2.0 * lo - spectrum.bin_hz() / 2.0, exclusion);
        if (p.bins == 0 || p.mean_square <= 0.0)
            continue;
        const double density = p.mean_square / (static_cast<double>(p.bins) * spectrum.bin_hz());
        out.bands.push_back(OctaveBand{lo, 2.0 * lo, 10.0 * std::log10(density)});
    }
    const std::size_t n = out.bands.size();
    if (n < 2)
        return out;
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (const OctaveBand& b : out.bands) {
        const double x = std::log2(b.lo_hz * std::sqrt(2.0));
        sx += x;
        sy += b.density_db;
        sxx += x * x;
        sxy += x * b.density_db;
    }
    const double count = static_cast<double>(n);
    out.db_per_octave = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    const double intercept = (sy - out.db_per_octave * sx) / count;
    for (const OctaveBand& b : out.bands) {
        const double line = intercept + out.db_per_octave * std::log2(b.lo_hz * std::sqrt(2.0));
        out.worst_residual_db = std::max(out.worst_residual_db, std::fabs(b.density_db - line));
    }
    return out;
}

namespace {

template <typename Measure>
std::vector<TrackPoint> track(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                              std::size_t step, Measure measure)
{
    std::vector<TrackPoint> out;
    if (window < 2 || step == 0)
        return out;
    const std::size_t end = std::min(rec.size(), start + count);
    for (std::size_t at = start; at + window <= end; at += step) {
        const Spectrum spectrum(rec.data() + at, window, recording_rate);
        TrackPoint p{at, 0.0, -HUGE_VAL, false};
        measure(spectrum, p);
        out.push_back(p);
    }
    return out;
}

} // namespace

std::vector<TrackPoint> track_strongest(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                        std::size_t step, double lo_hz, double hi_hz, const Exclusion& exclusion)
{
    return track(rec, start, count, window, step, [&](const Spectrum& spectrum, TrackPoint& p) {
        const Spectrum::Strongest s = spectrum.strongest_in(lo_hz, hi_hz, exclusion);
        if (!s.found)
            return;
        p.frequency = s.component.frequency;
        p.dbfs = s.component.dbfs;
        p.usable = !s.beside_excluded;
    });
}

std::vector<TrackPoint> track_level(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                    std::size_t step, double frequency)
{
    return track(rec, start, count, window, step, [&](const Spectrum& spectrum, TrackPoint& p) {
        p.frequency = frequency;
        p.dbfs = to_dbfs(spectrum.amplitude_at(frequency));
        p.usable = true;
    });
}

double SweepLaw::seconds_to(double frequency) const
{
    return seconds * std::log(frequency / start_hz) / std::log(end_hz / start_hz);
}

double SweepLaw::frequency_at(double t) const
{
    const double in_loop = std::fmod(std::max(t, 0.0), seconds);
    return start_hz * std::pow(end_hz / start_hz, in_loop / seconds);
}

std::vector<double> crossed_by_sweep(const std::vector<double>& frequencies, const SweepLaw& law, double sweep_start,
                                     std::size_t from, std::size_t count, double guard_hz)
{
    const double t0 = (static_cast<double>(from) - sweep_start) / recording_rate;
    const double t1 = t0 + static_cast<double>(count) / recording_rate;
    const double lo = std::min(law.start_hz, law.end_hz);
    const double hi = std::max(law.start_hz, law.end_hz);
    // Each pass of the loop over the stretch, as a band of frequencies.
    std::vector<std::pair<double, double>> bands;
    double t = t0;
    while (t < t1) {
        const double loop_end = (std::floor(std::max(t, 0.0) / law.seconds) + 1.0) * law.seconds;
        const double until = std::min(t1, loop_end);
        const double a = law.frequency_at(t);
        const double b = until == loop_end ? law.end_hz : law.frequency_at(until);
        bands.emplace_back(std::clamp(std::min(a, b), lo, hi), std::clamp(std::max(a, b), lo, hi));
        t = until;
    }
    std::vector<double> crossed;
    for (const double f : frequencies) {
        for (const auto& [a, b] : bands) {
            if (f >= a - guard_hz && f <= b + guard_hz) {
                crossed.push_back(f);
                break;
            }
        }
    }
    return crossed;
}

SweepFit fit_sweep(const std::vector<TrackPoint>& points, std::size_t window, const SweepLaw& law, double min_dbfs,
                   double tolerance_s)
{
    struct Estimate {
        double start_s;
        double centre_s;
        double frequency;
    };
    std::vector<Estimate> estimates;
    for (const TrackPoint& p : points) {
        if (!p.usable || p.dbfs < min_dbfs || p.frequency < law.start_hz || p.frequency > law.end_hz)
            continue;
        const double centre = (static_cast<double>(p.start) + static_cast<double>(window) / 2.0) / recording_rate;
        estimates.push_back(Estimate{centre - law.seconds_to(p.frequency), centre, p.frequency});
    }
    SweepFit fit;
    fit.candidates = estimates.size();
    if (estimates.empty())
        return fit;
    std::vector<double> starts;
    for (const Estimate& e : estimates)
        starts.push_back(e.start_s);
    std::nth_element(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(starts.size() / 2), starts.end());
    const double median = starts[starts.size() / 2];

    double sum = 0.0;
    fit.lowest_hz = HUGE_VAL;
    fit.first_inlier_sample = HUGE_VAL;
    for (const Estimate& e : estimates) {
        if (std::fabs(e.start_s - median) > tolerance_s)
            continue;
        ++fit.inliers;
        sum += e.start_s;
        fit.lowest_hz = std::min(fit.lowest_hz, e.frequency);
        fit.highest_hz = std::max(fit.highest_hz, e.frequency);
        fit.first_inlier_sample = std::min(fit.first_inlier_sample, e.centre_s * recording_rate);
    }
    const double mean = sum / static_cast<double>(fit.inliers);
    fit.start_sample = mean * recording_rate;
    for (const Estimate& e : estimates) {
        if (std::fabs(e.start_s - median) <= tolerance_s)
            fit.spread_s = std::max(fit.spread_s, std::fabs(e.start_s - mean));
    }
    return fit;
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

std::optional<std::size_t> first_sound(const Samples& rec, std::size_t from)
{
    for (std::size_t i = from; i < rec.size(); ++i) {
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

ClosedGaps close_gaps(const Samples& rec, std::size_t min_gap)
{
    ClosedGaps r;
    r.gaps = zero_runs(rec, std::max<std::size_t>(min_gap, 1));
    r.samples.reserve(rec.size());
    std::size_t from = 0;
    for (const ZeroRun& g : r.gaps) {
        r.samples.insert(r.samples.end(), rec.begin() + static_cast<std::ptrdiff_t>(from),
                         rec.begin() + static_cast<std::ptrdiff_t>(g.start));
        from = g.start + g.length;
    }
    r.samples.insert(r.samples.end(), rec.begin() + static_cast<std::ptrdiff_t>(from), rec.end());
    return r;
}

std::size_t ClosedGaps::moved(std::size_t index) const
{
    std::size_t removed = 0;
    for (const ZeroRun& g : gaps) {
        if (g.start >= index)
            break;
        removed += std::min(g.length, index - g.start);
    }
    return index - removed;
}

std::size_t count_at_least(const std::vector<ZeroRun>& pauses, std::size_t min_length)
{
    return static_cast<std::size_t>(
        std::count_if(pauses.begin(), pauses.end(), [min_length](const ZeroRun& p) { return p.length >= min_length; }));
}

std::vector<ToneOverride> final_bank(std::vector<ToneOverride> overrides)
{
    for (ToneOverride& o : overrides)
        o.from_buffer = 0;
    return overrides;
}

ReferenceStream::ReferenceStream(const std::vector<ToneOverride>& overrides)
    : settings_(std::make_unique<Settings>()), overrides_(overrides)
{
    Settings& s = *settings_;
    apply_defaults(s);
    apply_changes(0);
    // The geometry open_stream gives a mono stream.
    s.wave_format.nBlockAlign = 2;
    s.buffer_bytes = 2 * stream_buffer_frames;
    buffer_.resize(static_cast<std::size_t>(s.buffer_bytes));
    frames_ = buffer_.size() / 2;
    position_ = frames_;
}

ReferenceStream::ReferenceStream(std::vector<std::int16_t> samples)
    : settings_(std::make_unique<Settings>()), fixed_(std::move(samples))
{
}

void ReferenceStream::apply_changes(std::size_t buffer)
{
    Settings& s = *settings_;
    for (const ToneOverride& o : overrides_) {
        if (o.tone < 0 || o.tone >= tone_slots || o.from_buffer != buffer)
            continue;
        if (o.frequency)
            s.tones[o.tone].frequency = *o.frequency;
        if (o.gain)
            s.tones[o.tone].gain = *o.gain;
    }
    normalise_gains(s);
}

void ReferenceStream::refill()
{
    if (buffers_filled_ > 0)
        apply_changes(buffers_filled_);
    ++buffers_filled_;
    fill_buffer(*settings_, buffer_.data());
    position_ = 0;
}

std::int16_t ReferenceStream::peek()
{
    if (fixed_)
        return position_ < fixed_->size() ? (*fixed_)[position_] : std::int16_t{0};
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

Samples read_wave_samples(const std::string& path, bool* ok)
{
    if (ok)
        *ok = false;
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<WaveImage> wave = parse_wave_image(bytes);
    if (!wave || wave->format.nChannels != 1 || wave->format.wBitsPerSample != 16)
        return {};
    Samples samples(wave->bytes / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto u = static_cast<std::uint16_t>(wave->data[2 * i] | (wave->data[2 * i + 1] << 8));
        samples[i] = static_cast<std::int16_t>(u);
    }
    if (ok)
        *ok = !samples.empty();
    return samples;
}

namespace {

// Which sources play and where each one is.
class MixState {
public:
    MixState(const std::vector<LoopedSource>& sources, double gain)
        : sources_(&sources), gain_(gain), position_(sources.size())
    {
    }

    std::int16_t expected(std::int16_t tone, std::size_t ahead) const
    {
        double mix = 0.0;
        for (std::size_t s = 0; s < position_.size(); ++s) {
            if (!position_[s])
                continue;
            const Samples& x = (*sources_)[s].samples;
            mix += static_cast<double>(x[(*position_[s] + ahead) % x.size()]) * gain_;
        }
        const double sum = static_cast<double>(tone) + std::nearbyint(mix);
        return static_cast<std::int16_t>(std::clamp(sum, -32768.0, 32767.0));
    }

    void advance()
    {
        for (std::size_t s = 0; s < position_.size(); ++s) {
            if (position_[s])
                position_[s] = (*position_[s] + 1) % (*sources_)[s].samples.size();
        }
    }

    bool playing(std::size_t s) const { return position_[s].has_value(); }
    void stop(std::size_t s) { position_[s].reset(); }
    void start(std::size_t s, std::size_t position) { position_[s] = position % (*sources_)[s].samples.size(); }

private:
    const std::vector<LoopedSource>* sources_;
    double gain_;
    std::vector<std::optional<std::size_t>> position_;
};

} // namespace

MixtureReport explain_mixture(const Samples& rec, ReferenceStream& tones, const std::vector<LoopedSource>& sources,
                              double gain, std::size_t confirm, std::size_t max_start_lag,
                              std::size_t trailing_silence_min, const std::vector<GoingOn>& going_on)
{
    MixtureReport r;
    const std::optional<std::size_t> start = first_sound(rec);
    if (!start || confirm == 0)
        return r;
    for (const LoopedSource& s : sources) {
        if (s.samples.empty())
            return r;
    }
    r.sound_found = true;
    r.start = *start;
    // The tone stream's leading zeros merge into the silence before it.
    while (going_on.empty() && tones.peek() == 0)
        static_cast<void>(tones.next());
    // Silence to the end is the program gone, not a mixture.
    std::size_t end = *last_sound(rec) + 1;
    if (rec.size() - end < trailing_silence_min)
        end = rec.size();
    r.trailing_silence = rec.size() - end;

    std::size_t i_now = r.start;  // the sample being explained

    // Tone samples from the current one on, as far as a confirmation looks.
    std::deque<std::int16_t> ahead;
    auto tones_ahead = [&](std::size_t count) {
        while (ahead.size() < count)
            ahead.push_back(tones.next());
    };
    auto explains = [&](const MixState& state, std::size_t i) {
        const std::size_t n = std::min(confirm, end - i);
        tones_ahead(n);
        for (std::size_t j = 0; j < n; ++j) {
            if (rec[i + j] != state.expected(ahead[j], j))
                return false;
        }
        return true;
    };
    // The change that explains what follows sample i: one source stopped or
    // started, or failing that two (two toggles within one of the player's
    // periods). Tried in that order, the earliest start first.
    std::vector<MixEvent> changes;
    std::function<bool(const MixState&, std::size_t, std::size_t, MixState&)> search =
        [&](const MixState& state, std::size_t from, std::size_t left, MixState& found) {
            if (left == 0) {
                if (!explains(state, i_now))
                    return false;
                found = state;
                return true;
            }
            for (std::size_t s = from; s < sources.size(); ++s) {
                MixState changed = state;
                if (state.playing(s)) {
                    changed.stop(s);
                    changes.push_back(MixEvent{i_now, s, false});
                    if (search(changed, s + 1, left - 1, found))
                        return true;
                    changes.pop_back();
                    continue;
                }
                for (std::size_t lag = 0; lag <= max_start_lag && lag <= i_now - r.start; ++lag) {
                    changed.start(s, lag);
                    changes.push_back(MixEvent{i_now - lag, s, true});
                    if (search(changed, s + 1, left - 1, found))
                        return true;
                    changes.pop_back();
                }
            }
            return false;
        };
    auto find_change = [&](MixState& state) {
        for (std::size_t count = 1; count <= std::min<std::size_t>(2, sources.size()); ++count) {
            changes.clear();
            MixState result = state;
            if (search(state, 0, count, result)) {
                r.events.insert(r.events.end(), changes.begin(), changes.end());
                state = result;
                return true;
            }
        }
        return false;
    };

    MixState state(sources, gain);
    if (!going_on.empty()) {
        // Every combination of positions is too many; each source's position
        // is found with the others at their centres, then all together confirmed.
        i_now = r.start;
        for (const GoingOn& g : going_on)
            state.start(g.source, g.near);
        for (const GoingOn& g : going_on) {
            bool found = false;
            const std::size_t length = sources[g.source].samples.size();
            for (std::size_t d = 0; d <= 2 * g.within && !found; ++d) {
                const std::size_t from = (g.near + length * 2 + d - g.within) % length;
                MixState tried = state;
                tried.start(g.source, from);
                if (explains(tried, r.start)) {
                    state = tried;
                    r.events.push_back(MixEvent{r.start, g.source, true, from});
                    found = true;
                }
            }
            if (!found) {
                r.unexplained_at = r.start;
                r.recorded_at_failure = rec[r.start];
                tones_ahead(1);
                r.expected_at_failure = state.expected(ahead[0], 0);
                return r;
            }
        }
    }
    for (std::size_t i = r.start; i < end; ++i) {
        i_now = i;
        tones_ahead(1);
        if (rec[i] != state.expected(ahead[0], 0) && !find_change(state)) {
            r.unexplained_at = i;
            r.recorded_at_failure = rec[i];
            r.expected_at_failure = state.expected(ahead[0], 0);
            return r;
        }
        const std::int16_t expected = state.expected(ahead[0], 0);
        if (expected == 32767 || expected == -32768)
            ++r.clipped;
        ++r.explained;
        ahead.pop_front();
        state.advance();
    }
    return r;
}

Comparison compare_with_reference(const Samples& rec, ReferenceStream& reference, std::size_t min_pause,
                                  const Joins& joins)
{
    Comparison c;
    const std::optional<std::size_t> start = first_sound(rec);
    if (!start)
        return c;
    c.sound_found = true;
    c.start = *start;

    // Reference samples taken out to look ahead at a join and not used yet.
    std::deque<std::int16_t> pending;
    std::size_t taken = 0; // reference samples used or passed over
    auto peek = [&] { return pending.empty() ? reference.peek() : pending.front(); };
    auto next = [&] {
        ++taken;
        if (pending.empty())
            return reference.next();
        const std::int16_t v = pending.front();
        pending.pop_front();
        return v;
    };
    // The smallest skip that makes the recording from i equal the reference.
    auto resume = [&](std::size_t i) {
        const std::size_t n = std::min(joins.confirm, rec.size() - i);
        while (pending.size() < joins.max_skip + n)
            pending.push_back(reference.next());
        Comparison::Resume r{i, std::nullopt};
        for (std::size_t skip = 0; skip <= joins.max_skip && !r.skipped; ++skip) {
            std::size_t j = 0;
            while (j < n && rec[i + j] == pending[skip + j])
                ++j;
            if (j == n)
                r.skipped = skip;
        }
        if (r.skipped) {
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(*r.skipped));
            taken += *r.skipped;
        }
        r.reference_at = taken;
        c.resumes.push_back(r);
    };

    std::size_t next_join = 0;
    bool at_join = false;
    // The silence before the first sound is a pause like any other.
    bool after_silence = true;
    std::size_t i = c.start;
    while (next_join < joins.at.size() && joins.at[next_join] <= i) {
        ++next_join;
        at_join = true;
    }
    while (i < rec.size()) {
        if (next_join < joins.at.size() && i == joins.at[next_join]) {
            ++next_join;
            at_join = true;
            after_silence = true;
        }
        if (rec[i] == 0) {
            std::size_t end = i;
            while (end < rec.size() && rec[end] == 0)
                ++end;
            if (end == rec.size() && end - i >= min_pause) {
                c.trailing_silence = end - i;
                break;
            }
            if (end - i >= min_pause || at_join) {
                // Reference zeros either side of the pause vanish into it;
                // they are taken out before the next comparison. Silence
                // that begins at a join is the new server's before the
                // stream came back, not a pause.
                if (!at_join)
                    c.pauses.push_back(ZeroRun{i, end - i});
                while (next_join < joins.at.size() && joins.at[next_join] < end) {
                    ++next_join;
                    at_join = true;
                }
                i = end;
                after_silence = true;
                continue;
            }
        }
        if (after_silence) {
            while (peek() == 0) {
                static_cast<void>(next());
                ++c.reference_zeros_absorbed;
            }
            if (at_join)
                resume(i);
            after_silence = false;
            at_join = false;
        }
        const std::int16_t expected = next();
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

namespace tonegen::e2e {

std::string event_name(const MixEvent& event, const std::vector<LoopedSource>& sources)
{
    return sources.at(event.source).name + (event.starts ? "+" : "-");
}

std::vector<std::string> check_events(const std::vector<MixEvent>& found, const std::vector<LoopedSource>& sources,
                                      const std::vector<ExpectedEvent>& expected, std::size_t early,
                                      std::size_t max_lag)
{
    std::vector<std::string> problems;
    auto seconds = [](std::size_t a, std::size_t b) {
        char text[32];
        std::snprintf(text, sizeof(text), "%.3f s", (static_cast<double>(b) - static_cast<double>(a)) / recording_rate);
        return std::string(text);
    };
    for (std::size_t i = 0; i < std::max(found.size(), expected.size()); ++i) {
        const std::string number = "event " + std::to_string(i + 1);
        if (i >= found.size()) {
            problems.push_back(number + ": " + expected[i].name + " expected, none heard");
            continue;
        }
        const std::string name = event_name(found[i], sources);
        if (i >= expected.size()) {
            problems.push_back(number + ": " + name + " heard at sample " + std::to_string(found[i].at) +
                               ", none expected");
            continue;
        }
        if (name != expected[i].name) {
            problems.push_back(number + ": " + name + " heard, " + expected[i].name + " expected");
            continue;
        }
        const std::optional<std::size_t> cause = expected[i].cause;
        if (cause && (found[i].at + early < *cause || (found[i].at > *cause && found[i].at - *cause > max_lag)))
            problems.push_back(number + ": " + name + " heard " + seconds(*cause, found[i].at) + " after its cause, allowed " +
                               seconds(early, 0) + " to " + seconds(0, max_lag));
    }
    return problems;
}

double source_rms_dbfs(const Samples& source, double gain)
{
    double sum = 0.0;
    for (const std::int16_t v : source)
        sum += static_cast<double>(v) * static_cast<double>(v);
    const double mean_square = source.empty() ? 0.0 : sum / static_cast<double>(source.size());
    return rms_dbfs(mean_square * gain * gain);
}

std::vector<ToneLevel> synthesised_levels(const std::vector<ToneOverride>& overrides)
{
    const ReferenceStream bank(final_bank(overrides));
    std::vector<ToneLevel> levels;
    for (const Tone& t : bank.settings().tones)
        levels.push_back(ToneLevel{static_cast<double>(t.frequency), to_dbfs(static_cast<double>(t.amplitude))});
    return levels;
}

std::vector<ControlSpec> start_up_controls()
{
    Settings s{};
    apply_defaults(s);
    return main_window_controls(s);
}

LayoutCheck check_layout(const std::vector<ControlSpec>& table, const std::vector<WindowRect>& windows)
{
    LayoutCheck r;
    std::vector<bool> used(windows.size(), false);
    auto same = [](const WindowRect& w, const ControlSpec& c) {
        return w.x == c.x && w.y == c.y && w.width == c.width && w.height == c.height;
    };
    for (const ControlSpec& c : table) {
        bool found = false;
        for (std::size_t i = 0; i < windows.size() && !found; ++i) {
            if (!used[i] && same(windows[i], c))
                used[i] = found = true;
        }
        if (found)
            ++r.matched;
        else
            r.missing.push_back(c);
    }
    auto inside_a_field = [&table](const WindowRect& w) {
        return std::any_of(table.begin(), table.end(), [&w](const ControlSpec& c) {
            return c.kind == ControlKind::frequency_field && w.x >= c.x && w.y >= c.y &&
                   w.x + w.width <= c.x + c.width && w.y + w.height <= c.y + c.height;
        });
    };
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!used[i] && !inside_a_field(windows[i]))
            r.unexpected.push_back(windows[i]);
    }
    return r;
}

} // namespace tonegen::e2e
