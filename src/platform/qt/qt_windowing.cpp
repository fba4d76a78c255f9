// How it works: see qt_windowing.h. In short, a click, a step, a keystroke
// or a close box becomes a tonegen::Event in this object's FIFO; a posted
// window message becomes a Qt event for `MessageReceiver`, which hands it to
// the program's message handler when Qt dispatches it. The frequency field is
// a QSpinBox taught to leave its text alone: the program, not Qt, decides
// what typed text means and rewrites it when the field loses the focus.
#include "platform/qt/qt_windowing.h"

#include "platform/qt/qt_accessibility.h"

#include "formats/bitmap_file.h"
#include "ui/number_text.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QCloseEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QString>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace tonegen::qt {

namespace {

QString to_qstring(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

// The frequency field: an edit box with up/down arrows whose text is
// whatever the user typed until the program rewrites it.
//
// QAbstractSpinBox normally reinterprets and rewrites its text when it loses
// the focus, when its window is deactivated, shown or hidden, and on Enter;
// all of these are cut off here. validate() accepts every text (Intermediate
// when it is not a whole number in range), so any character can be typed and
// nothing is ever "fixed up". The value follows the field rule of the port:
// the text when it is a whole decimal number within range, else the last one.
class FrequencyField final : public QSpinBox {
public:
    FrequencyField(QWidget* parent, int minimum, int maximum, std::function<void(int)> raise,
                   std::function<void()> focus_lost)
        : QSpinBox(parent), raise_(std::move(raise)), focus_lost_(std::move(focus_lost)),
          last_value_(minimum)
    {
        // Before the first change below makes Qt ask for its interface.
        mark_described(this);
        setRange(minimum, maximum);
        setSingleStep(1);
        setKeyboardTracking(true);
        setGroupSeparatorShown(false);
        setAccelerated(false);
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    }

    QLineEdit* editor() const { return lineEdit(); }
    QString current_text() const { return lineEdit()->text(); }
    void replace_text(const QString& text) { lineEdit()->setText(text); }

    std::int64_t current_value()
    {
        std::int64_t typed = 0;
        if (read_whole_number(current_text(), typed))
            last_value_ = typed;
        return last_value_;
    }

    void replace_value(std::int64_t value)
    {
        last_value_ = std::clamp<std::int64_t>(value, minimum(), maximum());
        replace_text(QString::number(last_value_));
    }

protected:
    QValidator::State validate(QString& input, int& /*pos*/) const override
    {
        std::int64_t typed = 0;
        return read_whole_number(input, typed) ? QValidator::Acceptable : QValidator::Intermediate;
    }

    void fixup(QString& /*input*/) const override {}

    int valueFromText(const QString& text) const override
    {
        std::int64_t typed = 0;
        return read_whole_number(text, typed) ? static_cast<int>(typed) : static_cast<int>(last_value_);
    }

    QString textFromValue(int value) const override { return QString::number(value); }

    // Arrows, arrow keys and held arrows all come here. One step is one unit
    // whatever modifier is held, and the arrows never grey out: at the end of
    // the range a step still reports itself and leaves the value where it is.
    void stepBy(int steps) override
    {
        if (steps == 0)
            return;
        replace_value(current_value() + (steps > 0 ? 1 : -1));
        raise_(steps > 0 ? step_up : step_down);
    }

    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

    void focusOutEvent(QFocusEvent* event) override
    {
        // The line edit still needs to stop its cursor; the text stays as typed.
        static_cast<void>(QCoreApplication::sendEvent(lineEdit(), event));
        QWidget::focusOutEvent(event);
        // The field's own context menu takes the keyboard only for a moment;
        // the field has not been left.
        if (event->reason() != Qt::PopupFocusReason)
            focus_lost_();
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::ActivationChange)
            QWidget::changeEvent(event);
        else
            QSpinBox::changeEvent(event);
    }

    void showEvent(QShowEvent* event) override { QWidget::showEvent(event); }
    void hideEvent(QHideEvent* event) override { QWidget::hideEvent(event); }

    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            event->ignore();
            return;
        default:
            QSpinBox::keyPressEvent(event);
        }
    }

    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

private:
    bool read_whole_number(const QString& text, std::int64_t& out) const
    {
        const std::optional<std::int64_t> value =
            whole_number_in_range(text.toStdString(), minimum(), maximum());
        if (value)
            out = *value;
        return value.has_value();
    }

    std::function<void(int)> raise_;
    std::function<void()> focus_lost_;
    std::int64_t last_value_;
};

} // namespace

QtWindowing::QtWindowing() : message_receiver_(std::make_unique<MessageReceiver>(*this))
{
    install_accessibility();
}

QtWindowing::~QtWindowing()
{
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
    return true;
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

WindowHandle QtWindowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                   bool centred)
{
    const WindowHandle handle = make_window(title, client_width, client_height, Qt::WindowStaysOnTopHint);
    if (handle == 0)
        return 0;
    QWidget* box = windows_.at(handle).get();
    box->move(x, y);
    box->show();
    // The frame is known once the box is shown; the whole box is centred.
    if (const QScreen* screen = QGuiApplication::primaryScreen(); centred && screen) {
        const QRect area = screen->geometry();
        const QSize outer = box->frameGeometry().size();
        box->move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
    box->raise();
    box->activateWindow();
    return handle;
}

std::string QtWindowing::clipboard_text()
{
    return QGuiApplication::clipboard()->text().toStdString();
}

void QtWindowing::set_clipboard_text(std::string_view text)
{
    QGuiApplication::clipboard()->setText(to_qstring(text));
}

bool QtWindowing::program_in_foreground()
{
    const QWidget* active = QApplication::activeWindow();
    if (!active)
        return false;
    return std::any_of(windows_.begin(), windows_.end(),
                       [active](const auto& w) { return w.second.get() == active; });
}

ImageHandle QtWindowing::load_picture(std::span<const unsigned char> bitmap_file)
{
    // Qt's reader takes what it can of a cut-off image; the program's own
    // check refuses it, as on every platform.
    QImage image;
    if (!bitmap_file_parts(bitmap_file) ||
        !image.loadFromData(bitmap_file.data(), static_cast<int>(bitmap_file.size()), "BMP"))
        return 0;
    const ImageHandle handle = pictures_.size() + 1;
    pictures_[handle] = QPixmap::fromImage(image);
    return handle;
}

int QtWindowing::open_measuring()
{
    // The fixed-pitch system font at 10 points stands for "system fixed".
    if (!box_font_) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
        font.setWeight(QFont::Normal);
        // Whole-pixel cells, as a bitmap font has: the About layout adds up
        // the widths of words measured one by one.
        font.setHintingPreference(QFont::PreferFullHinting);
        box_font_ = font;
    }
    measuring_ = true;
    return measuring_ready;
}

TextSize QtWindowing::measure_text(std::string_view text)
{
    if (!measuring_)
        return {0, 0};
    const QFontMetrics metrics(*box_font_);
    return {metrics.horizontalAdvance(to_qstring(text)), metrics.height()};
}

void QtWindowing::close_measuring()
{
    measuring_ = false;
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

bool QtWindowing::create_control(WindowHandle parent, const ControlSpec& spec)
{
    const auto it = windows_.find(parent);
    if (it == windows_.end() || (spec.id >= 0 && controls_.count(spec.id) != 0))
        return false;
    QWidget* window = it->second.get();
    const int id = spec.id;
    const QString caption = to_qstring(spec.caption);

    ++quiet_;
    QWidget* widget = nullptr;
    switch (spec.kind) {
    case ControlKind::toggle_button:
    case ControlKind::push_button: {
        auto* button = new QPushButton(caption, window);
        button->setCheckable(spec.kind == ControlKind::toggle_button);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
        // A toggle's pressed state has flipped by the time `clicked` arrives.
        static_cast<void>(QObject::connect(button, &QPushButton::clicked, button,
                                           [this, parent, id] { raise_control_event(parent, id, 0); }));
        widget = button;
        break;
    }
    case ControlKind::frame: {
        auto* frame = new QGroupBox(window);
        frame->setFocusPolicy(Qt::NoFocus);
        widget = frame;
        break;
    }
    case ControlKind::text_label: {
        auto* label = new QLabel(window);
        if (id >= 0)
            mark_described(label);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        label->setText(caption);
        widget = label;
        break;
    }
    case ControlKind::frequency_field: {
        auto* field = new FrequencyField(
            window, spec.range_min, spec.range_max,
            [this, parent, id](int subtype) { raise_control_event(parent, id, subtype); },
            [this, parent, id] {
                static_cast<void>(post_message(parent, WM_COMMAND,
                                               (std::uintptr_t{EN_KILLFOCUS} << 16) |
                                                   static_cast<std::uintptr_t>(id & 0xFFFF),
                                               0));
            });
        field->setFocusPolicy(Qt::StrongFocus);
        field->replace_text(caption);
        // Every change of the text, typed or set, is reported.
        static_cast<void>(QObject::connect(field->editor(), &QLineEdit::textChanged, field, [this, parent, id] {
            raise_control_event(parent, id, text_changed);
        }));
        widget = field;
        break;
    }
    case ControlKind::picture: {
        auto* label = new QLabel(window);
        label->setFocusPolicy(Qt::NoFocus);
        const auto picture = pictures_.find(spec.image);
        if (picture != pictures_.end())
            label->setPixmap(picture->second);
        widget = label;
        break;
    }
    case ControlKind::gain_scroll_bar: {
        auto* bar = new QScrollBar(Qt::Horizontal, window);
        mark_described(bar);
        bar->setRange(spec.range_min, spec.range_max);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setTracking(true);
        bar->setFocusPolicy(Qt::NoFocus);
        // Every move of the user's (arrows, trough, thumb, wheel) is an
        // action, also one that finds the bar at its end; the program's
        // setValue is none. The action has set the slider's position, and
        // the value follows it before the program takes the event.
        static_cast<void>(QObject::connect(bar, &QScrollBar::actionTriggered, bar,
                                           [this, parent, id] { raise_control_event(parent, id, 0); }));
        widget = bar;
        break;
    }
    }
    if (spec.font == ControlFont::box && box_font_)
        widget->setFont(*box_font_);
    else if (spec.font == ControlFont::controls && control_font_)
        widget->setFont(*control_font_);
    widget->setGeometry(spec.x, spec.y, spec.width, spec.height);
    // Its number as its name, as a Win32 control keeps its ID: tools that
    // look into the process find the control by it.
    if (id >= 0)
        widget->setObjectName(QString::number(id));
    widget->show();
    --quiet_;

    // Anonymous frames are never addressed again; their window owns them.
    if (id >= 0)
        static_cast<void>(controls_.emplace(id, Control{spec.kind, widget, parent}));
    return true;
}

QtWindowing::Control* QtWindowing::find_control(int id)
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

bool QtWindowing::checked(int id)
{
    const Control* c = find_control(id);
    if (!c || c->kind != ControlKind::toggle_button)
        return false;
    return static_cast<QPushButton*>(c->widget)->isChecked();
}

void QtWindowing::set_checked(int id, bool pressed)
{
    const Control* c = find_control(id);
    if (c && c->kind == ControlKind::toggle_button)
        static_cast<QPushButton*>(c->widget)->setChecked(pressed);
}

std::string QtWindowing::text(int id)
{
    const Control* c = find_control(id);
    if (!c)
        return {};
    switch (c->kind) {
    case ControlKind::toggle_button:
    case ControlKind::push_button:
        return static_cast<QPushButton*>(c->widget)->text().toStdString();
    case ControlKind::text_label:
        return static_cast<QLabel*>(c->widget)->text().toStdString();
    case ControlKind::frequency_field:
        return static_cast<FrequencyField*>(c->widget)->current_text().toStdString();
    case ControlKind::frame:
    case ControlKind::gain_scroll_bar:
    case ControlKind::picture:
        break;
    }
    return {};
}

void QtWindowing::set_text(int id, std::string_view text)
{
    const Control* c = find_control(id);
    if (!c)
        return;
    const QString t = to_qstring(text);
    switch (c->kind) {
    case ControlKind::toggle_button:
    case ControlKind::push_button:
        static_cast<QPushButton*>(c->widget)->setText(t);
        break;
    case ControlKind::text_label:
        static_cast<QLabel*>(c->widget)->setText(t);
        break;
    case ControlKind::frequency_field:
        // Exactly one text_changed per call, also when the text stays the same.
        ++quiet_;
        static_cast<FrequencyField*>(c->widget)->replace_text(t);
        --quiet_;
        raise_control_event(c->window, id, text_changed);
        break;
    case ControlKind::frame:
    case ControlKind::gain_scroll_bar:
    case ControlKind::picture:
        break;
    }
}

std::int64_t QtWindowing::field_value(int id)
{
    const Control* c = find_control(id);
    if (!c || c->kind != ControlKind::frequency_field)
        return 0;
    return static_cast<FrequencyField*>(c->widget)->current_value();
}

void QtWindowing::set_field_value(int id, std::int64_t value)
{
    const Control* c = find_control(id);
    if (!c || c->kind != ControlKind::frequency_field)
        return;
    ++quiet_;
    static_cast<FrequencyField*>(c->widget)->replace_value(value);
    --quiet_;
    raise_control_event(c->window, id, text_changed);
}

int QtWindowing::scroll_position(int id)
{
    const Control* c = find_control(id);
    if (!c || c->kind != ControlKind::gain_scroll_bar)
        return 0;
    return static_cast<QScrollBar*>(c->widget)->sliderPosition();
}

void QtWindowing::set_scroll_position(int id, int position)
{
    const Control* c = find_control(id);
    if (!c || c->kind != ControlKind::gain_scroll_bar)
        return;
    ++quiet_;
    static_cast<QScrollBar*>(c->widget)->setValue(position);
    --quiet_;
}

void QtWindowing::set_focus(int id)
{
    if (const Control* c = find_control(id))
        c->widget->setFocus(Qt::OtherFocusReason);
}

void QtWindowing::set_tooltip(int id, std::string_view text)
{
    const Control* c = find_control(id);
    if (!c)
        return;
    const QString t = to_qstring(text);
    c->widget->setToolTip(t);
    // A tooltip already up over this control shows the new text at once.
    if (QToolTip::isVisible() && c->widget->underMouse())
        QToolTip::showText(QCursor::pos(), t, c->widget);
}

void QtWindowing::set_accessible_name(int id, std::string_view text)
{
    if (const Control* c = find_control(id))
        c->widget->setAccessibleName(to_qstring(text));
}

void QtWindowing::set_accessible_description(int id, std::string_view text)
{
    if (const Control* c = find_control(id))
        c->widget->setAccessibleDescription(to_qstring(text));
}

void QtWindowing::set_accessible_value(int id, std::string_view text)
{
    if (const Control* c = find_control(id))
        set_value_text(c->widget, to_qstring(text));
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

const QPixmap* QtWindowing::picture(ImageHandle image) const
{
    const auto it = pictures_.find(image);
    return it == pictures_.end() ? nullptr : &it->second;
}

} // namespace tonegen::qt
