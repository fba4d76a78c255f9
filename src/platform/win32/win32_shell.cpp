// How it works: see win32_shell.h.
#include "platform/win32/win32_shell.h"

#include "platform/win32/win32_api.h"

#include <string>

namespace tonegen::win32 {

namespace {

constexpr DWORD handler_start_ms = 5000;

} // namespace

void Win32Shell::open_address(std::string_view address)
{
    const std::string file(address);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    // The process handle is asked for only to be closed; the hand-off is
    // finished when the call returns (no conversation with the handler left
    // in flight should the program end right after); no error box.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = nullptr;
    info.lpFile = file.c_str();
    info.lpParameters = nullptr;
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExA(&info) && info.hProcess) {
        // The program hands over its pages one after the other; a handler
        // started for one is given time to take it (to wait for input, or to
        // have passed it on and ended) before the next one starts, so that
        // the browser receives them in the program's order.
        static_cast<void>(::WaitForInputIdle(info.hProcess, handler_start_ms));
        static_cast<void>(::CloseHandle(info.hProcess));
    }
}

} // namespace tonegen::win32
