// What a device did to a setup's tones: the recording of what it played
// (or of a render passed through it) against the samples sent.
//
// How it works: every tone is a whole number of hertz, so the mix repeats
// every 44100 samples and each tone, harmonic and intermodulation product
// sits on an exact bin of a one-second spectrum, with no window and no
// leakage. The recording is first aligned to the sent signal in whole
// samples: the lag where the recording best matches the sent signal's
// first second, its match measured against the recording's energy from a
// second before to a second after, so that of the lags a short period
// apart the one with silence before the signal's start wins. From half a
// second after the signal's start, whole seconds of the recording are
// averaged sample by sample (what repeats stays, noise falls 3 dB for each
// doubling), and so are the same seconds of the sent signal. Each tone's
// bin of the two averages gives its level, gain and phase; the bins of the
// harmonics (2nd to 5th) and of the sums and differences of two tones give
// the products; what the average holds outside all those bins, spread over
// the bins left, is the noise floor per bin. THD+N is everything of the
// recording's seconds that is not a tone, against the tones.
//
// Levels are in dBFS as a sine's peak against 32767, the program's own
// full scale; a bin's level is the peak of the sine it holds.
#pragma once

#include "model/setup_text.h"

#include <complex>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace tonegen {

// One second: every whole-hertz mix repeats in it.
constexpr std::size_t measure_period = 44100;
// The start of the signal left out before the seconds averaged.
constexpr std::size_t measure_settle = 22050;
// The signal is sought this far into the recording at most.
constexpr std::size_t measure_longest_delay = 10 * measure_period;
// A product is reported when its bin stands this far above the floor (or
// above the rounding floor the sent signal has in the products' bins, where
// that is higher).
constexpr double measure_product_margin_db = 15.0;

struct ToneReading {
    int tone = 0;                // the row, from 1
    std::int64_t frequency = 0;  // Hz
    double sent_dbfs = 0.0;
    double received_dbfs = 0.0;
    double gain_db = 0.0;
    double phase_deg = 0.0;      // after the alignment, -180 to 180
};

struct ProductReading {
    std::string name;            // "2f3" (2nd harmonic of tone 3), "f1+f2", "f2-f1"
    std::int64_t frequency = 0;  // Hz
    double sent_dbfs = 0.0;      // what the sent signal itself held there
    double received_dbfs = 0.0;
};

struct Measurement {
    std::int64_t delay = 0;  // samples of the recording before the signal's first
    int periods = 0;         // seconds averaged
    std::vector<ToneReading> tones;       // the tones with a gain above 0, in row order
    std::vector<ProductReading> products; // those above the floor by the margin, by frequency
    double noise_floor_dbfs = 0.0;        // per bin of the averaged spectrum
    double thd_n_db = 0.0;                // the whole mix
    double received_rms_dbfs = 0.0;       // the seconds averaged, before averaging
};

// The recording (mono, 44100 Hz) against what was sent for `setup` from
// its first sample (`sent`; the seconds averaged are those both hold). The
// message when it cannot be measured: too short, or no trace of the
// signal (with the level found).
std::variant<Measurement, std::string> measure_recording(const ToneSetup& setup, std::span<const std::int16_t> sent,
                                                        std::span<const std::int16_t> received);

// The lag (0 to `longest`) at which `received` best matches the first
// `template_length` samples of `sent`, as measure_recording aligns. `plain`
// sums every product instead of going through the FFT (the benchmark's
// reference).
std::int64_t align_recording(std::span<const std::int16_t> sent, std::span<const std::int16_t> received,
                             std::size_t template_length, std::size_t longest, bool plain = false);

// In-place radix-2 FFT (size a power of two); `inverse` without the 1/n.
void fft(std::vector<std::complex<double>>& data, bool inverse);

} // namespace tonegen
