// How it works: see qt_windowing.h. In short, a click, a step, a keystroke
// or a close box becomes a tonegen::Event in this object's FIFO; a posted
// window message becomes a Qt event for `MessageReceiver`, which hands it to
// the program's message handler when Qt dispatches it. The controls are in
// qt_controls.cpp, the boxes in qt_boxes.cpp.
#include "platform/qt/qt_windowing.h"

#include "platform/qt/qt_accessibility.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace tonegen::qt {

namespace {

// A window message in transit from post_message to the message handler.
class PostedMessage final : public QEvent {
public:
    static QEvent::Type event_type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    PostedMessage(WindowHandle window, unsigned message, std::uintptr_t wparam, std::intptr_t lparam)
        : QEvent(event_type()), window(window), message(message), wparam(wparam), lparam(lparam)
    {
    }

    const WindowHandle window;
    const unsigned message;
    const std::uintptr_t wparam;
    const std::intptr_t lparam;
};

// Lives on the GUI thread; Qt queues events posted to it from any thread in
// posting order, which gives window messages their FIFO order.
class MessageReceiver final : public QObject {
public:
    explicit MessageReceiver(QtWindowing& port) : port_(port) {}

    bool event(QEvent* event) override
    {
        if (event->type() != PostedMessage::event_type())
            return QObject::event(event);
        const auto* m = static_cast<const PostedMessage*>(event);
        port_.deliver_message(m->window, m->message, m->wparam, m->lparam);
        return true;
    }

private:
    QtWindowing& port_;
};

// A top-level window whose close box asks the program instead of closing:
// the program destroys the window itself when it agrees.
class TopWindow final : public QWidget {
public:
    TopWindow(std::function<void()> on_close, Qt::WindowFlags extra)
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint | extra),
          on_close_(std::move(on_close))
    {
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        on_close_();
    }

private:
    std::function<void()> on_close_;
};

} // namespace

QtWindowing::QtWindowing() : message_receiver_(std::make_unique<MessageReceiver>(*this))
{
    install_accessibility();
}

QtWindowing::~QtWindowing()
{
    timers_.clear();
    // Controls belong to their windows; forget them before the windows go.
    controls_.clear();
    windows_.clear();
}

bool QtWindowing::load_control_font(std::string_view face, int points)
{
    if (face.empty() || points <= 0)
        return false;
    // fontconfig answers a face it lacks with its nearest match (Arial with
    // a metric-compatible face on Debian), so a font can always be made.
    QFont font(to_qstring(face));
    font.setPointSize(points);
    control_font_ = font;
    control_points_ = points;
    set_drawing_scale(drawing_scale_);
    return true;
}

DisplayArea QtWindowing::display_at(int x, int y)
{
    // Qt draws the program's pixels at the screen's own scale (from Xft.dpi
    // on X11, or the desktop's setting): the layout stays in Qt's pixels,
    // and the work area is measured in them too. The frame is the window
    // manager's, unknown before a window is shown.
    DisplayArea display;
    const QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return display;
    const QRect area = screen->availableGeometry();
    display.device_percent = static_cast<int>(screen->devicePixelRatio() * 100.0 + 0.5);
    display.x = area.x();
    display.y = area.y();
    display.width = area.width();
    display.height = area.height();
    // At a fractional scale Qt rounds a window's place and its size apart,
    // which can take the window a screen pixel past the area's edge.
    if (display.device_percent % 100 != 0) {
        --display.width;
        --display.height;
    }
    return display;
}

void QtWindowing::set_drawing_scale(int percent)
{
    drawing_scale_ = percent;
    if (control_font_ && control_points_ > 0) {
        if (percent == 100)
            control_font_->setPointSize(control_points_);
        else
            control_font_->setPointSizeF(control_points_ * percent / 100.0);
    }
    box_font_.reset(); // made again at the new scale by the next box
}

WindowHandle QtWindowing::make_window(std::string_view title, int client_width, int client_height,
                                      Qt::WindowFlags extra)
{
    if (client_width <= 0 || client_height <= 0)
        return 0;
    const WindowHandle handle = next_window_++;
    auto window = std::make_unique<TopWindow>(
        [this, handle] { post_event(Event{EventKind::close, handle, 0, 0}); }, extra);
    window->setWindowTitle(to_qstring(title));
    window->setFixedSize(client_width, client_height);
    window->setBackgroundRole(QPalette::Window);
    window->setAutoFillBackground(true);
    static_cast<void>(windows_.emplace(handle, std::move(window)));
    return handle;
}

WindowHandle QtWindowing::open_window(std::string_view title, int x, int y, int client_width,
                                      int client_height)
{
    const WindowHandle handle = make_window(title, client_width, client_height, {});
    if (handle == 0)
        return 0;
    QWidget* window = windows_.at(handle).get();
    // The main window's key combinations, whichever of its controls has the focus.
    const std::pair<QKeySequence, int> shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), copy_setup_shortcut},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), paste_setup_shortcut},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), catch_sweep_shortcut},
    };
    for (const auto& [keys, which] : shortcuts) {
        auto* shortcut = new QShortcut(keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        static_cast<void>(QObject::connect(shortcut, &QShortcut::activated, window, [this, handle, which = which] {
            post_event(Event{EventKind::shortcut, handle, which, 0});
        }));
    }
    window->move(x, y); // the frame's corner, as the platform places windows
    window->show();
    window->raise();
    window->activateWindow();
    return handle;
}

void QtWindowing::destroy_window(WindowHandle window)
{
    const auto it = windows_.find(window);
    if (it == windows_.end())
        return;
    for (auto c = controls_.begin(); c != controls_.end();) {
        if (c->second.window == window)
            c = controls_.erase(c);
        else
            ++c;
    }
    std::erase_if(timers_, [window](const auto& entry) { return entry.first.first == window; });
    const bool was_active = QApplication::activeWindow() == it->second.get();
    windows_.erase(it);
    // The window opened last before it becomes the active one again, with
    // the focus where it was, as a desktop's window manager does; without
    // one (a bare X server) nothing else would give the keyboard back.
    if (was_active && !windows_.empty())
        windows_.rbegin()->second->activateWindow();
}

void QtWindowing::set_message_handler(MessageHandler handler)
{
    message_handler_ = std::move(handler);
}

bool QtWindowing::post_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                               std::intptr_t lparam) noexcept
{
    // postEvent takes ownership and is thread-safe; events posted to one
    // receiver are dispatched in the order they were posted.
    QCoreApplication::postEvent(message_receiver_.get(), new PostedMessage(window, message, wparam, lparam));
    return true;
}

void QtWindowing::deliver_message(WindowHandle window, unsigned message, std::uintptr_t wparam,
                                  std::intptr_t lparam) noexcept
{
    // As on the desktop, a message for a window that no longer exists is lost.
    if (message_handler_ && windows_.count(window) != 0)
        message_handler_(window, message, wparam, lparam);
}

bool QtWindowing::set_timer(WindowHandle window, unsigned id, unsigned milliseconds)
{
    if (windows_.count(window) == 0)
        return false;
    std::unique_ptr<QTimer>& timer = timers_[{window, id}];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        static_cast<void>(QObject::connect(timer.get(), &QTimer::timeout, message_receiver_.get(),
                                           [this, window, id] { deliver_message(window, WM_TIMER, id, 0); }));
    }
    timer->start(static_cast<int>(milliseconds));
    return true;
}

void QtWindowing::kill_timer(WindowHandle window, unsigned id)
{
    timers_.erase({window, id});
}

void QtWindowing::post_event(const Event& event) noexcept
{
    events_.push_back(event);
}

Event QtWindowing::pop_event()
{
    const Event event = events_.front();
    events_.pop_front();
    return event;
}

Event QtWindowing::wait_event()
{
    // Messages posted before this wait are handled before an event that is
    // already queued is handed out, as they would be on the desktop.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (events_.empty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return pop_event();
}

Event QtWindowing::poll_event()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (events_.empty())
        return Event{};
    return pop_event();
}

void QtWindowing::message_box(WindowHandle owner, std::string_view title, std::string_view text)
{
    const auto it = windows_.find(owner);
    QWidget* parent = it == windows_.end() ? nullptr : it->second.get();
    QMessageBox box(QMessageBox::NoIcon, to_qstring(title), to_qstring(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    // exec() runs a nested Qt loop, so completion notices keep being handled.
    static_cast<void>(box.exec());
}

void QtWindowing::raise_control_event(WindowHandle window, int id, int subtype) noexcept
{
    if (quiet_ == 0)
        post_event(Event{EventKind::control, window, id, subtype});
}

QWidget* QtWindowing::control_widget(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second.widget;
}

QWidget* QtWindowing::window_widget(WindowHandle window) const
{
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.get();
}

} // namespace tonegen::qt
