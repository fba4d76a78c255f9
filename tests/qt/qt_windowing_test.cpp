// What only the Qt layer has to get right beyond the windowing contract
// (tests/contract): the frequency field is a QSpinBox taught to leave its
// text alone, and window messages may come from the audio thread. On Qt's
// offscreen platform: real widgets and keystrokes, no display.
#include "platform/qt/qt_windowing.h"

#include <QApplication>
#include <QPixmap>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tonegen::qt {
namespace {

constexpr int field = 3;

class QtWindowingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = port.open_window("test window", 10, 10, 300, 200);
        ASSERT_NE(window, 0u);
        port.set_message_handler([this](WindowHandle, unsigned, std::uintptr_t, std::intptr_t lparam) {
            lparams.push_back(lparam);
        });
        ASSERT_TRUE(port.create_control(window, {field, ControlKind::frequency_field, 10, 50, 78, 20, "", 22, 22050}));
        ASSERT_TRUE(QTest::qWaitForWindowActive(port.window_widget(window)));
        drain();
    }

    void TearDown() override { port.destroy_window(window); }

    std::vector<int> drain()
    {
        std::vector<int> subtypes;
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            subtypes.push_back(e.subtype);
        return subtypes;
    }

    QtWindowing port;
    WindowHandle window = 0;
    std::vector<std::intptr_t> lparams;
};

TEST_F(QtWindowingTest, EnterAndPageKeysLeaveTheTextAsTyped)
{
    // QSpinBox would take Enter to reinterpret its text, and the page keys
    // to step by ten; here the page keys are the program's (key events).
    struct Case {
        const char* typed;
        Qt::Key key;
        std::vector<int> raised;
    };
    for (const Case& c : {Case{"$3E8", Qt::Key_Return, {}}, Case{"$3E8", Qt::Key_Enter, {}},
                          Case{"600", Qt::Key_PageUp, {key_page_up}}, Case{"600", Qt::Key_PageDown, {key_page_down}}}) {
        SCOPED_TRACE(std::string(c.typed) + " key " + std::to_string(static_cast<int>(c.key)));
        port.set_text(field, "");
        port.set_focus(field);
        QSpinBox* spin = static_cast<QSpinBox*>(port.control_widget(field));
        QTest::keyClicks(spin, c.typed);
        drain();
        QTest::keyClick(spin, c.key);
        EXPECT_EQ(drain(), c.raised);
        EXPECT_EQ(port.text(field), c.typed);
    }
}

TEST_F(QtWindowingTest, MessagesFromAnotherThreadKeepTheirPostingOrder)
{
    // The wave-out device's audio thread posts its completion notices.
    constexpr int from_thread = 500;
    static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 1));
    std::thread device([this] {
        for (int i = 0; i < from_thread; ++i)
            static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 2 + i));
    });
    device.join();
    static_cast<void>(port.post_message(window, MM_WOM_DONE, 0, 2 + from_thread));
    EXPECT_TRUE(lparams.empty());
    drain();
    ASSERT_EQ(lparams.size(), static_cast<std::size_t>(from_thread + 2));
    for (std::size_t i = 0; i < lparams.size(); ++i)
        EXPECT_EQ(lparams[i], static_cast<std::intptr_t>(i + 1));
}

// A picture control takes exactly its place on a screen of any ratio, in
// the screen's pixels: from the picture drawn at twice the size as it is,
// from a smaller or larger one resized.
TEST(QtPicture, TakesTheControlsPlaceInTheScreensPixelsAtEveryRatio)
{
    struct Case {
        QSize drawn;
        double ratio;
    };
    for (const Case& c : {Case{{77, 78}, 1.0}, Case{{154, 156}, 2.0}, Case{{154, 156}, 1.5}, Case{{77, 78}, 2.0},
                          Case{{154, 156}, 1.0}}) {
        SCOPED_TRACE(testing::Message() << c.drawn.width() << " px at ratio " << c.ratio);
        QPixmap drawn(c.drawn);
        drawn.fill(Qt::gray);
        const QPixmap shown = picture_at_ratio(drawn, 77, 78, c.ratio);
        EXPECT_EQ(shown.size(), QSize(qRound(77 * c.ratio), qRound(78 * c.ratio)));
        EXPECT_EQ(shown.deviceIndependentSize().toSize(), QSize(77, 78));
    }
}

} // namespace
} // namespace tonegen::qt
