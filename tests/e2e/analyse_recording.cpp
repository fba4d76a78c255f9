// analyse_recording: checks a raw recording (mono s16le, 44100 Hz) of what the
// program played. Exit status 0 when every requested check passes, 1 when one
// fails, 2 on a usage or input error.
#include "recording_analysis.h"

#include "model/controls.h"
#include "model/setup_text.h"
#include "ui/about_box.h"
#include "ui/about_layout.h"
#include "ui/display_scale.h"
#include "ui/main_window.h"

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
    "usage: analyse_recording COMMAND [FILE] [options]\n"
    "what the program should show, from the core (no FILE):\n"
    "  controls                 the main window's controls at start-up, one a line:\n"
    "                           KIND X Y WIDTH HEIGHT ID CAPTION (KIND button, frame, label, field, bar)\n"
    "                           with --client WxH [--device-percent D]: at the largest scale whose client\n"
    "                           area is WxH (within a pixel) once the system draws it at D %, in its\n"
    "                           pixels, after a line percent=P; fails when no scale gives WxH\n"
    "  defaults                 titles, pages, control numbers and the Tone bank (tone=K HZ GAIN DBFS) as\n"
    "                           key=value lines\n"
    "  layout WINDOWS           fails unless the windows (\"X Y WIDTH HEIGHT\" lines, client pixels) are\n"
    "                           the main window's controls, each at its place, and nothing else\n"
    "over a raw recording FILE:\n"
    "  info FILE                sound extents and pauses, as key=value lines\n"
    "  levels FILE              level of each tone in dBFS and the strongest other component\n"
    "  peaks FILE               every spectral peak at or above --threshold\n"
    "  silence FILE             fails unless every sample of the stretch is zero\n"
    "  starts FILE              fails unless sound comes within --within SECONDS of sample --after N\n"
    "  stops FILE               fails unless the last sound lies within --within SECONDS of sample --after N\n"
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
    "  --close-gaps N   levels, rms, band-slope: take every run of N zeros or more out of the recording\n"
    "                   first (an output's underruns, the stream going on after them unchanged)\n"
    "Tone bank (levels, compare, --exclude-tones; tones numbered 0..19 as their frequency fields):\n"
    "  --setup TEXT     every tone as the setup text says (as --freq and --gain for each)\n"
    "  --freq K=HZ[@B]  --gain K=G[@B] (0..1)   change tone K from the program's defaults; compare\n"
    "                                   applies it from stream buffer B (12288 samples each) on,\n"
    "                                   the rest take the bank after every change\n"
    "  --at HZ,HZ,...                   levels: measure these frequencies instead\n"
    "  --exclude-tones                  rms, band-slope, peak-track: leave out the bins within\n"
    "                                   --guard HZ of every tone\n"
    "  --band LO,HI                     rms, band-slope, peak-track: the frequencies looked at\n"
    "windows (peak-track, track): --window SECONDS (0.1)  --step SECONDS (half the window)\n"
    "checks:\n"
    "  levels:  --expect DBFS | --expect-synthesised (each sounding tone at the level the core gives it,\n"
    "           a silent one counted among the rest)  [--tolerance DB (0.5)]  --floor DBFS  [--guard HZ (5)]\n"
    "           --sweep-from N --law F0,F1,SECONDS: leave out the tones a sweep started at sample N passes\n"
    "           (within 20 Hz) during the stretch\n"
    "  peaks:   --threshold DBFS (-60)\n"
    "  silence: --min-seconds SECONDS (the stretch must be at least this long)\n"
    "  starts, stops: --after N  --within SECONDS\n"
    "  compare, info: --min-pause N (64 samples)\n"
    "  compare: --until N (recording index)  --expect-pauses N  [--long-pause SECONDS: only pauses at\n"
    "           least this long count; shorter ones are the output's underruns]\n"
    "           --join N (repeatable): a new sound server's recording begins at index N; the sound after it\n"
    "           may go on up to --max-skip SECONDS (0.5) further on in the stream, never earlier\n"
    "           --reference-wav FILE.wav: its samples (a render) instead of the core's synthesis\n"
    "  rms:     --expect DBFS | --expect-source FILE.wav --source-volume HUNDREDTHS_OF_DB (the level of\n"
    "           that recording looped at that volume)  [--tolerance DB]  --below DBFS [--in-most SECONDS:\n"
    "           in at least half of the stretch's windows of that length]\n"
    "  band-slope: --expect DB_PER_OCTAVE [--tolerance DB]\n"
    "  peak-track: --law F0,F1,SECONDS (f = F0 (F1/F0)^(t/SECONDS)) [--law-tolerance SECONDS (0.15)]\n"
    "              [--min-dbfs DBFS (-45)]: at least 5 windows, 80 % of the candidates on one law;\n"
    "              prints sweep_start=N, the recording index where the law puts F0\n"
    "              --origin N --start-within LO,HI: sweep_start lies LO..HI seconds after sample N\n"
    "              --lowest-at-most HZ: the law's windows reach down to HZ\n"
    "              --caught HZ --caught-between A,B [--caught-slack SECONDS (0.5)]: HZ (whole hertz) is on\n"
    "              the law somewhere from sample A to sample B, give or take SECONDS of sweep\n"
    "  track:   --above DBFS | --below DBFS: prints first_above=N / first_below=N (a window's start)\n"
    "           --after N --within SECONDS: that window ends within SECONDS of sample N\n"
    "  mixture: --source NAME=FILE.wav (in the player's order)  --source-volume HUNDREDTHS_OF_DB\n"
    "           [--start N: from the first sound at or after sample N]  [--until N]\n"
    "           [--tones-from N] (the tone stream from its sample N) [--going-on NAME=N,WITHIN] (the source\n"
    "           plays from the first sound on, from a sample within WITHIN of N): for a cut recording\n"
    "           [--expect-events NAME+[@N],NAME-[@N],...] (the starts and stops in order, each heard\n"
    "           from --event-early SECONDS (0) before sample N to --event-lag SECONDS (1) after it)\n"
    "           [--first NAME+@N]: the first such event lies within 0.1 s of sample N\n";

struct Options {
    std::string command;
    std::string client;     // controls: the client area seen, WxH
    int device_percent = 100;
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
    bool expect_synthesised = false;
    std::optional<std::size_t> after;
    std::optional<double> within;
    std::optional<std::size_t> origin;
    std::optional<std::pair<double, double>> start_within;
    std::optional<double> lowest_at_most;
    std::optional<double> caught;
    std::optional<std::pair<double, double>> caught_between;
    double caught_slack = 0.5;
    std::optional<double> long_pause;
    double event_lag = 1.0;
    double event_early = 0.0;
    std::optional<std::string> expect_source;
    std::vector<std::string> first_events;
    std::optional<std::size_t> sweep_from;
    std::optional<std::size_t> close_gaps;
    std::optional<double> in_most;
    std::vector<std::size_t> joins;
    double max_skip = 0.5;
    std::optional<std::string> reference_wav;
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
        if (arg == "--expect-synthesised") {
            o.expect_synthesised = true;
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
        else if (arg == "--setup") {
            const std::variant<tonegen::ToneSetup, std::string> setup = tonegen::parse_setup(value);
            if (const std::string* why = std::get_if<std::string>(&setup))
                usage_error("--setup: " + *why);
            const tonegen::ToneSetup& t = std::get<tonegen::ToneSetup>(setup);
            for (int k = 0; k < tonegen::tone_slots; ++k)
                o.overrides.push_back(ToneOverride{k, t.frequency[k], static_cast<float>(t.gain[k] / 100.0), 0});
        } else if (arg == "--reference-wav")
            o.reference_wav = value;
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
        } else if (arg == "--caught")
            o.caught = to_number(value, "--caught");
        else if (arg == "--caught-between") {
            const std::vector<double> list = number_list(value, "--caught-between");
            if (list.size() != 2 || list[0] < 0.0 || list[1] < list[0])
                usage_error("--caught-between wants A,B with 0 <= A <= B, got '" + value + "'");
            o.caught_between = std::make_pair(list[0], list[1]);
        } else if (arg == "--caught-slack")
            o.caught_slack = to_number(value, "--caught-slack");
        else if (arg == "--law-tolerance")
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
        else if (arg == "--after")
            o.after = to_count(value, "--after");
        else if (arg == "--within")
            o.within = to_number(value, "--within");
        else if (arg == "--origin")
            o.origin = to_count(value, "--origin");
        else if (arg == "--start-within") {
            const std::vector<double> list = number_list(value, "--start-within");
            if (list.size() != 2 || list[1] < list[0])
                usage_error("--start-within wants LO,HI with LO <= HI, got '" + value + "'");
            o.start_within = std::make_pair(list[0], list[1]);
        } else if (arg == "--lowest-at-most")
            o.lowest_at_most = to_number(value, "--lowest-at-most");
        else if (arg == "--long-pause")
            o.long_pause = to_number(value, "--long-pause");
        else if (arg == "--event-lag")
            o.event_lag = to_number(value, "--event-lag");
        else if (arg == "--event-early")
            o.event_early = to_number(value, "--event-early");
        else if (arg == "--expect-source")
            o.expect_source = value;
        else if (arg == "--first")
            o.first_events.push_back(value);
        else if (arg == "--in-most")
            o.in_most = to_number(value, "--in-most");
        else if (arg == "--close-gaps")
            o.close_gaps = to_count(value, "--close-gaps");
        else if (arg == "--client")
            o.client = value;
        else if (arg == "--device-percent")
            o.device_percent = static_cast<int>(to_count(value, "--device-percent"));
        else if (arg == "--sweep-from")
            o.sweep_from = to_count(value, "--sweep-from");
        else
            usage_error("unknown option " + arg);
    }
    const bool from_core = o.command == "controls" || o.command == "defaults";
    const std::size_t wanted_files = from_core ? 0 : o.command == "wav" ? 2 : 1;
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

// The player's gain from its volume in hundredths of a decibel.
double player_gain(double hundredths_of_db)
{
    return std::pow(10.0, hundredths_of_db / 2000.0);
}

double seconds_between(std::size_t from, std::size_t to)
{
    return (static_cast<double>(to) - static_cast<double>(from)) / recording_rate;
}

// The recording for a spectral measure: with --close-gaps N its runs of N
// zeros or more taken out first (and --start and --sweep-from moved with them).
Samples load_closed(Options& o)
{
    Samples rec = load(o.files[0]);
    if (!o.close_gaps)
        return rec;
    ClosedGaps closed = close_gaps(rec, *o.close_gaps);
    std::size_t removed = 0;
    for (const ZeroRun& g : closed.gaps)
        removed += g.length;
    std::printf("gaps of %zu zeros or more taken out: %zu, %zu samples (%.3f s)\n", *o.close_gaps,
                closed.gaps.size(), removed, static_cast<double>(removed) / recording_rate);
    if (o.start)
        o.start = closed.moved(*o.start);
    if (o.sweep_from)
        o.sweep_from = closed.moved(*o.sweep_from);
    return std::move(closed.samples);
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

int run_levels(const Options& given)
{
    Options o = given;
    if (o.expect && o.expect_synthesised)
        usage_error("levels takes --expect or --expect-synthesised, not both");
    if (o.expect_synthesised && !o.at.empty())
        usage_error("--expect-synthesised measures the bank's tones; --at names others");
    const Samples rec = load_closed(o);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    std::printf("spectrum: %zu points, Hann window, %.3f Hz per bin\n", spectrum.points(), spectrum.bin_hz());

    // A silent tone of the bank is measured with the rest: it must not stand
    // out of them.
    std::vector<double> frequencies = o.at;
    std::vector<double> nominal(frequencies.size(), std::nan(""));
    std::string silent;
    if (frequencies.empty()) {
        for (const ToneLevel& t : synthesised_levels(o.overrides)) {
            if (o.expect_synthesised && !std::isfinite(t.dbfs)) {
                silent += (silent.empty() ? "" : ", ") + std::to_string(static_cast<long>(t.frequency)) + " Hz";
                continue;
            }
            frequencies.push_back(t.frequency);
            nominal.push_back(t.dbfs);
        }
    }
    if (!silent.empty())
        std::printf("silent in the bank: %s\n", silent.c_str());
    if (o.sweep_from) {
        if (!o.law)
            usage_error("--sweep-from wants the sweep's --law");
        const std::vector<double> crossed =
            crossed_by_sweep(frequencies, *o.law, static_cast<double>(*o.sweep_from), st.start, st.count, 20.0);
        std::string under;
        for (std::size_t i = frequencies.size(); i > 0; --i) {
            if (std::find(crossed.begin(), crossed.end(), frequencies[i - 1]) == crossed.end())
                continue;
            under = std::to_string(static_cast<long>(frequencies[i - 1])) + " Hz" + (under.empty() ? "" : ", ") + under;
            frequencies.erase(frequencies.begin() + static_cast<std::ptrdiff_t>(i - 1));
            nominal.erase(nominal.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }
        std::printf("under the sweep, not measured: %s\n", under.empty() ? "none" : under.c_str());
    }

    bool pass = true;
    double worst = -1.0;
    double worst_at = 0.0;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const double level = to_dbfs(spectrum.amplitude_at(frequencies[i]));
        std::printf("tone %8.1f Hz  %9.3f dBFS", frequencies[i], level);
        if (!std::isnan(nominal[i]))
            std::printf("  (synthesised %.3f)", nominal[i]);
        const std::optional<double> wanted = o.expect_synthesised ? std::optional<double>(nominal[i]) : o.expect;
        if (wanted) {
            const double off = std::isfinite(level) ? std::fabs(level - *wanted) : HUGE_VAL;
            if (off > worst) {
                worst = off;
                worst_at = frequencies[i];
            }
            if (off > o.tolerance) {
                std::printf("  FAIL: %.3f dB from %.2f", off, *wanted);
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
    if (o.expect_synthesised)
        std::printf("check: every sounding tone within %.2f dB of its synthesised level: %s (largest difference "
                    "%.3f dB at %.1f Hz)\n",
                    o.tolerance, pass ? "pass" : "FAIL", worst, worst_at);
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
    bool wav_read = false;
    ReferenceStream reference = o.reference_wav ? ReferenceStream(read_wave_samples(*o.reference_wav, &wav_read))
                                                : ReferenceStream(o.overrides);
    if (o.reference_wav && !wav_read)
        usage_error("--reference-wav: " + *o.reference_wav + " is no mono 16-bit WAV file with samples");
    Joins joins;
    joins.at = o.joins;
    std::sort(joins.at.begin(), joins.at.end());
    joins.max_skip = static_cast<std::size_t>(std::max(0.0, o.max_skip) * recording_rate);
    const Comparison c = compare_with_reference(rec, reference, o.min_pause, joins);
    if (!c.sound_found) {
        std::printf("FAIL: no sound in the recording (%zu samples)\n", rec.size());
        return 1;
    }
    // Runs of zeros shorter than a long pause are the output's underruns
    // (and, with --min-pause 1, the mix's own single zeros): counted apart,
    // and each shown only when longer than one sample.
    const std::size_t long_pause = o.long_pause ? seconds_to_samples(*o.long_pause) : 0;
    const std::size_t pauses = count_at_least(c.pauses, long_pause);
    std::printf("first_sound=%zu\ncompared=%zu\nmismatches=%zu\npauses=%zu\n", c.start, c.compared, c.mismatches,
                pauses);
    std::size_t single_zeros = 0;
    for (const ZeroRun& p : c.pauses) {
        if (p.length == 1 && o.min_pause == 1) {
            ++single_zeros;
            continue;
        }
        std::printf("%s=%zu+%zu (%.3f s at %.3f s)\n", p.length >= long_pause ? "pause" : "underrun", p.start,
                    p.length, static_cast<double>(p.length) / recording_rate,
                    static_cast<double>(p.start) / recording_rate);
    }
    if (o.long_pause)
        std::printf("underruns=%zu (shorter than %.3f s, %zu of them single zeros)\n", c.pauses.size() - pauses,
                    *o.long_pause, single_zeros);
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
    if (o.expect_pauses && pauses != *o.expect_pauses) {
        std::printf("FAIL: %zu pauses%s, expected %zu\n", pauses, o.long_pause ? " of the long kind" : "",
                    *o.expect_pauses);
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

int run_rms(const Options& given)
{
    Options o = given;
    const Samples rec = load_closed(o);
    const Stretch st = select_stretch(rec, o, 1.0);
    const Spectrum spectrum(rec.data() + st.start, st.count, recording_rate);
    const auto [lo, hi] = band_of(o, 0.0, recording_rate / 2.0);
    const Spectrum::BandPower p = spectrum.band_power(lo, hi, exclusion_for(o));
    const double level = rms_dbfs(p.mean_square);
    std::printf("band %.1f..%.1f Hz, %zu bins%s\nrms_dbfs=%.3f\n", lo, hi, p.bins,
                o.exclude_tones ? " (the tones' bins left out)" : "", level);
    bool pass = true;
    std::optional<double> wanted = o.expect;
    if (o.expect_source) {
        if (o.expect || !o.source_volume)
            usage_error("--expect-source wants --source-volume and no --expect");
        bool ok = false;
        const Samples source = read_wave_samples(*o.expect_source, &ok);
        if (!ok) {
            std::fprintf(stderr, "analyse_recording: %s is no mono 16-bit WAVE file\n", o.expect_source->c_str());
            std::exit(2);
        }
        wanted = source_rms_dbfs(source, player_gain(*o.source_volume));
        std::printf("%s looped at %.0f hundredths of a dB: %.3f dBFS\n", o.expect_source->c_str(), *o.source_volume,
                    *wanted);
    }
    if (wanted) {
        const bool near = std::fabs(level - *wanted) <= o.tolerance;
        std::printf("check: within %.2f dB of %.2f dBFS: %s\n", o.tolerance, *wanted, near ? "pass" : "FAIL");
        pass = pass && near;
    }
    if (o.below && o.in_most) {
        // Window by window: an output's underrun splashes a short stretch
        // over the whole spectrum, a noise still playing fills every window.
        const std::vector<double> levels = windowed_band_rms(rec, st.start, st.count, seconds_to_samples(*o.in_most),
                                                             lo, hi, exclusion_for(o));
        std::size_t quiet = 0;
        for (const double l : levels) {
            std::printf("  window rms_dbfs=%.3f\n", l);
            quiet += l < *o.below ? 1 : 0;
        }
        const bool most = !levels.empty() && 2 * quiet >= levels.size();
        std::printf("check: below %.2f dBFS in at least half of the %zu windows of %.3f s: %s (%zu quiet)\n", *o.below,
                    levels.size(), *o.in_most, most ? "pass" : "FAIL", quiet);
        pass = pass && most;
    } else if (o.below) {
        const bool quiet = level < *o.below;
        std::printf("check: below %.2f dBFS: %s\n", *o.below, quiet ? "pass" : "FAIL");
        pass = pass && quiet;
    }
    return pass ? 0 : 1;
}

int run_band_slope(const Options& given)
{
    Options o = given;
    const Samples rec = load_closed(o);
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
    bool pass = fit.inliers >= 5 && 5 * fit.inliers >= 4 * fit.candidates;
    std::printf("check: at least 5 windows and 80 %% of the candidates within %.3f s of one start: %s\n",
                o.law_tolerance, pass ? "pass" : "FAIL");
    if (o.start_within) {
        if (!o.origin)
            usage_error("--start-within wants --origin N");
        const double after = (fit.start_sample - static_cast<double>(*o.origin)) / recording_rate;
        const bool near = after >= o.start_within->first && after <= o.start_within->second;
        std::printf("check: the law's %.1f Hz %.3f s after sample %zu, within %.3f..%.3f s: %s\n", o.law->start_hz,
                    after, *o.origin, o.start_within->first, o.start_within->second, near ? "pass" : "FAIL");
        pass = pass && near;
    }
    if (o.lowest_at_most) {
        const bool low = fit.lowest_hz <= *o.lowest_at_most;
        std::printf("check: followed from %.1f Hz, at most %.1f Hz: %s\n", fit.lowest_hz, *o.lowest_at_most,
                    low ? "pass" : "FAIL");
        pass = pass && low;
    }
    if (o.caught) {
        if (!o.caught_between)
            usage_error("--caught wants --caught-between A,B");
        // The law rises (or falls) all the way through one period: its ends
        // bound it in between. Half a hertz either way for the rounding.
        const double from = std::max(0.0, (o.caught_between->first - fit.start_sample) / recording_rate - o.caught_slack);
        const double to = (o.caught_between->second - fit.start_sample) / recording_rate + o.caught_slack;
        const double a = o.law->frequency_at(from), b = o.law->frequency_at(std::min(to, o.law->seconds));
        const bool on = *o.caught >= std::min(a, b) - 0.5 && *o.caught <= std::max(a, b) + 0.5;
        std::printf("check: caught %.0f Hz, the law's %.1f..%.1f Hz from %.3f to %.3f s of sweep: %s\n", *o.caught,
                    std::min(a, b), std::max(a, b), from, to, on ? "pass" : "FAIL");
        pass = pass && on;
    }
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
    if (o.within.has_value() != o.after.has_value())
        usage_error("--after and --within go together");
    bool pass = true;
    auto first = [&](const char* name, double limit, bool want_above) {
        for (const TrackPoint& p : points) {
            if (want_above ? p.dbfs > limit : p.dbfs < limit) {
                std::printf("%s=%zu\n", name, p.start);
                if (o.after) {
                    // The window holds the change by its end, not before.
                    const double lag = seconds_between(*o.after, p.start + w.window);
                    const bool soon = lag <= *o.within;
                    std::printf("check: %s %.2f dBFS by %.3f s after sample %zu, within %.3f s: %s\n",
                                want_above ? "above" : "below", limit, lag, *o.after, *o.within,
                                soon ? "pass" : "FAIL");
                    pass = pass && soon;
                }
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

// "pink+@123,sweep+,..." as names with the recording index of their cause.
std::vector<ExpectedEvent> expected_events(const std::string& text)
{
    std::vector<ExpectedEvent> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const std::string item = text.substr(pos, comma - pos);
        const std::size_t at = item.find('@');
        ExpectedEvent e{item.substr(0, at), std::nullopt};
        if (e.name.size() < 2 || (e.name.back() != '+' && e.name.back() != '-'))
            usage_error("--expect-events wants NAME+ or NAME-, got '" + item + "'");
        if (at != std::string::npos)
            e.cause = to_count(item.substr(at + 1), "--expect-events");
        out.push_back(e);
        pos = comma + 1;
    }
    return out;
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
    const double gain = player_gain(*o.source_volume);
    Samples rec = load_until(o);
    // From --start on, as if the recording began there: the tone stream
    // starts with the first sound after it.
    const std::size_t offset = o.start ? std::min(*o.start, rec.size()) : 0;
    rec.erase(rec.begin(), rec.begin() + static_cast<std::ptrdiff_t>(offset));
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
    MixtureReport r = explain_mixture(rec, tones, sources, gain, 256, 64, 64, going_on);
    if (!r.sound_found) {
        std::printf("FAIL: no sound in the recording after sample %zu (%zu samples)\n", offset, rec.size() + offset);
        return 1;
    }
    r.start += offset;
    for (MixEvent& e : r.events)
        e.at += offset;
    if (r.unexplained_at)
        *r.unexplained_at += offset;
    std::string events;
    for (const MixEvent& e : r.events) {
        const std::string event = event_name(e, sources);
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
    if (o.expect_events) {
        const std::vector<std::string> problems =
            check_events(r.events, sources, expected_events(*o.expect_events), seconds_to_samples(o.event_early),
                         seconds_to_samples(o.event_lag));
        for (const std::string& problem : problems)
            std::printf("FAIL: %s\n", problem.c_str());
        std::printf("check: the starts and stops %s in order, each from %.3f s before its cause to %.3f s "
                    "after it: %s\n",
                    o.expect_events->c_str(), o.event_early, o.event_lag, problems.empty() ? "pass" : "FAIL");
        pass = pass && problems.empty();
    }
    // The first event of a name where another measure (a sweep's law) puts it.
    for (const std::string& text : o.first_events) {
        const std::vector<ExpectedEvent> wanted = expected_events(text);
        if (wanted.size() != 1 || !wanted[0].cause)
            usage_error("--first wants NAME+@N or NAME-@N, got '" + text + "'");
        const auto found = std::find_if(r.events.begin(), r.events.end(), [&](const MixEvent& e) {
            return event_name(e, sources) == wanted[0].name;
        });
        const bool near = found != r.events.end() &&
                          std::fabs(seconds_between(*wanted[0].cause, found->at)) < 0.1;
        std::printf("check: the first %s within 0.1 s of sample %zu: %s", wanted[0].name.c_str(), *wanted[0].cause,
                    near ? "pass" : "FAIL");
        if (found != r.events.end())
            std::printf(" (sample %zu, %.3f s off)", found->at, seconds_between(*wanted[0].cause, found->at));
        std::printf("\n");
        pass = pass && near;
    }
    std::printf("check: the tones plus the sources, sample for sample: %s\n", pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

// The first sound from sample --after on comes within --within seconds.
int run_starts(const Options& o)
{
    if (!o.after || !o.within)
        usage_error("starts wants --after N and --within SECONDS");
    const Samples rec = load(o.files[0]);
    const std::optional<std::size_t> first = first_sound(rec, *o.after);
    if (!first) {
        std::printf("FAIL: no sound in the %.3f s recorded after sample %zu\n",
                    seconds_between(std::min(*o.after, rec.size()), rec.size()), *o.after);
        return 1;
    }
    const double lag = seconds_between(*o.after, *first);
    std::printf("first_sound=%zu\nlag_seconds=%.3f\n", *first, lag);
    const bool soon = lag <= *o.within;
    std::printf("check: sound %.3f s after sample %zu, within %.3f s: %s\n", lag, *o.after, *o.within,
                soon ? "pass" : "FAIL");
    return soon ? 0 : 1;
}

// The last sound of the recording lies within --within seconds of sample
// --after: whatever was queued is not played out.
int run_stops(const Options& o)
{
    if (!o.after || !o.within)
        usage_error("stops wants --after N and --within SECONDS");
    const Samples rec = load(o.files[0]);
    const std::optional<std::size_t> last = last_sound(rec);
    if (!last) {
        std::printf("FAIL: no sound in the recording at all (%zu samples)\n", rec.size());
        return 1;
    }
    const double lag = seconds_between(*o.after, *last);
    std::printf("last_sound=%zu\nlag_seconds=%.3f\nsilence_after=%.3f\n", *last, lag,
                seconds_between(*last + 1, rec.size()));
    const bool soon = lag <= *o.within;
    std::printf("check: the sound ended %.3f s after sample %zu, within %.3f s: %s\n", lag, *o.after, *o.within,
                soon ? "pass" : "FAIL");
    return soon ? 0 : 1;
}

const char* kind_name(tonegen::ControlKind kind)
{
    using K = tonegen::ControlKind;
    switch (kind) {
    case K::toggle_button:
    case K::push_button: return "button";
    case K::frame: return "frame";
    case K::text_label: return "label";
    case K::frequency_field: return "field";
    case K::gain_scroll_bar: return "bar";
    case K::picture: return "picture";
    }
    return "?";
}

int run_controls(const Options& o)
{
    int percent = 100, width = 0, height = 0;
    const auto device = [&o](int length) { return tonegen::scale_length(length, o.device_percent); };
    if (!o.client.empty()) {
        if (std::sscanf(o.client.c_str(), "%dx%d", &width, &height) != 2)
            usage_error("--client wants WIDTHxHEIGHT");
        percent = 0;
        for (int p = tonegen::smallest_scale; p <= 400; ++p) {
            const int w = device(tonegen::scale_length(tonegen::main_window_width, p));
            const int h = device(tonegen::scale_row_y(tonegen::main_window_height, p));
            if (std::abs(w - width) <= 1 && std::abs(h - height) <= 1)
                percent = p;
        }
        if (percent == 0) {
            std::printf("no scale gives a client area of %d x %d\n", width, height);
            return 1;
        }
        std::printf("percent=%d\n", percent);
    }
    for (tonegen::ControlSpec c : start_up_controls()) {
        c = tonegen::scale_control(c, percent);
        const int x = device(c.x), y = device(c.y);
        std::printf("%s %d %d %d %d %d %s\n", kind_name(c.kind), x, y, device(c.x + c.width) - x,
                    device(c.y + c.height) - y, c.id, c.caption.c_str());
    }
    return 0;
}

int run_defaults()
{
    const std::vector<std::string> about = tonegen::split_fields(tonegen::about_text());
    std::printf("main_title=%s\nabout_title=%s\nerror_title=%s\nerror_text=%s\n", tonegen::main_window_title,
                about.at(0).c_str(), tonegen::error_title, tonegen::no_device_text);
    std::printf("software_page=%.*s\n", static_cast<int>(tonegen::software_page().size()),
                tonegen::software_page().data());
    // About results count the buttons from 1.
    const std::vector<std::string> buttons = tonegen::split_fields(tonegen::about_captions);
    for (std::size_t k = 0; k < buttons.size(); ++k) {
        const std::string_view page = tonegen::page_for_choice(static_cast<std::int64_t>(k + 1));
        std::printf("about_button=%zu %s %.*s\n", k + 1, buttons[k].c_str(), static_cast<int>(page.size()),
                    page.data());
    }
    std::printf("on_off_toggle=%d\nsweep_toggle=%d\npink_toggle=%d\nabout_toggle=%d\nfirst_gain_bar=%d\n"
                "first_gain_label=%d\nlowest_frequency=%lld\nhighest_frequency=%lld\n",
                tonegen::on_off_toggle, tonegen::sweep_toggle, tonegen::pink_toggle, tonegen::about_toggle,
                tonegen::first_gain_bar, tonegen::first_gain_label,
                static_cast<long long>(tonegen::lowest_frequency), static_cast<long long>(tonegen::highest_frequency));
    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    const std::vector<ToneLevel> levels = synthesised_levels({});
    for (int k = 0; k < tonegen::tone_slots; ++k)
        std::printf("tone=%d %lld %d %.2f\n", k, static_cast<long long>(s.tones[k].frequency),
                    tonegen::gain_position(s.tones[k].gain), levels[static_cast<std::size_t>(k)].dbfs);
    return 0;
}

int run_layout(const Options& o)
{
    std::FILE* in = std::fopen(o.files[0].c_str(), "r");
    if (!in) {
        std::fprintf(stderr, "analyse_recording: cannot read %s\n", o.files[0].c_str());
        return 2;
    }
    std::vector<WindowRect> windows;
    WindowRect w{};
    while (std::fscanf(in, "%d %d %d %d", &w.x, &w.y, &w.width, &w.height) == 4)
        windows.push_back(w);
    const bool whole = std::feof(in) != 0;
    std::fclose(in);
    if (!whole) {
        std::fprintf(stderr, "analyse_recording: %s holds a line that is no \"X Y WIDTH HEIGHT\"\n",
                     o.files[0].c_str());
        return 2;
    }
    const std::vector<tonegen::ControlSpec> table = start_up_controls();
    const LayoutCheck r = check_layout(table, windows);
    for (const tonegen::ControlSpec& c : r.missing)
        std::printf("MISSING %s %d '%s': no window at (%d, %d) %d x %d\n", kind_name(c.kind), c.id, c.caption.c_str(),
                    c.x, c.y, c.width, c.height);
    for (const WindowRect& u : r.unexpected)
        std::printf("UNEXPECTED window at (%d, %d) %d x %d: no control of the table\n", u.x, u.y, u.width, u.height);
    const bool pass = r.missing.empty() && r.unexpected.empty();
    std::printf("check: %zu of %zu controls at their places among %zu windows, none besides: %s\n", r.matched,
                table.size(), windows.size(), pass ? "pass" : "FAIL");
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    if (o.command == "controls")
        return run_controls(o);
    if (o.command == "defaults")
        return run_defaults();
    if (o.command == "layout")
        return run_layout(o);
    if (o.command == "starts")
        return run_starts(o);
    if (o.command == "stops")
        return run_stops(o);
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
