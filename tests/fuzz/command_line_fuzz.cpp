// Both programs' command lines over any arguments (the input's bytes split
// at zero bytes): a defined answer every time. What runs is within its
// ranges; what cannot run says why. A name with a "/" is left out, so that
// no device or far file is opened; plain names are looked up beside the run
// and read no further than a setup can be long.
#include "app/command_line.h"

#include "fuzz_target.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments;
    if (size > 0)
        arguments.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '/' || c == '\\')
            return 0;
        if (c == '\0')
            arguments.emplace_back();
        else
            arguments.back() += c;
    }

    const auto program = tonegen::parse_program_options(arguments);
    if (const auto* error = std::get_if<tonegen::CommandLineError>(&program)) {
        FUZZ_CHECK(!error->message.empty());
    } else {
        const tonegen::ProgramOptions& options = std::get<tonegen::ProgramOptions>(program);
        FUZZ_CHECK(!options.device || !options.device->empty());
        if (options.setup)
            FUZZ_CHECK(options.setup->frequency[0] >= 22 && options.setup->frequency[0] <= 22050);
    }

    const auto render = tonegen::parse_render_options(arguments);
    if (const auto* error = std::get_if<tonegen::CommandLineError>(&render)) {
        FUZZ_CHECK(!error->message.empty());
    } else {
        const tonegen::RenderOptions& options = std::get<tonegen::RenderOptions>(render);
        FUZZ_CHECK(options.frames >= 1 && options.frames <= tonegen::longest_render_frames);
        FUZZ_CHECK(!options.output.empty() || options.help || options.version);
    }
    return 0;
}
