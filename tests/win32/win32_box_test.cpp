// The parts of the Win32 windowing port that the About box uses, against the
// system (under wine in the cross build): pictures from BMP file images,
// measuring in the box font, the box window and its controls.
#include "platform/win32/win32_windowing.h"

#include "common/bmp_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonegen::win32 {
namespace {

using namespace test;

constexpr int web = 6001;
constexpr int twitter = 6002;
constexpr int ok = 6003;
constexpr int field = 0;

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

class Win32BoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main_window = port.open_window("tonegen test", 33, 33, 294, 765);
        ASSERT_NE(main_window, 0u);
        ASSERT_TRUE(port.create_control(main_window, {field, ControlKind::frequency_field, 30, 47, 78, 20, "", 22, 22050}));
        drain();
    }

    void TearDown() override
    {
        if (box != 0)
            port.destroy_window(box);
        port.destroy_window(main_window);
    }

    std::vector<Event> drain()
    {
        std::vector<Event> events;
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            events.push_back(e);
        return events;
    }

    // A box as the About box makes it: a picture, a text line, three buttons.
    void open_box(bool centred)
    {
        picture = port.load_picture(bmp(77, 78, 24));
        ASSERT_NE(picture, 0u);
        box = port.open_box(" box", 40, 190, 300, 120, centred);
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

    HWND hwnd(WindowHandle w) const { return reinterpret_cast<HWND>(w); }

    // The label or the picture of the box: they have no numbers.
    HWND child_of_class(const char* wanted)
    {
        ChildSearch search{std::string(wanted) == "picture", nullptr};
        ::EnumChildWindows(hwnd(box), &find_static, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void press(WPARAM key, bool shift = false)
    {
        BYTE keys[256] = {};
        static_cast<void>(::GetKeyboardState(keys));
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        static_cast<void>(::SetKeyboardState(keys));
        static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 1));
        static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u)));
        drain();
        keys[VK_SHIFT] = 0;
        static_cast<void>(::SetKeyboardState(keys));
    }

    Win32Windowing port{::GetModuleHandleA(nullptr)};
    WindowHandle main_window = 0;
    WindowHandle box = 0;
    ImageHandle picture = 0;
};

TEST_F(Win32BoxTest, PictureIsMadeOnlyFromAWellFormedBitmapFile)
{
    // The checks themselves are the portable bitmap_file_parts (tested in
    // tests/unit); here: what passes them becomes a picture of its size.
    struct Case {
        const char* name;
        std::vector<unsigned char> image;
        bool accepted;
    };
    std::vector<unsigned char> short_row = bmp(3, 2, 24);
    short_row.pop_back();
    const Case cases[] = {
        {"24 bpp, padded rows", bmp(3, 2, 24), true},
        {"8 bpp, two colours", bmp(2, 2, 8, 2), true},
        {"1 bpp, whole palette", bmp(9, 1, 1), true},
        {"32 bpp, top-down", bmp(2, -2, 32), true},
        {"info header of 124 bytes", bmp(2, 2, 24, 0, 124), true},
        {"empty", {}, false},
        {"last row one byte short", short_row, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle made = port.load_picture(c.image);
        EXPECT_EQ(made != 0, c.accepted);
        if (made == 0)
            continue;
        BITMAP info{};
        ASSERT_EQ(::GetObjectA(reinterpret_cast<HBITMAP>(made), sizeof(info), &info), sizeof(info));
        const auto width = static_cast<LONG>(c.image[18] | c.image[19] << 8);
        const auto height =
            static_cast<std::int32_t>(c.image[22] | c.image[23] << 8 | c.image[24] << 16 | c.image[25] << 24);
        EXPECT_EQ(info.bmWidth, width);
        EXPECT_EQ(info.bmHeight, height < 0 ? -height : height);
    }
}

TEST_F(Win32BoxTest, PictureRowsKeepTheirOrder)
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

TEST_F(Win32BoxTest, MeasuringUsesTheFixedPitchBoxFontOnlyWhileOpen)
{
    EXPECT_EQ(port.measure_text("Ay").width, 0);
    ASSERT_EQ(port.open_measuring(), measuring_ready);
    const TextSize ay = port.measure_text("Ay");
    const TextSize narrow = port.measure_text("iiiiiiiiii");
    const TextSize wide = port.measure_text("WWWWWWWWWW");
    EXPECT_GT(ay.height, 8);
    EXPECT_EQ(narrow.width, wide.width) << "the box font is not of fixed pitch";
    EXPECT_EQ(wide.width, 5 * ay.width);
    EXPECT_EQ(port.measure_text("").width, 0);
    port.close_measuring();
    EXPECT_EQ(port.measure_text("Ay").width, 0);
    EXPECT_EQ(port.measure_text("Ay").height, 0);

    // Measured the same way a second time.
    ASSERT_EQ(port.open_measuring(), measuring_ready);
    EXPECT_EQ(port.measure_text("Ay").width, ay.width);
    port.close_measuring();
}

TEST_F(Win32BoxTest, BoxHasTheAskedClientAreaAboveTheOtherWindows)
{
    struct Case {
        bool centred;
    };
    for (const Case c : {Case{false}, Case{true}}) {
        SCOPED_TRACE(c.centred ? "centred" : "at (40, 190)");
        open_box(c.centred);
        RECT client{};
        RECT outer{};
        ASSERT_TRUE(::GetClientRect(hwnd(box), &client));
        ASSERT_TRUE(::GetWindowRect(hwnd(box), &outer));
        EXPECT_EQ(client.right, 300);
        EXPECT_EQ(client.bottom, 120);
        if (c.centred) {
            EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
            EXPECT_EQ(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);
        } else {
            EXPECT_EQ(outer.left, 40);
            EXPECT_EQ(outer.top, 190);
        }
        const auto style = static_cast<DWORD>(::GetWindowLongA(hwnd(box), GWL_STYLE));
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX),
                  static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
        EXPECT_TRUE(::GetWindowLongA(hwnd(box), GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(port.program_in_foreground());
        port.destroy_window(box);
        box = 0;
    }
}

TEST_F(Win32BoxTest, BoxControlsAreButtonsLabelsAndAPictureInTheirFonts)
{
    open_box(false);
    HWND button = port.control_window(web);
    ASSERT_NE(button, nullptr);
    char name[32] = {};
    ::GetClassNameA(button, name, sizeof(name));
    EXPECT_STRCASEEQ(name, "Button");
    EXPECT_EQ(::GetDlgCtrlID(button), web);
    const auto button_style = static_cast<DWORD>(::GetWindowLongA(button, GWL_STYLE));
    EXPECT_EQ(button_style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    EXPECT_EQ(button_style & (BS_MULTILINE | WS_TABSTOP), static_cast<DWORD>(BS_MULTILINE | WS_TABSTOP));

    HWND label = child_of_class("label");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(::GetWindowLongA(label, GWL_STYLE) & SS_NOPREFIX);

    // Both texts in the box font.
    for (HWND control : {button, label}) {
        LOGFONTA font{};
        ASSERT_NE(::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font),
                  0);
        EXPECT_STREQ(font.lfFaceName, "Fixedsys");
    }

    HWND image = child_of_class("picture");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(::SendMessageA(image, STM_GETIMAGE, IMAGE_BITMAP, 0), static_cast<LRESULT>(picture));
    RECT shown{};
    ASSERT_TRUE(::GetClientRect(image, &shown));
    EXPECT_EQ(shown.right, 77);
    EXPECT_EQ(shown.bottom, 78);
}

TEST_F(Win32BoxTest, ButtonClicksAndTheCloseBoxBecomeEventsOfTheBox)
{
    open_box(false);
    for (int id : {web, ok}) {
        SCOPED_TRACE(id);
        ::SendMessageA(port.control_window(id), BM_CLICK, 0, 0);
        const std::vector<Event> events = drain();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, EventKind::control);
        EXPECT_EQ(events[0].window, box);
        EXPECT_EQ(events[0].control, id);
        EXPECT_EQ(events[0].subtype, 0);
    }
    ASSERT_TRUE(::PostMessageA(hwnd(box), WM_CLOSE, 0, 0));
    const std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::close);
    EXPECT_EQ(events[0].window, box);
    EXPECT_TRUE(::IsWindow(hwnd(box)));
}

TEST_F(Win32BoxTest, TabMovesBetweenTheBoxButtonsAndSpacePressesOne)
{
    open_box(false);
    struct Step {
        bool shift;
        int focus_after;
    };
    port.set_focus(web);
    const Step steps[] = {{false, twitter}, {false, ok}, {false, web}, {true, ok}, {true, twitter}};
    for (const Step& s : steps) {
        press(VK_TAB, s.shift);
        EXPECT_EQ(::GetFocus(), port.control_window(s.focus_after)) << (s.shift ? "Shift+Tab" : "Tab");
    }
    static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_SPACE, 1));
    static_cast<void>(::PostMessageA(::GetFocus(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u)));
    const std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].control, twitter);
}

TEST_F(Win32BoxTest, DestroyedBoxTakesItsControlsAndGivesTheFocusBack)
{
    port.set_focus(field);
    open_box(false);
    port.set_focus(web);
    HWND button = port.control_window(web);
    port.destroy_window(box);
    EXPECT_FALSE(::IsWindow(hwnd(box)));
    EXPECT_FALSE(::IsWindow(button));
    box = 0;
    EXPECT_EQ(port.control_window(web), nullptr);
    EXPECT_EQ(port.text(ok), "");
    drain();
    EXPECT_EQ(::GetFocus(), port.control_window(field));
}

} // namespace
} // namespace tonegen::win32
