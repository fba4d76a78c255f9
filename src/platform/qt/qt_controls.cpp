// The controls of QtWindowing (qt_windowing.h): each a plain Qt widget,
// looked up by its number; the frequency field is qt_frequency_field.h.
#include "platform/qt/qt_windowing.h"

#include "platform/qt/qt_accessibility.h"
#include "platform/qt/qt_frequency_field.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QWidget>

namespace tonegen::qt {

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
            [this, parent, id](int key, int modifiers) { post_event(Event{EventKind::key, parent, id, key, modifiers}); },
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
            label->setPixmap(picture_at_ratio(picture->second, spec.width, spec.height, window->devicePixelRatioF()));
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

int QtWindowing::focus()
{
    // A field's focus is on its editor, inside the field's widget.
    for (const QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        for (const auto& [id, c] : controls_)
            if (c.widget == w)
                return id;
    return -1;
}

QPixmap picture_at_ratio(const QPixmap& picture, int width, int height, double ratio)
{
    const QSize pixels(qRound(width * ratio), qRound(height * ratio));
    QPixmap shown = picture.size() == pixels
                        ? picture
                        : picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Also where the picture was drawn at the screen's size already: without
    // the ratio it would take RATIO times the control's place, cut off.
    shown.setDevicePixelRatio(ratio);
    return shown;
}

} // namespace tonegen::qt
