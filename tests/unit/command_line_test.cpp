// The two programs' command lines: what each argument list means, the
// message for one that cannot be run, and what the program does with them
// before any window.
#include "app/command_line.h"
#include "app/start_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tonegen {
namespace {

using Args = std::vector<std::string>;

const std::string a_setup =
    "tonegen-setup 1: 81@44 200@44 400@44 700@44 1000@44 1400@44 2000@44 3000@44 4000@44 5000@44 6000@44 "
    "7000@44 8000@44 9000@44 10000@44 12000@44 14000@44 16000@44 18000@44 20000@0";

std::string error_of(const std::variant<ProgramOptions, CommandLineError>& parsed)
{
    return std::holds_alternative<CommandLineError>(parsed) ? std::get<CommandLineError>(parsed).message : "";
}

std::string error_of(const std::variant<RenderOptions, CommandLineError>& parsed)
{
    return std::holds_alternative<CommandLineError>(parsed) ? std::get<CommandLineError>(parsed).message : "";
}

TEST(ProgramCommandLine, ArgumentsAndWhatTheyAskFor)
{
    using A = ProgramOptions::Action;
    struct Case {
        Args args;
        A action;
        bool setup;
        const char* device;
        std::int64_t stop_after = 0;
    };
    const Case cases[] = {
        {{}, A::run, false, ""},
        {{"--help"}, A::help, false, ""},
        {{"-h"}, A::help, false, ""},
        {{"--version"}, A::version, false, ""},
        {{"--version", "--help"}, A::help, false, ""},
        {{"--list-devices"}, A::list_devices, false, ""},
        {{"--setup", a_setup}, A::run, true, ""},
        {{"--device", "2", "--setup", a_setup}, A::run, true, "2"},
        {{"--device", "Null Output"}, A::run, false, "Null Output"},
        {{"--stop-after", "90"}, A::run, false, "", 90},
        {{"--stop-after", "90s"}, A::run, false, "", 90},
        {{"--stop-after", "10m"}, A::run, false, "", 600},
        {{"--stop-after", "1h"}, A::run, false, "", 3600},
        {{"--stop-after", "24h"}, A::run, false, "", 86400},
        {{"--stop-after", "1440m"}, A::run, false, "", 86400},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_program_options(c.args);
        ASSERT_TRUE(std::holds_alternative<ProgramOptions>(parsed)) << error_of(parsed);
        const ProgramOptions& o = std::get<ProgramOptions>(parsed);
        EXPECT_EQ(o.action, c.action);
        EXPECT_EQ(o.setup.has_value(), c.setup);
        EXPECT_EQ(o.device.value_or(""), c.device);
        EXPECT_EQ(o.stop_after_seconds, c.stop_after) << c.args.back();
    }
    const ProgramOptions o = std::get<ProgramOptions>(parse_program_options({"--setup", a_setup}));
    EXPECT_EQ(o.setup->frequency[0], 81);
    EXPECT_EQ(o.setup->gain[19], 0);
}

TEST(ProgramCommandLine, WhatCannotRunSaysWhy)
{
    struct Case {
        Args args;
        const char* message;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"-setup", a_setup}, "unknown option -setup"},
        {{"--setup"}, "--setup needs a value"},
        {{"--setup", "tonegen-setup 1: 80@44"}, "not a setup: item 2: missing; a setup has 20 items, this one 1"},
        {{"--setup", a_setup, "--setup", a_setup}, "only one of --setup and --setup-file, once"},
        {{"--setup-file", "/nonexistent/setup.txt"}, "cannot read the setup file /nonexistent/setup.txt"},
        {{"--device"}, "--device needs a number from --list-devices or part of a name"},
        {{"--device", ""}, "--device needs a number from --list-devices or part of a name"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(error_of(parse_program_options(c.args)), c.message);

    // Not a duration from one second to a day, in whole seconds, minutes or hours.
    for (const char* wrong : {"0", "0s", "86401", "25h", "1441m", "1.5m", "90S", "1d", "-5", "+5", "h", "", " 5", "1h30m"})
        EXPECT_EQ(error_of(parse_program_options({"--stop-after", wrong})),
                  "--stop-after " + std::string(wrong) +
                      " is not a duration: a whole number of seconds, or of minutes or hours with m or h (90, 90s, 10m, "
                      "1h), from 1 second up to 24h")
            << wrong;
    EXPECT_NE(error_of(parse_program_options({"--stop-after"})), "");
}

TEST(ProgramCommandLine, ASetupFileReadsLikeTheTextItHolds)
{
    // UTF-16 as a Windows editor writes it: each ASCII byte beside a zero.
    auto utf16 = [](const std::string& text, bool little) {
        std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char c : text)
            out += little ? std::string{c, '\0'} : std::string{'\0', c};
        return out;
    };
    // One item a line after the heading, as an editor on Windows saves it.
    std::string crlf = a_setup;
    for (std::size_t at = crlf.find(' ', crlf.find(':')); at != std::string::npos; at = crlf.find(' ', at))
        crlf.replace(at, 1, "\r\n");
    struct Case {
        const char* what;
        std::string bytes;
        bool lone; // given as the only argument, as a drop or "Open with" gives it
        const char* error;
    };
    const Case cases[] = {
        {"plain", std::string(a_setup) + "\n", false, ""},
        {"given alone", std::string(a_setup) + "\n", true, ""},
        {"UTF-8 mark, CRLF line ends", "\xEF\xBB\xBF" + crlf + "\r\n", true, ""},
        {"UTF-16 little-endian", utf16(a_setup, true), false, ""},
        {"UTF-16 big-endian", utf16(a_setup, false), false, ""},
        {"UTF-16 beyond ASCII", utf16(a_setup, true) + "\xE9\x00", false,
         "not a setup: item 20: \"20000@0?\" is not FREQUENCY@GAIN in whole hertz and per cent"},
        {"comment lines, CRLF", "# octave bands\r\n  \t# by me\r\n" + std::string(a_setup) + "\r\n# end\r\n", true, ""},
        {"comment line, CR line ends", "# mine\r" + std::string(a_setup) + "\r", false, ""},
        {"comments beyond ASCII, UTF-8", "# \xC3\x9C" "bung\n" + std::string(a_setup) + "\n", false, ""},
        {"comments beyond ASCII, UTF-16", utf16("# ", true) + std::string("\xE9\x00", 2) + utf16("\n" + a_setup, true).substr(2), false, ""},
        {"a comment after an item", std::string(a_setup) + " # mine\n", false,
         "not a setup: item 21: there are only 20 tones"},
        {"not a setup", "hello", true, "not a setup: a setup starts with \"tonegen-setup 1:\""},
        {"longer than a setup can be", std::string(a_setup) + std::string(64 * 1024, ' '), true, "too long"},
    };
    // A name beyond ASCII, given as UTF-8 as the programs pass every argument.
    const std::filesystem::path file = std::filesystem::temp_directory_path() / u8"tonegen-Übung.setup";
    const std::u8string name8 = file.u8string();
    const std::string name(name8.begin(), name8.end());
    for (const Case& c : cases) {
        {
            std::ofstream out(file, std::ios::binary);
            out << c.bytes;
        }
        const Args args = c.lone ? Args{name} : Args{"--setup-file", name};
        const auto parsed = parse_program_options(args);
        if (*c.error) {
            EXPECT_NE(error_of(parsed).find(c.error), std::string::npos) << c.what << ": " << error_of(parsed);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<ProgramOptions>(parsed)) << c.what << ": " << error_of(parsed);
        EXPECT_EQ(format_setup(*std::get<ProgramOptions>(parsed).setup), a_setup) << c.what;
    }
    std::ofstream(file, std::ios::binary) << a_setup;
    EXPECT_EQ(error_of(parse_program_options({name, name})),
              "only one of --setup and --setup-file, once");
    std::filesystem::remove(file);
}

TEST(RenderCommandLine, LengthsOutputAndSignals)
{
    struct Case {
        Args args;
        std::int64_t frames;
        bool sweep, pink;
        const char* error;
        std::int64_t stop_after = 0;
    };
    const Case cases[] = {
        {{"-o", "x.wav"}, 441000, false, false, ""},
        {{"--seconds", "60", "-o", "x.wav"}, 2646000, false, false, ""},
        {{"--seconds", "0.5", "-o", "x.wav"}, 22050, false, false, ""},
        {{"--seconds", ".25", "-o", "x.wav"}, 11025, false, false, ""},
        {{"--seconds", "0.00002", "-o", "x.wav"}, 1, false, false, ""}, // 0.882 frames, rounded
        {{"--seconds", "0.00001", "-o", "x.wav"}, 0, false, false,
         "--seconds 0.00001 is out of range: from one frame up to 43200 seconds (1905120000 frames)"},
        {{"--seconds", "43200", "-o", "x.wav"}, 1905120000, false, false, ""},
        {{"--seconds", "43200.1", "-o", "x.wav"}, 0, false, false,
         "--seconds 43200.1 is out of range: from one frame up to 43200 seconds (1905120000 frames)"},
        {{"--seconds", "-1", "-o", "x.wav"}, 0, false, false,
         "--seconds -1 is out of range: from one frame up to 43200 seconds (1905120000 frames)"},
        {{"--seconds", "1e3", "-o", "x.wav"}, 0, false, false,
         "--seconds 1e3 is out of range: from one frame up to 43200 seconds (1905120000 frames)"},
        {{"--frames", "1", "--sweep", "--pink", "-o", "x.wav"}, 1, true, true, ""},
        {{"--frames", "0", "-o", "x.wav"}, 0, false, false,
         "--frames 0 is out of range: from one frame up to 43200 seconds (1905120000 frames)"},
        {{"--frames", "5", "--seconds", "5", "-o", "x.wav"}, 0, false, false, "only one of --seconds and --frames, once"},
        {{"--sweep"}, 0, false, false, "no output file: give -o FILE.wav"},
        {{"-o"}, 0, false, false, "-o needs the name of the WAV file to make"},
        {{"--loud", "-o", "x.wav"}, 0, false, false, "unknown option --loud"},
        {{"--stop-after", "2m", "-o", "x.wav"}, 441000, false, false, "", 120},
        {{"--stop-after", "0", "-o", "x.wav"}, 0, false, false,
         "--stop-after 0 is not a duration: a whole number of seconds, or of minutes or hours with m or h (90, 90s, 10m, "
         "1h), from 1 second up to 24h"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_render_options(c.args);
        EXPECT_EQ(error_of(parsed), c.error) << c.args[0];
        if (!std::holds_alternative<RenderOptions>(parsed))
            continue;
        const RenderOptions& o = std::get<RenderOptions>(parsed);
        EXPECT_EQ(o.frames, c.frames) << c.args[1];
        EXPECT_EQ(o.sweep, c.sweep);
        EXPECT_EQ(o.pink, c.pink);
        EXPECT_EQ(o.stop_after_seconds, c.stop_after);
        EXPECT_EQ(o.output, "x.wav");
    }
}

TEST(Devices, ANumberAServerNameOrAPartOfOneName)
{
    const std::vector<std::string> names = {"Built-in Audio Analog Stereo", "Null Output", "USB Audio Null"};
    // Where the outputs have server names, two of one description are told
    // apart by them.
    const std::vector<std::string> twins = {"Null Output", "Null Output", "USB Audio"};
    const std::vector<std::string> servers = {"out", "second", "usb.analog-mono"};
    struct Case {
        const std::vector<std::string>* names;
        const std::vector<std::string>* servers;
        const char* wanted;
        int number;
        const char* message;
    };
    const std::vector<std::string> none;
    const Case cases[] = {
        {&names, &none, "1", 1, ""},
        {&names, &none, "3", 3, ""},
        {&names, &none, "built-in", 1, ""},
        {&names, &none, "usb", 3, ""},
        {&names, &none, "0", 0, "no output device 0: they are numbered 1 to 3"},
        {&names, &none, "4", 0, "no output device 4: they are numbered 1 to 3"},
        {&names, &none, "null", 0, "\"null\" is in the names of 2 output devices: 2 3"},
        {&names, &none, "HDMI", 0, "no output device's name has \"HDMI\" in it"},
        {&twins, &servers, "2", 2, ""},
        {&twins, &servers, "second", 2, ""},
        {&twins, &servers, "out", 1, ""},
        {&twins, &servers, "usb", 3, ""},
        {&twins, &servers, "Null", 0,
         "\"Null\" is in the names of 2 output devices: 1 2 (give the number, or the server name in brackets from "
         "--list-devices)"},
        {&twins, &servers, "secon", 0,
         "no output device's name has \"secon\" in it, and no server name is \"secon\""},
        {&twins, &servers, "Second", 0,
         "no output device's name has \"Second\" in it, and no server name is \"Second\""},
    };
    for (const Case& c : cases) {
        const auto found = find_device(*c.names, c.wanted, *c.servers);
        if (c.number != 0) {
            ASSERT_TRUE(std::holds_alternative<int>(found)) << c.wanted << ": " << std::get<std::string>(found);
            EXPECT_EQ(std::get<int>(found), c.number) << c.wanted;
        } else {
            ASSERT_TRUE(std::holds_alternative<std::string>(found)) << c.wanted;
            EXPECT_EQ(std::get<std::string>(found), c.message);
        }
    }
    EXPECT_EQ(std::get<std::string>(find_device({}, "1")), "there is no output device");
    EXPECT_EQ(device_list(names), "  1  Built-in Audio Analog Stereo  (default)\n  2  Null Output\n  3  USB Audio Null\n");
    EXPECT_EQ(device_list(twins, servers),
              "  1  Null Output  [out]  (default)\n  2  Null Output  [second]\n  3  USB Audio  [usb.analog-mono]\n");
}

// The start-up both programs share: which answers end the program with
// which code on which stream, and when the platform is asked for its outputs.
TEST(StartUp, AnswersEndTheProgramAndDevicesAreAskedForOnlyWhenNeeded)
{
    struct Case {
        Args args;
        int exit_code; // -1: the program starts
        const char* output;
        const char* error;
        int outputs_asked;
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: tonegen ", "", 0},
        {{"--version"}, 0, "tonegen ", "", 0},
        {{"--list-devices"}, 0, "  2  Null Output  [second]\n", "", 1},
        {{"--no-such-option"}, 2, "", "\nusage: tonegen ", 0},
        {{}, -1, "", "", 0},
        {{"--device", "second"}, -1, "", "", 1},
        {{"--device", "HDMI"}, -1, "", "tonegen: no output device's name has \"HDMI\" in it", 1},
    };
    for (const Case& c : cases) {
        std::string output, error;
        int asked = 0;
        const CommandLineReplies replies{[&](const std::string& t) { output += t; },
                                         [&](const std::string& t) { error += t; }};
        const auto outputs = [&] {
            ++asked;
            return OutputNames{{"Speakers", "Null Output"}, {"out", "second"}};
        };
        const auto answered = answer_command_line(c.args, replies, outputs);
        const std::string what = c.args.empty() ? "(none)" : c.args.back();
        if (c.exit_code >= 0) {
            ASSERT_TRUE(std::holds_alternative<int>(answered)) << what;
            EXPECT_EQ(std::get<int>(answered), c.exit_code) << what;
        } else {
            ASSERT_TRUE(std::holds_alternative<ProgramOptions>(answered)) << what;
            const StartChoice start = choose_start(std::get<ProgramOptions>(answered), outputs, replies.error);
            const bool named = c.args.size() == 2 && *c.error == '\0';
            EXPECT_EQ(start.options.device_number, named ? 2 : c.args.empty() ? 1 : 3) << what; // 3: past the last
            EXPECT_EQ(start.device_name, named ? "Null Output" : "") << what;
        }
        EXPECT_TRUE(*c.output ? output.find(c.output) != std::string::npos : output.empty()) << what << ": " << output;
        EXPECT_TRUE(*c.error ? error.find(c.error) != std::string::npos : error.empty()) << what << ": " << error;
        EXPECT_EQ(asked, c.outputs_asked) << what;
    }
}

} // namespace
} // namespace tonegen
