// Measuring what the real program played: recordings of the sound server's
// monitor (mono 16-bit little-endian, 44100 Hz) taken by the end-to-end tests
// and the headless demo.
//
// Two kinds of evidence:
// - spectral: the level of given frequencies over a stretch of the recording
//   and the strongest component that is none of them;
// - sample for sample: the recording against the core's own fill_buffer, from
//   the first sound on, with the silence of pauses taken out.
#pragma once

#include "app/settings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tonegen::e2e {

using Samples = std::vector<std::int16_t>;

constexpr double recording_rate = 44100.0;

// The level reference: a sine of peak 32767 is 0 dBFS.
constexpr double full_scale = 32767.0;
double to_dbfs(double peak);

// Whole samples of a raw s16le file; a trailing odd byte (a sample still being
// written) is left out. Empty when the file cannot be read.
Samples read_raw(const std::string& path, bool* ok = nullptr);

// A 44-byte RIFF/WAVE header and the samples, mono 16-bit at `rate`.
bool write_wav(const std::string& path, const std::int16_t* data, std::size_t count, int rate);

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

private:
    double lobe_amplitude(std::size_t centre, std::size_t half_width) const;

    std::size_t points_;
    double rate_;
    double window_power_;        // sum of the squared window
    std::vector<double> power_;  // |X[k]|^2 for k = 0 .. points / 2
};

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
std::optional<std::size_t> first_sound(const Samples& rec);
std::optional<std::size_t> last_sound(const Samples& rec);

// The Tone bank the program starts with, changed where asked.
struct ToneOverride {
    int tone;                               // 0 .. 19
    std::optional<std::int64_t> frequency;  // Hz
    std::optional<float> gain;              // 0 .. 1
};

// The sample stream the program should produce: the core's fill_buffer run
// buffer after buffer over a Settings record made as the program makes it.
class ReferenceStream {
public:
    explicit ReferenceStream(const std::vector<ToneOverride>& overrides = {});

    std::int16_t peek();
    std::int16_t next();

    const Settings& settings() const { return *settings_; }

private:
    void refill();

    std::unique_ptr<Settings> settings_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t frames_ = 0;
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
};

// Walks the recording from its first sound: a run of at least `min_pause`
// zeros is a pause and is skipped (with any zeros of the reference at that
// point), every other sample must equal the next reference sample. Nothing
// lost, repeated or altered gives zero mismatches.
Comparison compare_with_reference(const Samples& rec, ReferenceStream& reference, std::size_t min_pause);

} // namespace tonegen::e2e
