// The Qt windowing port against its contract, on Qt's offscreen platform:
// real widgets, real keystrokes and clicks, no display.
#include "platform/qt/qt_windowing.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tonegen::qt {
namespace {

constexpr int field = 3;
constexpr int other_field = 4;
constexpr int toggle = 163;
constexpr int bar = 23;

struct Message {
    WindowHandle window;
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

class QtWindowingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(port.load_control_font("Arial", 8));
        window = port.open_window("test window", 10, 10, 300, 200);
        ASSERT_NE(window, 0u);
        port.set_message_handler([this](WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
            messages.push_back({w, m, wp, lp});
        });
        ASSERT_TRUE(port.create_control(window, {toggle, ControlKind::toggle_button, 10, 10, 50, 28, "OFF"}));
        ASSERT_TRUE(port.create_control(window, {field, ControlKind::frequency_field, 10, 50, 78, 20, "", 22, 22050}));
        ASSERT_TRUE(
            port.create_control(window, {other_field, ControlKind::frequency_field, 10, 80, 78, 20, "", 22, 22050}));
        ASSERT_TRUE(port.create_control(window, {bar, ControlKind::gain_scroll_bar, 100, 50, 100, 14, "", 0, 100}));
        top = find_top("test window");
        ASSERT_NE(top, nullptr);
        top->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(top));
        drain();
        messages.clear();
    }

    void TearDown() override { port.destroy_window(window); }

    static QWidget* find_top(const QString& title)
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == title)
                return w;
        }
        return nullptr;
    }

    template <typename T>
    T* control_widget(int index)
    {
        const QList<T*> all = top->findChildren<T*>(QString(), Qt::FindDirectChildrenOnly);
        return all.value(index);
    }

    QSpinBox* spin(int which) { return control_widget<QSpinBox>(which); }

    std::vector<Event> drain()
    {
        std::vector<Event> events;
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            events.push_back(e);
        return events;
    }

    static std::vector<int> subtypes_of(const std::vector<Event>& events, int control)
    {
        std::vector<int> out;
        for (const Event& e : events) {
            if (e.kind == EventKind::control && e.control == control)
                out.push_back(e.subtype);
        }
        return out;
    }

    QtWindowing port;
    WindowHandle window = 0;
    QWidget* top = nullptr;
    std::vector<Message> messages;
};

TEST_F(QtWindowingTest, TypedTextSurvivesFocusLossAndValueFollowsTheFieldRule)
{
    struct Case {
        const char* typed;
        std::int64_t value; // read back, the field having held 80 before
    };
    const Case cases[] = {
        {"abc", 80},    {" 1000Hz", 80},     {"$3E8", 80}, {"-5", 80},    {"30000", 80},
        {"%1111101000", 80}, {"1000", 1000}, {"22050", 22050}, {"21", 80}, {"", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        port.set_field_value(field, 80);
        port.set_focus(field);
        drain();
        messages.clear();
        spin(0)->findChild<QLineEdit*>()->selectAll();
        QTest::keyClick(spin(0), Qt::Key_Delete);
        QTest::keyClicks(spin(0), QString::fromUtf8(c.typed));
        port.set_focus(other_field);
        const std::vector<Event> events = drain();

        EXPECT_EQ(port.text(field), c.typed);
        EXPECT_EQ(port.field_value(field), c.value);
        // Every keystroke that changed the text was reported.
        EXPECT_GE(subtypes_of(events, field).size(), std::string(c.typed).size());
        for (int s : subtypes_of(events, field))
            EXPECT_EQ(s, text_changed);
        // Leaving the field reaches the message handler as EN_KILLFOCUS, once.
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].window, window);
        EXPECT_EQ(messages[0].message, WM_COMMAND);
        EXPECT_EQ(messages[0].wparam, (std::uintptr_t{EN_KILLFOCUS} << 16) | field);
        EXPECT_EQ(messages[0].lparam, 0);
        messages.clear();
    }
}

TEST_F(QtWindowingTest, EnterLeavesTheTextAsTyped)
{
    port.set_focus(field);
    QTest::keyClicks(spin(0), "$3E8");
    QTest::keyClick(spin(0), Qt::Key_Return);
    drain();
    EXPECT_EQ(port.text(field), "$3E8");
}

TEST_F(QtWindowingTest, StepsApplyClampedBeforeTheirEvent)
{
    struct Case {
        const char* text; // the field's text before the step, its last value 500
        Qt::Key key;
        std::string after;
        int subtype;
    };
    const Case cases[] = {
        {"500", Qt::Key_Up, "501", step_up},
        {"500", Qt::Key_Down, "499", step_down},
        {"22050", Qt::Key_Up, "22050", step_up},
        {"22", Qt::Key_Down, "22", step_down},
        {"abc", Qt::Key_Up, "501", step_up},     // not a number: steps from the last value
        {"30000", Qt::Key_Down, "499", step_down}, // out of range: likewise
        {"600", Qt::Key_PageUp, "600", -1},       // not a step here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " " + c.after);
        port.set_field_value(field, 500);
        port.set_text(field, c.text);
        port.set_focus(field);
        drain();
        QTest::keyClick(spin(0), c.key);
        const std::vector<int> subtypes = subtypes_of(drain(), field);
        EXPECT_EQ(port.text(field), c.after);
        if (c.subtype < 0) {
            EXPECT_TRUE(subtypes.empty());
        } else {
            ASSERT_FALSE(subtypes.empty());
            EXPECT_EQ(subtypes.back(), c.subtype);
        }
    }
}

TEST_F(QtWindowingTest, ProgramChangesRaiseExactlyWhatTheUserWouldSee)
{
    struct Case {
        std::int64_t set;
        std::int64_t value;
        std::string text;
    };
    const Case cases[] = {{1000, 1000, "1000"}, {1000, 1000, "1000"}, {-5, 22, "22"}, {30000, 22050, "22050"},
                          {std::int64_t{1} << 40, 22050, "22050"}};
    for (const Case& c : cases) {
        port.set_field_value(field, c.set);
        EXPECT_EQ(port.field_value(field), c.value);
        EXPECT_EQ(port.text(field), c.text);
        // One text_changed per call, also when the text stayed the same.
        EXPECT_EQ(subtypes_of(drain(), field), std::vector<int>{text_changed});
    }
    port.set_text(field, "abc");
    EXPECT_EQ(subtypes_of(drain(), field), std::vector<int>{text_changed});

    port.set_scroll_position(bar, 70);
    port.set_checked(toggle, true);
    port.set_text(toggle, "ON");
    EXPECT_TRUE(drain().empty());
    EXPECT_EQ(port.scroll_position(bar), 70);
    EXPECT_TRUE(port.checked(toggle));
    EXPECT_EQ(port.text(toggle), "ON");
}

TEST_F(QtWindowingTest, UserActionsChangeStateBeforeTheirEvent)
{
    QPushButton* button = control_widget<QPushButton>(0);
    ASSERT_NE(button, nullptr);
    for (const bool expected : {true, false}) {
        QTest::mouseClick(button, Qt::LeftButton);
        // The event is queued; by the time it is taken, the state has flipped.
        const std::vector<Event> events = drain();
        EXPECT_EQ(subtypes_of(events, toggle), std::vector<int>{0});
        EXPECT_EQ(port.checked(toggle), expected);
    }

    QScrollBar* scroll = control_widget<QScrollBar>(0);
    ASSERT_NE(scroll, nullptr);
    port.set_scroll_position(bar, 44);
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(subtypes_of(drain(), bar), std::vector<int>{0});
    EXPECT_EQ(port.scroll_position(bar), 45);
    scroll->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(subtypes_of(drain(), bar), std::vector<int>{0});
    EXPECT_EQ(port.scroll_position(bar), 44); // a page is one step
}

TEST_F(QtWindowingTest, CloseBoxIsAnEventAndLeavesTheWindowOpen)
{
    EXPECT_FALSE(top->close());
    EXPECT_TRUE(top->isVisible());
    const Event e = port.wait_event();
    EXPECT_EQ(e.kind, EventKind::close);
    EXPECT_EQ(e.window, window);
}

TEST_F(QtWindowingTest, MessagesArriveInPostingOrderOnlyInsideEventWaits)
{
    constexpr int from_thread = 500;
    static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 1));
    std::thread device([this] {
        for (int i = 0; i < from_thread; ++i)
            static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 2 + i));
    });
    device.join();
    static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 2 + from_thread));
    port.post_event(Event{EventKind::other, window, 0, 0});
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(port.wait_event().kind, EventKind::other);
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(from_thread + 2));
    for (std::size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].lparam, static_cast<std::intptr_t>(i + 1));

    // A message for a window that is gone is dropped, as the desktop does.
    messages.clear();
    static_cast<void>(port.post_message(window + 1000, MM_WOM_DONE, 0, 7));
    drain();
    EXPECT_TRUE(messages.empty());
}

TEST_F(QtWindowingTest, MessageBoxKeepsDispatchingMessages)
{
    for (const WindowHandle owner : {window, WindowHandle{0}}) {
        messages.clear();
        QString title, text;
        QTimer::singleShot(0, [&] {
            static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 42));
            QTimer::singleShot(50, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                title = box->windowTitle();
                text = box->text();
                box->close();
            });
        });
        port.message_box(owner, "Err!", "Audio Device Not Present");
        EXPECT_EQ(title, "Err!");
        EXPECT_EQ(text, "Audio Device Not Present");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].lparam, 42);
    }
}

} // namespace
} // namespace tonegen::qt

int main(int argc, char** argv)
{
    // Widgets without a display; a run under X can still ask for xcb.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
