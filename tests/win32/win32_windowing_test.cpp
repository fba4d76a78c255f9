// The Win32 windowing port against the real window manager of the system
// (under wine in the cross build): geometry, control kinds, the frequency
// field's reading of its text, the events each control raises, Tab order and
// the message handler's view of the traffic.
#include "platform/win32/win32_windowing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonegen::win32 {
namespace {

constexpr int on_off = 163;
constexpr int sweep = 161;
constexpr int field_a = 0;
constexpr int field_b = 1;
constexpr int bar = 20;
constexpr int label = 120;

const std::vector<ControlSpec> layout = {
    {on_off, ControlKind::toggle_button, 20, 718, 50, 28, "OFF"},
    {sweep, ControlKind::toggle_button, 70, 718, 78, 28, "OFF SWEEP"},
    {-1, ControlKind::frame, 18, 33, 106, 42, ""},
    {label, ControlKind::text_label, 136, 50, 24, 20, "44"},
    {field_a, ControlKind::frequency_field, 30, 47, 78, 20, "", 22, 22050},
    {field_b, ControlKind::frequency_field, 30, 80, 78, 20, "", 22, 22050},
    {bar, ControlKind::gain_scroll_bar, 165, 50, 100, 14, "", 0, 100},
};

class Win32WindowingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        font_loaded = port.load_control_font("Arial", 8);
        window = port.open_window("tonegen test", 33, 33, 294, 765);
        ASSERT_NE(window, 0u);
        for (const ControlSpec& spec : layout)
            ASSERT_TRUE(port.create_control(window, spec));
        drain();
    }

    void TearDown() override { port.destroy_window(window); }

    std::vector<Event> drain()
    {
        std::vector<Event> events;
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            events.push_back(e);
        return events;
    }

    std::vector<int> subtypes_of(int id)
    {
        std::vector<int> subtypes;
        for (const Event& e : drain()) {
            if (e.kind == EventKind::control && e.control == id)
                subtypes.push_back(e.subtype);
        }
        return subtypes;
    }

    HWND hwnd() const { return reinterpret_cast<HWND>(window); }

    void press(HWND target, WPARAM key)
    {
        static_cast<void>(::PostMessageA(target, WM_KEYDOWN, key, 1));
        static_cast<void>(::PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u)));
    }

    Win32Windowing port{::GetModuleHandleA(nullptr)};
    WindowHandle window = 0;
    bool font_loaded = false;
};

TEST_F(Win32WindowingTest, WindowHasTheAskedClientAreaAtTheAskedPlace)
{
    RECT client{};
    ASSERT_TRUE(::GetClientRect(hwnd(), &client));
    EXPECT_EQ(client.right - client.left, 294);
    EXPECT_EQ(client.bottom - client.top, 765);
    RECT outer{};
    ASSERT_TRUE(::GetWindowRect(hwnd(), &outer));
    EXPECT_EQ(outer.left, 33);
    EXPECT_EQ(outer.top, 33);
    const auto style = static_cast<DWORD>(::GetWindowLongA(hwnd(), GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_TRUE(::IsWindowVisible(hwnd()));
}

TEST_F(Win32WindowingTest, ControlsAreTheSystemControlsOfTheirKind)
{
    struct Case {
        int id;
        const char* window_class;
        DWORD style_bits;
        bool shows_text;
    };
    const Case cases[] = {
        {on_off, "Button", BS_PUSHLIKE | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, true},
        {label, "Static", SS_NOPREFIX | WS_GROUP, true},
        {field_a, "Edit", ES_RIGHT | WS_TABSTOP, true},
        {bar, "ScrollBar", SBS_HORZ, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        HWND control = port.control_window(c.id);
        ASSERT_NE(control, nullptr);
        char name[64] = {};
        ::GetClassNameA(control, name, sizeof(name));
        EXPECT_STRCASEEQ(name, c.window_class);
        const auto style = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ(style & c.style_bits, c.style_bits);
        EXPECT_EQ(::GetDlgCtrlID(control), c.id);
        if (font_loaded && c.shows_text) {
            LOGFONTA font{};
            ASSERT_NE(::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)),
                                   sizeof(font), &font),
                      0);
            EXPECT_STREQ(font.lfFaceName, "Arial");
            EXPECT_LT(font.lfHeight, 0);
        }
    }

    // The edit and its arrows share the field's rectangle: the arrows sit at
    // its right end (the system may lay them over the edit's border).
    RECT edit{};
    RECT arrows{};
    ASSERT_TRUE(::GetWindowRect(port.control_window(field_a), &edit));
    ASSERT_TRUE(::GetWindowRect(port.arrows_window(field_a), &arrows));
    POINT origin{0, 0};
    ::ClientToScreen(hwnd(), &origin);
    EXPECT_EQ(edit.left - origin.x, 30);
    EXPECT_EQ(edit.top - origin.y, 47);
    EXPECT_LE(arrows.right - origin.x, 30 + 78);
    EXPECT_GE(arrows.right - origin.x, 30 + 78 - 2);
    EXPECT_LE(arrows.left, edit.right);
    EXPECT_GT(arrows.left, edit.left);
}

TEST_F(Win32WindowingTest, FieldReadsItsTextOnlyWhenItIsAWholeNumberInRange)
{
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"1000", 1000},        {"22", 22},     {"22050", 22050}, {"21", 500},
        {"22051", 500},        {"abc", 500},   {"", 500},        {"12x", 500},
        {"99999999999", 500}, {"-440", 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        port.set_field_value(field_a, 500);
        port.set_text(field_a, c.text);
        EXPECT_EQ(port.field_value(field_a), c.expected);
        EXPECT_EQ(port.text(field_a), c.text);
    }
}

TEST_F(Win32WindowingTest, SettingAFieldClampsIn64BitsAndShowsThePlainNumber)
{
    struct Case {
        std::int64_t value;
        std::int64_t expected;
    };
    const Case cases[] = {
        {440, 440}, {5, 22}, {30000, 22050}, {std::int64_t{1} << 40, 22050}, {-(std::int64_t{1} << 40) + 1000, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        port.set_field_value(field_a, c.value);
        EXPECT_EQ(port.field_value(field_a), c.expected);
        EXPECT_EQ(port.text(field_a), std::to_string(c.expected));
    }

    // Same value, other text: the text is still rewritten.
    port.set_field_value(field_a, 500);
    port.set_text(field_a, "500abc");
    port.set_field_value(field_a, 500);
    EXPECT_EQ(port.text(field_a), "500");
}

TEST_F(Win32WindowingTest, ChangingAFieldsTextRaisesTextChanged)
{
    port.set_text(field_a, "1234");
    EXPECT_EQ(subtypes_of(field_a), std::vector<int>{text_changed});
    port.set_field_value(field_a, 4321);
    EXPECT_EQ(subtypes_of(field_a), std::vector<int>{text_changed});
}

TEST_F(Win32WindowingTest, ArrowKeysStepTheFieldThenRaiseTheStep)
{
    struct Case {
        std::int64_t start;
        WPARAM key;
        std::int64_t expected;
        int subtype;
    };
    const Case cases[] = {
        {1000, VK_UP, 1001, step_up},
        {1000, VK_DOWN, 999, step_down},
        {22050, VK_UP, 22050, step_up},
        {22, VK_DOWN, 22, step_down},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        port.set_field_value(field_a, c.start);
        drain();
        port.set_focus(field_a);
        press(port.control_window(field_a), c.key);
        std::vector<int> subtypes = subtypes_of(field_a);
        ASSERT_FALSE(subtypes.empty());
        EXPECT_EQ(subtypes.back(), c.subtype);
        EXPECT_EQ(port.field_value(field_a), c.expected);
        EXPECT_EQ(port.text(field_a), std::to_string(c.expected));
    }
}

TEST_F(Win32WindowingTest, GainBarMovesForEveryActionThenRaisesOneEvent)
{
    struct Case {
        int start;
        int action;
        int thumb;
        int expected;
    };
    const Case cases[] = {
        {44, SB_LINERIGHT, 0, 45},   {44, SB_LINELEFT, 0, 43}, {44, SB_PAGERIGHT, 0, 45},
        {44, SB_PAGELEFT, 0, 43},    {44, SB_LEFT, 0, 0},      {44, SB_RIGHT, 0, 100},
        {44, SB_THUMBTRACK, 70, 70}, {44, SB_THUMBPOSITION, 12, 12},
        {0, SB_LINELEFT, 0, 0},      {100, SB_LINERIGHT, 0, 100}, {100, SB_PAGERIGHT, 0, 100},
    };
    HWND bar_window = port.control_window(bar);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " action " << c.action);
        port.set_scroll_position(bar, c.start);
        ::SendMessageA(hwnd(), WM_HSCROLL, MAKEWPARAM(c.action, c.thumb), reinterpret_cast<LPARAM>(bar_window));
        EXPECT_EQ(port.scroll_position(bar), c.expected);
        EXPECT_EQ(subtypes_of(bar), std::vector<int>{0});
    }
    ::SendMessageA(hwnd(), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar_window));
    EXPECT_TRUE(subtypes_of(bar).empty());

    port.set_scroll_position(bar, 250);
    EXPECT_EQ(port.scroll_position(bar), 100);
}

TEST_F(Win32WindowingTest, ToggleFlipsBeforeItsEventAndCloseLeavesTheWindow)
{
    port.set_checked(on_off, true);
    ::SendMessageA(port.control_window(on_off), BM_CLICK, 0, 0);
    EXPECT_FALSE(port.checked(on_off));
    EXPECT_EQ(subtypes_of(on_off), std::vector<int>{0});

    ASSERT_TRUE(::PostMessageA(hwnd(), WM_CLOSE, 0, 0));
    const std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::close);
    EXPECT_EQ(events[0].window, window);
    EXPECT_TRUE(::IsWindow(hwnd()));
}

TEST_F(Win32WindowingTest, TabWalksTheTabStopsInCreationOrderAndWraps)
{
    const std::vector<int> forward = {on_off, sweep, field_a, field_b, on_off};
    port.set_focus(on_off);
    for (std::size_t i = 1; i < forward.size(); ++i) {
        press(::GetFocus(), VK_TAB);
        drain();
        EXPECT_EQ(::GetFocus(), port.control_window(forward[i])) << "step " << i;
    }

    BYTE keys[256] = {};
    ASSERT_TRUE(::GetKeyboardState(keys));
    keys[VK_SHIFT] = 0x80;
    ASSERT_TRUE(::SetKeyboardState(keys));
    press(::GetFocus(), VK_TAB);
    drain();
    keys[VK_SHIFT] = 0;
    ASSERT_TRUE(::SetKeyboardState(keys));
    EXPECT_EQ(::GetFocus(), port.control_window(field_b));
}

TEST_F(Win32WindowingTest, HandlerSeesPostedMessagesBeforeTheEventsAndMayThrow)
{
    std::vector<std::pair<unsigned, std::intptr_t>> seen;
    port.set_message_handler([&](WindowHandle w, unsigned message, std::uintptr_t, std::intptr_t lparam) {
        if (w == window && message == port::mm_wom_done)
            seen.emplace_back(message, lparam);
        if (message == WM_CLOSE)
            throw std::runtime_error("from the handler");
    });
    ASSERT_TRUE(port.post_message(window, port::mm_wom_done, 0, 0x1234));
    ASSERT_TRUE(port.post_message(window, port::mm_wom_done, 0, 0x5678));
    EXPECT_EQ(port.poll_event().kind, EventKind::none);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].second, 0x1234);
    EXPECT_EQ(seen[1].second, 0x5678);

    // The handler's exception stays inside the window procedure, and the
    // close is queued all the same, behind an event posted before it.
    port.post_event(Event{EventKind::other, window, 7, 0});
    ASSERT_TRUE(::PostMessageA(hwnd(), WM_CLOSE, 0, 0));
    EXPECT_EQ(port.wait_event().kind, EventKind::other);
    EXPECT_EQ(port.wait_event().kind, EventKind::close);
}

} // namespace
} // namespace tonegen::win32
