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
#include "app/program.h"
#include "app/start_up.h"
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

int main(int argc, char* argv[])
{
    const tonegen::CommandLineReplies replies{[](const std::string& text) { std::fputs(text.c_str(), stdout); },
                                              [](const std::string& text) { std::fputs(text.c_str(), stderr); }};
    const auto answered =
        tonegen::answer_command_line(std::vector<std::string>(argv + 1, argv + argc), replies, [] {
            tonegen::qt::PulseSoundServer sound_server;
            return tonegen::qt::names_of(sound_server.outputs());
        });
    if (const int* exit_code = std::get_if<int>(&answered))
        return *exit_code;

    tonegen::qt::name_sound_client();
    QApplication app(argc, argv);
    tonegen::qt::name_application();
    // The program ends when run_program returns, never because Qt saw its
    // last window (a message box, say) close.
    QApplication::setQuitOnLastWindowClosed(false);

    tonegen::qt::PulseSoundServer sound_server;
    const auto outputs = [&sound_server] { return tonegen::qt::names_of(sound_server.outputs()); };
    const tonegen::StartOptions start =
        tonegen::choose_start(std::get<tonegen::ProgramOptions>(answered), outputs, replies.error).options;

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
