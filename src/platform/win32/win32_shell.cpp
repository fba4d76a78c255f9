// How it works: see win32_shell.h.
#include "platform/win32/win32_shell.h"

#include "platform/win32/win32_api.h"

#include <deque>
#include <string>

namespace tonegen::win32 {

namespace {

constexpr DWORD handler_start_ms = 5000;
// How often a wait for a starting handler looks whether the program is
// closing (WaitForInputIdle waits on nothing else).
constexpr DWORD closing_look_ms = 50;
constexpr DWORD exit_wait_ms = 2000;

} // namespace

struct Win32Shell::Queue {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    std::deque<std::string> addresses; // in the order the program gave them
    bool closing = false;

    bool is_closing()
    {
        ::AcquireSRWLockShared(&lock);
        const bool result = closing;
        ::ReleaseSRWLockShared(&lock);
        return result;
    }
};

namespace {

// Hands one address to the shell. With `queue`, a handler process the shell
// started is given time to take it (to wait for input, or to have passed it
// on and ended) before the next address goes, unless the program closes
// meanwhile.
void hand_off(const std::string& address, Win32Shell::Queue* queue)
{
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    // The process handle is asked for to wait on it; the hand-off is
    // finished when the call returns (no conversation with the handler left
    // in flight should the thread end right after); no error box.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = nullptr;
    info.lpFile = address.c_str();
    info.lpParameters = nullptr;
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExA(&info) || !info.hProcess)
        return;
    if (queue) {
        const ULONGLONG started = ::GetTickCount64();
        while (::WaitForInputIdle(info.hProcess, closing_look_ms) == WAIT_TIMEOUT &&
               ::GetTickCount64() - started < handler_start_ms && !queue->is_closing()) {
        }
    }
    static_cast<void>(::CloseHandle(info.hProcess));
}

DWORD WINAPI hand_off_addresses(void* parameter)
{
    // The worker's own reference to the queue, which it drops as it ends.
    const std::unique_ptr<std::shared_ptr<Win32Shell::Queue>> own(
        static_cast<std::shared_ptr<Win32Shell::Queue>*>(parameter));
    Win32Shell::Queue& queue = **own;
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    for (;;) {
        ::AcquireSRWLockExclusive(&queue.lock);
        while (!queue.closing && queue.addresses.empty())
            static_cast<void>(::SleepConditionVariableSRW(&queue.changed, &queue.lock, INFINITE, 0));
        if (queue.closing) {
            ::ReleaseSRWLockExclusive(&queue.lock);
            break;
        }
        const std::string address = std::move(queue.addresses.front());
        queue.addresses.pop_front();
        ::ReleaseSRWLockExclusive(&queue.lock);
        hand_off(address, &queue);
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}

} // namespace

void Win32Shell::open_address(std::string_view address)
{
    if (!worker_) {
        queue_ = std::make_shared<Queue>();
        auto* reference = new std::shared_ptr<Queue>(queue_);
        worker_ = ::CreateThread(nullptr, 0, hand_off_addresses, reference, 0, nullptr);
        if (!worker_) {
            delete reference;
            queue_.reset();
            // No thread to wait in: the address goes at once, and the next
            // may overtake it.
            hand_off(std::string(address), nullptr);
            return;
        }
    }
    ::AcquireSRWLockExclusive(&queue_->lock);
    queue_->addresses.emplace_back(address);
    ::ReleaseSRWLockExclusive(&queue_->lock);
    ::WakeConditionVariable(&queue_->changed);
}

Win32Shell::~Win32Shell()
{
    if (!worker_)
        return;
    ::AcquireSRWLockExclusive(&queue_->lock);
    queue_->closing = true;
    queue_->addresses.clear();
    ::ReleaseSRWLockExclusive(&queue_->lock);
    ::WakeConditionVariable(&queue_->changed);
    // Past the limit the worker is inside ShellExecuteExA; it ends with the
    // process.
    static_cast<void>(::WaitForSingleObject(worker_, exit_wait_ms));
    static_cast<void>(::CloseHandle(worker_));
}

} // namespace tonegen::win32
