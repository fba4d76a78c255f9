// The main window's tooltips and what MSAA clients read of it on the Win32
// layer (under wine in the cross build): the tooltip texts read back from
// the tooltip control, and the accessible objects the controls answer
// WM_GETOBJECT with, after the program has handled a typed frequency and a
// gain move as its event loop hands them over.
#include "app/program.h"
#include "model/controls.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32/win32_windowing.h"
#include "ui/control_texts.h"
#include "ui/main_window.h"
#include "ui/tone_controls.h"

#include "win32/control_reads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

namespace tonegen::win32 {
namespace {

constexpr const char* minus = "\u2212";

using reads::Text;

class Win32ControlTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(com));
        apply_defaults(s);
        ASSERT_NE(open_main_window(s, platform, main_window_x, main_window_y, main_window_width, main_window_height,
                                   program_message_handler(s, platform)),
                  0u);
        refresh_controls(s, platform);
        drain_events(platform);
        static_cast<void>(show_control_texts(s, port));
    }

    void TearDown() override
    {
        port.destroy_window(platform.main_window);
        if (SUCCEEDED(com))
            ::CoUninitialize();
    }

    void handle_pending()
    {
        for (Event e = port.poll_event(); e.kind != EventKind::none; e = port.poll_event())
            if (e.kind == EventKind::control)
                dispatch_control_event(s, platform, e);
    }

    std::string tooltip(int id) { return reads::tooltip_text(port.tooltip_window(id), port.control_window(id)); }

    std::string said(int id, Text which) { return reads::accessible_text(port.control_window(id), which); }

    // Every tooltip and accessible text as the core makes them now.
    void expect_current()
    {
        for (const ControlText& t : control_texts(s)) {
            SCOPED_TRACE(t.control);
            EXPECT_EQ(tooltip(t.control), t.tooltip);
            EXPECT_EQ(said(t.control, Text::name), t.accessible_name);
            EXPECT_EQ(said(t.control, Text::description), t.tooltip);
            if (!t.accessible_value.empty()) {
                EXPECT_EQ(said(t.control, Text::value), t.accessible_value);
            }
        }
    }

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Settings s{};
    Win32Windowing port{::GetModuleHandleA(nullptr)};
    sim::CallLog log;
    sim::SimWindowing unused_windowing{log}; // the fake device's messages would go there; it never opens
    sim::SimWaveOut wave_out{log, unused_windowing};
    sim::SimSoundPlayer player{log};
    sim::SimShell shell{log};
    sim::SimClipboard clipboard{log};
    Platform platform{port, port, clipboard, port, wave_out, player, shell, Assets{}};
};

TEST_F(Win32ControlTexts, TypedFrequencyAndGainMoveReachTheTooltipsAndTheAccessibleObjects)
{
    expect_current();
    EXPECT_EQ(tooltip(first_gain_bar + 4),
              std::string("Tone 5: 1000 Hz \u2248 B5 +21 cents \u00B7 gain 44 % \u00B7 peak ") + minus + "26.56 dBFS \u00B7 RMS " +
                  minus + "29.57 dBFS");

    // Typed into tone 5's field, one character at a time.
    HWND edit = port.control_window(4);
    static_cast<void>(::SetFocus(edit));
    static_cast<void>(::SendMessageW(edit, EM_SETSEL, 0, -1));
    for (const wchar_t c : std::wstring(L"440"))
        static_cast<void>(::SendMessageW(edit, WM_CHAR, c, 1));
    handle_pending();
    expect_current();
    EXPECT_EQ(tooltip(first_gain_bar + 4).rfind("Tone 5: 440 Hz = A4 \u00B7 gain 44 %", 0), 0u);
    EXPECT_EQ(tooltip(first_gain_label + 4), tooltip(4));
    EXPECT_EQ(said(4, Text::value), "440 hertz");

    // Tone 1's bar one step right, as its arrow sends it.
    HWND bar = port.control_window(first_gain_bar);
    HWND window = reinterpret_cast<HWND>(platform.main_window);
    static_cast<void>(::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), reinterpret_cast<LPARAM>(bar)));
    static_cast<void>(::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar)));
    const std::string other_before = said(first_gain_bar + 4, Text::value);
    handle_pending();
    expect_current();
    EXPECT_NE(tooltip(first_gain_bar).find("gain 45 %"), std::string::npos);
    EXPECT_EQ(said(first_gain_bar, Text::value).rfind("45 per cent, ", 0), 0u);
    EXPECT_NE(said(first_gain_bar + 4, Text::value), other_before);
}

TEST_F(Win32ControlTexts, ScrollBarsAreNamedAndTheRestIsTheSystemsStandardObject)
{
    for (int k = 0; k < tone_slots; k += 19) {
        SCOPED_TRACE(k);
        const std::string tone = "tone " + std::to_string(k + 1);
        EXPECT_EQ(said(first_gain_bar + k, Text::name), "Gain of " + tone);
        EXPECT_EQ(said(first_gain_bar + k, Text::value), std::string("44 per cent, ") + minus + "26.56 dBFS");
        EXPECT_EQ(said(k, Text::name), "Frequency of " + tone);
        EXPECT_EQ(said(first_gain_label + k, Text::name), "Gain in per cent of " + tone);
    }
    // Role, window and place come from the system's object of the control.
    IAccessible* bar = reads::accessible_object(port.control_window(first_gain_bar + 3));
    ASSERT_NE(bar, nullptr);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{};
    EXPECT_EQ(bar->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    HWND behind = nullptr;
    EXPECT_EQ(::WindowFromAccessibleObject(bar, &behind), S_OK);
    EXPECT_EQ(behind, port.control_window(first_gain_bar + 3));
    LONG x = 0, y = 0, width = 0, height = 0;
    EXPECT_EQ(bar->accLocation(&x, &y, &width, &height, self), S_OK);
    EXPECT_EQ(width, bar_width);
    EXPECT_EQ(height, bar_height);
    static_cast<void>(bar->Release());
    // A control given no texts answers as the system alone would.
    EXPECT_EQ(said(frequency_heading, Text::name), "Frequency");
}

} // namespace
} // namespace tonegen::win32
