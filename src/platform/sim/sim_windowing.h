// Deterministic stand-in for the windowing port, driven by a test script.
// The same object stands in for the control texts and box ports, which work
// on its controls, windows and keyboard focus: the windows, controls and
// events are in sim_windowing.cpp, the user's actions in
// sim_user_actions.cpp, the control texts in sim_control_texts.cpp and the
// box support in sim_boxes.cpp. The clipboard is sim_clipboard.h.
//
// How it works: the test queues user actions (clicks, typing, leaving a
// field, scrolling, closing, device ticks) as script steps. wait_event
// delivers posted window messages to the message handler first, then hands
// out queued events, and only when nothing is pending runs the next script
// step, exactly as a user acts only while the program waits. When the script
// is used up, wait_event reports a close of the open box, or else of the main
// window, so that every run ends. Nothing here waits on a clock.
//
// The keyboard focus is one control number, moved as a desktop moves it: by
// set_focus, a click on a button, typing into a field, Tab, a box opening
// (and back when it goes). Whenever it leaves a frequency field, an
// EN_KILLFOCUS notice is posted to the field's window. The same contract
// tests run here and on the real platforms (tests/contract).
#pragma once

#include "platform/box_port.h"
#include "platform/control_texts_port.h"
#include "platform/windowing_port.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tonegen::sim {

// One log of the calls that both fakes record, in order, for tests that
// care about sequence ("post MM_WOM_DONE", "waveOutPause", ...).
using CallLog = std::vector<std::string>;

struct SimControl {
    ControlSpec spec;
    WindowHandle parent = 0;
    int order = 0; // creation order, which is the Tab order
    bool checked = false;
    std::string text;
    std::int64_t value = 0;
    int position = 0;
    // What it says beyond its caption, as last set.
    std::string tooltip;
    std::string accessible_name;
    std::string accessible_description;
    std::string accessible_value;
};

struct PostedMessage {
    WindowHandle window;
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

class SimWindowing final : public WindowingPort, public ControlTextsPort, public BoxPort {
public:
    explicit SimWindowing(CallLog& log) : log_(log) {}

    // Knobs.
    bool refuse_windows = false;
    bool font_available = true;
    bool in_foreground = true;      // a window of the program is in front
    int measuring_result = measuring_ready;
    bool refuse_boxes = false;
    // The box font of the fakes: every character 8 x 16 pixels.
    static constexpr int char_width = 8, char_height = 16;
    // The screen a centred box is centred on; the fakes' windows have no frame.
    int screen_width = 1024, screen_height = 768;

    // What happened.
    std::vector<std::string> message_boxes; // "title|text", in order
    std::vector<WindowHandle> destroyed;
    bool script_used_up = false;
    std::size_t texts_sent = 0;          // tooltips and accessible texts set, counted
    int focused = -1;
    std::map<int, SimControl> controls;  // by id (frames are not kept)
    // The timers that run, by window and number, with their periods.
    std::map<std::pair<WindowHandle, unsigned>, unsigned> timers;
    std::vector<ControlSpec> created;    // every control, in creation order

    struct Box {
        std::string title;
        int x, y, width, height; // as asked
        bool centred;
        WindowHandle handle;
    };
    std::vector<Box> boxes;              // every box opened, in order
    struct Window {
        int x, y, width, height; // where it is: client area, no frame
    };
    std::map<WindowHandle, Window> windows; // the windows now open
    std::map<ImageHandle, TextSize> pictures; // every picture made, with its size
    DisplayArea display{100, 100, 0, 0, 1920, 1080, 0, 0}; // what display_at answers, wherever asked
    int drawing_scale = 100;             // as set_drawing_scale set it last
    WindowHandle open_box_handle = 0;    // the box now open, 0 when none
    int focus_before_box = -1;           // given back when the box goes, as a desktop does
    bool measuring = false;

    // Script steps: user actions taken while the program waits.
    void then(std::function<void()> step) { script_.push_back(std::move(step)); }
    void click(int id);                         // toggle: take the focus, flip the pressed state, raise an event
    void step_field(int id, bool up);           // arrow of a frequency field
    void type(int id, const std::string& text); // focus a field, replace its text, raise text_changed
    void leave(int id);                         // the focus leaves the field (when it has it)
    void scroll(int id, int position);          // move a gain bar
    void scroll_by(int id, int steps);          // its arrows or trough: one position a step
    void tab(bool backwards);                   // Tab or Shift+Tab
    void close_main_window();
    void close_box();                           // the close box of the open box
    void press(int id);                         // a push button: take the focus, raise an event
    void shortcut(int which);                   // a key combination of the main window
    void timers_run_out();                      // every timer's period passes once
    void press_key(int key, int modifiers);     // a key where the focus is (windowing_port.h numbers)

    // Same actions, done at once (no script step), for tests that drive a
    // handler directly.
    void click_now(int id);
    void press_now(int id);
    void close_now(WindowHandle window);
    void post_now(const Event& event) { events_.push_back(event); }

    std::size_t pending_messages() const { return messages_.size(); }
    std::size_t pending_events() const { return events_.size(); }
    // Delivers posted messages to the handler until none is left.
    void deliver_messages();

    WindowHandle main_window() const { return first_window_; }

    // WindowingPort
    bool load_control_font(std::string_view face, int points) override;
    DisplayArea display_at(int /*x*/, int /*y*/) override { return display; }
    void set_drawing_scale(int percent) override { drawing_scale = percent; }
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
    int focus() override { return focused; }
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

private:
    SimControl* find(int id);
    void raise(int id, int subtype);
    WindowHandle open(int x, int y, int width, int height);
    void move_focus(int id);
    void step_now(int id, bool up);
    void set_said(int id, std::string SimControl::*text, std::string_view value);

    CallLog& log_;
    MessageHandler handler_;
    std::deque<PostedMessage> messages_;
    std::deque<Event> events_;
    std::deque<std::function<void()>> script_;
    WindowHandle next_window_ = 0x100;
    WindowHandle first_window_ = 0;
    int created_controls_ = 0;
};

} // namespace tonegen::sim
