// The shell hand-off against the system (under wine in the cross build),
// with a handler that takes its time to become ready for input: the
// tests' own address scheme, registered for tonegen_slow_browser.
#include "platform/win32/win32_shell.h"

#include "platform/win32/win32_api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace tonegen::win32 {
namespace {

constexpr const char* scheme = "tonegen-test-page";

// The handler's lines so far.
std::vector<std::string> lines_of(const std::string& log)
{
    std::vector<std::string> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Waits up to 20 s for the handler to have written `count` lines.
std::vector<std::string> wait_for_lines(const std::string& log, std::size_t count)
{
    const ULONGLONG start = ::GetTickCount64();
    std::vector<std::string> lines = lines_of(log);
    while (lines.size() < count && ::GetTickCount64() - start < 20000) {
        ::Sleep(50);
        lines = lines_of(log);
    }
    return lines;
}

class SlowHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[MAX_PATH] = {};
        ASSERT_GT(::GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
        std::string handler(path);
        handler = handler.substr(0, handler.find_last_of('\\') + 1) + "tonegen_slow_browser.exe";
        char folder[MAX_PATH] = {};
        ASSERT_GT(::GetTempPathA(MAX_PATH, folder), 0u);
        log_ = std::string(folder) + "tonegen-slow-browser-" + std::to_string(::GetCurrentProcessId()) + ".txt";
        static_cast<void>(std::remove(log_.c_str()));

        const std::string command = "\"" + handler + "\" 0 \"" + log_ + "\" \"%1\"";
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, scheme, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        static_cast<void>(::RegSetValueExA(key, "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1));
        static_cast<void>(::RegCloseKey(key));
        ASSERT_EQ(::RegSetValueA(HKEY_CLASSES_ROOT, (std::string(scheme) + "\\shell\\open\\command").c_str(), REG_SZ,
                                 command.c_str(), static_cast<DWORD>(command.size())),
                  ERROR_SUCCESS);
    }

    void TearDown() override
    {
        static_cast<void>(::RegDeleteTreeA(HKEY_CLASSES_ROOT, scheme));
        static_cast<void>(std::remove(log_.c_str()));
    }

    static std::string page(int handler_ms, const char* name)
    {
        return std::string(scheme) + "://" + std::to_string(handler_ms) + "/" + name;
    }

    std::string log_;
};

// The first handler is slow to become ready and the second quick: handed
// over together they would take their pages in the wrong order.
TEST_F(SlowHandler, PagesGoInOrderWithoutTheCallerWaitingAndThoseNotYetHandedOverAreDroppedAtExit)
{
    {
        SCOPED_TRACE("two pages");
        const std::string first = page(1500, "first");
        const std::string second = page(0, "second");
        Win32Shell shell;
        const ULONGLONG before = ::GetTickCount64();
        shell.open_address(first);
        shell.open_address(second);
        EXPECT_LT(::GetTickCount64() - before, 500u) << "the caller waited for the handler";
        EXPECT_EQ(wait_for_lines(log_, 4),
                  (std::vector<std::string>{"start " + first, "took " + first, "start " + second, "took " + second}));
    }
    static_cast<void>(std::remove(log_.c_str()));
    {
        SCOPED_TRACE("closing while the first handler starts");
        const std::string first = page(1500, "first-at-exit");
        const std::string second = page(0, "second-at-exit");
        auto shell = std::make_unique<Win32Shell>();
        shell->open_address(first);
        shell->open_address(second);
        ASSERT_EQ(wait_for_lines(log_, 1), std::vector<std::string>{"start " + first});
        const ULONGLONG before = ::GetTickCount64();
        shell.reset();
        EXPECT_LT(::GetTickCount64() - before, 1000u) << "the exit waited for the handler";
        // Once the first handler has taken its page, a second one started
        // meanwhile would have written its first line.
        EXPECT_EQ(wait_for_lines(log_, 2), (std::vector<std::string>{"start " + first, "took " + first}));
        ::Sleep(300);
        EXPECT_EQ(lines_of(log_).size(), 2u) << "a page not yet handed over went after the exit";
    }
}

} // namespace
} // namespace tonegen::win32
