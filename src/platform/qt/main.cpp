// The Linux program: the core's main line over the Qt platform layer.
//
// How it works: QApplication is created but its own loop never runs; the
// core's event waits (QtWindowing::wait_event and friends) pump Qt events
// themselves. run_program returns once the main window's close box has been
// handled and the stream closed, and its result is the exit code.
#include "app/program.h"
#include "model/settings.h"
#include "platform/platform.h"
#include "platform/qt/embedded_assets.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_test_signals.h"
#include "platform/qt/qt_wave_out.h"
#include "platform/qt/qt_windowing.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The program ends when run_program returns, never because Qt saw its
    // last window (a message box, say) close.
    QApplication::setQuitOnLastWindowClosed(false);

    tonegen::qt::QtWindowing windowing;
    tonegen::qt::QtWaveOut wave_out(windowing);
    tonegen::qt::QtTestSignals test_signals;
    tonegen::qt::QtShell shell;
    tonegen::Platform platform{windowing, wave_out, test_signals, shell, tonegen::qt::embedded_assets()};
    return tonegen::run_program(tonegen::settings, platform);
}
