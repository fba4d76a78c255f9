// The frequency field under Qt: an edit box with up/down arrows whose text
// is whatever the user typed until the program rewrites it.
//
// How it works: a QSpinBox taught to leave its text alone. QAbstractSpinBox
// normally reinterprets and rewrites its text when it loses the focus, when
// its window is deactivated, shown or hidden, and on Enter; all of these are
// cut off here. validate() accepts every text (Intermediate when it is not a
// whole number in range), so any character can be typed and nothing is ever
// "fixed up". The value follows the field rule of the windowing port: the
// text when it is a whole decimal number within range, else the last one.
// Steps (arrows, plain arrow keys, held arrows) go one unit, never grey
// out, and report themselves through `raise`; the keys the windowing port
// delivers (Up and Down with Shift or Ctrl, PageUp and PageDown) change
// nothing here and report through `press`; leaving the field reports
// through `focus_lost`.
#pragma once

#include <QSpinBox>
#include <QString>

#include <cstdint>
#include <functional>

class QLineEdit;

namespace tonegen::qt {

class FrequencyField final : public QSpinBox {
public:
    // `raise` takes step_up or step_down, `press` a key and its modifiers
    // (windowing_port.h); all run on the GUI thread.
    FrequencyField(QWidget* parent, int minimum, int maximum, std::function<void(int)> raise,
                   std::function<void(int, int)> press, std::function<void()> focus_lost);

    QLineEdit* editor() const { return lineEdit(); }
    QString current_text() const;
    void replace_text(const QString& text);

    // The field rule: the text's number when it is one within range, else
    // the last value.
    std::int64_t current_value();
    // Clamps into the range and rewrites the text as the plain number.
    void replace_value(std::int64_t value);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool read_whole_number(const QString& text, std::int64_t& out) const;

    std::function<void(int)> raise_;
    std::function<void(int, int)> press_;
    std::function<void()> focus_lost_;
    std::int64_t last_value_;
};

} // namespace tonegen::qt
