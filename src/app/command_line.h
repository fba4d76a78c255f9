// The command lines of the programs: tonegen (the window), tonegen-render
// (a file of what the window plays) and tonegen-measure (what a device did
// to it). Parsing is portable and
// prints nothing; the platforms write the texts where their users see them.
#pragma once

#include "model/setup_text.h"
#include "platform/wave_out_port.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tonegen {

// tonegen [--setup TEXT | --setup-file FILE | FILE] [--device N|NAME]
//         [--stop-after DURATION] [--list-devices] [--help] [--version]
struct ProgramOptions {
    enum class Action { run, help, version, list_devices };
    Action action = Action::run;
    std::optional<ToneSetup> setup;   // instead of the defaults
    std::optional<std::string> device; // as given: a number from --list-devices, a server name or part of a name
    std::int64_t stop_after_seconds = 0; // --stop-after; 0: never
};

// tonegen-render [--setup TEXT | --setup-file FILE] [--seconds S | --frames N]
//                [--sweep] [--pink] [--stop-after DURATION] -o FILE.wav
struct RenderOptions {
    bool help = false;
    bool version = false;
    std::optional<ToneSetup> setup;
    std::int64_t frames = 0;   // how much, from the first sample
    bool sweep = false;        // the test signals mixed in from their first sample
    bool pink = false;
    std::int64_t stop_after_seconds = 0; // silent from then on, after a fade; 0: never
    std::string output;        // the WAV file to make
};

// tonegen-measure [--setup TEXT | --setup-file FILE]
//                 (--input N|NAME [--device N|NAME] [--seconds S] | --wav FILE)
//                 [--csv FILE] [--plot FILE.png] [--list-inputs] [--help] [--version]
struct MeasureOptions {
    bool help = false;
    bool version = false;
    bool list_inputs = false;
    std::optional<ToneSetup> setup;
    std::optional<std::string> device; // the output played on, as --device names it; the default one without
    std::optional<std::string> input;  // the input recorded, as --device names an output
    std::int64_t frames = 0;           // how long the setup plays
    std::string wav;                   // a recording to measure instead of playing
    std::string csv;                   // the table to write as comma-separated values
    std::string plot;                  // the picture to write (PNG)
};

// How long the measure tool plays without --seconds, and at most.
constexpr std::int64_t measure_default_frames = std::int64_t{5} * stream_rate;
constexpr std::int64_t measure_longest_frames = std::int64_t{600} * stream_rate;

// The longest render: 12 hours, well inside what a WAV file can hold.
constexpr std::int64_t longest_render_frames = std::int64_t{12} * 3600 * stream_rate;

// The longest --stop-after: a day.
constexpr std::int64_t longest_stop_after_seconds = 24 * 3600;

// A command line that cannot be run: the message for standard error (or a
// message box), and the exit code 2.
struct CommandLineError {
    std::string message;
};

// The arguments after the program's name.
std::variant<ProgramOptions, CommandLineError> parse_program_options(const std::vector<std::string>& arguments);
std::variant<RenderOptions, CommandLineError> parse_render_options(const std::vector<std::string>& arguments);
std::variant<MeasureOptions, CommandLineError> parse_measure_options(const std::vector<std::string>& arguments);

// What --help prints, and the one line that follows an error.
std::string program_usage();
std::string program_help();
std::string render_usage();
std::string render_help();
std::string measure_usage();
std::string measure_help();
// "tonegen 1.3.3" (or the render tool's name), the copyright and the licence, for --version.
std::string version_text(std::string_view program);

// The device --device names among the outputs the platform lists, counted
// from 1 as --list-devices prints them: its number, its server name exactly
// (where the platform's outputs have one, beside their names for people:
// `server_names`, empty or one per name), or a part of its name that only it
// has. The message when it names none, or more than one. `kind` is what the
// messages call them.
std::variant<int, std::string> find_device(const std::vector<std::string>& names, std::string_view wanted,
                                           const std::vector<std::string>& server_names = {},
                                           std::string_view kind = "output device");

// --list-devices: one line per output, "  1  Name  (default)", with the
// server name in brackets after the name where there is one
// ("  2  Null Output  [second]"); the first is the one the program uses
// without --device.
std::string device_list(const std::vector<std::string>& names, const std::vector<std::string>& server_names = {},
                        std::string_view kind = "output device");

} // namespace tonegen
