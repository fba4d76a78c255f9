#include "app/start_up.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tonegen {

std::variant<int, ProgramOptions> answer_command_line(const std::vector<std::string>& arguments,
                                                      const CommandLineReplies& replies,
                                                      const std::function<OutputNames()>& outputs)
{
    auto parsed = parse_program_options(arguments);
    if (const auto* wrong = std::get_if<CommandLineError>(&parsed)) {
        replies.error("tonegen: " + wrong->message + "\n" + program_usage() + "\n");
        return 2;
    }
    ProgramOptions& options = std::get<ProgramOptions>(parsed);
    using Action = ProgramOptions::Action;
    switch (options.action) {
    case Action::help:
        replies.output(program_help());
        return 0;
    case Action::version:
        replies.output(version_text("tonegen"));
        return 0;
    case Action::list_devices: {
        const OutputNames names = outputs();
        replies.output(device_list(names.names, names.server_names));
        return 0;
    }
    case Action::run:
        break;
    }
    return std::move(options);
}

StartChoice choose_start(const ProgramOptions& options, const std::function<OutputNames()>& outputs,
                         const std::function<void(const std::string&)>& error)
{
    StartChoice start;
    start.options.setup = options.setup;
    start.options.stop_after_seconds = options.stop_after_seconds;
    if (!options.device)
        return start;
    const OutputNames names = outputs();
    const auto found = find_device(names.names, *options.device, names.server_names);
    if (const int* number = std::get_if<int>(&found)) {
        start.options.device_number = *number;
        start.device_name = names.names[static_cast<std::size_t>(*number - 1)];
    } else {
        // No such device: the program says so as it does for a missing one.
        error("tonegen: " + std::get<std::string>(found) + "\n");
        start.options.device_number = static_cast<std::int64_t>(names.names.size()) + 1;
    }
    return start;
}

} // namespace tonegen
