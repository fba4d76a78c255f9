// How it works: see qt_frequency_field.h.
#include "platform/qt/qt_frequency_field.h"

#include "platform/qt/qt_accessibility.h"
#include "platform/windowing_port.h"

#include "ui/number_text.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>
#include <optional>
#include <utility>

namespace tonegen::qt {

FrequencyField::FrequencyField(QWidget* parent, int minimum, int maximum, std::function<void(int)> raise,
                               std::function<void(int, int)> press, std::function<void()> focus_lost)
    : QSpinBox(parent), raise_(std::move(raise)), press_(std::move(press)), focus_lost_(std::move(focus_lost)),
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

QString FrequencyField::current_text() const
{
    return lineEdit()->text();
}

void FrequencyField::replace_text(const QString& text)
{
    lineEdit()->setText(text);
}

std::int64_t FrequencyField::current_value()
{
    std::int64_t typed = 0;
    if (read_whole_number(current_text(), typed))
        last_value_ = typed;
    return last_value_;
}

void FrequencyField::replace_value(std::int64_t value)
{
    last_value_ = std::clamp<std::int64_t>(value, minimum(), maximum());
    replace_text(QString::number(last_value_));
}

QValidator::State FrequencyField::validate(QString& input, int& /*pos*/) const
{
    std::int64_t typed = 0;
    return read_whole_number(input, typed) ? QValidator::Acceptable : QValidator::Intermediate;
}

void FrequencyField::fixup(QString& /*input*/) const {}

int FrequencyField::valueFromText(const QString& text) const
{
    std::int64_t typed = 0;
    return read_whole_number(text, typed) ? static_cast<int>(typed) : static_cast<int>(last_value_);
}

QString FrequencyField::textFromValue(int value) const
{
    return QString::number(value);
}

// Arrows, plain arrow keys and held arrows all come here. One step is one
// unit, and the arrows never grey out: at the end of the range a step still
// reports itself and leaves the value where it is.
void FrequencyField::stepBy(int steps)
{
    if (steps == 0)
        return;
    replace_value(current_value() + (steps > 0 ? 1 : -1));
    raise_(steps > 0 ? step_up : step_down);
}

QAbstractSpinBox::StepEnabled FrequencyField::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

void FrequencyField::focusOutEvent(QFocusEvent* event)
{
    // The line edit still needs to stop its cursor; the text stays as typed.
    static_cast<void>(QCoreApplication::sendEvent(lineEdit(), event));
    QWidget::focusOutEvent(event);
    // The field's own context menu takes the keyboard only for a moment;
    // the field has not been left.
    if (event->reason() != Qt::PopupFocusReason)
        focus_lost_();
}

void FrequencyField::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange)
        QWidget::changeEvent(event);
    else
        QSpinBox::changeEvent(event);
}

void FrequencyField::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
}

void FrequencyField::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
}

void FrequencyField::keyPressEvent(QKeyEvent* event)
{
    int key = 0;
    switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->ignore();
        return;
    case Qt::Key_Up: key = key_up; break;
    case Qt::Key_Down: key = key_down; break;
    case Qt::Key_PageUp: key = key_page_up; break;
    case Qt::Key_PageDown: key = key_page_down; break;
    default: break;
    }
    const Qt::KeyboardModifiers held = event->modifiers();
    const int modifiers = (held.testFlag(Qt::AltModifier) ? with_alt : 0) |
                          (held.testFlag(Qt::ControlModifier) ? with_ctrl : 0) |
                          (held.testFlag(Qt::ShiftModifier) ? with_shift : 0);
    if (key != 0 && delivered_key(key, modifiers)) {
        event->accept();
        press_(key, modifiers);
    } else if (key == key_page_up || key == key_page_down) {
        event->ignore(); // not a step of ten, as the spin box would make it
    } else {
        QSpinBox::keyPressEvent(event);
    }
}

void FrequencyField::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

bool FrequencyField::read_whole_number(const QString& text, std::int64_t& out) const
{
    const std::optional<std::int64_t> value = whole_number_in_range(text.toStdString(), minimum(), maximum());
    if (value)
        out = *value;
    return value.has_value();
}

} // namespace tonegen::qt
