// The Linux program: the core's main line over the Qt platform layer.
//
// How it works: the command line is read first; --help, --version,
// --list-devices and a command line that cannot run are answered on the
// standard streams without a window and without Qt (the device list comes
// from the sound server's client library). QApplication is then created but its own loop never runs; the core's
// event waits (QtWindowing::wait_event and friends) pump Qt events
// themselves. run_program returns once the main window's close box has been
// handled and the stream closed, and its result is the exit code. Before
// anything of Qt runs, the sound server's properties of the program go into
// the environment (qt_desktop_identity.h).
#include "app/command_line.h"
#include "app/program.h"
#include "model/settings.h"
#include "platform/platform.h"
#include "platform/qt/embedded_assets.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_control_texts.h"
#include "platform/qt/qt_desktop_identity.h"
#include "platform/qt/qt_pulse_sink.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_sound_player.h"
#include "platform/qt/qt_wave_out.h"
#include "platform/qt/qt_windowing.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

namespace {

// The outputs as --list-devices numbers them, the default first: their
// names for people, and the server's names, which tell apart two outputs of
// the same description.
struct OutputNames {
    std::vector<std::string> names;
    std::vector<std::string> server_names;
};

OutputNames output_names(tonegen::qt::SoundServer& server)
{
    OutputNames out;
    for (const tonegen::qt::SoundOutput& output : server.outputs()) {
        out.names.push_back(output.description.empty() ? output.device : output.description);
        out.server_names.push_back(output.device);
    }
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    const auto parsed = tonegen::parse_program_options(std::vector<std::string>(argv + 1, argv + argc));
    if (std::holds_alternative<tonegen::CommandLineError>(parsed)) {
        std::fprintf(stderr, "tonegen: %s\n%s\n", std::get<tonegen::CommandLineError>(parsed).message.c_str(),
                     tonegen::program_usage().c_str());
        return 2;
    }
    const tonegen::ProgramOptions& options = std::get<tonegen::ProgramOptions>(parsed);
    using Action = tonegen::ProgramOptions::Action;
    switch (options.action) {
    case Action::help:
        std::fputs(tonegen::program_help().c_str(), stdout);
        return 0;
    case Action::version:
        std::fputs(tonegen::version_text("tonegen").c_str(), stdout);
        return 0;
    case Action::list_devices: {
        tonegen::qt::PulseSoundServer sound_server;
        const OutputNames outputs = output_names(sound_server);
        std::fputs(tonegen::device_list(outputs.names, outputs.server_names).c_str(), stdout);
        return 0;
    }
    case Action::run:
        break;
    }

    tonegen::qt::name_sound_client();
    QApplication app(argc, argv);
    tonegen::qt::name_application();
    // The program ends when run_program returns, never because Qt saw its
    // last window (a message box, say) close.
    QApplication::setQuitOnLastWindowClosed(false);

    tonegen::qt::PulseSoundServer sound_server;
    tonegen::StartOptions start;
    start.setup = options.setup;
    if (options.device) {
        const OutputNames outputs = output_names(sound_server);
        const auto found = tonegen::find_device(outputs.names, *options.device, outputs.server_names);
        if (std::holds_alternative<int>(found)) {
            start.device_number = std::get<int>(found);
        } else {
            // No such device: the program says so as it does for a missing one.
            std::fprintf(stderr, "tonegen: %s\n", std::get<std::string>(found).c_str());
            start.device_number = static_cast<std::int64_t>(outputs.names.size()) + 1;
        }
    }

    tonegen::qt::QtWindowing windowing;
    tonegen::qt::QtWaveOut wave_out(windowing, sound_server);
    // The recordings are read where they are embedded, not copied.
    const tonegen::Assets assets = tonegen::qt::embedded_assets();
    tonegen::qt::QtSoundPlayer player(sound_server, static_cast<unsigned>(start.device_number - 1),
                                            {assets.sweep, assets.pink});
    tonegen::qt::QtShell shell;
    tonegen::qt::QtControlTexts control_texts(windowing);
    tonegen::qt::QtClipboard clipboard;
    tonegen::Platform platform{windowing, control_texts, clipboard, windowing, wave_out, player, shell, assets};
    return tonegen::run_program(tonegen::settings, platform, start);
}
