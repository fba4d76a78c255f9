// tonegen_e2e_probe: looks into the windows of a running tonegen.exe from a
// second process of the same wine prefix, for the end-to-end tests.
//
// How it works: the window is found by its exact title; its controls are the
// child windows, read through the window manager of the system (rectangles,
// classes, styles) and through messages that the system carries between
// processes (WM_GETTEXT, SBM_GETPOS, BM_GETCHECK, UDM_GETBUDDY). The focused
// control is the focus window of the program's GUI thread. `layout` and
// `values` hold the window against the core's own table of controls and the
// Settings record's defaults, so the expectations come from the program.
//
//   tonegen_e2e_probe controls TITLE   one line per control (id, class, rectangle, state, text)
//   tonegen_e2e_probe focus TITLE      number of the focused control (-1: none of the program's)
//   tonegen_e2e_probe layout TITLE     every control of the main window's table at its place
//   tonegen_e2e_probe values TITLE     fields, bars and labels hold the start-up values
//   tonegen_e2e_probe position TITLE   "X Y" of the window's outer top-left corner on the screen
//   tonegen_e2e_probe toggle TITLE ID  "CAPTION pressed" or "CAPTION released" of a toggle button
//   tonegen_e2e_probe accessible TITLE [ID]
//                                      name, value and description of every numbered control (or of
//                                      control ID alone) as a screen reader reads them: MSAA across
//                                      processes (UTF-8)
// Exit status: 0 success, 1 a check failed, 2 no such window or a usage error.
#include "e2e/probe_checks.h"
#include "model/settings.h"
#include "platform/win32/win32_api.h"
#include "ui/main_window.h"
#include "win32/control_reads.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tonegen::ControlKind;
using tonegen::ControlSpec;

struct Child {
    HWND window;
    int id;
    std::string window_class;
    RECT rect; // client coordinates of the top-level window
    DWORD style;
};

constexpr UINT reply_ms = 2000;

std::string text_of(HWND window)
{
    char text[512] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                               reply_ms, &copied))
        return {};
    return std::string(text, static_cast<std::size_t>(copied));
}

LRESULT ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, reply_ms, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

struct Walk {
    HWND top;
    std::vector<Child>* out;
};

// Of the system's calling convention: a lambda cannot be one on x86.
BOOL CALLBACK add_child(HWND child, LPARAM data)
{
    auto* w = reinterpret_cast<Walk*>(data);
    Child c{child, ::GetDlgCtrlID(child), {}, {}, static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE))};
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof(name));
    c.window_class = name;
    ::GetWindowRect(child, &c.rect);
    ::MapWindowPoints(nullptr, w->top, reinterpret_cast<POINT*>(&c.rect), 2);
    w->out->push_back(c);
    return TRUE;
}

std::vector<Child> children_of(HWND top)
{
    std::vector<Child> out;
    Walk walk{top, &out};
    ::EnumChildWindows(top, &add_child, reinterpret_cast<LPARAM>(&walk));
    return out;
}

bool is_class(const Child& c, const char* name)
{
    return ::lstrcmpiA(c.window_class.c_str(), name) == 0;
}

int list_controls(HWND top)
{
    for (const Child& c : children_of(top)) {
        const bool button = is_class(c, "Button");
        const bool bar = is_class(c, "ScrollBar");
        std::printf("id=%d class=%s x=%ld y=%ld w=%ld h=%ld checked=%d pos=%d text=%s\n", c.id,
                    c.window_class.c_str(), c.rect.left, c.rect.top, c.rect.right - c.rect.left,
                    c.rect.bottom - c.rect.top, button ? static_cast<int>(ask(c.window, BM_GETCHECK)) : 0,
                    bar ? static_cast<int>(ask(c.window, SBM_GETPOS)) : 0, text_of(c.window).c_str());
    }
    return 0;
}

int focused_control(HWND top)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(top, nullptr);
    if (!::GetGUIThreadInfo(thread, &info) || !info.hwndFocus || !::IsChild(top, info.hwndFocus)) {
        std::printf("-1\n");
        return 0;
    }
    std::printf("%d\n", ::GetDlgCtrlID(info.hwndFocus));
    return 0;
}

bool same_rect(const RECT& r, const ControlSpec& s)
{
    return r.left == s.x && r.top == s.y && r.right - r.left == s.width && r.bottom - r.top == s.height;
}

std::string describe(const RECT& r)
{
    return tonegen::probe::describe(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Every control of the core's table where the table puts it. A frequency
// field is its edit and the up-down control at its right end together; the
// system may lay the arrows over the edit's last pixels.
int check_layout(HWND top)
{
    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    const std::vector<ControlSpec> table = tonegen::main_window_controls(s);
    std::vector<Child> children = children_of(top);
    std::vector<bool> used(children.size(), false);
    int mismatches = 0;
    for (const ControlSpec& spec : table) {
        const RECT wanted{spec.x, spec.y, spec.x + spec.width, spec.y + spec.height};
        bool found = false;
        std::string got = "nothing";
        for (std::size_t i = 0; i < children.size() && !found; ++i) {
            const Child& c = children[i];
            if (used[i] || c.id != spec.id)
                continue;
            if (spec.kind == ControlKind::frequency_field && is_class(c, "Edit")) {
                RECT whole = c.rect;
                for (const Child& arrows : children) {
                    if (is_class(arrows, "msctls_updown32") &&
                        reinterpret_cast<HWND>(ask(arrows.window, UDM_GETBUDDY)) == c.window)
                        whole.right = std::max(whole.right, arrows.rect.right);
                }
                got = describe(whole);
                found = whole.left == wanted.left && whole.top == wanted.top && whole.bottom == wanted.bottom &&
                        whole.right <= wanted.right && whole.right >= wanted.right - 2;
            } else if (spec.kind != ControlKind::frequency_field) {
                got = describe(c.rect);
                found = same_rect(c.rect, spec);
            }
            used[i] = found;
        }
        std::printf("%s id=%d %s: wanted %s, %s\n", found ? "ok" : "MISMATCH", spec.id,
                    spec.caption.empty() ? "" : spec.caption.c_str(), describe(wanted).c_str(),
                    found ? "found" : ("got " + got).c_str());
        if (!found)
            ++mismatches;
    }
    std::printf("%d of %zu controls misplaced\n", mismatches, table.size());
    return mismatches == 0 ? 0 : 1;
}

int check_values(HWND top)
{
    return tonegen::probe::check_values(
        [top](int id) { return text_of(::GetDlgItem(top, id)); },
        [top](int id) { return std::to_string(ask(::GetDlgItem(top, id), SBM_GETPOS)); });
}

// Where the system puts the window, its frame included: the place the
// program asks for, which the X window of its client area does not show.
int window_position(HWND top)
{
    RECT r{};
    if (!::GetWindowRect(top, &r))
        return 2;
    std::printf("%ld %ld\n", r.left, r.top);
    return 0;
}

int toggle_state(HWND top, const char* id_text)
{
    char* end = nullptr;
    const long id = std::strtol(id_text, &end, 10);
    const HWND button = *end == '\0' ? ::GetDlgItem(top, static_cast<int>(id)) : nullptr;
    if (!button) {
        std::fprintf(stderr, "tonegen_e2e_probe: no control %s\n", id_text);
        return 2;
    }
    std::printf("%s %s\n", text_of(button).c_str(), ask(button, BM_GETCHECK) == BST_CHECKED ? "pressed" : "released");
    return 0;
}

// Through WM_GETOBJECT and COM from this second process, as assistive
// technology asks: what arrives is the program's own object, marshalled.
// Each control costs a few round trips to the program's GUI thread, which
// under wine add up to seconds for the whole window: `only` (-1: all) asks
// for one control.
int list_accessible(HWND top, int only)
{
    using tonegen::win32::reads::Text;
    using tonegen::win32::reads::accessible_text;
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (const Child& c : children_of(top)) {
        if (c.id < 0 || c.id >= 0x4000 || (only >= 0 && c.id != only))
            continue;
        std::printf("id=%d name=%s|value=%s|description=%s\n", c.id, accessible_text(c.window, Text::name).c_str(),
                    accessible_text(c.window, Text::value).c_str(), accessible_text(c.window, Text::description).c_str());
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    const bool one_more = command == "toggle" || (command == "accessible" && argc == 4);
    if (argc != (one_more ? 4 : 3)) {
        std::fprintf(stderr, "usage: tonegen_e2e_probe controls|focus|layout|values|position|accessible TITLE\n"
                             "       tonegen_e2e_probe toggle|accessible TITLE ID\n");
        return 2;
    }
    HWND top = ::FindWindowA(nullptr, argv[2]);
    if (!top) {
        std::fprintf(stderr, "tonegen_e2e_probe: no window titled '%s'\n", argv[2]);
        return 2;
    }
    if (command == "controls")
        return list_controls(top);
    if (command == "focus")
        return focused_control(top);
    if (command == "layout")
        return check_layout(top);
    if (command == "values")
        return check_values(top);
    if (command == "position")
        return window_position(top);
    if (command == "toggle")
        return toggle_state(top, argv[3]);
    if (command == "accessible")
        return list_accessible(top, argc == 4 ? std::atoi(argv[3]) : -1);
    std::fprintf(stderr, "tonegen_e2e_probe: unknown command %s\n", command.c_str());
    return 2;
}
