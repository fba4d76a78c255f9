// The windowing port as Win32 windows and controls, with the control texts
// and box ports beside it.
//
// How it works: every top-level window of the program has one window
// procedure. For each message it first calls the installed message handler
// (the core's stream_message_handler: MM_WOM_DONE -> fill_buffer ->
// waveOutWrite, EN_KILLFOCUS -> post_event(focus_lost)), then turns the
// controls' notifications into events on the port's own FIFO queue:
//   BN_CLICKED of a toggle button           -> control event, subtype 0
//   EN_UPDATE of a frequency field's edit   -> text_changed
//   UDN_DELTAPOS of its arrows              -> the step aimed from the field's
//     value by the program's rule (the up-down control would read its own)
//   WM_VSCROLL SB_THUMBPOSITION of its arrows -> step_up / step_down
//   WM_HSCROLL of a gain bar                -> bar moved, then subtype 0
//   BN_CLICKED of a box's push button       -> control event, subtype 0
//   WM_CLOSE                                -> close event (the core destroys)
//   Ctrl+Shift+C / V / F down in the main window -> shortcut event (never reaches a control)
//   WM_TIMER of SetTimer's window timers    -> the message handler, as any message
//   a delivered key down in a frequency field -> key event (never reaches the
//     field, nor its up-down control, which would step on Shift+Up as well)
// and leaves the rest to DefWindowProc. wait_event and poll_event pump the
// thread's message queue (GetMessage / PeekMessage) until an event is
// queued; keyboard messages go through IsDialogMessage first, which moves the
// focus with Tab and Shift+Tab through the WS_TABSTOP controls in creation
// order. A frequency field is an EDIT with an up-down control as its buddy
// partner (UDS_SETBUDDYINT), which steps the number and rewrites the text;
// the field's value itself is kept here, read from the text by the same
// whole-number rule as on every platform (ui/number_text.h), since the
// up-down control would also take a number after blanks, a sign or
// thousands separators.
//
// One object serves three ports, which share its table of controls, its
// top-level windows and its fonts: windows, messages and events are in
// win32_windowing.cpp, the controls in win32_controls.cpp, tooltips and the
// texts of assistive technology in win32_control_texts.cpp, the About box's
// support in win32_boxes.cpp. The clipboard is win32_clipboard.h.
#pragma once

#include "platform/box_port.h"
#include "platform/control_texts_port.h"
#include "platform/windowing_port.h"
#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_api.h"

#include <deque>
#include <span>
#include <string>
#include <vector>

namespace tonegen::win32 {

class Win32Windowing final : public WindowingPort, public ControlTextsPort, public BoxPort {
public:
    explicit Win32Windowing(HINSTANCE instance);
    ~Win32Windowing() override;
    Win32Windowing(const Win32Windowing&) = delete;
    Win32Windowing& operator=(const Win32Windowing&) = delete;

    bool load_control_font(std::string_view face, int points) override;
    DisplayArea display_at(int x, int y) override;
    void set_drawing_scale(int percent) override;
    WindowHandle open_window(std::string_view title, int x, int y, int client_width,
                             int client_height) override;
    void destroy_window(WindowHandle window) override;
    void set_message_handler(MessageHandler handler) override;
    bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                      std::intptr_t lparam) override;
    void post_event(const Event& event) override;
    Event wait_event() override;
    Event poll_event() override;
    void message_box(WindowHandle owner, std::string_view title, std::string_view text) override;
    bool create_control(WindowHandle parent, const ControlSpec& spec) override;
    bool checked(int id) override;
    void set_checked(int id, bool pressed) override;
    std::string text(int id) override;
    void set_text(int id, std::string_view text) override;
    std::int64_t field_value(int id) override;
    void set_field_value(int id, std::int64_t value) override;
    int scroll_position(int id) override;
    void set_scroll_position(int id, int position) override;
    void set_focus(int id) override;
    int focus() override;
    bool set_timer(WindowHandle window, unsigned id, unsigned milliseconds) override;
    void kill_timer(WindowHandle window, unsigned id) override;

    // ControlTextsPort
    void set_tooltip(int id, std::string_view text) override;
    void set_accessible_name(int id, std::string_view text) override;
    void set_accessible_description(int id, std::string_view text) override;
    void set_accessible_value(int id, std::string_view text) override;

    // BoxPort
    bool program_in_foreground() override;
    ImageHandle load_picture(std::span<const unsigned char> bitmap_file) override;
    int open_measuring() override;
    TextSize measure_text(std::string_view text) override;
    void close_measuring() override;
    WindowHandle open_box(std::string_view title, int x, int y, int client_width, int client_height,
                          bool centred) override;

    // The first of the program's top-level windows still open (the main
    // window), nullptr when none is.
    HWND first_window() const;

    // The window of a control (for a frequency field its edit), nullptr when
    // there is no such control.
    HWND control_window(int id) const;
    // A frequency field's up-down control.
    HWND arrows_window(int id) const;
    // The tooltip control that holds the tooltips of a control's window,
    // nullptr while it has none.
    HWND tooltip_window(int id) const;

private:
    struct Control {
        int id;
        ControlKind kind;
        HWND window;
        HWND parent;
        HWND arrows; // frequency fields only
        int range_min;
        int range_max;
        int step;           // step_up or step_down: direction of the arrows' last step
        std::int64_t value; // frequency fields: the last value read or set
        bool has_tooltip = false;
    };

    // A top-level window of the program and the control that had its focus
    // when it was last deactivated.
    struct TopLevel {
        HWND window;
        HWND saved_focus;
        HWND tooltips = nullptr; // the tooltip control of its controls, made with the first tooltip
        int percent = 100;         // the scale its layout is drawn at
        int display_percent = 100; // the scale of its monitor
    };

    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void translate(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void move_gain_bar(HWND bar_window, const Control& bar, int action, int thumb);
    void aim_step(Control& field, NMUPDOWN& step);
    void dispatch(MSG& msg);
    void follow_dpi_change(HWND window, UINT dpi, const RECT& proposed);
    HBITMAP fitted_picture(HBITMAP picture, int width, int height);
    void raise(HWND window, int control, int subtype);
    void raise_shortcut(HWND window, int which);
    bool raise_field_key(const MSG& msg); // true when the key became an event
    HWND tooltips_of(HWND window);
    Event take_event();
    bool register_window_class();
    HWND show_top_level(HWND window);
    HFONT box_font();
    bool is_program_window(HWND window) const;
    TopLevel* top_level(HWND window);
    Control* find(int id);
    const Control* find(int id) const;
    Control* find_by_window(HWND window);

    HINSTANCE instance_;
    ATOM window_class_ = 0;
    HFONT font_;                       // the font of new controls
    std::string control_face_;         // as load_control_font was given it, for each new scale
    int control_points_ = 0;
    int drawing_scale_ = 100;          // per cent: the fonts', and the new windows' layout's
    std::vector<HFONT> created_fonts_; // deleted at the end, after the controls
    HFONT box_font_ = nullptr;         // made by the first box_font()
    std::vector<HBITMAP> pictures_;    // deleted at the end, after the controls
    HWND measuring_window_ = nullptr;
    HDC measuring_dc_ = nullptr;
    HGDIOBJ measuring_old_font_ = nullptr;
    MessageHandler handler_;
    std::deque<Event> events_;
    std::vector<Control> controls_;
    int quiet_ = 0; // > 0 while the port rewrites a field's text itself
    std::vector<TopLevel> windows_; // first is the main window
    AccessibleControls accessible_;
};

} // namespace tonegen::win32
