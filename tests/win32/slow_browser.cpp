// tonegen_slow_browser: a stand-in for a browser that takes its time to
// start, registered as the handler of web addresses in a wine prefix by the
// tests of the shell hand-off (tests/win32/win32_shell_test.cpp and the
// end-to-end scenario slow_browser).
//
//   tonegen_slow_browser MILLISECONDS LOG ADDRESS
//
// It writes "start ADDRESS" to LOG, then for MILLISECONDS takes no messages
// (so that it is not yet ready for input, as a browser still loading is
// not), writes "took ADDRESS", and only then waits for input, for a moment,
// before it ends. An address of the form SCHEME://N/..., N a number, waits
// N milliseconds instead (the tests give each address its own time). A GUI
// program, as the system tells only those when they are ready for input.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void write_line(const char* log, const char* what, const char* address)
{
    // Appended whole, one line per call, with a bare LF (the end-to-end tests
    // read it with grep).
    if (std::FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "%s %s\n", what, address);
        static_cast<void>(std::fclose(f));
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 4)
        return 2;
    const char* log = __argv[2];
    const char* address = __argv[3];
    DWORD delay = static_cast<DWORD>(std::strtoul(__argv[1], nullptr, 10));
    const char* slashes = std::strstr(address, "://");
    if (slashes && slashes[3] >= '0' && slashes[3] <= '9')
        delay = static_cast<DWORD>(std::strtoul(slashes + 3, nullptr, 10));

    write_line(log, "start", address);
    ::Sleep(delay);
    write_line(log, "took", address);

    // Ready for input: the first wait for a message tells whoever waits.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 200, nullptr);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
    }
    static_cast<void>(::KillTimer(nullptr, timer));
    return 0;
}
