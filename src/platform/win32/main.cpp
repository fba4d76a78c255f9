// The Windows program: the core's main line over the Win32 ports.
//
// How it works: run_program opens the main window and the wave-out device and
// waits for events; the ports pump the thread's message queue meanwhile, and
// the device's MM_WOM_DONE notices reach the core through the window
// procedure. The process ends when run_program returns (always 0).
#include "app/program.h"
#include "app/settings.h"
#include "platform/platform.h"
#include "platform/win32/win32_wave_out.h"
#include "platform/win32/win32_windowing.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    tonegen::win32::Win32Windowing windowing(instance);
    tonegen::win32::Win32WaveOut wave_out;
    tonegen::Platform platform{windowing, wave_out};
    return tonegen::run_program(tonegen::settings, platform);
}
