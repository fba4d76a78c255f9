// How it works: see qt_control_texts.h.
#include "platform/qt/qt_control_texts.h"

#include "platform/qt/qt_accessibility.h"
#include "platform/qt/qt_text.h"

#include <QCursor>
#include <QToolTip>
#include <QWidget>

namespace tonegen::qt {

void QtControlTexts::set_tooltip(int id, std::string_view text)
{
    QWidget* widget = windowing_.control_widget(id);
    if (!widget)
        return;
    const QString t = to_qstring(text);
    widget->setToolTip(t);
    // A tooltip already up over this control shows the new text at once.
    if (QToolTip::isVisible() && widget->underMouse())
        QToolTip::showText(QCursor::pos(), t, widget);
}

void QtControlTexts::set_accessible_name(int id, std::string_view text)
{
    if (QWidget* widget = windowing_.control_widget(id))
        widget->setAccessibleName(to_qstring(text));
}

void QtControlTexts::set_accessible_description(int id, std::string_view text)
{
    if (QWidget* widget = windowing_.control_widget(id))
        widget->setAccessibleDescription(to_qstring(text));
}

void QtControlTexts::set_accessible_value(int id, std::string_view text)
{
    if (QWidget* widget = windowing_.control_widget(id))
        set_value_text(widget, to_qstring(text));
}

} // namespace tonegen::qt
