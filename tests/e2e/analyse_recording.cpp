// analyse_recording: checks a raw recording (mono s16le, 44100 Hz) of what the
// program played. Exit status 0 when every requested check passes, 1 when one
// fails, 2 on a usage or input error.
#include "recording_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tonegen::e2e;

const char* const usage_text =
    "usage: analyse_recording COMMAND FILE [options]\n"
    "commands:\n"
    "  info FILE                sound extents and pauses, as key=value lines\n"
    "  levels FILE              level of each tone in dBFS and the strongest other component\n"
    "  peaks FILE               every spectral peak at or above --threshold\n"
    "  silence FILE             fails unless every sample of the stretch is zero\n"
    "  compare FILE             sample-for-sample against the core's synthesis, pauses skipped\n"
    "  wav FILE OUT.wav         the stretch as a WAV file\n"
    "  rms FILE                 RMS level (0 dBFS: RMS of full scale) of a band, tones left out on request\n"
    "  band-slope FILE          noise density per octave band and its slope in dB per octave\n"
    "  peak-track FILE          strongest component of each short window; fits an exponential sweep\n"
    "  track FILE               level of one frequency (--at HZ) in each short window\n"
    "  mixture FILE             sample-for-sample: the tones plus the looped --source recordings\n"
    "                           as they start and stop; prints each start and stop found\n"
    "stretch (default: the whole file; levels, rms, band-slope: 1 s):\n"
    "  --start N | --from-sound SECONDS | --last SECONDS     where it begins\n"
    "  --seconds SECONDS                                       how long it is\n"
    "Tone bank (levels, compare, --exclude-tones; tones numbered 0..19 as their frequency fields):\n"
    "  --freq K=HZ[@B]  --gain K=G[@B] (0..1)   change tone K from the program's defaults; compare\n"
    "                                   applies it from stream buffer B (12288 samples each) on,\n"
    "                                   the rest take the bank after every change\n"
    "  --at HZ,HZ,...                   levels: measure these frequencies instead\n"
    "  --exclude-tones                  rms, band-slope, peak-track: leave out the bins within\n"
    "                                   --guard HZ of every tone\n"
    "  --band LO,HI                     rms, band-slope, peak-track: the frequencies looked at\n"
    "windows (peak-track, track): --window SECONDS (0.1)  --step SECONDS (half the window)\n"
    "checks:\n"
    "  levels:  --expect DBFS [--tolerance DB (0.5)]  --floor DBFS  [--guard HZ (5)]\n"
    "  peaks:   --threshold DBFS (-60)\n"
    "  silence: --min-seconds SECONDS (the stretch must be at least this long)\n"
    "  compare, info: --min-pause N (64 samples)  compare: --expect-pauses N  --until N (recording index)\n"
    "           --join N (repeatable): a new sound server's recording begins at index N; the sound after it\n"
    "           may go on up to --max-skip SECONDS (0.5) further on in the stream, never earlier\n"
    "  rms:     --expect DBFS [--tolerance DB]  --below DBFS\n"
    "  band-slope: --expect DB_PER_OCTAVE [--tolerance DB]\n"
    "  peak-track: --law F0,F1,SECONDS (f = F0 (F1/F0)^(t/SECONDS)) [--law-tolerance SECONDS (0.15)]\n"
    "              [--min-dbfs DBFS (-45)]: at least 5 windows, 80 % of the candidates on one law;\n"
    "              prints sweep_start=N, the recording index where the law puts F0\n"
    "  track:   --above DBFS | --below DBFS: prints first_above=N / first_below=N (a window's start)\n"
    "  mixture: --source NAME=FILE.wav (in the player's order)  --source-volume HUNDREDTHS_OF_DB\n"
    "           [--tones-from N] (the tone stream from its sample N) [--going-on NAME=N,WITHIN] (the source\n"
    "           plays from the first sound on, from a sample within WITHIN of N): for a cut recording\n"
    "           [--until N]  [--expect-events NAME+,NAME-,...] (the starts and stops, in order)\n";

struct Options {
    std::string command;
    std::vector<std::string> files;
    std::optional<std::size_t> start;
    std::optional<double> from_sound;
    std::optional<double> last;
    std::optional<double> seconds;
    std::vector<ToneOverride> overrides;
    std::vector<double> at;
    bool exclude_tones = false;
    std::optional<std::pair<double, double>> band;
    double window = 0.1;
    std::optional<double> step;
    double min_dbfs = -45.0;
    std::optional<SweepLaw> law;
    double law_tolerance = 0.15;
    std::optional<double> above;
    std::optional<double> below;
    std::optional<std::size_t> until;
    std::vector<std::pair<std::string, std::string>> sources;
    std::optional<double> source_volume;
    std::optional<std::string> expect_events;
    std::optional<double> expect;
    double tolerance = 0.5;
    std::optional<double> floor;
    double guard = 5.0;
    double threshold = -60.0;
    std::optional<double> min_seconds;
    std::size_t min_pause = 64;
    std::optional<std::size_t> expect_pauses;
    std::vector<std::size_t> joins;
    double max_skip = 0.5;
    std::optional<std::size_t> tones_from;
    std::vector<std::pair<std::string, std::pair<std::size_t, std::size_t>>> going_on;
};

[[noreturn]] void usage_error(const std::string& message)
{
    std::fprintf(stderr, "analyse_recording: %s\n%s", message.c_str(), usage_text);
    std::exit(2);
}

double to_number(const std::string& text, const char* what)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        usage_error(std::string("not a number for ") + what + ": '" + text + "'");
    return value;
}

std::size_t to_count(const std::string& text, const char* what)
{
    const double value = to_number(text, what);
    if (value < 0.0 || value != std::floor(value))
        usage_error(std::string("not a count for ") + what + ": '" + text + "'");
    return static_cast<std::size_t>(value);
}

// "K=VALUE" or "K=VALUE@B" with K a tone number and B a stream buffer.
struct ToneAssignment {
    int tone;
    double value;
    std::size_t from_buffer;
};

ToneAssignment tone_assignment(const std::string& text, const char* what)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos)
        usage_error(std::string(what) + " wants K=VALUE[@B], got '" + text + "'");
    const std::size_t tone = to_count(text.substr(0, eq), what);
    if (tone >= static_cast<std::size_t>(tonegen::tone_slots))
        usage_error(std::string(what) + ": no tone " + std::to_string(tone));
    const std::size_t at = text.find('@', eq);
    const std::size_t buffer = at == std::string::npos ? 0 : to_count(text.substr(at + 1), what);
    return {static_cast<int>(tone), to_number(text.substr(eq + 1, at == std::string::npos ? std::string::npos : at - eq - 1), what),
            buffer};
}

// "A,B,..." as numbers.
std::vector<double> number_list(const std::string& value, const char* what)
{
    std::vector<double> out;
    std::size_t pos = 0;
    while (pos <= value.size()) {
        const std::size_t comma = std::min(value.find(',', pos), value.size());
        out.push_back(to_number(value.substr(pos, comma - pos), what));
        pos = comma + 1;
    }
    return out;
}

Options parse(int argc, char** argv)
{
    Options o;
    if (argc < 2)
        usage_error("no command");
    o.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--exclude-tones") {
            o.exclude_tones = true;
            continue;
        }
        if (i + 1 >= argc)
            usage_error(arg + " wants a value");
        const std::string value = argv[++i];
        if (arg == "--start")
            o.start = to_count(value, "--start");
        else if (arg == "--from-sound")
            o.from_sound = to_number(value, "--from-sound");
        else if (arg == "--last")
            o.last = to_number(value, "--last");
        else if (arg == "--seconds")
            o.seconds = to_number(value, "--seconds");
        else if (arg == "--freq") {
            const ToneAssignment a = tone_assignment(value, "--freq");
            o.overrides.push_back(ToneOverride{a.tone, static_cast<std::int64_t>(a.value), std::nullopt, a.from_buffer});
        } else if (arg == "--gain") {
            const ToneAssignment a = tone_assignment(value, "--gain");
            o.overrides.push_back(ToneOverride{a.tone, std::nullopt, static_cast<float>(a.value), a.from_buffer});
        } else if (arg == "--at") {
            const std::vector<double> list = number_list(value, "--at");
            o.at.insert(o.at.end(), list.begin(), list.end());
        } else if (arg == "--band") {
            const std::vector<double> list = number_list(value, "--band");
            if (list.size() != 2 || list[0] < 0.0 || list[1] <= list[0])
                usage_error("--band wants LO,HI with 0 <= LO < HI, got '" + value + "'");
            o.band = std::make_pair(list[0], list[1]);
        } else if (arg == "--law") {
            const std::vector<double> list = number_list(value, "--law");
            if (list.size() != 3 || list[0] <= 0.0 || list[1] <= 0.0 || list[1] == list[0] || list[2] <= 0.0)
                usage_error("--law wants F0,F1,SECONDS, got '" + value + "'");
            o.law = SweepLaw{list[0], list[1], list[2]};
        } else if (arg == "--law-tolerance")
            o.law_tolerance = to_number(value, "--law-tolerance");
        else if (arg == "--window")
            o.window = to_number(value, "--window");
        else if (arg == "--step")
            o.step = to_number(value, "--step");
        else if (arg == "--min-dbfs")
            o.min_dbfs = to_number(value, "--min-dbfs");
        else if (arg == "--above")
            o.above = to_number(value, "--above");
        else if (arg == "--below")
            o.below = to_number(value, "--below");
        else if (arg == "--source") {
            const std::size_t eq = value.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
                usage_error("--source wants NAME=FILE.wav, got '" + value + "'");
            o.sources.emplace_back(value.substr(0, eq), value.substr(eq + 1));
        } else if (arg == "--source-volume")
            o.source_volume = to_number(value, "--source-volume");
        else if (arg == "--expect-events")
            o.expect_events = value;
        else if (arg == "--tones-from")
            o.tones_from = to_count(value, "--tones-from");
        else if (arg == "--going-on") {
            const std::size_t eq = value.find('=');
            const std::vector<double> at =
                number_list(eq == std::string::npos ? std::string() : value.substr(eq + 1), "--going-on");
            if (eq == std::string::npos || at.size() != 2 || at[0] < 0 || at[1] < 0)
                usage_error("--going-on wants NAME=N,WITHIN, got '" + value + "'");
            o.going_on.push_back({value.substr(0, eq), {static_cast<std::size_t>(at[0]), static_cast<std::size_t>(at[1])}});
        } else if (arg == "--join")
            o.joins.push_back(to_count(value, "--join"));
        else if (arg == "--max-skip")
            o.max_skip = to_number(value, "--max-skip");
        else if (arg == "--until")
            o.until = to_count(value, "--until");
        else if (arg == "--expect")
            o.expect = to_number(value, "--expect");
        else if (arg == "--tolerance")
            o.tolerance = to_number(value, "--tolerance");
        else if (arg == "--floor")
            o.floor = to_number(value, "--floor");
        else if (arg == "--guard")
            o.guard = to_number(value, "--guard");
        else if (arg == "--threshold")
            o.threshold = to_number(value, "--threshold");
        else if (arg == "--min-seconds")
            o.min_seconds = to_number(value, "--min-seconds");
        else if (arg == "--min-pause")
            o.min_pause = to_count(value, "--min-pause");
        else if (arg == "--expect-pauses")
            o.expect_pauses = to_count(value, "--expect-pauses");
        else
            usage_error("unknown option " + arg);
    }
    const std::size_t wanted_files = o.command == "wav" ? 2 : 1;
    if (o.files.size() != wanted_files)
        usage_error(o.command + " wants " + std::to_string(wanted_files) + " file name(s)");
    return o;
}

std::size_t seconds_to_samples(double seconds)
{
    return static_cast<std::size_t>(std::llround(std::max(seconds, 0.0) * recording_rate));
}

struct Stretch {
    std::size_t start;
    std::size_t count;
};

// Exits with status 1 when the asked-for stretch lies outside the recording:
// a recording too short for its check is a failed check.
Stretch select_stretch(const Samples& rec, const Options& o, std::optional<double> default_seconds)
{
    std::size_t start = 0;
    if (o.start) {
        start = *o.start;
    } else if (o.from_sound) {
        const std::optional<std::size_t> sound = first_sound(rec);
        if (!sound) {
            std::printf("FAIL: no sound in the recording (%zu samples)\n", rec.size());
            std::exit(1);
        }
        start = *sound + seconds_to_samples(*o.from_sound);
    } else if (o.last) {
        const std::size_t wanted = seconds_to_samples(*o.last);
        start = rec.size() > wanted ? rec.size() - wanted : 0;
    }
    if (start >= rec.size()) {
        std::printf("FAIL: the recording has %zu samples, the stretch starts at %zu\n", rec.size(), start);
        std::exit(1);
    }
    const std::optional<double> seconds = o.seconds ? o.seconds : (o.last ? o.last : default_seconds);
    std::size_t count = rec.size() - start;
    if (seconds) {
        const std::size_t wanted = seconds_to_samples(*seconds);
        if (start + wanted > rec.size()) {
            std::printf("FAIL: the recording has %zu samples, the stretch wants %zu..%zu\n", rec.size(), start,
                        start + wanted);
            std::exit(1);
        }
        count = wanted;
    }
    std::printf("stretch: samples %zu..%zu of %zu (%.3f s from %.3f s)\n", start, start + count, rec.size(),
                static_cast<double>(count) / recording_rate, static_cast<double>(start) / recording_rate);
    return Stretch{start, count};
}

Samples load(const std::string& path)
{
    bool ok = false;
    Samples rec = read_raw(path, &ok);
    if (!ok) {
        std::fprintf(stderr, "analyse_recording: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return rec;
}

int run_info(const Options& o)
{
    const Samples rec = load(o.files[0]);
    std::printf("samples=%zu\n", rec.size());
    const std::optional<std::size_t> first = first_sound(rec);
    const std::optional<std::size_t> last = last_sound(rec);
    if (!first || !last) {
        std::printf("sound=none\n");
        return 0;
    }
    std::printf("first_sound=%zu\nlast_sound=%zu\n", *first, *last);
    std::size_t pauses = 0;
    for (const ZeroRun& run : zero_runs(rec, o.min_pause)) {
        if (run.start > *first && run.start < *last) {
            std::printf("pause=%zu+%zu\n", run.start, run.length);
            ++pauses;
        }
    }
    std::printf("pauses=%zu\n", pauses);
    return 0;
}

int run_levels(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    std::printf("spectrum: %zu points, Hann window, %.3f Hz per bin\n", spectrum.points(), spectrum.bin_hz());

    const ReferenceStream reference(final_bank(o.overrides));
    std::vector<double> frequencies = o.at;
    std::vector<double> nominal(frequencies.size(), std::nan(""));
    if (frequencies.empty()) {
        for (const tonegen::Tone& t : reference.settings().tones) {
            frequencies.push_back(static_cast<double>(t.frequency));
            nominal.push_back(to_dbfs(static_cast<double>(t.amplitude)));
        }
    }

    bool pass = true;
    double worst = -1.0;
    double worst_at = 0.0;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const double level = to_dbfs(spectrum.amplitude_at(frequencies[i]));
        std::printf("tone %8.1f Hz  %9.3f dBFS", frequencies[i], level);
        if (!std::isnan(nominal[i]))
            std::printf("  (synthesised %.3f)", nominal[i]);
        if (o.expect) {
            const double off = std::isfinite(level) ? std::fabs(level - *o.expect) : HUGE_VAL;
            if (off > worst) {
                worst = off;
                worst_at = frequencies[i];
            }
            if (off > o.tolerance) {
                std::printf("  FAIL: %.3f dB from %.2f", off, *o.expect);
                pass = false;
            }
        }
        std::printf("\n");
    }
    const Spectrum::Component other = spectrum.strongest_other(frequencies, o.guard);
    std::printf("strongest other component: %.1f Hz %.3f dBFS (more than %.1f Hz from every tone)\n", other.frequency,
                other.dbfs, o.guard);
    if (o.expect)
        std::printf("check: every tone within %.2f dB of %.2f dBFS: %s (largest difference %.3f dB at %.1f Hz)\n",
                    o.tolerance, *o.expect, pass ? "pass" : "FAIL", worst, worst_at);
    if (o.floor) {
        const bool quiet = other.dbfs <= *o.floor;
        std::printf("check: nothing else above %.1f dBFS: %s\n", *o.floor, quiet ? "pass" : "FAIL");
        pass = pass && quiet;
    }
    return pass ? 0 : 1;
}

int run_peaks(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    const std::vector<Spectrum::Component> found = spectrum.peaks(o.threshold);
    std::printf("%zu components at or above %.1f dBFS (%.3f Hz per bin):\n", found.size(), o.threshold,
                spectrum.bin_hz());
    for (const Spectrum::Component& c : found)
        std::printf("  %9.1f Hz  %8.2f dBFS\n", c.frequency, c.dbfs);
    return 0;
}

int run_silence(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, std::nullopt);
    const SilenceReport r = measure_silence(rec.data() + st.start, st.count);
    std::printf("samples=%zu nonzero=%zu max_abs=%d\n", r.samples, r.nonzero, r.max_abs);
    bool pass = r.nonzero == 0;
    if (r.samples == 0) {
        std::printf("FAIL: an empty stretch shows nothing\n");
        pass = false;
    }
    if (o.min_seconds && r.samples < seconds_to_samples(*o.min_seconds)) {
        std::printf("FAIL: %.3f s of recording, wanted at least %.3f s\n",
                    static_cast<double>(r.samples) / recording_rate, *o.min_seconds);
        pass = false;
    }
    std::printf("check: silence: %s\n", pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

// The recording, cut at --until when given; exits with status 1 when it is
// shorter than that.
Samples load_until(const Options& o)
{
    Samples rec = load(o.files[0]);
    if (o.until) {
        if (*o.until > rec.size()) {
            std::printf("FAIL: the recording has %zu samples, the comparison wants %zu\n", rec.size(), *o.until);
            std::exit(1);
        }
        rec.resize(*o.until);
        std::printf("compared up to sample %zu\n", *o.until);
    }
    return rec;
}

int run_compare(const Options& o)
{
    const Samples rec = load_until(o);
    ReferenceStream reference(o.overrides);
    Joins joins;
    joins.at = o.joins;
    std::sort(joins.at.begin(), joins.at.end());
    joins.max_skip = static_cast<std::size_t>(std::max(0.0, o.max_skip) * recording_rate);
    const Comparison c = compare_with_reference(rec, reference, o.min_pause, joins);
    if (!c.sound_found) {
        std::printf("FAIL: no sound in the recording (%zu samples)\n", rec.size());
        return 1;
    }
    std::printf("first_sound=%zu\ncompared=%zu\nmismatches=%zu\npauses=%zu\n", c.start, c.compared, c.mismatches,
                c.pauses.size());
    for (const ZeroRun& p : c.pauses)
        std::printf("pause=%zu+%zu (%.3f s at %.3f s)\n", p.start, p.length,
                    static_cast<double>(p.length) / recording_rate, static_cast<double>(p.start) / recording_rate);
    std::printf("reference_zeros_in_silence=%zu\ntrailing_silence=%zu\n", c.reference_zeros_absorbed,
                c.trailing_silence);
    bool pass = c.mismatches == 0 && c.compared > 0;
    for (const Comparison::Resume& r : c.resumes) {
        if (r.skipped) {
            std::printf("resume=%zu skipped=%zu (%.3f s)\nresume_reference=%zu\n", r.at, *r.skipped,
                        static_cast<double>(*r.skipped) / recording_rate, r.reference_at);
        } else {
            std::printf("FAIL: the sound from sample %zu after a join is not the stream within %.3f s after"
                        " where it stopped\n", r.at, o.max_skip);
            pass = false;
        }
    }
    if (c.resumes.size() < o.joins.size()) {
        std::printf("FAIL: %zu joins, sound resumed after %zu\n", o.joins.size(), c.resumes.size());
        pass = false;
    }
    if (c.first_mismatch)
        std::printf("first mismatch at sample %zu (%.3f s): recorded %d, synthesised %d\n", *c.first_mismatch,
                    static_cast<double>(*c.first_mismatch) / recording_rate, c.recorded_at_mismatch,
                    c.expected_at_mismatch);
    if (o.expect_pauses && c.pauses.size() != *o.expect_pauses) {
        std::printf("FAIL: %zu pauses, expected %zu\n", c.pauses.size(), *o.expect_pauses);
        pass = false;
    }
    std::printf("check: bit-exact from the first sound: %s\n", pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

int run_wav(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, std::nullopt);
    if (!write_wav(o.files[1], rec.data() + st.start, st.count, static_cast<int>(recording_rate))) {
        std::fprintf(stderr, "analyse_recording: cannot write %s\n", o.files[1].c_str());
        return 2;
    }
    return 0;
}

// The tones of the bank as frequencies to leave out, when asked.
Exclusion exclusion_for(const Options& o)
{
    Exclusion ex;
    ex.guard_hz = o.guard;
    if (o.exclude_tones) {
        const ReferenceStream reference(final_bank(o.overrides));
        for (const tonegen::Tone& t : reference.settings().tones)
            ex.frequencies.push_back(static_cast<double>(t.frequency));
    }
    return ex;
}

std::pair<double, double> band_of(const Options& o, double lo, double hi)
{
    return o.band ? *o.band : std::make_pair(lo, hi);
}

int run_rms(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    const auto [lo, hi] = band_of(o, 0.0, recording_rate / 2.0);
    const Spectrum::BandPower p = spectrum.band_power(lo, hi, exclusion_for(o));
    const double level = rms_dbfs(p.mean_square);
    std::printf("band %.1f..%.1f Hz, %zu bins%s\nrms_dbfs=%.3f\n", lo, hi, p.bins,
                o.exclude_tones ? " (the tones' bins left out)" : "", level);
    bool pass = true;
    if (o.expect) {
        const bool near = std::fabs(level - *o.expect) <= o.tolerance;
        std::printf("check: within %.2f dB of %.2f dBFS: %s\n", o.tolerance, *o.expect, near ? "pass" : "FAIL");
        pass = pass && near;
    }
    if (o.below) {
        const bool quiet = level < *o.below;
        std::printf("check: below %.2f dBFS: %s\n", *o.below, quiet ? "pass" : "FAIL");
        pass = pass && quiet;
    }
    return pass ? 0 : 1;
}

int run_band_slope(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    const auto [lo, hi] = band_of(o, 50.0, 12800.0);
    const BandSlope slope = band_slope(spectrum, lo, hi, exclusion_for(o));
    for (const OctaveBand& b : slope.bands)
        std::printf("  %8.1f .. %8.1f Hz  %8.2f dB\n", b.lo_hz, b.hi_hz, b.density_db);
    if (slope.bands.size() < 2) {
        std::printf("FAIL: fewer than two octave bands from %.1f to %.1f Hz\n", lo, hi);
        return 1;
    }
    std::printf("slope_db_per_octave=%.3f\nworst_residual_db=%.3f\n", slope.db_per_octave, slope.worst_residual_db);
    if (!o.expect)
        return 0;
    const bool near = std::fabs(slope.db_per_octave - *o.expect) <= o.tolerance;
    std::printf("check: slope within %.2f dB of %.2f dB per octave: %s\n", o.tolerance, *o.expect,
                near ? "pass" : "FAIL");
    return near ? 0 : 1;
}

struct Windows {
    std::size_t window;
    std::size_t step;
};

Windows windows_of(const Options& o)
{
    const std::size_t window = seconds_to_samples(o.window);
    const std::size_t step = seconds_to_samples(o.step ? *o.step : o.window / 2.0);
    if (window < 16 || step == 0)
        usage_error("--window and --step are too short");
    return {window, step};
}

void print_point(const TrackPoint& p, std::size_t window)
{
    std::printf("  %9.3f s  %9zu  %9.1f Hz  %8.2f dBFS%s\n",
                (static_cast<double>(p.start) + static_cast<double>(window) / 2.0) / recording_rate, p.start,
                p.frequency, p.dbfs, p.usable ? "" : "  (beside a left-out tone)");
}

int run_peak_track(const Options& o)
{
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, std::nullopt);
    const Windows w = windows_of(o);
    const auto [lo, hi] = band_of(o, 0.0, recording_rate / 2.0);
    const std::vector<TrackPoint> points = track_strongest(rec, st.start, st.count, w.window, w.step, lo, hi,
                                                           exclusion_for(o));
    std::printf("strongest component per %zu-sample window (centre time, first sample):\n", w.window);
    for (const TrackPoint& p : points)
        print_point(p, w.window);
    if (!o.law)
        return 0;
    const SweepFit fit = fit_sweep(points, w.window, *o.law, o.min_dbfs, o.law_tolerance);
    std::printf("law: f = %.1f Hz x (%.1f / %.1f)^(t / %.3f s)\ncandidates=%zu\ninliers=%zu\n", o.law->start_hz,
                o.law->end_hz, o.law->start_hz, o.law->seconds, fit.candidates, fit.inliers);
    if (fit.inliers == 0) {
        std::printf("FAIL: no window follows the law\n");
        return 1;
    }
    std::printf("sweep_start=%.0f\nlowest_hz=%.1f\nhighest_hz=%.1f\nfirst_inlier=%.0f\n", fit.start_sample,
                fit.lowest_hz, fit.highest_hz, fit.first_inlier_sample);
    const bool pass = fit.inliers >= 5 && 5 * fit.inliers >= 4 * fit.candidates;
    std::printf("check: at least 5 windows and 80 %% of the candidates within %.3f s of one start: %s\n",
                o.law_tolerance, pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

int run_track(const Options& o)
{
    if (o.at.size() != 1)
        usage_error("track wants one frequency: --at HZ");
    const Samples rec = load(o.files[0]);
    const Stretch st = select_stretch(rec, o, std::nullopt);
    const Windows w = windows_of(o);
    const std::vector<TrackPoint> points = track_level(rec, st.start, st.count, w.window, w.step, o.at[0]);
    std::printf("level at %.1f Hz per %zu-sample window (centre time, first sample):\n", o.at[0], w.window);
    for (const TrackPoint& p : points)
        print_point(p, w.window);
    bool pass = true;
    auto first = [&](const char* name, double limit, bool want_above) {
        for (const TrackPoint& p : points) {
            if (want_above ? p.dbfs > limit : p.dbfs < limit) {
                std::printf("%s=%zu\n", name, p.start);
                return;
            }
        }
        std::printf("FAIL: no window %s %.2f dBFS\n", want_above ? "above" : "below", limit);
        pass = false;
    };
    if (o.above)
        first("first_above", *o.above, true);
    if (o.below)
        first("first_below", *o.below, false);
    return pass ? 0 : 1;
}

int run_mixture(const Options& o)
{
    if (o.sources.empty() || !o.source_volume)
        usage_error("mixture wants --source NAME=FILE.wav and --source-volume");
    std::vector<LoopedSource> sources;
    for (const auto& [name, path] : o.sources) {
        bool ok = false;
        sources.push_back(LoopedSource{name, read_wave_samples(path, &ok)});
        if (!ok) {
            std::fprintf(stderr, "analyse_recording: %s is no mono 16-bit WAVE file\n", path.c_str());
            return 2;
        }
    }
    // The player's gain from its volume in hundredths of a decibel.
    const double gain = std::pow(10.0, *o.source_volume / 2000.0);
    const Samples rec = load_until(o);
    ReferenceStream tones(o.overrides);
    for (std::size_t n = 0; n < o.tones_from.value_or(0); ++n)
        static_cast<void>(tones.next());
    std::vector<GoingOn> going_on;
    for (const auto& [name, at] : o.going_on) {
        const auto it = std::find_if(sources.begin(), sources.end(), [&](const LoopedSource& s) { return s.name == name; });
        if (it == sources.end())
            usage_error("--going-on names no --source: " + name);
        going_on.push_back({static_cast<std::size_t>(it - sources.begin()), at.first, at.second});
    }
    if (o.tones_from && going_on.empty())
        usage_error("--tones-from is for a cut recording: name what goes on with --going-on");
    const MixtureReport r = explain_mixture(rec, tones, sources, gain, 256, 64, 64, going_on);
    if (!r.sound_found) {
        std::printf("FAIL: no sound in the recording (%zu samples)\n", rec.size());
        return 1;
    }
    std::string events;
    for (const MixEvent& e : r.events) {
        const std::string event = sources[e.source].name + (e.starts ? "+" : "-");
        std::printf("event=%s@%zu (%.3f s)", event.c_str(), e.at, static_cast<double>(e.at) / recording_rate);
        if (e.from != 0)
            std::printf(" from=%zu", e.from);
        std::printf("\n");
        events += (events.empty() ? "" : ",") + event;
    }
    std::printf("first_sound=%zu\nexplained=%zu\nclipped=%zu\ntrailing_silence=%zu\nevents=%s\n", r.start,
                r.explained, r.clipped, r.trailing_silence, events.c_str());
    bool pass = !r.unexplained_at && r.explained > 0;
    if (r.unexplained_at)
        std::printf("FAIL: sample %zu (%.3f s) is %d; the tones and the sources then playing give %d, and no single "
                    "start or stop explains what follows\n",
                    *r.unexplained_at, static_cast<double>(*r.unexplained_at) / recording_rate, r.recorded_at_failure,
                    r.expected_at_failure);
    if (o.expect_events && events != *o.expect_events) {
        std::printf("FAIL: events %s, expected %s\n", events.c_str(), o.expect_events->c_str());
        pass = false;
    }
    std::printf("check: the tones plus the sources, sample for sample: %s\n", pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    if (o.command == "info")
        return run_info(o);
    if (o.command == "levels")
        return run_levels(o);
    if (o.command == "peaks")
        return run_peaks(o);
    if (o.command == "silence")
        return run_silence(o);
    if (o.command == "compare")
        return run_compare(o);
    if (o.command == "wav")
        return run_wav(o);
    if (o.command == "rms")
        return run_rms(o);
    if (o.command == "band-slope")
        return run_band_slope(o);
    if (o.command == "peak-track")
        return run_peak_track(o);
    if (o.command == "track")
        return run_track(o);
    if (o.command == "mixture")
        return run_mixture(o);
    usage_error("unknown command " + o.command);
}
