// What assistive technology reads of the main window's tone rows under Qt.
//
// How it works: Qt's accessibility bridge (AT-SPI on Linux) asks
// QAccessible::queryAccessibleInterface for each widget, and Qt's own
// interfaces read a scroll bar's value as its bare position and a spin box's
// as its text. A factory installed here, which Qt asks before its own, answers
// for the widgets the windowing port marked with mark_described: gain bars,
// frequency fields and text labels. Their interfaces read the value the
// program set (a widget property) and otherwise what Qt's would: the bar
// keeps the numeric value interface, the field its text and editable text
// over its line edit, the label its caption as the name when it has none.
// Name and description stay the widget's own accessibleName and
// accessibleDescription, which Qt announces itself when they change.
#pragma once

#include <QString>

class QWidget;

namespace tonegen::qt {

// Once per process, after the QApplication exists; later calls do nothing.
void install_accessibility();

// Gives `widget` (a QScrollBar, a QSpinBox or a QLabel) the interface above.
// Must come before anything asks for its interface, since Qt keeps the first
// one, and Qt asks at the first change of a widget's range, value or text.
void mark_described(QWidget* widget);

// Sets the value text of a marked widget (empty: its own again) and tells
// listening assistive technology that the value changed.
void set_value_text(QWidget* widget, const QString& text);

} // namespace tonegen::qt
