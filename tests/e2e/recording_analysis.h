// Measuring what the real program played: recordings of the sound server's
// monitor (mono 16-bit little-endian, 44100 Hz) taken by the end-to-end tests
// and the headless demo.
//
// Two kinds of evidence:
// - spectral: the level of given frequencies over a stretch of the recording
//   and the strongest component that is none of them; the power of a band
//   with the tones taken out (the test signals' noise), its slope per octave,
//   and how the strongest component or one frequency's level moves over time;
// - sample for sample: the recording against the core's own fill_buffer, from
//   the first sound on, with the silence of pauses taken out.
//
// What the program should show and play comes from the core itself: the main
// window's table of controls, the Tone bank's defaults and the levels its
// normalisation gives them.
#pragma once

#include "model/settings.h"
#include "platform/windowing_port.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonegen::e2e {

using Samples = std::vector<std::int16_t>;

constexpr double recording_rate = stream_rate;

// The level reference: a sine of peak 32767 is 0 dBFS.
constexpr double full_scale = 32767.0;
double to_dbfs(double peak);

// Whole samples of a raw s16le file; a trailing odd byte (a sample still being
// written) is left out. Empty when the file cannot be read.
Samples read_raw(const std::string& path, bool* ok = nullptr);

// A 44-byte RIFF/WAVE header and the samples, mono 16-bit at `rate`.
bool write_wav(const std::string& path, const std::int16_t* data, std::size_t count, int rate);

// Frequencies kept out of a measurement, each with every bin within guard_hz
// of it: the tones, when what is measured is everything else.
struct Exclusion {
    std::vector<double> frequencies;
    double guard_hz = 0.0;

    bool covers(double frequency) const;
};

// Power spectrum of one stretch under a periodic Hann window, one bin per
// rate / count Hz (44100 samples give 1 Hz bins).
class Spectrum {
public:
    Spectrum(const std::int16_t* data, std::size_t count, double rate);

    double bin_hz() const { return rate_ / static_cast<double>(points_); }
    std::size_t points() const { return points_; }

    // Peak amplitude of a sine near `frequency`, from the energy of the main
    // lobe (the nearest bin and two either side), so a tone between two bins
    // reads the same as one on a bin.
    double amplitude_at(double frequency) const;

    struct Component {
        double frequency;
        double dbfs;
    };

    // The strongest bin farther than `guard_hz` from every listed frequency,
    // as the level of a sine centred on it.
    Component strongest_other(const std::vector<double>& known, double guard_hz) const;

    // Local maxima (over two bins either side) at or above `threshold_dbfs`,
    // lowest frequency first; the frequency is interpolated between bins.
    std::vector<Component> peaks(double threshold_dbfs) const;

    // The strongest bin from lo_hz to hi_hz that the exclusion leaves, its
    // frequency interpolated as in peaks(). `beside_excluded` when the bin
    // next to it is excluded: the true maximum may then lie hidden there.
    struct Strongest {
        bool found = false;
        Component component{0.0, 0.0};
        bool beside_excluded = false;
    };
    Strongest strongest_in(double lo_hz, double hi_hz, const Exclusion& exclusion) const;

    // Mean square (sample units squared) of what the bins from lo_hz to
    // hi_hz carry, excluded bins counted as silent (Parseval over the
    // window), and how many bins that was.
    struct BandPower {
        double mean_square = 0.0;
        std::size_t bins = 0;
    };
    BandPower band_power(double lo_hz, double hi_hz, const Exclusion& exclusion) const;

private:
    double lobe_amplitude(std::size_t centre, std::size_t half_width) const;

    std::size_t points_;
    double rate_;
    double window_power_;        // sum of the squared window
    std::vector<double> power_;  // |X[k]|^2 for k = 0 .. points / 2
};

// RMS level: 0 dBFS is an RMS of full_scale (so a full-scale sine reads -3.01).
double rms_dbfs(double mean_square);

// The RMS level (as rms_dbfs) of a band in each window of `window` samples
// that fits in [start, start + count): where a noise is, window by window.
std::vector<double> windowed_band_rms(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                      double lo_hz, double hi_hz, const Exclusion& exclusion);

// Noise density per octave band from lo_hz upward ([lo, 2 lo), [2 lo, 4 lo),
// ... up to hi_hz) and the straight line through it: pink noise falls 3.01 dB
// per octave, white noise is flat.
struct OctaveBand {
    double lo_hz;
    double hi_hz;
    double density_db;  // 10 log10 of the mean square per Hz
};
struct BandSlope {
    std::vector<OctaveBand> bands;
    double db_per_octave = 0.0;  // least-squares slope against log2 of the band centre
    double worst_residual_db = 0.0;  // largest distance of a band from the line
};
BandSlope band_slope(const Spectrum& spectrum, double lo_hz, double hi_hz, const Exclusion& exclusion);

// Short windows of `window` samples every `step` samples from `start` while
// they fit within `count`, each reduced to one number.
struct TrackPoint {
    std::size_t start;     // recording index of the window's first sample
    double frequency;      // Hz
    double dbfs;
    bool usable;           // a component was found and nothing excluded hides its peak
};
// The strongest component between lo_hz and hi_hz in each window.
std::vector<TrackPoint> track_strongest(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                        std::size_t step, double lo_hz, double hi_hz, const Exclusion& exclusion);
// The level at one frequency in each window.
std::vector<TrackPoint> track_level(const Samples& rec, std::size_t start, std::size_t count, std::size_t window,
                                    std::size_t step, double frequency);

// An exponential sweep from start_hz to end_hz over `seconds`:
// f(t) = start_hz * (end_hz / start_hz)^(t / seconds).
struct SweepLaw {
    double start_hz;
    double end_hz;
    double seconds;

    double seconds_to(double frequency) const;  // t at which f(t) = frequency
    double frequency_at(double t) const;        // f(t), the sweep looping after `seconds`
};

// Of `frequencies`, those the sweep (at start_hz at recording index
// `sweep_start`) comes within guard_hz of over samples [from, from + count):
// a tone there cannot be measured beside it.
std::vector<double> crossed_by_sweep(const std::vector<double>& frequencies, const SweepLaw& law, double sweep_start,
                                     std::size_t from, std::size_t count, double guard_hz);

// Where the law puts each tracked window's strongest frequency in time gives
// one estimate of when the sweep was at start_hz; the estimates of a sweep
// that follows the law agree. Windows below `min_dbfs`, unusable or outside
// the law's range are not candidates; an inlier lies within `tolerance_s`
// of the median estimate.
struct SweepFit {
    std::size_t candidates = 0;
    std::size_t inliers = 0;
    double start_sample = 0.0;    // mean estimate of the inliers, recording index
    double lowest_hz = 0.0;       // range of the inliers' frequencies
    double highest_hz = 0.0;
    double first_inlier_sample = 0.0;  // centre of the earliest inlier window
    double spread_s = 0.0;        // largest distance of an inlier's estimate from their mean
};
SweepFit fit_sweep(const std::vector<TrackPoint>& points, std::size_t window, const SweepLaw& law, double min_dbfs,
                   double tolerance_s);

struct SilenceReport {
    std::size_t samples = 0;
    std::size_t nonzero = 0;
    int max_abs = 0;
};
SilenceReport measure_silence(const std::int16_t* data, std::size_t count);

// A run of exact zeros at least as long as asked for: silence of a pause or
// of the stream not yet started, never part of the tone mix.
struct ZeroRun {
    std::size_t start;
    std::size_t length;
};
std::vector<ZeroRun> zero_runs(const Samples& rec, std::size_t min_length);
std::optional<std::size_t> first_sound(const Samples& rec, std::size_t from = 0);
std::optional<std::size_t> last_sound(const Samples& rec);

// The recording without its runs of at least `min_gap` zeros: an output's
// underruns, which the sound server fills with zeros while the stream goes
// on unchanged after them, so that taking them out gives back the stream.
struct ClosedGaps {
    Samples samples;
    std::vector<ZeroRun> gaps;  // where they were in the recording

    // Where recording index `index` lands (the next kept sample for one in a gap).
    std::size_t moved(std::size_t index) const;
};
ClosedGaps close_gaps(const Samples& rec, std::size_t min_gap);

// How many of the pauses last at least `min_length` samples.
std::size_t count_at_least(const std::vector<ZeroRun>& pauses, std::size_t min_length);

// The Tone bank the program starts with, changed where asked.
struct ToneOverride {
    int tone;                               // 0 .. 19
    std::optional<std::int64_t> frequency;  // Hz
    std::optional<float> gain;              // 0 .. 1
    // The change reaches the stream from this buffer on (counted from 0): the
    // program fills each buffer with the Tone bank of the moment, and it has
    // filled the whole ring once before the output is first released.
    std::size_t from_buffer = 0;
};

// The bank after every change, whenever each one came.
std::vector<ToneOverride> final_bank(std::vector<ToneOverride> overrides);

// The sample stream the program should produce: the core's fill_buffer run
// buffer after buffer over a Settings record made as the program makes it,
// each change applied, in the order given, before the buffer it names.
class ReferenceStream {
public:
    explicit ReferenceStream(const std::vector<ToneOverride>& overrides = {});
    // The samples of a file (a render) in place of the synthesis, zeros
    // after their end.
    explicit ReferenceStream(std::vector<std::int16_t> samples);

    std::int16_t peek();
    std::int16_t next();

    const Settings& settings() const { return *settings_; }

private:
    void apply_changes(std::size_t buffer);
    void refill();

    std::unique_ptr<Settings> settings_;
    std::vector<ToneOverride> overrides_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t frames_ = 0;
    std::size_t buffers_filled_ = 0;
    std::optional<std::vector<std::int16_t>> fixed_;
};

struct Comparison {
    bool sound_found = false;
    std::size_t start = 0;              // recording index of the first sound
    std::size_t compared = 0;           // recording samples checked against the reference
    std::size_t mismatches = 0;
    std::optional<std::size_t> first_mismatch;  // recording index
    std::int16_t expected_at_mismatch = 0;
    std::int16_t recorded_at_mismatch = 0;
    std::vector<ZeroRun> pauses;        // silences skipped between sounds
    std::size_t reference_zeros_absorbed = 0;  // reference zeros that fell into a pause
    std::size_t trailing_silence = 0;   // zeros after the last sound
    struct Resume {
        std::size_t at;                 // recording index of the first sound after a join
        std::optional<std::size_t> skipped;  // reference samples left out there; none found: not set
        std::size_t reference_at = 0;   // index in the reference of the sample heard at `at`
    };
    std::vector<Resume> resumes;
};

// The test signals heard over the tones. The player mixes every playing
// recording at one gain, adds them in `sources` order as doubles, rounds the
// sum to the nearest integer (ties to even) and loops each recording; the
// sound server adds that stream to the tone stream sample for sample and
// holds the sum within 16 bits.
struct LoopedSource {
    std::string name;
    Samples samples;
};

struct MixEvent {
    std::size_t at;       // recording index from which the change is heard
    std::size_t source;   // index into the sources
    bool starts;          // from its first sample (or `from`); otherwise it stops
    std::size_t from = 0; // the source's sample heard first, for one going on
};

struct MixtureReport {
    bool sound_found = false;
    std::size_t start = 0;                    // first sound
    std::size_t explained = 0;                // samples equal to the tones plus the sources playing
    std::size_t clipped = 0;                  // of those, samples held at the 16-bit rails
    std::size_t trailing_silence = 0;         // zeros to the end, left out
    std::optional<std::size_t> unexplained_at;  // the walk stops at the first sample nothing explains
    std::int16_t recorded_at_failure = 0;
    std::int16_t expected_at_failure = 0;     // with the sources as they were playing
    std::vector<MixEvent> events;
};

// Walks the recording from its first sound against the tone stream (which
// must play on without a pause) up to its last sound when at least
// `trailing_silence_min` zeros follow it. Where the current set of playing sources no
// longer explains a sample, it tries each single change: a playing source
// stopped, or a silent one started up to `max_start_lag` samples earlier
// (its first samples may round to nothing). A change is taken when it
// explains the next `confirm` samples.
//
// A recording cut from the middle of the play starts with sources already
// playing: `going_on` names each with a position it is near (within
// `within` samples either way); the walk starts with the one that explains
// the first `confirm` samples, reported as a start event at the first sound
// (`MixEvent::from` holds the position found). The tone stream is then not
// expected to start with silence: `tones` is taken as it stands.
struct GoingOn {
    std::size_t source;
    std::size_t near;
    std::size_t within;
};
MixtureReport explain_mixture(const Samples& rec, ReferenceStream& tones, const std::vector<LoopedSource>& sources,
                              double gain, std::size_t confirm = 256, std::size_t max_start_lag = 64,
                              std::size_t trailing_silence_min = 64, const std::vector<GoingOn>& going_on = {});

// The 16-bit mono samples of a RIFF WAVE file; empty when it is none.
Samples read_wave_samples(const std::string& path, bool* ok = nullptr);

// A start or stop the test expects of the mixture: the event's name as
// explain_mixture's events are written ("pink+", "sweep-") and the recording
// index of what caused it (the click), from which it must be heard within
// the allowed lag.
struct ExpectedEvent {
    std::string name;
    std::optional<std::size_t> cause;
};

std::string event_name(const MixEvent& event, const std::vector<LoopedSource>& sources);

// Each expected event in order, each heard from `early` samples before its
// cause (the cause's mark may come late: it is the recording's length read
// once the click is done) to `max_lag` samples after it; one sentence per
// problem, none when all hold.
std::vector<std::string> check_events(const std::vector<MixEvent>& found, const std::vector<LoopedSource>& sources,
                                      const std::vector<ExpectedEvent>& expected, std::size_t early,
                                      std::size_t max_lag);

// RMS level (as rms_dbfs) of a recording looped by the player at `gain`.
double source_rms_dbfs(const Samples& source, double gain);

// The level each tone of the bank is synthesised at, in dBFS of its peak
// amplitude after the core's normalisation; -inf for a silent tone.
struct ToneLevel {
    double frequency;
    double dbfs;
};
std::vector<ToneLevel> synthesised_levels(const std::vector<ToneOverride>& overrides);

// The main window's controls as the program lays them out at start-up.
std::vector<ControlSpec> start_up_controls();

// A window found inside the main window, in its client pixels.
struct WindowRect {
    int x, y, width, height;
    bool operator==(const WindowRect&) const = default;
};

// Each control of the table as a window of exactly its rectangle, and no
// window besides them but the parts a frequency field is built of (its edit
// line, inside the field's rectangle).
struct LayoutCheck {
    std::vector<ControlSpec> missing;
    std::vector<WindowRect> unexpected;
    std::size_t matched = 0;
};
LayoutCheck check_layout(const std::vector<ControlSpec>& table, const std::vector<WindowRect>& windows);

// Walks the recording from its first sound: a run of at least `min_pause`
// zeros is a pause and is skipped (with any zeros of the reference at that
// point), every other sample must equal the next reference sample. Nothing
// lost, repeated or altered gives zero mismatches.
//
// A join is where the recording of one sound server ends and that of the
// next one begins (the server was restarted): what the dead server held was
// never played, so the first sound after a join may continue the reference
// up to `max_skip` samples further on, never earlier. The skip is the
// smallest that makes the next `confirm` samples equal; the comparison then
// goes on from there. Silence that begins at a join is not counted a pause.
struct Joins {
    std::vector<std::size_t> at;  // recording indices, ascending
    std::size_t max_skip = 0;
    std::size_t confirm = 441;
};
Comparison compare_with_reference(const Samples& rec, ReferenceStream& reference, std::size_t min_pause,
                                  const Joins& joins = {});

} // namespace tonegen::e2e
