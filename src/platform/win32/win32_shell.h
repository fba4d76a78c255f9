// The shell port as ShellExecuteEx, from a thread of its own.
//
// How it works: open_address puts the address in a queue and returns at
// once; a worker thread, started with the first address, hands the addresses
// to ShellExecuteExA with the default verb one at a time, in the order they
// came, so the shell starts whatever program the desktop associates with web
// addresses. When the shell started a process for one, the worker waits (at
// most 5 s) until that process is ready for input or has ended, so that a
// second address follows the first into the browser and does not overtake
// it, then closes the process handle. A browser slow to start therefore
// holds up only the next address, never the GUI thread. The worker has a
// COM apartment of its own, as shell handlers may be COM objects. A failure
// shows nothing (SEE_MASK_FLAG_NO_UI) and is not reported.
//
// At exit (the port's destruction, on the GUI thread) the addresses not yet
// handed over are dropped and a wait for a starting handler is cut short:
// the program's window is gone, and no page of it opens afterwards. A
// hand-off inside ShellExecuteExA is given up to 2 s to return; a worker
// still inside it then (a handler that does not answer the shell) is left
// to end with the process, its queue kept alive by its own reference.
#pragma once

#include "platform/shell_port.h"

#include <memory>

namespace tonegen::win32 {

class Win32Shell final : public ShellPort {
public:
    Win32Shell() = default;
    ~Win32Shell() override;
    Win32Shell(const Win32Shell&) = delete;
    Win32Shell& operator=(const Win32Shell&) = delete;

    void open_address(std::string_view address) override;

    struct Queue; // shared by the GUI thread and the worker

private:
    std::shared_ptr<Queue> queue_;
    void* worker_ = nullptr; // the worker's thread handle once started
};

} // namespace tonegen::win32
