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

#include <ole2.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

namespace tonegen::win32 {
namespace {

constexpr const char* minus = "\u2212";

std::string utf8(const wchar_t* text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    static_cast<void>(::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr));
    out.resize(std::strlen(out.c_str()));
    return out;
}

enum class Said { name, description, value };

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

    // What the tooltip control holds for a control.
    std::string tooltip(int id)
    {
        HWND tooltips = port.tooltip_window(id);
        if (!tooltips)
            return "(no tooltip control)";
        wchar_t text[1024] = {};
        TTTOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.hwnd = reinterpret_cast<HWND>(platform.main_window);
        info.uId = reinterpret_cast<UINT_PTR>(port.control_window(id));
        info.lpszText = text;
        static_cast<void>(::SendMessageW(tooltips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info)));
        return utf8(text);
    }

    IAccessible* object_of(int id)
    {
        IAccessible* object = nullptr;
        // IID_IAccessible of the import library is not the IID itself.
        if (FAILED(::AccessibleObjectFromWindow(port.control_window(id), OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object))))
            return nullptr;
        return object;
    }

    std::string said(int id, Said which)
    {
        IAccessible* object = object_of(id);
        if (!object)
            return "(no accessible object)";
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        const HRESULT read = which == Said::name          ? object->get_accName(self, &text)
                             : which == Said::description ? object->get_accDescription(self, &text)
                                                          : object->get_accValue(self, &text);
        static_cast<void>(object->Release());
        std::string out = SUCCEEDED(read) && text ? utf8(text) : "(nothing read)";
        ::SysFreeString(text);
        return out;
    }

    // Every tooltip and accessible text as the core makes them now.
    void expect_current()
    {
        for (const ControlText& t : control_texts(s)) {
            SCOPED_TRACE(t.control);
            EXPECT_EQ(tooltip(t.control), t.tooltip);
            EXPECT_EQ(said(t.control, Said::name), t.accessible_name);
            EXPECT_EQ(said(t.control, Said::description), t.tooltip);
            if (!t.accessible_value.empty()) {
                EXPECT_EQ(said(t.control, Said::value), t.accessible_value);
            }
        }
    }

    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Settings s{};
    Win32Windowing port{::GetModuleHandleA(nullptr)};
    sim::CallLog log;
    sim::SimWindowing unused_windowing{log}; // the fake device's messages would go there; it never opens
    sim::SimWaveOut wave_out{log, unused_windowing};
    sim::SimTestSignals test_signals{log};
    sim::SimShell shell{log};
    Platform platform{port, wave_out, test_signals, shell, Assets{}};
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
    EXPECT_EQ(said(4, Said::value), "440 hertz");

    // Tone 1's bar one step right, as its arrow sends it.
    HWND bar = port.control_window(first_gain_bar);
    HWND window = reinterpret_cast<HWND>(platform.main_window);
    static_cast<void>(::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), reinterpret_cast<LPARAM>(bar)));
    static_cast<void>(::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar)));
    const std::string other_before = said(first_gain_bar + 4, Said::value);
    handle_pending();
    expect_current();
    EXPECT_NE(tooltip(first_gain_bar).find("gain 45 %"), std::string::npos);
    EXPECT_EQ(said(first_gain_bar, Said::value).rfind("45 per cent, ", 0), 0u);
    EXPECT_NE(said(first_gain_bar + 4, Said::value), other_before);
}

TEST_F(Win32ControlTexts, ScrollBarsAreNamedAndTheRestIsTheSystemsStandardObject)
{
    for (int k = 0; k < tone_slots; k += 19) {
        SCOPED_TRACE(k);
        const std::string tone = "tone " + std::to_string(k + 1);
        EXPECT_EQ(said(first_gain_bar + k, Said::name), "Gain of " + tone);
        EXPECT_EQ(said(first_gain_bar + k, Said::value), std::string("44 per cent, ") + minus + "26.56 dBFS");
        EXPECT_EQ(said(k, Said::name), "Frequency of " + tone);
        EXPECT_EQ(said(first_gain_label + k, Said::name), "Gain in per cent of " + tone);
    }
    // Role, window and place come from the system's object of the control.
    IAccessible* bar = object_of(first_gain_bar + 3);
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
    EXPECT_EQ(said(frequency_heading, Said::name), "Frequency");
}

} // namespace
} // namespace tonegen::win32
