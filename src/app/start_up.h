// What the program's command line asks for before any window, the same on
// every platform: a command line that cannot run is told with the usage
// and ends the program (2); --help, --version and --list-devices are
// answered and end it (0); otherwise the program starts with the setup
// given and the device --device names. The platform says where the texts
// go (standard streams, a console or a message box) and which outputs it
// has.
#pragma once

#include "app/command_line.h"
#include "app/program.h"

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace tonegen {

// Where the answers go: `output` for what was asked for, `error` for why the
// command line cannot run or names no device. Each text is whole, with its
// own line ends.
struct CommandLineReplies {
    std::function<void(const std::string&)> output;
    std::function<void(const std::string&)> error;
};

// The outputs as --list-devices numbers them, the default first: their
// names for people and, where the platform has them, the server's names
// (empty, or one per name).
struct OutputNames {
    std::vector<std::string> names;
    std::vector<std::string> server_names;
};

// Parses the arguments after the program's name and answers what ends the
// program here: its exit code, or the options to start with. `outputs` is
// asked only for --list-devices.
std::variant<int, ProgramOptions> answer_command_line(const std::vector<std::string>& arguments,
                                                      const CommandLineReplies& replies,
                                                      const std::function<OutputNames()>& outputs);

struct StartChoice {
    StartOptions options;
    std::string device_name; // the name of the device --device named, if it named one
};

// The setup and the device to start with. `outputs` is asked only when
// --device was given; a device it does not name is told on `error` and
// becomes the one past the last, which the program then reports missing as
// it does for a device that went away.
StartChoice choose_start(const ProgramOptions& options, const std::function<OutputNames()>& outputs,
                         const std::function<void(const std::string&)>& error);

} // namespace tonegen
