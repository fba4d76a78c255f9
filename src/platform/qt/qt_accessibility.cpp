// How it works: see qt_accessibility.h.
#include "platform/qt/qt_accessibility.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVariant>
#include <QWidget>

namespace tonegen::qt {

namespace {

constexpr const char* described_property = "tonegen_described";
constexpr const char* value_property = "tonegen_value_text";

QString value_text_of(const QWidget* widget)
{
    return widget->property(value_property).toString();
}

// A control whose value is read as the program says it.
class DescribedControl : public QAccessibleWidget {
public:
    DescribedControl(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            const QString said = value_text_of(widget());
            return said.isEmpty() ? own_value() : said;
        }
        return QAccessibleWidget::text(t);
    }

protected:
    virtual QString own_value() const { return {}; }
};

// A gain bar: the value text above, the position as the numeric value, and
// a value set by assistive technology moves the bar as the user's hand does.
class GainBar final : public DescribedControl, public QAccessibleValueInterface {
public:
    explicit GainBar(QScrollBar* bar) : DescribedControl(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return DescribedControl::interface_cast(t);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant& value) override
    {
        bar()->setSliderPosition(value.toInt());
        bar()->triggerAction(QAbstractSlider::SliderMove);
    }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

protected:
    QString own_value() const override { return QString::number(bar()->value()); }

private:
    QScrollBar* bar() const { return static_cast<QScrollBar*>(widget()); }
};

// A frequency field: the value text above, and the text of its line edit to
// read and edit, as Qt's own spin box interface offers it.
class FrequencyField final : public DescribedControl,
                             public QAccessibleValueInterface,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
public:
    explicit FrequencyField(QAbstractSpinBox* field) : DescribedControl(field, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (edit() == nullptr)
            return DescribedControl::interface_cast(t);
        switch (t) {
        case QAccessible::ValueInterface:
            return static_cast<QAccessibleValueInterface*>(this);
        case QAccessible::TextInterface:
            return static_cast<QAccessibleTextInterface*>(this);
        case QAccessible::EditableTextInterface:
            return static_cast<QAccessibleEditableTextInterface*>(this);
        default:
            return DescribedControl::interface_cast(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = DescribedControl::state();
        s.editable = true;
        return s;
    }

    using DescribedControl::text;

    // Value: the number in the field, if it holds one. Setting it is typing it.
    QVariant currentValue() const override
    {
        bool whole = false;
        const int value = edit()->text().toInt(&whole);
        return whole ? QVariant(value) : QVariant();
    }
    void setCurrentValue(const QVariant& value) override { edit()->setText(QString::number(value.toLongLong())); }
    QVariant maximumValue() const override { return field()->property("maximum"); }
    QVariant minimumValue() const override { return field()->property("minimum"); }
    QVariant minimumStepSize() const override { return 1; }

    // Text and editable text: the line edit's.
    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index == 0 && edit()->hasSelectedText()) {
            *start = edit()->selectionStart();
            *end = *start + static_cast<int>(edit()->selectedText().size());
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { edit()->setSelection(start, end - start); }
    void removeSelection(int /*index*/) override { edit()->deselect(); }
    void setSelection(int /*index*/, int start, int end) override { edit()->setSelection(start, end - start); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int start, int end) const override { return edit()->text().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(edit()->text().size()); }
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int /*start*/, int end) override { edit()->setCursorPosition(end); }
    QString attributes(int /*offset*/, int* start, int* end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }
    void deleteText(int start, int end) override { edit()->setText(edit()->text().remove(start, end - start)); }
    void insertText(int offset, const QString& text) override { edit()->setText(edit()->text().insert(offset, text)); }
    void replaceText(int start, int end, const QString& text) override
    {
        edit()->setText(edit()->text().replace(start, end - start, text));
    }

protected:
    QString own_value() const override { return edit() ? edit()->text() : QString(); }

private:
    QAbstractSpinBox* field() const { return static_cast<QAbstractSpinBox*>(widget()); }
    QLineEdit* edit() const { return field()->findChild<QLineEdit*>(); }
};

// A text label: its caption is its name until it is given one.
class TextLabel final : public DescribedControl {
public:
    explicit TextLabel(QLabel* label) : DescribedControl(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel*>(widget())->text();
        return DescribedControl::text(t);
    }
};

QAccessibleInterface* described_controls(const QString& /*class_name*/, QObject* object)
{
    if (object == nullptr || !object->isWidgetType() || !object->property(described_property).toBool())
        return nullptr;
    if (auto* bar = qobject_cast<QScrollBar*>(object))
        return new GainBar(bar);
    if (auto* field = qobject_cast<QAbstractSpinBox*>(object))
        return new FrequencyField(field);
    if (auto* label = qobject_cast<QLabel*>(object))
        return new TextLabel(label);
    return nullptr;
}

} // namespace

void install_accessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&described_controls);
        return true;
    }();
    static_cast<void>(installed);
}

void mark_described(QWidget* widget)
{
    widget->setProperty(described_property, true);
}

void set_value_text(QWidget* widget, const QString& text)
{
    widget->setProperty(value_property, text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(widget, text);
        QAccessible::updateAccessibility(&changed);
    }
}

} // namespace tonegen::qt
