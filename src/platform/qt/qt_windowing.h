// The windowing port over Qt Widgets, and the box port beside it (the About
// box's windows, pictures and font are kept with the others).
//
// How it works: every window and control is a plain Qt widget, looked up by
// the number the program gave it. Widget signals and Qt events do not reach
// the program directly; they become tonegen::Event records appended to one
// FIFO owned by this object, and the program takes them out with wait_event
// or poll_event, which run the Qt event loop (processEvents) until the FIFO
// holds something. Window messages (the wave-out device's MM_WOM_DONE, a
// frequency field's EN_KILLFOCUS) travel as Qt posted events to one receiver
// on the GUI thread, so they reach the message handler in posting order and
// only while Qt is dispatching events: inside the event waits and inside a
// message box's own loop, exactly where the program expects them.
//
// A window's timer is a QTimer of this object; its timeout reaches the
// message handler as WM_TIMER while Qt dispatches events, as a posted
// message does.
//
// Windows, messages and events: qt_windowing.cpp; controls: qt_controls.cpp
// (the frequency field: qt_frequency_field.h); boxes: qt_boxes.cpp. What the
// controls say beyond their captions is qt_control_texts.h, the clipboard
// qt_clipboard.h.
#pragma once

#include "platform/box_port.h"
#include "platform/windowing_port.h"

#include <QFont>
#include <QPixmap>

#include <deque>
#include <map>
#include <memory>
#include <optional>

class QObject;
class QPixmap;
class QTimer;
class QWidget;

namespace tonegen::qt {

// One object for both ports: a box is one of the windows, and its controls
// show the pictures and the box font kept here.
class QtWindowing final : public WindowingPort, public BoxPort {
public:
    // Needs the QApplication to exist already; lives on the GUI thread.
    QtWindowing();
    ~QtWindowing() override;
    QtWindowing(const QtWindowing&) = delete;
    QtWindowing& operator=(const QtWindowing&) = delete;

    bool load_control_font(std::string_view face, int points) override;
    DisplayArea display_at(int x, int y) override;
    void set_drawing_scale(int percent) override;
    WindowHandle open_window(std::string_view title, int x, int y, int client_width,
                             int client_height) override;
    void destroy_window(WindowHandle window) override;
    void set_message_handler(MessageHandler handler) override;
    // Unlike the rest of this class, safe to call from any thread: the
    // wave-out device's audio thread posts its completion notices here.
    // This and the other paths that Qt signals and the audio thread run
    // through are noexcept: running out of memory there ends the program
    // instead of unwinding through Qt.
    bool post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                      std::intptr_t lparam) noexcept override;
    void post_event(const Event& event) noexcept override;
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

    // BoxPort
    bool program_in_foreground() override;
    ImageHandle load_picture(std::span<const unsigned char> bitmap_file) override;
    int open_measuring() override;
    TextSize measure_text(std::string_view text) override;
    void close_measuring() override;
    WindowHandle open_box(std::string_view title, int x, int y, int client_width, int client_height,
                          bool centred) override;

    // The widget of a control (for qt_control_texts.h and tests), of a
    // window, the pixmap of a picture (for tests); nullptr when there is none.
    QWidget* control_widget(int id) const;
    QWidget* window_widget(WindowHandle window) const;
    const QPixmap* picture(ImageHandle image) const;

    // Called by the message receiver on the GUI thread for each posted message.
    void deliver_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                         std::intptr_t lparam) noexcept;

private:
    struct Control {
        ControlKind kind;
        QWidget* widget; // owned by its window
        WindowHandle window;
    };

    Control* find_control(int id);
    // Queues a control event unless the program itself is changing the
    // control (creation, set_scroll_position), which raises nothing.
    void raise_control_event(WindowHandle window, int id, int subtype) noexcept;
    Event pop_event();

    std::unique_ptr<QObject> message_receiver_;
    MessageHandler message_handler_;
    std::deque<Event> events_;
    std::map<WindowHandle, std::unique_ptr<QWidget>> windows_;
    std::map<int, Control> controls_;
    std::optional<QFont> control_font_;
    std::optional<QFont> box_font_; // loaded with the first box, kept for the run
    int control_points_ = 0;        // the control font's size at 96 dpi
    int drawing_scale_ = 100;       // per cent, of fonts and pictures
    std::map<ImageHandle, QPixmap> pictures_;
    // The windows' timers, each a QTimer whose timeouts hand WM_TIMER to the
    // message handler (Qt merges timeouts it could not deliver in time).
    std::map<std::pair<WindowHandle, unsigned>, std::unique_ptr<QTimer>> timers_;
    WindowHandle make_window(std::string_view title, int client_width, int client_height, Qt::WindowFlags extra);

    WindowHandle next_window_ = 1;
    int quiet_ = 0; // > 0 while the program changes a control itself
    bool measuring_ = false;
};

// A picture control's pixmap: PICTURE made WIDTH x HEIGHT of the program's
// pixels on a screen of RATIO device pixels to each, in the screen's own
// pixels (smoothly resized unless already that large), so that it stays
// sharp and takes exactly the control's place.
QPixmap picture_at_ratio(const QPixmap& picture, int width, int height, double ratio);

} // namespace tonegen::qt
