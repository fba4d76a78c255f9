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
    "stretch (levels, peaks, silence, wav; default: the whole file, levels: 1 s):\n"
    "  --start N | --from-sound SECONDS | --last SECONDS     where it begins\n"
    "  --seconds SECONDS                                       how long it is\n"
    "Tone bank (levels, compare; tones numbered 0..19 as their frequency fields):\n"
    "  --freq K=HZ  --gain K=G (0..1)   change tone K from the program's defaults\n"
    "  --at HZ,HZ,...                   levels: measure these frequencies instead\n"
    "checks:\n"
    "  levels:  --expect DBFS [--tolerance DB (0.5)]  --floor DBFS  [--guard HZ (5)]\n"
    "  peaks:   --threshold DBFS (-60)\n"
    "  silence: --min-seconds SECONDS (the stretch must be at least this long)\n"
    "  compare, info: --min-pause N (64 samples)  compare: --expect-pauses N\n";

struct Options {
    std::string command;
    std::vector<std::string> files;
    std::optional<std::size_t> start;
    std::optional<double> from_sound;
    std::optional<double> last;
    std::optional<double> seconds;
    std::vector<ToneOverride> overrides;
    std::vector<double> at;
    std::optional<double> expect;
    double tolerance = 0.5;
    std::optional<double> floor;
    double guard = 5.0;
    double threshold = -60.0;
    std::optional<double> min_seconds;
    std::size_t min_pause = 64;
    std::optional<std::size_t> expect_pauses;
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

// "K=VALUE" with K a tone number.
std::pair<int, double> tone_assignment(const std::string& text, const char* what)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos)
        usage_error(std::string(what) + " wants K=VALUE, got '" + text + "'");
    const std::size_t tone = to_count(text.substr(0, eq), what);
    if (tone >= static_cast<std::size_t>(tonegen::tone_slots))
        usage_error(std::string(what) + ": no tone " + std::to_string(tone));
    return {static_cast<int>(tone), to_number(text.substr(eq + 1), what)};
}

ToneOverride& override_for(Options& o, int tone)
{
    for (ToneOverride& t : o.overrides) {
        if (t.tone == tone)
            return t;
    }
    o.overrides.push_back(ToneOverride{tone, std::nullopt, std::nullopt});
    return o.overrides.back();
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
            const auto [tone, hz] = tone_assignment(value, "--freq");
            override_for(o, tone).frequency = static_cast<std::int64_t>(hz);
        } else if (arg == "--gain") {
            const auto [tone, gain] = tone_assignment(value, "--gain");
            override_for(o, tone).gain = static_cast<float>(gain);
        } else if (arg == "--at") {
            std::size_t pos = 0;
            while (pos <= value.size()) {
                const std::size_t comma = std::min(value.find(',', pos), value.size());
                o.at.push_back(to_number(value.substr(pos, comma - pos), "--at"));
                pos = comma + 1;
            }
        } else if (arg == "--expect")
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

    const ReferenceStream reference(o.overrides);
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

int run_compare(const Options& o)
{
    const Samples rec = load(o.files[0]);
    ReferenceStream reference(o.overrides);
    const Comparison c = compare_with_reference(rec, reference, o.min_pause);
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
    usage_error("unknown command " + o.command);
}
