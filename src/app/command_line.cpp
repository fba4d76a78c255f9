#include "app/command_line.h"

#include "version.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace tonegen {

namespace {

constexpr std::uint64_t longest_setup_file = 64 * 1024;

// A setup file's bytes as the setup's text: a text editor's byte-order mark
// goes, and a file saved as UTF-16 becomes the ASCII it spells (a code unit
// beyond ASCII becomes a "?", which no setup has, so the file is refused).
std::string setup_file_text(std::string bytes)
{
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return bytes.substr(3);
    const bool little = bytes.rfind("\xFF\xFE", 0) == 0, big = bytes.rfind("\xFE\xFF", 0) == 0;
    if (!little && !big)
        return bytes;
    std::string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned char low = static_cast<unsigned char>(bytes[little ? i : i + 1]);
        const unsigned char high = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
        text += high == 0 && low < 0x80 ? static_cast<char>(low) : '?';
    }
    if (bytes.size() % 2 != 0)
        text += '?';
    return text;
}

// Reads the setup named by --setup or --setup-file; the message when it
// cannot be read or is not a setup.
std::variant<ToneSetup, CommandLineError> read_setup(std::string_view option, const std::string& value)
{
    std::string text = value;
    if (option == "--setup-file") {
        // The name is UTF-8 on every platform; as a path it opens through the
        // wide names on Windows, so a file in "Übungen" is found too.
        std::ifstream file(std::filesystem::path(std::u8string(value.begin(), value.end())), std::ios::binary);
        if (!file)
            return CommandLineError{"cannot read the setup file " + value};
        // Read no further than a setup can go: a recording dropped on the
        // program by mistake, or a device file, is not taken into memory whole.
        text.resize(longest_setup_file + 1);
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(file.gcount()));
        if (text.size() > longest_setup_file)
            return CommandLineError{"the setup file " + value + " is too long to be a setup"};
        text = without_comment_lines(setup_file_text(std::move(text)));
    }
    auto parsed = parse_setup(text);
    if (std::holds_alternative<std::string>(parsed))
        return CommandLineError{"not a setup: " + std::get<std::string>(parsed)};
    return std::get<ToneSetup>(parsed);
}

// Plain decimal digits only, at most 15 of them.
std::optional<std::int64_t> whole_number(std::string_view text)
{
    if (text.empty() || text.size() > 15 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// Seconds as a decimal number ("10", "2.5", "0.25"), to whole frames,
// rounded to nearest; no exponent, no sign.
std::optional<std::int64_t> seconds_to_frames(std::string_view text)
{
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > 9 || fraction.size() > 9)
        return std::nullopt;
    std::int64_t frames = 0;
    if (!whole.empty()) {
        const std::optional<std::int64_t> w = whole_number(whole);
        if (!w)
            return std::nullopt;
        frames = *w * stream_rate;
    }
    if (!fraction.empty()) {
        const std::optional<std::int64_t> f = whole_number(fraction);
        if (!f)
            return std::nullopt;
        std::int64_t scale = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i)
            scale *= 10;
        frames += (*f * stream_rate + scale / 2) / scale;
    }
    return frames;
}

// Walks the arguments: an option that takes a value takes the next one.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& arguments) : arguments_(arguments) {}
    bool done() const { return next_ == arguments_.size(); }
    const std::string& take() { return arguments_[next_++]; }
    std::optional<std::string> value()
    {
        if (done())
            return std::nullopt;
        return take();
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t next_ = 0;
};

// --stop-after's value: a whole number of seconds, minutes or hours ("90",
// "90s", "10m", "1h"), from one second up to a day; the seconds.
std::optional<std::int64_t> stop_after_seconds(std::string_view text)
{
    std::int64_t unit = 1;
    if (!text.empty() && (text.back() == 's' || text.back() == 'm' || text.back() == 'h')) {
        unit = text.back() == 'h' ? 3600 : text.back() == 'm' ? 60 : 1;
        text.remove_suffix(1);
    }
    const std::optional<std::int64_t> number = whole_number(text);
    if (!number || *number < 1 || *number > longest_stop_after_seconds / unit)
        return std::nullopt;
    return *number * unit;
}

// Takes --stop-after's value into `seconds`; the message when it is missing
// or not a duration.
std::optional<CommandLineError> take_stop_after(Arguments& args, std::int64_t& seconds)
{
    const std::optional<std::string> value = args.value();
    const std::optional<std::int64_t> parsed = value ? stop_after_seconds(*value) : std::nullopt;
    if (!parsed)
        return CommandLineError{"--stop-after " + value.value_or("") +
                                " is not a duration: a whole number of seconds, or of minutes or hours with m or h "
                                "(90, 90s, 10m, 1h), from 1 second up to 24h"};
    seconds = *parsed;
    return std::nullopt;
}

// --setup TEXT or --setup-file FILE, given once; a value already taken (a
// file given without its option) instead of the next argument.
std::optional<CommandLineError> take_setup(Arguments& args, const std::string& option, std::optional<ToneSetup>& setup,
                                           std::optional<std::string> value = std::nullopt)
{
    if (!value)
        value = args.value();
    if (!value)
        return CommandLineError{option + " needs a value"};
    if (setup)
        return CommandLineError{"only one of --setup and --setup-file, once"};
    auto read = read_setup(option, *value);
    if (std::holds_alternative<CommandLineError>(read))
        return std::get<CommandLineError>(read);
    setup = std::get<ToneSetup>(read);
    return std::nullopt;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::variant<ProgramOptions, CommandLineError> parse_program_options(const std::vector<std::string>& arguments)
{
    ProgramOptions options;
    Arguments args(arguments);
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            options.action = ProgramOptions::Action::help;
        } else if (option == "--version") {
            if (options.action != ProgramOptions::Action::help)
                options.action = ProgramOptions::Action::version;
        } else if (option == "--list-devices") {
            if (options.action == ProgramOptions::Action::run)
                options.action = ProgramOptions::Action::list_devices;
        } else if (option == "--setup" || option == "--setup-file") {
            if (std::optional<CommandLineError> error = take_setup(args, option, options.setup))
                return *error;
        } else if (option == "--stop-after") {
            if (std::optional<CommandLineError> error = take_stop_after(args, options.stop_after_seconds))
                return *error;
        } else if (option == "--device") {
            const std::optional<std::string> value = args.value();
            if (!value || value->empty())
                return CommandLineError{"--device needs a number from --list-devices or part of a name"};
            options.device = *value;
        } else if (option.empty() || option[0] != '-') {
            // A file dropped on the program, or opened with it from a file
            // manager, comes as its path alone.
            if (std::optional<CommandLineError> error = take_setup(args, "--setup-file", options.setup, option))
                return *error;
        } else {
            return CommandLineError{"unknown option " + option};
        }
    }
    return options;
}

std::variant<RenderOptions, CommandLineError> parse_render_options(const std::vector<std::string>& arguments)
{
    RenderOptions options;
    Arguments args(arguments);
    bool length_given = false;
    std::optional<std::int64_t> frames = std::int64_t{10} * stream_rate;
    while (!args.done()) {
        const std::string option = args.take();
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--sweep") {
            options.sweep = true;
        } else if (option == "--pink") {
            options.pink = true;
        } else if (option == "--setup" || option == "--setup-file") {
            if (std::optional<CommandLineError> error = take_setup(args, option, options.setup))
                return *error;
        } else if (option == "--stop-after") {
            if (std::optional<CommandLineError> error = take_stop_after(args, options.stop_after_seconds))
                return *error;
        } else if (option == "--seconds" || option == "--frames") {
            const std::optional<std::string> value = args.value();
            if (!value)
                return CommandLineError{option + " needs a value"};
            if (length_given)
                return CommandLineError{"only one of --seconds and --frames, once"};
            length_given = true;
            frames = option == "--seconds" ? seconds_to_frames(*value) : whole_number(*value);
            if (!frames || *frames < 1 || *frames > longest_render_frames)
                return CommandLineError{option + " " + *value + " is out of range: from one frame up to 43200 seconds (" +
                                        std::to_string(longest_render_frames) + " frames)"};
        } else if (option == "-o" || option == "--output") {
            const std::optional<std::string> value = args.value();
            if (!value || value->empty())
                return CommandLineError{option + " needs the name of the WAV file to make"};
            options.output = *value;
        } else {
            return CommandLineError{"unknown option " + option};
        }
    }
    options.frames = *frames;
    if (options.output.empty() && !options.help && !options.version)
        return CommandLineError{"no output file: give -o FILE.wav"};
    return options;
}

std::variant<MeasureOptions, CommandLineError> parse_measure_options(const std::vector<std::string>& arguments)
{
    MeasureOptions options;
    Arguments args(arguments);
    bool seconds_given = false;
    std::optional<std::int64_t> frames = measure_default_frames;
    // The options that name something: given once, not empty.
    auto take_name = [&](const std::string& option, std::string& into, const char* what) -> std::optional<CommandLineError> {
        const std::optional<std::string> value = args.value();
        if (!value || value->empty())
            return CommandLineError{option + " needs " + what};
        if (!into.empty())
            return CommandLineError{option + " given twice"};
        into = *value;
        return std::nullopt;
    };
    std::string device, input;
    while (!args.done()) {
        const std::string option = args.take();
        std::optional<CommandLineError> error;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--list-inputs") {
            options.list_inputs = true;
        } else if (option == "--setup" || option == "--setup-file") {
            error = take_setup(args, option, options.setup);
        } else if (option == "--device") {
            error = take_name(option, device, "a number from tonegen --list-devices or part of a name");
        } else if (option == "--input") {
            error = take_name(option, input, "a number from --list-inputs or part of a name");
        } else if (option == "--wav") {
            error = take_name(option, options.wav, "the name of the recording to measure");
        } else if (option == "--csv") {
            error = take_name(option, options.csv, "the name of the file to write");
        } else if (option == "--plot") {
            error = take_name(option, options.plot, "the name of the picture to write");
        } else if (option == "--seconds") {
            const std::optional<std::string> value = args.value();
            if (!value)
                return CommandLineError{"--seconds needs a value"};
            if (seconds_given)
                return CommandLineError{"--seconds given twice"};
            seconds_given = true;
            frames = seconds_to_frames(*value);
            if (!frames || *frames < stream_rate * 3 / 2 || *frames > measure_longest_frames)
                return CommandLineError{"--seconds " + *value + " is out of range: from 1.5 up to 600"};
        } else {
            error = CommandLineError{"unknown option " + option};
        }
        if (error)
            return *error;
    }
    options.frames = *frames;
    if (!device.empty())
        options.device = device;
    if (!input.empty())
        options.input = input;
    if (options.help || options.version || options.list_inputs)
        return options;
    if (options.wav.empty() == !options.input)
        return CommandLineError{options.wav.empty() ? "nothing to measure: give --input N|NAME to play and record, or --wav FILE"
                                                    : "--wav measures a recording: it takes no --input"};
    if (!options.wav.empty() && (options.device || seconds_given))
        return CommandLineError{std::string(options.device ? "--device" : "--seconds") +
                                " is for playing and recording: --wav takes neither"};
    return options;
}

std::string program_usage()
{
    return "usage: tonegen [--setup TEXT | --setup-file FILE | FILE] [--device N|NAME] [--stop-after DURATION] "
           "[--list-devices] [--help] [--version]";
}

std::string program_help()
{
    return program_usage() + "\n"
           "\n"
           "Twenty steady sine tones, mixed below full scale and played without end as\n"
           "mono 16-bit PCM at 44100 Hz, beside a looped sine sweep and pink noise.\n"
           "The program starts paused: release ON/OFF to hear the tones.\n"
           "\n"
           "  --setup TEXT       start with this setup instead of the defaults, e.g.\n"
           "                     \"tonegen-setup 1: 80@44 200@44 ... 20000@44\" (twenty\n"
           "                     FREQUENCY@GAIN items, in hertz and per cent)\n"
           "  --setup-file FILE  the same, read from a file (a .tonegen file: UTF-8 or\n"
           "                     UTF-16 text, lines starting with # are comments);\n"
           "                     a FILE alone, as a file manager or a drop on the\n"
           "                     program gives it, is read so too\n"
           "  --device N|NAME    play on this output: its number from --list-devices,\n"
           "                     its server name as --list-devices shows it in\n"
           "                     brackets (Linux), or a part of its name that only it has\n"
           "  --stop-after DURATION\n"
           "                     end the tones DURATION after each release of ON/OFF\n"
           "                     (90, 90s, 10m, 1h; up to 24h): a 50 ms fade, then\n"
           "                     ON/OFF shows OFF and a playing test signal stops\n"
           "  --list-devices     print the outputs and end\n"
           "  --help             print this and end\n"
           "  --version          print the version and end\n"
           "\n"
           "In the window, Ctrl+Shift+C copies the setup to the clipboard and\n"
           "Ctrl+Shift+V takes one from it.\n";
}

std::string render_usage()
{
    return "usage: tonegen-render [--setup TEXT | --setup-file FILE] [--seconds S | --frames N] [--sweep] [--pink] "
           "[--stop-after DURATION] -o FILE.wav";
}

std::string render_help()
{
    return render_usage() + "\n"
           "\n"
           "Writes what tonegen plays from its first sound for a setup, sample for\n"
           "sample: mono 16-bit PCM at 44100 Hz in a WAV file.\n"
           "\n"
           "  --setup TEXT       the setup (default: tonegen's defaults)\n"
           "  --setup-file FILE  the same, read from a file (# starts a comment line)\n"
           "  --seconds S        how long, up to 43200 (default 10)\n"
           "  --frames N         how long, in frames\n"
           "  --sweep, --pink    mix in the looped sweep and pink noise from their first\n"
           "                     sample, at the program's volume (-7.96 dB), rounded and\n"
           "                     added as tonegen's own Linux player and sound server do;\n"
           "                     a system mixer with another volume law or mixing in\n"
           "                     floating point gives slightly different samples\n"
           "  --stop-after DURATION\n"
           "                     as tonegen's (90, 90s, 10m, 1h): a 50 ms fade of the\n"
           "                     tones and test signals, silence from DURATION on\n"
           "  -o FILE.wav        the file to make; it appears only when complete\n";
}

std::string measure_usage()
{
    return "usage: tonegen-measure [--setup TEXT | --setup-file FILE] (--input N|NAME [--device N|NAME] "
           "[--seconds S] | --wav FILE) [--csv FILE] [--plot FILE.png] [--list-inputs] [--help] [--version]";
}

std::string measure_help()
{
    return measure_usage() + "\n"
           "\n"
           "Plays a setup's tones, as tonegen plays them from its first sound, on an\n"
           "output while it records an input, and reports what the device between\n"
           "them did to each tone. Every tone is a whole number of hertz, so the mix\n"
           "repeats every second and each tone, harmonic and product sits on an exact\n"
           "bin of a one-second spectrum: no window, no leakage.\n"
           "\n"
           "  --setup TEXT       the setup (default: tonegen's defaults)\n"
           "  --setup-file FILE  the same, read from a file (# starts a comment line)\n"
           "  --input N|NAME     record this input: its number from --list-inputs, its\n"
           "                     server name in brackets there (Linux), or a part of its\n"
           "                     name that only it has; a sound server's monitor of an\n"
           "                     output is an input too\n"
           "  --device N|NAME    play on this output, as tonegen --device names it\n"
           "                     (default: the default output)\n"
           "  --seconds S        how long to play, 1.5 up to 600 (default 5); the first\n"
           "                     0.5 s of the signal are left out and the whole seconds\n"
           "                     after it averaged\n"
           "  --wav FILE         measure this recording of the setup instead (mono 16-bit\n"
           "                     PCM at 44100 Hz, made elsewhere or a render passed\n"
           "                     through a filter); the signal must start within its\n"
           "                     first 10 s\n"
           "  --csv FILE         write the tones, then after a blank line the products\n"
           "                     and the noise, as comma-separated values\n"
           "  --plot FILE.png    draw each tone's gain against frequency, and the\n"
           "                     received spectrum's tones and products as stems\n"
           "  --list-inputs      print the inputs and end\n"
           "\n"
           "Reported per tone with a gain above 0: the level sent and received (dBFS,\n"
           "a sine's peak against 32767), the gain (dB) and the phase (degrees, after\n"
           "the recording is aligned to the signal in whole samples). Then the\n"
           "harmonics (2nd to 5th) and the sums and differences of two tones that\n"
           "stand 15 dB above the noise floor (and above the rounding floor the sent\n"
           "signal has there), the noise floor per bin of the averaged spectrum (it\n"
           "falls 3 dB with each doubling of the seconds averaged) and THD+N of the\n"
           "whole mix. Files appear only when complete.\n"
           "\n"
           "Exit status: 0 measured, 1 nothing measured (no trace of the signal, a\n"
           "device or file that fails; the reason on standard error), 2 a command line\n"
           "that cannot run.\n";
}

std::string version_text(std::string_view program)
{
    return std::string(program) + " " + version::number + "\n" + version::copyright + "\n" + "Licence: " +
           version::licence + "\n";
}

std::variant<int, std::string> find_device(const std::vector<std::string>& names, std::string_view wanted,
                                           const std::vector<std::string>& server_names, std::string_view what)
{
    const std::string kind(what);
    if (names.empty())
        return "there is no " + kind;
    if (const std::optional<std::int64_t> number = whole_number(wanted)) {
        if (*number >= 1 && *number <= static_cast<std::int64_t>(names.size()))
            return static_cast<int>(*number);
        return "no " + kind + " " + std::string(wanted) + ": they are numbered 1 to " + std::to_string(names.size());
    }
    // A server name is the one thing two outputs never share.
    const auto named = std::find(server_names.begin(), server_names.end(), wanted);
    if (named != server_names.end() && named - server_names.begin() < static_cast<std::ptrdiff_t>(names.size()))
        return static_cast<int>(named - server_names.begin()) + 1;
    const std::string part = lower(wanted);
    std::vector<int> matches;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (lower(names[i]).find(part) != std::string::npos)
            matches.push_back(static_cast<int>(i + 1));
    }
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
        return "no " + kind + "'s name has \"" + std::string(wanted) + "\" in it" +
               (server_names.empty() ? "" : ", and no server name is \"" + std::string(wanted) + "\"");
    std::string message = "\"" + std::string(wanted) + "\" is in the names of " + std::to_string(matches.size()) +
                          " " + kind + "s:";
    for (int m : matches)
        message += " " + std::to_string(m);
    if (!server_names.empty())
        message += " (give the number, or the server name in brackets from --list-devices)";
    return message;
}

std::string device_list(const std::vector<std::string>& names, const std::vector<std::string>& server_names,
                        std::string_view kind)
{
    if (names.empty())
        return "  (no " + std::string(kind) + ")\n";
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        out += "  " + std::to_string(i + 1) + "  " + names[i];
        if (i < server_names.size())
            out += "  [" + server_names[i] + "]";
        out += i == 0 ? "  (default)\n" : "\n";
    }
    return out;
}

} // namespace tonegen
