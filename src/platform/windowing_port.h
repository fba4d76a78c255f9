// Windows, controls and the event queue of the GUI thread.
//
// The program sees its user interface as the Windows desktop shows it:
// top-level windows, controls addressed by a number that is unique in the
// program, and one queue of events for the GUI thread. Beneath the events
// runs the platform's own message traffic; every message of the program's
// windows passes the installed message handler first, and window messages
// (among them the wave-out device's completion notices) are dispatched only
// while the GUI thread is inside `wait_event`, `poll_event` or `message_box`.
//
// Contract:
// - Everything here is called on the GUI thread only.
// - A click on a toggle button flips its pressed state before its control
//   event is queued; stepping a frequency field applies the step (clamped to
//   the field's range) before its event is queued; moving a scroll bar sets
//   its new position before its event is queued.
// - Setting a frequency field's value or text raises `text_changed` like a
//   user's typing does.
// - Ctrl+Shift+C, Ctrl+Shift+V and Ctrl+Shift+F pressed anywhere in the
//   main window are shortcut events, not keystrokes of the control that has
//   the focus.
// - A timer's WM_TIMER messages reach the message handler only inside the
//   event waits and message boxes, like every window message, and never pile
//   up: a timer has at most one waiting.
// - The keys of `delivered_key` pressed in a frequency field are key events
//   of that field and change nothing themselves; plain Up and Down remain
//   the field's own steps.
// - The message handler is called for every message before the platform's
//   normal processing, which always continues afterwards.
// - No method throws.
//
// Beside it, bundled with it in `Platform`: what controls say beyond their
// captions (control_texts_port.h), the clipboard (clipboard_port.h) and what
// the About box needs (box_port.h).
#pragma once

#include "platform/messages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tonegen {

// Control event subtypes.
constexpr int step_up = 4;
constexpr int step_down = 5;
constexpr int text_changed = 768;
constexpr int focus_lost = 14001;

enum class EventKind {
    none,     // nothing (only from an empty poll)
    control,  // a control raised an event: `control` and `subtype` say which and what
    close,    // the close box or system close command of `window`
    shortcut, // a key combination of the main window: `control` says which (shortcut numbers below)
    key,      // a key pressed in control `control`: `subtype` is the key, `modifiers` what was held
    other,    // any other window event; the program ignores it
};

// The main window's key combinations, wherever its focus is.
constexpr int copy_setup_shortcut = 1;  // Ctrl+Shift+C
constexpr int paste_setup_shortcut = 2; // Ctrl+Shift+V
constexpr int catch_sweep_shortcut = 3; // Ctrl+Shift+F

// Keys, numbered as the platform's virtual keys, and the modifiers held
// with them, as its hot keys number them.
constexpr int key_page_up = 0x21;
constexpr int key_page_down = 0x22;
constexpr int key_up = 0x26;
constexpr int key_down = 0x28;
constexpr int with_alt = 1;
constexpr int with_ctrl = 2;
constexpr int with_shift = 4;

// The keys a frequency field hands the program as key events: Up and Down
// with Shift or Ctrl, PageUp and PageDown with or without them; none with
// Alt, which belongs to the menus.
constexpr bool delivered_key(int key, int modifiers)
{
    if ((modifiers & with_alt) != 0)
        return false;
    if (key == key_up || key == key_down)
        return (modifiers & (with_ctrl | with_shift)) != 0;
    return key == key_page_up || key == key_page_down;
}

struct Event {
    EventKind kind = EventKind::none;
    WindowHandle window = 0;
    int control = 0;
    int subtype = 0;
    int modifiers = 0; // key events: with_ctrl, with_shift, with_alt held
};

using ImageHandle = std::uintptr_t; // 0: no image

enum class ControlKind {
    toggle_button,   // push button that stays pressed until the next click; tab stop
    frame,           // rectangle outline with an empty caption; no events
    text_label,      // one line of left-aligned text, "&" shows as itself; no events
    frequency_field, // right-aligned number field with up/down arrows, range min..max; tab stop
    gain_scroll_bar, // horizontal bar, position min..max, page size 1; not a tab stop
    push_button,     // button whose caption may wrap onto several lines; a click raises an event
    picture,         // shows `image` made to the control's size (smoothly, when they differ); no events
};

enum class ControlFont {
    controls, // the font loaded by load_control_font (or the platform's GUI font)
    box,      // the fixed-pitch font of the About box
};

// One control of a window, as the layout table gives it. Controls are created
// in the order of the calls; that order is also the Tab order.
struct ControlSpec {
    int id;           // -1 for anonymous controls (frames)
    ControlKind kind;
    int x, y, width, height; // client pixels of the parent window
    std::string caption;
    int range_min = 0; // fields and scroll bars
    int range_max = 0;
    ControlFont font = ControlFont::controls;
    ImageHandle image = 0; // pictures
};

// A display as the program lays a window out on it.
struct DisplayArea {
    int percent = 100;        // its pixels per 96-dpi pixel of the layout, in per cent (150 at 144 dpi)
    int device_percent = 100; // the system's own pixels per pixel of the port (a toolkit that scales by itself)
    int x = 0, y = 0, width = 0, height = 0; // its work area, in the port's pixels
    int frame_width = 0, frame_height = 0;   // what a window's frame adds to its client area there
};

using MessageHandler =
    std::function<void(WindowHandle window, unsigned message, std::uintptr_t wparam,
                       std::intptr_t lparam)>;

class WindowingPort {
public:
    virtual ~WindowingPort() = default;

    // Fonts. Loads face/points as the font of every control created
    // afterwards; false (controls keep the platform's default GUI font) when
    // it cannot be made. Released when the platform object ends.
    virtual bool load_control_font(std::string_view face, int points) = 0;

    // The display at screen point (x, y) (the nearest one when none holds it).
    virtual DisplayArea display_at(int x, int y) = 0;
    // The fonts of controls and of the box (loaded and to be loaded) at
    // `percent` of their 96-dpi size; the layout handed to the port is at
    // that scale already.
    virtual void set_drawing_scale(int percent) = 0;

    // A fixed-size top-level window with title bar, system menu and close box,
    // its outer top-left corner at (x, y) on the screen and a client area of
    // client_width x client_height, shown and activated. 0 when refused.
    virtual WindowHandle open_window(std::string_view title, int x, int y, int client_width,
                                     int client_height) = 0;
    virtual void destroy_window(WindowHandle window) = 0;

    // Installs the handler that sees every message of the program's windows.
    virtual void set_message_handler(MessageHandler handler) = 0;

    // Queues a window message for `window`; it reaches the message handler
    // inside a later event wait. False when it cannot be queued.
    virtual bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                              std::intptr_t lparam) = 0;

    // Queues an event for the event waits, behind the events already queued.
    virtual void post_event(const Event& event) = 0;

    // Waits without timeout for the next event, dispatching window messages
    // meanwhile.
    virtual Event wait_event() = 0;
    // Dispatches pending window messages and returns the next pending event,
    // or an event of kind `none` when nothing is pending. Never waits.
    virtual Event poll_event() = 0;

    // Modal box with a title, a text and one OK button over `owner` (0: no
    // owner); window messages keep being dispatched until it is closed.
    virtual void message_box(WindowHandle owner, std::string_view title, std::string_view text) = 0;

    // Controls.
    virtual bool create_control(WindowHandle parent, const ControlSpec& spec) = 0;
    virtual bool checked(int id) = 0;
    virtual void set_checked(int id, bool pressed) = 0;
    virtual std::string text(int id) = 0;
    virtual void set_text(int id, std::string_view text) = 0;
    // A frequency field's value: reading first takes the text when it is a
    // whole decimal number within the range, else keeps the last value;
    // setting clamps into the range and rewrites the text as the plain number.
    virtual std::int64_t field_value(int id) = 0;
    virtual void set_field_value(int id, std::int64_t value) = 0;
    virtual int scroll_position(int id) = 0;
    virtual void set_scroll_position(int id, int position) = 0;
    virtual void set_focus(int id) = 0;
    // The control that has the keyboard focus (a frequency field also while
    // its arrows have it); -1 when none of the program's controls has it.
    virtual int focus() = 0;

    // Timers. Timer `id` of `window` sends the window WM_TIMER (wParam: id)
    // every `milliseconds` until it is killed or the window goes; setting a
    // timer that runs starts its count again. False when it cannot be made.
    virtual bool set_timer(WindowHandle window, unsigned id, unsigned milliseconds) = 0;
    virtual void kill_timer(WindowHandle window, unsigned id) = 0;
};

} // namespace tonegen
