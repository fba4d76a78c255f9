// The windowing contract on the Win32 layer, under wine in the cross build:
// real windows and controls, and a user whose clicks and keystrokes are the
// messages the system's own input would send, from inside the program's
// event wait. Keystrokes that the port's loop must see (Tab) are posted.
#include "platform/win32/win32_windowing.h"
#include "platform/win32/win32_clipboard.h"

#include "contract/windowing_contract.h"

#include "win32/control_reads.h"

#include <cstring>
#include <deque>
#include <initializer_list>
#include <iterator>

namespace tonegen::contract {
namespace {

constexpr const char* rig_class = "tonegen_contract_rig";
constexpr UINT tick_message = WM_APP;

struct FindBox {
    HWND found;
};

// A callback of the system's calling convention: a lambda cannot be one on x86.
BOOL CALLBACK find_message_box(HWND window, LPARAM data)
{
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof(name));
    if (::lstrcmpA(name, "#32770") == 0 && ::IsWindowVisible(window)) {
        reinterpret_cast<FindBox*>(data)->found = window;
        return FALSE;
    }
    return TRUE;
}

std::string window_text(HWND window)
{
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

void key(HWND target, WPARAM code)
{
    static_cast<void>(::SendMessageA(target, WM_KEYDOWN, code, 1));
    static_cast<void>(::SendMessageA(target, WM_KEYUP, code, static_cast<LPARAM>(0xC0000001u)));
}

// The keys held down as the next keystroke is read.
void set_keys(std::initializer_list<int> held, bool down)
{
    BYTE keys[256] = {};
    static_cast<void>(::GetKeyboardState(keys));
    for (const int key : held)
        keys[key] = down ? 0x80 : 0;
    static_cast<void>(::SetKeyboardState(keys));
}

class Win32Rig final : public WindowingRig {
public:
    Win32Rig()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Win32Rig::procedure;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = rig_class;
        static_cast<void>(::RegisterClassA(&wc)); // once a process; later calls fail harmlessly
        // A message-only window: its posted ticks run the user's actions.
        helper_ = ::CreateWindowExA(0, rig_class, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        static_cast<void>(::SetWindowLongPtrA(helper_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)));
    }

    ~Win32Rig() override
    {
        set_keys({VK_CONTROL, VK_SHIFT}, false);
        static_cast<void>(::DestroyWindow(helper_));
    }

    WindowingPort& port() override { return w_; }
    ControlTextsPort& texts() override { return w_; }
    ClipboardPort& clipboard() override { return clipboard_; }
    BoxPort& boxes() override { return w_; }

    // One posted tick at a time: the next is posted only after an action
    // has run, so it comes behind whatever that action posted.
    void later(std::function<void()> action) override
    {
        actions_.push_back(std::move(action));
        if (!ticking_)
            tick();
    }

    void click(int id) override
    {
        // The button presses and releases itself as under the mouse, and
        // takes the focus.
        later([this, id] { static_cast<void>(::SendMessageA(w_.control_window(id), BM_CLICK, 0, 0)); });
    }

    void step_by_key(int id, bool up) override
    {
        later([this, id, up] {
            HWND edit = w_.control_window(id);
            static_cast<void>(::SetFocus(edit));
            key(edit, up ? VK_UP : VK_DOWN);
        });
    }

    void step_by_arrow(int id, bool up) override
    {
        later([this, id, up] {
            HWND arrows = w_.arrows_window(id);
            RECT r{};
            static_cast<void>(::GetClientRect(arrows, &r));
            const LPARAM at = MAKELPARAM((r.right - r.left) / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
            static_cast<void>(::SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at));
            static_cast<void>(::SendMessageA(arrows, WM_LBUTTONUP, 0, at));
        });
    }

    void type(int id, std::string_view text) override
    {
        later([this, id] {
            HWND edit = w_.control_window(id);
            static_cast<void>(::SetFocus(edit));
            static_cast<void>(::SendMessageA(edit, EM_SETSEL, 0, -1));
            key(edit, VK_DELETE);
        });
        for (const char c : text) {
            later([this, id, c] {
                static_cast<void>(::SendMessageA(w_.control_window(id), WM_CHAR, static_cast<unsigned char>(c), 1));
            });
        }
    }

    void tab(bool backwards) override
    {
        // Posted, so that the port's loop hands it to the dialog manager.
        later([backwards] {
            set_keys({VK_SHIFT}, backwards);
            HWND focus = ::GetFocus();
            static_cast<void>(::PostMessageA(focus, WM_KEYDOWN, VK_TAB, 1));
            static_cast<void>(::PostMessageA(focus, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC0000001u)));
        });
        later([] { set_keys({VK_SHIFT}, false); });
    }

    void press_ctrl_shift(char letter) override
    {
        later([letter] {
            set_keys({VK_CONTROL, VK_SHIFT}, true);
            HWND focus = ::GetFocus();
            static_cast<void>(::PostMessageA(focus, WM_KEYDOWN, static_cast<WPARAM>(letter), 1));
            static_cast<void>(::PostMessageA(focus, WM_KEYUP, static_cast<WPARAM>(letter), static_cast<LPARAM>(0xC0000001u)));
        });
        later([] { set_keys({VK_CONTROL, VK_SHIFT}, false); });
    }

    void press_key(int key, int modifiers) override
    {
        // Posted, so that the port's loop sees it before the focused control.
        later([key, modifiers] {
            set_keys({VK_CONTROL}, (modifiers & with_ctrl) != 0);
            set_keys({VK_SHIFT}, (modifiers & with_shift) != 0);
            HWND focus = ::GetFocus();
            static_cast<void>(::PostMessageA(focus, WM_KEYDOWN, static_cast<WPARAM>(key), 1));
            static_cast<void>(::PostMessageA(focus, WM_KEYUP, static_cast<WPARAM>(key), static_cast<LPARAM>(0xC0000001u)));
        });
        later([] { set_keys({VK_CONTROL, VK_SHIFT}, false); });
    }

    void move_bar(int id, BarMove move, int position) override
    {
        // What the scroll bar sends its parent while the mouse works it.
        later([this, id, move, position] {
            HWND bar = w_.control_window(id);
            HWND parent = ::GetParent(bar);
            auto send = [&](int action, int thumb) {
                static_cast<void>(
                    ::SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(action, thumb), reinterpret_cast<LPARAM>(bar)));
            };
            switch (move) {
            case BarMove::line_left: send(SB_LINELEFT, 0); break;
            case BarMove::line_right: send(SB_LINERIGHT, 0); break;
            case BarMove::page_left: send(SB_PAGELEFT, 0); break;
            case BarMove::page_right: send(SB_PAGERIGHT, 0); break;
            case BarMove::drag:
                send(SB_THUMBTRACK, position);
                send(SB_THUMBPOSITION, position);
                break;
            }
            send(SB_ENDSCROLL, 0);
        });
    }

    void press_close_box(WindowHandle window) override
    {
        later([window] {
            static_cast<void>(::SendMessageA(reinterpret_cast<HWND>(window), WM_SYSCOMMAND, SC_CLOSE, 0));
        });
    }

    void answer_message_box() override { later([this] { answer(200); }); }

    std::string last_message_box() override { return last_box_; }

    // Under wine the X server answers activation in its own time, and a
    // late answer for the window before can take the activation back. Each
    // round asks the X server something (GetCursorPos does, under wine),
    // which brings in every answer it sent before, and lets the thread
    // handle them without taking any message the program waits for; the
    // desktop has settled when two rounds in a row change nothing.
    void await_front(WindowHandle window) override
    {
        HWND focus = nullptr;
        int unchanged = 0;
        for (int round = 0; round < 200 && unchanged < 2; ++round) {
            POINT cursor{};
            static_cast<void>(::GetCursorPos(&cursor));
            MSG msg{};
            static_cast<void>(::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
            const bool in_front = ::GetForegroundWindow() == reinterpret_cast<HWND>(window);
            unchanged = in_front && ::GetFocus() == focus ? unchanged + 1 : 0;
            focus = ::GetFocus();
            if (!in_front)
                ::Sleep(5);
        }
    }

    bool has_focus(int id) override
    {
        HWND control = w_.control_window(id);
        return control != nullptr && ::GetFocus() == control;
    }

    WindowPlace place(WindowHandle window) override
    {
        HWND w = reinterpret_cast<HWND>(window);
        RECT outer{};
        RECT client{};
        static_cast<void>(::GetWindowRect(w, &outer));
        static_cast<void>(::GetClientRect(w, &client));
        return {outer.left, outer.top, client.right, client.bottom, outer.right - outer.left, outer.bottom - outer.top};
    }

    Size screen() override { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

    Size picture_size(ImageHandle picture) override
    {
        BITMAP info{};
        if (::GetObjectA(reinterpret_cast<HBITMAP>(picture), sizeof(info), &info) != sizeof(info))
            return {0, 0};
        return {info.bmWidth, info.bmHeight};
    }

    std::string tooltip(int id) override
    {
        return win32::reads::tooltip_text(w_.tooltip_window(id), w_.control_window(id));
    }

    std::string said(int id, Said which) override
    {
        using win32::reads::Text;
        return win32::reads::accessible_text(w_.control_window(id), which == Said::name          ? Text::name
                                                                    : which == Said::description ? Text::description
                                                                                                 : Text::value);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        auto* self = reinterpret_cast<Win32Rig*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message != tick_message || self == nullptr)
            return ::DefWindowProcA(window, message, wparam, lparam);
        self->ticking_ = false;
        if (!self->actions_.empty()) {
            const std::function<void()> action = std::move(self->actions_.front());
            self->actions_.pop_front();
            action();
            if (!self->actions_.empty() && !self->ticking_)
                self->tick();
        }
        return 0;
    }

    void tick()
    {
        ticking_ = true;
        static_cast<void>(::PostMessageA(helper_, tick_message, 0, 0));
    }

    // Runs inside the box's own loop; the box may not be up at once.
    void answer(int tries)
    {
        FindBox search{nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), &find_message_box, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            if (tries > 0) {
                ::Sleep(10);
                actions_.push_front([this, tries] { answer(tries - 1); });
            }
            return;
        }
        last_box_ = window_text(search.found) + "|" + window_text(::GetDlgItem(search.found, 0xFFFF));
        static_cast<void>(::SendMessageA(::GetDlgItem(search.found, IDOK), BM_CLICK, 0, 0));
    }

    // The clients of assistive technology live in a COM apartment.
    struct Apartment {
        Apartment() : result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
        ~Apartment()
        {
            if (SUCCEEDED(result))
                ::CoUninitialize();
        }
        HRESULT result;
    } apartment_;
    win32::Win32Windowing w_{::GetModuleHandleA(nullptr)};
    win32::Win32Clipboard clipboard_{w_};
    HWND helper_ = nullptr;
    std::deque<std::function<void()>> actions_;
    bool ticking_ = false;
    std::string last_box_;
};

std::unique_ptr<WindowingRig> make_win32_rig()
{
    return std::make_unique<Win32Rig>();
}

TONEGEN_WINDOWING_CONTRACTS(Win32, &make_win32_rig);

} // namespace
} // namespace tonegen::contract
