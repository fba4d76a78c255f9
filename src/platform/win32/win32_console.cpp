// How it works: see win32_console.h.
#include "platform/win32/win32_console.h"

#include "platform/win32/win32_api.h"

namespace tonegen::win32 {

namespace {

std::wstring wide(std::string_view text)
{
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    static_cast<void>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length));
    return out;
}

std::string narrow(const wchar_t* text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    static_cast<void>(::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr));
    out.resize(static_cast<std::size_t>(bytes) - 1);
    return out;
}

bool usable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A console takes UTF-16 as it is; a pipe or a file takes the UTF-8 bytes.
bool write_to(HANDLE handle, std::string_view text)
{
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring w = wide(text);
        DWORD written = 0;
        return ::WriteConsoleW(handle, w.data(), static_cast<DWORD>(w.size()), &written, nullptr) != FALSE;
    }
    DWORD written = 0;
    return ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
           written == text.size();
}

} // namespace

std::vector<std::string> command_line_arguments()
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> out;
    if (!arguments)
        return out;
    for (int i = 1; i < count; ++i)
        out.push_back(narrow(arguments[i]));
    static_cast<void>(::LocalFree(arguments));
    return out;
}

void tell_user(Stream stream, std::string_view text, std::string_view title)
{
    const DWORD which = stream == Stream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    HANDLE given = ::GetStdHandle(which);
    if (usable(given) && write_to(given, text))
        return;
    if (::AttachConsole(ATTACH_PARENT_PROCESS) || ::GetLastError() == ERROR_ACCESS_DENIED) {
        // ERROR_ACCESS_DENIED: attached already, by an earlier call.
        HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) {
            const bool written = write_to(console, text);
            static_cast<void>(::CloseHandle(console));
            if (written)
                return;
        }
    }
    static_cast<void>(::MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(),
                                    MB_OK | (stream == Stream::error ? MB_ICONWARNING : MB_ICONINFORMATION)));
}

void log_line(std::string_view line)
{
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (usable(error))
        static_cast<void>(write_to(error, std::string(line) + "\n"));
}

bool error_is_console()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

} // namespace tonegen::win32
