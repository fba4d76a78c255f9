// What only the Win32 layer has to get right beyond the windowing contract
// (tests/contract), against the system (under wine in the cross build): the
// window styles and the system's control classes and fonts, the scroll
// actions a bar turns into positions, the dialog manager's keys, DIB
// pictures, and a window procedure that no exception leaves.
#include "platform/win32/win32_windowing.h"

#include "common/bmp_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonegen::win32 {
namespace {

using test::bmp;

constexpr int on_off = 163;
constexpr int field = 0;
constexpr int bar = 20;
constexpr int label = 120;
constexpr int web = 6001;
constexpr int twitter = 6002;
constexpr int ok = 6003;

const std::vector<ControlSpec> layout = {
    {on_off, ControlKind::toggle_button, 20, 718, 50, 28, "OFF"},
    {-1, ControlKind::frame, 18, 33, 106, 42, ""},
    {label, ControlKind::text_label, 136, 50, 24, 20, "44"},
    {field, ControlKind::frequency_field, 30, 47, 78, 20, "", 22, 22050},
    {bar, ControlKind::gain_scroll_bar, 165, 50, 100, 14, "", 0, 100},
};

struct ChildSearch {
    bool picture;
    HWND found;
};

// A callback of the system's calling convention: a lambda cannot be one on x86.
BOOL CALLBACK find_static(HWND child, LPARAM data)
{
    auto* search = reinterpret_cast<ChildSearch*>(data);
    char name[32] = {};
    ::GetClassNameA(child, name, sizeof(name));
    const bool picture = (static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE)) & SS_TYPEMASK) == SS_BITMAP;
    if (::lstrcmpiA(name, "Static") == 0 && picture == search->picture) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

std::string face_of(HWND control)
{
    LOGFONTA font{};
    if (::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font) == 0)
        return {};
    return font.lfFaceName;
}

DWORD frame_style(HWND window)
{
    return static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)) &
           (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
}

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

    void TearDown() override
    {
        if (box != 0)
            port.destroy_window(box);
        port.destroy_window(window);
    }

    std::vector<Event> drain()
    {
        std::vector<Event> events;
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            events.push_back(e);
        return events;
    }

    // A box as the About box makes it: a picture, a text line, three buttons.
    void open_box()
    {
        picture = port.load_picture(bmp(77, 78, 24));
        ASSERT_NE(picture, 0u);
        box = port.open_box(" box", 40, 190, 300, 120, false);
        ASSERT_NE(box, 0u);
        ControlSpec image{-1, ControlKind::picture, 5, 5, 77, 78, ""};
        image.image = picture;
        ControlSpec line{-1, ControlKind::text_label, 88, 5, 200, 15, "R&D line"};
        line.font = ControlFont::box;
        ASSERT_TRUE(port.create_control(box, image));
        ASSERT_TRUE(port.create_control(box, line));
        int x = 10;
        for (int id : {web, twitter, ok}) {
            ControlSpec button{id, ControlKind::push_button, x, 90, 60, 23, id == ok ? "OK" : "Web"};
            button.font = ControlFont::box;
            ASSERT_TRUE(port.create_control(box, button));
            x += 65;
        }
        drain();
    }

    // The label or the picture of the box: they have no numbers.
    HWND child_of_box(bool picture_wanted)
    {
        ChildSearch search{picture_wanted, nullptr};
        ::EnumChildWindows(hwnd(box), &find_static, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static HWND hwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }

    Win32Windowing port{::GetModuleHandleA(nullptr)};
    WindowHandle window = 0;
    WindowHandle box = 0;
    ImageHandle picture = 0;
    bool font_loaded = false;
};

TEST_F(Win32WindowingTest, WindowsHaveATitleBarAndCloseBoxOnlyAndBoxesStayOnTop)
{
    EXPECT_EQ(frame_style(hwnd(window)), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_TRUE(::IsWindowVisible(hwnd(window)));
    EXPECT_FALSE(::GetWindowLongA(hwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST);
    open_box();
    EXPECT_EQ(frame_style(hwnd(box)), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_TRUE(::GetWindowLongA(hwnd(box), GWL_EXSTYLE) & WS_EX_TOPMOST);
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
        {field, "Edit", ES_RIGHT | WS_TABSTOP, true},
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
            EXPECT_EQ(face_of(control), "Arial");
        }
    }

    // The edit and its arrows share the field's rectangle: the arrows sit at
    // its right end (the system may lay them over the edit's border).
    RECT edit{};
    RECT arrows{};
    ASSERT_TRUE(::GetWindowRect(port.control_window(field), &edit));
    ASSERT_TRUE(::GetWindowRect(port.arrows_window(field), &arrows));
    POINT origin{0, 0};
    ::ClientToScreen(hwnd(window), &origin);
    EXPECT_EQ(edit.left - origin.x, 30);
    EXPECT_EQ(edit.top - origin.y, 47);
    EXPECT_LE(arrows.right - origin.x, 30 + 78);
    EXPECT_GE(arrows.right - origin.x, 30 + 78 - 2);
    EXPECT_LE(arrows.left, edit.right);
    EXPECT_GT(arrows.left, edit.left);
}

// Moved to a monitor of twice the scale (WM_DPICHANGED, which wine never
// sends itself): every control twice as far from the corner and twice its
// size, the field's arrows with it, its font made again at twice the
// height, and the window where the system proposes.
TEST_F(Win32WindowingTest, AMoveToAMonitorOfTwiceTheScaleDoublesEveryControlAndItsFont)
{
    const auto place_of = [this](HWND control) {
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, hwnd(window), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const auto font_height = [](HWND control) {
        LOGFONTA font{};
        ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    };
    std::vector<HWND> controls;
    std::vector<RECT> before;
    for (const ControlSpec& spec : layout) {
        if (spec.id >= 0) {
            controls.push_back(port.control_window(spec.id));
            before.push_back(place_of(controls.back()));
        }
    }
    controls.push_back(port.arrows_window(field));
    before.push_back(place_of(controls.back()));
    const LONG field_font = font_height(port.control_window(field));

    RECT proposed{40, 30, 40 + 600, 30 + 800}; // within the test's screen, to which wine holds windows
    ::SendMessageA(hwnd(window), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&proposed));

    for (std::size_t i = 0; i < controls.size(); ++i) {
        SCOPED_TRACE(i);
        const RECT after = place_of(controls[i]);
        EXPECT_EQ(after.left, 2 * before[i].left);
        EXPECT_EQ(after.top, 2 * before[i].top);
        EXPECT_EQ(after.right, 2 * before[i].right);
        EXPECT_EQ(after.bottom, 2 * before[i].bottom);
    }
    if (font_loaded) {
        EXPECT_NEAR(font_height(port.control_window(field)), 2 * field_font, 1);
    }
    RECT frame{};
    ::GetWindowRect(hwnd(window), &frame);
    EXPECT_EQ(frame.left, proposed.left);
    EXPECT_EQ(frame.top, proposed.top);
    EXPECT_EQ(frame.right, proposed.right);
    EXPECT_EQ(frame.bottom, proposed.bottom);
}

TEST_F(Win32WindowingTest, BoxControlsAreButtonsLabelsAndAPictureInTheBoxFont)
{
    open_box();
    HWND button = port.control_window(web);
    ASSERT_NE(button, nullptr);
    char name[32] = {};
    ::GetClassNameA(button, name, sizeof(name));
    EXPECT_STRCASEEQ(name, "Button");
    EXPECT_EQ(::GetDlgCtrlID(button), web);
    const auto button_style = static_cast<DWORD>(::GetWindowLongA(button, GWL_STYLE));
    EXPECT_EQ(button_style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(button_style & (BS_MULTILINE | WS_TABSTOP), static_cast<DWORD>(BS_MULTILINE | WS_TABSTOP));

    HWND line = child_of_box(false);
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(::GetWindowLongA(line, GWL_STYLE) & SS_NOPREFIX);
    for (HWND control : {button, line})
        EXPECT_EQ(face_of(control), "Fixedsys");

    HWND image = child_of_box(true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(::SendMessageA(image, STM_GETIMAGE, IMAGE_BITMAP, 0), static_cast<LRESULT>(picture));
    RECT shown{};
    ASSERT_TRUE(::GetClientRect(image, &shown));
    EXPECT_EQ(shown.right, 77);
    EXPECT_EQ(shown.bottom, 78);

    // Destroyed, the box takes the system's windows of its controls along.
    port.destroy_window(box);
    EXPECT_FALSE(::IsWindow(hwnd(box)));
    EXPECT_FALSE(::IsWindow(button));
    box = 0;
}

TEST_F(Win32WindowingTest, PictureRowsKeepTheirOrder)
{
    // First byte of each row in the file: blue of its left pixel (24 bpp) or
    // its palette index (8 bpp: index r + 1 is blue 0x10 * (r + 1)).
    struct Case {
        const char* name;
        std::vector<unsigned char> image;
        int bottom_blue, top_blue;
    };
    const Case cases[] = {
        {"bottom-up 24 bpp", bmp(3, 2, 24), 1, 2},
        {"top-down 24 bpp", bmp(3, -2, 24), 2, 1},
        {"bottom-up 8 bpp", bmp(3, 2, 8), 0x10, 0x20},
    };
    HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle made = port.load_picture(c.image);
        ASSERT_NE(made, 0u);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HBITMAP>(made));
        EXPECT_EQ(GetBValue(::GetPixel(dc, 0, 1)), c.bottom_blue);
        EXPECT_EQ(GetBValue(::GetPixel(dc, 0, 0)), c.top_blue);
        ::SelectObject(dc, old);
    }
    ::DeleteDC(dc);
}

TEST_F(Win32WindowingTest, GainBarTurnsEveryScrollActionIntoOnePosition)
{
    // The arrows, the trough and the dragged thumb are contract cases; these
    // are the bar's other actions.
    struct Case {
        int start;
        int action;
        int thumb;
        int expected;
    };
    const Case cases[] = {
        {44, SB_LEFT, 0, 0}, {44, SB_RIGHT, 0, 100}, {44, SB_THUMBTRACK, 70, 70}, {44, SB_THUMBPOSITION, 12, 12},
    };
    HWND bar_window = port.control_window(bar);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " action " << c.action);
        port.set_scroll_position(bar, c.start);
        ::SendMessageA(hwnd(window), WM_HSCROLL, MAKEWPARAM(c.action, c.thumb), reinterpret_cast<LPARAM>(bar_window));
        EXPECT_EQ(port.scroll_position(bar), c.expected);
        const std::vector<Event> events = drain();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].control, bar);
    }
    ::SendMessageA(hwnd(window), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar_window));
    EXPECT_TRUE(drain().empty());
}

TEST_F(Win32WindowingTest, SpacePressesTheFocusedBoxButton)
{
    open_box();
    port.set_focus(twitter);
    static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_SPACE, 1));
    static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u)));
    const std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, box);
    EXPECT_EQ(events[0].control, twitter);
}

TEST_F(Win32WindowingTest, AnExceptionOfTheHandlerStaysInsideTheWindowProcedure)
{
    port.set_message_handler([](WindowHandle, unsigned message, std::uintptr_t, std::intptr_t) {
        if (message == WM_CLOSE)
            throw std::runtime_error("from the handler");
    });
    // The close is queued all the same, behind an event posted before it.
    port.post_event(Event{EventKind::other, window, 7, 0});
    ASSERT_TRUE(::PostMessageA(hwnd(window), WM_CLOSE, 0, 0));
    EXPECT_EQ(port.wait_event().kind, EventKind::other);
    EXPECT_EQ(port.wait_event().kind, EventKind::close);
}

} // namespace
} // namespace tonegen::win32
