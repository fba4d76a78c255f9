// The main window's tooltips and what assistive technology reads of it on
// the Qt layer: read back from the widgets and through Qt's accessibility
// interface (what its AT-SPI bridge hands to screen readers) after the
// program has handled a typed frequency and a gain move, as its event loop
// hands them over.
#include "app/program.h"
#include "model/controls.h"
#include "platform/qt/qt_control_texts.h"
#include "platform/qt/qt_windowing.h"
#include "platform/sim/sim_platform.h"
#include "ui/control_texts.h"
#include "ui/main_window.h"
#include "ui/tone_controls.h"

#include <QAccessible>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tonegen::qt {
namespace {

constexpr const char* minus = "\u2212";

std::string said(QWidget* widget, QAccessible::Text which)
{
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
    return control ? control->text(which).toStdString() : "(no interface)";
}

class QtControlTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        apply_defaults(s);
        ASSERT_NE(open_main_window(s, platform, main_window_x, main_window_y, main_window_width, main_window_height,
                                   program_message_handler(s, platform)),
                  0u);
        refresh_controls(s, platform);
        drain_events(platform);
        static_cast<void>(show_control_texts(s, texts));
        ASSERT_TRUE(QTest::qWaitForWindowActive(port.window_widget(platform.main_window)));
    }

    void TearDown() override { port.destroy_window(platform.main_window); }

    // What the event loop does with everything the user caused.
    void handle_pending()
    {
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            if (e.kind == EventKind::control)
                dispatch_control_event(s, platform, e);
    }

    // Every widget shows what the core makes of the record now.
    void expect_widgets_current()
    {
        for (const ControlText& t : control_texts(s)) {
            SCOPED_TRACE(t.control);
            QWidget* w = port.control_widget(t.control);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->toolTip().toStdString(), t.tooltip);
            EXPECT_EQ(said(w, QAccessible::Name), t.accessible_name);
            EXPECT_EQ(said(w, QAccessible::Description), t.tooltip);
            if (!t.accessible_value.empty()) {
                EXPECT_EQ(said(w, QAccessible::Value), t.accessible_value);
            }
        }
    }

    Settings s{};
    QtWindowing port;
    tonegen::qt::QtControlTexts texts{port}; // the port under test, beside the windowing port
    sim::CallLog log;
    sim::SimWindowing unused_windowing{log}; // the fake device's messages would go there; it never opens
    sim::SimWaveOut wave_out{log, unused_windowing};
    sim::SimSoundPlayer player{log};
    sim::SimShell shell{log};
    sim::SimClipboard clipboard{log};
    Platform platform{port, texts, clipboard, port, wave_out, player, shell, Assets{}};
};

TEST_F(QtControlTexts, TypedFrequencyAndGainMoveReachTheWidgetsAtOnce)
{
    expect_widgets_current();
    QWidget* bar = port.control_widget(first_gain_bar + 4);
    EXPECT_EQ(said(bar, QAccessible::Value), std::string("44 per cent, ") + minus + "26.56 dBFS");
    EXPECT_EQ(said(port.control_widget(4), QAccessible::Value), "1000 hertz");

    // Typed into tone 5's field, key by key.
    auto* field = static_cast<QSpinBox*>(port.control_widget(4));
    field->setFocus(Qt::MouseFocusReason);
    field->findChild<QLineEdit*>()->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, "440");
    handle_pending();
    expect_widgets_current();
    EXPECT_EQ(said(field, QAccessible::Value), "440 hertz");
    EXPECT_EQ(bar->toolTip().toStdString().rfind("Tone 5: 440 Hz = A4 \u00B7 gain 44 %", 0), 0u) << bar->toolTip().toStdString();
    EXPECT_EQ(port.control_widget(first_gain_label + 4)->toolTip(), bar->toolTip());

    // Tone 1's bar one step up: its own value and, by the renormalisation,
    // every other tone's level.
    const std::string other_before = said(bar, QAccessible::Value);
    static_cast<QScrollBar*>(port.control_widget(first_gain_bar))->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    handle_pending();
    expect_widgets_current();
    EXPECT_EQ(said(port.control_widget(first_gain_bar), QAccessible::Value).rfind("45 per cent, ", 0), 0u);
    EXPECT_EQ(said(port.control_widget(first_gain_label), QAccessible::Value), "45 per cent");
    EXPECT_NE(said(bar, QAccessible::Value), other_before);
    EXPECT_EQ(said(bar, QAccessible::Value).rfind("44 per cent, ", 0), 0u);
}

TEST_F(QtControlTexts, AccessibilityTreeNamesEveryControlOfTheWindow)
{
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(port.window_widget(platform.main_window));
    ASSERT_NE(window, nullptr);
    struct Seen {
        QAccessible::Role role;
        std::string value;
        QRect rect;
        QAccessibleInterface* node;
    };
    std::map<std::string, Seen> by_name;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        ASSERT_NE(child, nullptr) << i;
        EXPECT_EQ(child->parent(), window) << i;
        EXPECT_EQ(window->indexOfChild(child), i);
        const std::string name = child->text(QAccessible::Name).toStdString();
        if (!name.empty())
            by_name[name] = Seen{child->role(), child->text(QAccessible::Value).toStdString(), child->rect(), child};
    }
    const QPoint origin = port.window_widget(platform.main_window)->mapToGlobal(QPoint(0, 0));
    for (int k = 0; k < tone_slots; ++k) {
        SCOPED_TRACE(k);
        const std::string tone = "tone " + std::to_string(k + 1);
        ASSERT_EQ(by_name.count("Frequency of " + tone), 1u);
        ASSERT_EQ(by_name.count("Gain of " + tone), 1u);
        ASSERT_EQ(by_name.count("Gain in per cent of " + tone), 1u);
        const Seen& field = by_name["Frequency of " + tone];
        const Seen& bar = by_name["Gain of " + tone];
        const Seen& label = by_name["Gain in per cent of " + tone];
        EXPECT_EQ(field.role, QAccessible::SpinBox);
        EXPECT_EQ(field.value, std::to_string(s.tones[k].frequency) + " hertz");
        EXPECT_EQ(bar.role, QAccessible::ScrollBar);
        EXPECT_EQ(bar.value, std::string("44 per cent, ") + minus + "26.56 dBFS");
        EXPECT_EQ(label.role, QAccessible::StaticText);
        EXPECT_EQ(label.value, "44 per cent");
        // Where the layout puts them, on the screen.
        const int row = first_row_y + row_pitch * k;
        EXPECT_EQ(bar.rect, QRect(origin + QPoint(bar_x, row + bar_dy), QSize(bar_width, bar_height)));
        EXPECT_EQ(field.rect, QRect(origin + QPoint(field_x, row + field_dy), QSize(field_width, field_height)));
        // The bar's number is still there for clients that read numbers.
        QAccessibleValueInterface* number = bar.node->valueInterface();
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->currentValue().toInt(), 44);
        EXPECT_EQ(number->maximumValue().toInt(), 100);
        // The field's text is there to read and edit.
        QAccessibleTextInterface* text = field.node->textInterface();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(0, text->characterCount()).toStdString(), std::to_string(s.tones[k].frequency));
    }
    for (const char* toggle : {"ON/OFF", "Sweep", "Pink noise", "About"}) {
        SCOPED_TRACE(toggle);
        ASSERT_EQ(by_name.count(toggle), 1u);
        // A toggle that says whether it is pressed (Qt calls it a check box).
        EXPECT_TRUE(by_name[toggle].node->state().checkable);
    }
    EXPECT_TRUE(by_name["ON/OFF"].node->state().checked); // paused at start
    EXPECT_NE(by_name["ON/OFF"].node->text(QAccessible::Description).indexOf("worst-case peak"), -1);
    // The headings keep their captions as names.
    EXPECT_EQ(by_name.count("Frequency"), 1u);
    EXPECT_EQ(by_name.count("Gain"), 1u);
}

TEST_F(QtControlTexts, ValueSetByAssistiveTechnologyMovesTheBarAsTheHandDoes)
{
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(port.control_widget(first_gain_bar + 2));
    ASSERT_NE(bar, nullptr);
    bar->valueInterface()->setCurrentValue(70);
    handle_pending();
    EXPECT_EQ(s.tones[2].gain, 0.70f);
    EXPECT_EQ(port.text(first_gain_label + 2), "70");
    EXPECT_EQ(bar->text(QAccessible::Value).toStdString().rfind("70 per cent, ", 0), 0u);
    expect_widgets_current();
}

} // namespace
} // namespace tonegen::qt
