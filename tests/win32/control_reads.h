// What the user and assistive technology read of a control of the Win32
// layer, as the tests ask for it: the text its tooltip control holds, and
// its name, description or value through MSAA (WM_GETOBJECT via oleacc, as
// a screen reader asks). COM must be initialised on the calling thread.
#pragma once

#include "platform/win32/win32_api.h"

#include <ole2.h>
#include <oleacc.h>

#include <cstring>
#include <iterator>
#include <string>

namespace tonegen::win32::reads {

inline std::string utf8(const wchar_t* text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    static_cast<void>(::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr));
    out.resize(std::strlen(out.c_str()));
    return out;
}

// The text TOOLTIPS holds for CONTROL (a tool of its parent window).
inline std::string tooltip_text(HWND tooltips, HWND control)
{
    if (!control || !tooltips)
        return "(no tooltip control)";
    wchar_t text[1024] = {};
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = ::GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text;
    static_cast<void>(::SendMessageW(tooltips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info)));
    return utf8(text);
}

enum class Text { name, description, value };

// The control's accessible object (the caller releases it), or nullptr.
// (IID_IAccessible of the import library is a thunk, not the IID itself.)
inline IAccessible* accessible_object(HWND control)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

inline std::string accessible_text(HWND control, Text which)
{
    IAccessible* object = accessible_object(control);
    if (object == nullptr)
        return "(no accessible object)";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT read = which == Text::name          ? object->get_accName(self, &text)
                         : which == Text::description ? object->get_accDescription(self, &text)
                                                      : object->get_accValue(self, &text);
    static_cast<void>(object->Release());
    std::string out = SUCCEEDED(read) && text ? utf8(text) : "(nothing read)";
    ::SysFreeString(text);
    return out;
}

} // namespace tonegen::win32::reads
