// What assistive technology reads of the program's controls under Win32.
//
// How it works: MSAA clients, and UI Automation through its MSAA proxy, ask
// a window for its accessible object with WM_GETOBJECT (OBJID_CLIENT). Each
// control given a text here is subclassed, and answers with an IAccessible
// of its own: the program's name, description and value for the control
// itself, and for everything else (role, state, location, a scroll bar's
// arrows and thumb, navigation) the system's standard object of the window
// (CreateStdAccessibleObject; wine's has no scroll bar of its own and
// answers with a plain client object). Without it a scroll bar is named by
// nothing better than its class. oleacc.dll and oleaut32.dll are loaded at the first
// WM_GETOBJECT: a run without assistive technology loads neither, and the
// program imports only the DLLs every Windows has loaded anyway. (Dynamic
// Annotation, IAccPropServices, would name controls too, but wine answers
// every call of it with E_NOTIMPL; WM_GETOBJECT works on both.)
//
// Everything here runs on the GUI thread. Objects handed out stay valid for
// as long as a client holds them; once their control is gone they answer
// every call with an error.
#pragma once

#include "platform/win32/win32_api.h"

#include <map>
#include <memory>
#include <string>

namespace tonegen::win32 {

class ControlAccessible;

class AccessibleControls {
public:
    enum class Text { name, description, value };

    AccessibleControls() = default;
    ~AccessibleControls();
    AccessibleControls(const AccessibleControls&) = delete;
    AccessibleControls& operator=(const AccessibleControls&) = delete;

    // Sets one text of `control` (empty: the standard object's again).
    void set(HWND control, Text which, std::wstring text);

    struct Texts {
        std::wstring name, description, value;
    };

private:
    struct Entry {
        std::shared_ptr<Texts> texts;
        ControlAccessible* object = nullptr; // made at the first WM_GETOBJECT, one reference held here
    };

    static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                               UINT_PTR id, DWORD_PTR data);
    LRESULT answer_get_object(HWND window, WPARAM wparam, LPARAM lparam);
    void forget(HWND window);

    std::map<HWND, Entry> controls_;
};

} // namespace tonegen::win32
