// The Windows program: the core's main line over the Win32 ports.
//
// How it works: the command line is read first; --help, --version,
// --list-devices and a command line that cannot run are answered on the
// console the program was started from (or in a message box when there is
// none) without a window. COM is then initialised on the GUI thread, whose
// window procedures hand out the controls' accessible objects. run_program
// opens the main window, shows the About box, queues the web pages for the
// shell's own thread, opens the wave-out device and waits for events; the
// ports pump the thread's message queue meanwhile, and the device's
// MM_WOM_DONE notices reach the core through the window procedure.
// The wave-out device is looked at once a second while the tones play (a
// thread timer), so that one whose sound system died is opened again.
// The test signals play through DirectSound, which the test-signal port
// loads only when the core asks for it, on the same device as the tones.
// The process ends when run_program returns (0), after the ports have
// released what they hold; a command line that cannot run ends it with 2.
#include "app/program.h"
#include "app/start_up.h"
#include "audio/reopening_wave_out.h"
#include "model/settings.h"
#include "platform/platform.h"
#include "platform/win32/win32_assets.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sound_player.h"
#include "platform/win32/win32_wave_out.h"
#include "platform/win32/win32_windowing.h"
#include "ui/main_window.h"

#include <variant>

namespace {

using tonegen::win32::Stream;
using tonegen::win32::tell_user;

// The device the timer looks at; the timer runs only while it is set.
tonegen::ReopeningWaveOut* checked_device = nullptr;

void CALLBACK check_device(HWND, UINT, UINT_PTR, DWORD)
{
    if (checked_device)
        checked_device->check();
}

// Starts (on) or stops the once-a-second look at `device`.
void set_checking(tonegen::ReopeningWaveOut& device, UINT_PTR& timer, bool on)
{
    if (on && timer == 0) {
        checked_device = &device;
        timer = ::SetTimer(nullptr, 0, 1000, check_device);
    } else if (!on && timer != 0) {
        static_cast<void>(::KillTimer(nullptr, timer));
        timer = 0;
        checked_device = nullptr;
    }
}

// What the command line asks for before any window: the exit code when the
// program ends here, or how to start.
std::variant<int, tonegen::StartChoice> read_command_line()
{
    const auto reply_on = [](Stream stream) {
        return [stream](const std::string& text) { tell_user(stream, text, tonegen::main_window_title); };
    };
    const tonegen::CommandLineReplies replies{reply_on(Stream::output), reply_on(Stream::error)};
    const auto outputs = [] { return tonegen::OutputNames{tonegen::win32::Win32WaveOut::device_names(), {}}; };
    const auto answered =
        tonegen::answer_command_line(tonegen::win32::command_line_arguments(), replies, outputs);
    if (const int* exit_code = std::get_if<int>(&answered))
        return *exit_code;
    return tonegen::choose_start(std::get<tonegen::ProgramOptions>(answered), outputs, replies.error);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const auto command_line = read_command_line();
    if (std::holds_alternative<int>(command_line))
        return std::get<int>(command_line);
    const tonegen::StartChoice& start = std::get<tonegen::StartChoice>(command_line);

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int result = 0;
    {
        tonegen::win32::Win32Windowing windowing(instance);
        tonegen::win32::Win32WaveOut system_wave_out;
        UINT_PTR timer = 0;
        tonegen::ReopeningWaveOut wave_out(
            system_wave_out, windowing, [&wave_out, &timer](bool on) { set_checking(wave_out, timer, on); },
            [](std::string_view line) { tonegen::win32::log_line("tonegen: " + std::string(line)); });
        // The test signals follow the tones to a device chosen by name; the
        // first device is the default of both.
        tonegen::win32::Win32SoundPlayer player(instance, start.options.device_number > 1 ? start.device_name : "");
        tonegen::win32::Win32Shell shell;
        tonegen::win32::Win32Clipboard clipboard(windowing);
        tonegen::Platform platform{windowing, windowing, clipboard, windowing, wave_out, player, shell,
                                   tonegen::win32::embedded_assets(instance)};
        result = tonegen::run_program(tonegen::settings, platform, start.options);
        set_checking(wave_out, timer, false);
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return result;
}
