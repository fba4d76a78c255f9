// The Windows program: the core's main line over the Win32 ports.
//
// How it works: COM is initialised on the GUI thread first, for the shell's
// ShellExecuteEx. run_program then opens the main window, shows the About box,
// hands the web pages to the shell, opens the wave-out device and waits for
// events; the ports pump the thread's message queue meanwhile, and the
// device's MM_WOM_DONE notices reach the core through the window procedure.
// The test signals play through DirectSound, which the sound port loads only
// when the core asks for it. The process ends when run_program returns
// (always 0), after the ports have released what they hold.
#include "app/program.h"
#include "model/settings.h"
#include "platform/platform.h"
#include "platform/win32/win32_assets.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_test_signals.h"
#include "platform/win32/win32_wave_out.h"
#include "platform/win32/win32_windowing.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int result = 0;
    {
        tonegen::win32::Win32Windowing windowing(instance);
        tonegen::win32::Win32WaveOut wave_out;
        tonegen::win32::Win32TestSignals test_signals(instance);
        tonegen::win32::Win32Shell shell;
        tonegen::Platform platform{windowing, wave_out, test_signals, shell, tonegen::win32::embedded_assets(instance)};
        result = tonegen::run_program(tonegen::settings, platform);
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return result;
}
