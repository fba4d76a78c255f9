// How it works: see win32_accessibility.h.
#include "platform/win32/win32_accessibility.h"

#include <ole2.h>
#include <oleacc.h>

#include <utility>

namespace tonegen::win32 {

namespace {

constexpr UINT_PTR subclass_id = 0x7A11;

// The entry points of oleacc.dll and oleaut32.dll, loaded once, all or
// nothing. The DLLs stay loaded: clients may hold objects of theirs.
struct AccessibilityDlls {
    using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);

    CreateStdAccessibleObjectFn create_standard = nullptr;
    LresultFromObjectFn lresult_from_object = nullptr;
    SysAllocStringLenFn alloc_string = nullptr;

    bool ready() const { return create_standard && lresult_from_object && alloc_string; }
};

template <typename F>
F entry(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    // The one sanctioned route from a DLL's export to a typed pointer.
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const AccessibilityDlls& accessibility_dlls()
{
    static const AccessibilityDlls dlls = [] {
        AccessibilityDlls d;
        HMODULE oleacc = ::LoadLibraryA("oleacc.dll");
        HMODULE oleaut = ::LoadLibraryA("oleaut32.dll");
        d.create_standard = entry<AccessibilityDlls::CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
        d.lresult_from_object = entry<AccessibilityDlls::LresultFromObjectFn>(oleacc, "LresultFromObject");
        d.alloc_string = entry<AccessibilityDlls::SysAllocStringLenFn>(oleaut, "SysAllocStringLen");
        if (!d.ready())
            d = AccessibilityDlls{};
        return d;
    }();
    return dlls;
}

bool is_self(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

} // namespace

// The IAccessible of one control: its own texts for the control itself,
// the standard object's answers for the rest.
class ControlAccessible final : public IAccessible {
public:
    ControlAccessible(std::shared_ptr<AccessibleControls::Texts> texts, IAccessible* standard)
        : texts_(std::move(texts)), standard_(standard)
    {
    }

    // The control is gone: every later call fails.
    void disconnect()
    {
        if (standard_)
            static_cast<void>(standard_->Release());
        standard_ = nullptr;
        texts_.reset();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // The window behind it and the children's enumeration are the standard
        // object's; nothing else is, so that marshalling (IMarshal and kin)
        // always hands out this object, not the standard one.
        if (standard_ && (iid == __uuidof(IOleWindow) || iid == __uuidof(IEnumVARIANT)))
            return standard_->QueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            disconnect();
            delete this;
        }
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (standard_)
            return standard_->GetTypeInfoCount(count);
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard_ ? standard_->GetTypeInfo(index, locale, info) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return standard_ ? standard_->GetIDsOfNames(iid, names, count, locale, ids) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* wrong_argument) override
    {
        return standard_ ? standard_->Invoke(id, iid, locale, flags, parameters, result, exception, wrong_argument)
                         : E_NOTIMPL;
    }

    // IAccessible: the three texts of the control itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* text) override
    {
        return said(child, text, &AccessibleControls::Texts::name, &IAccessible::get_accName);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* text) override
    {
        return said(child, text, &AccessibleControls::Texts::value, &IAccessible::get_accValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return said(child, text, &AccessibleControls::Texts::description, &IAccessible::get_accDescription);
    }

    // IAccessible: the rest, as the standard object answers.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return standard_ ? standard_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        return standard_ ? standard_->get_accChildCount(count) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard_ ? standard_->get_accChild(child, object) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return standard_ ? standard_->get_accRole(child, role) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return standard_ ? standard_->get_accState(child, state) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard_ ? standard_->get_accHelp(child, help) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return standard_ ? standard_->get_accHelpTopic(file, child, topic) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        return standard_ ? standard_->get_accKeyboardShortcut(child, keys) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override
    {
        return standard_ ? standard_->get_accFocus(child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard_ ? standard_->get_accSelection(children) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard_ ? standard_->get_accDefaultAction(child, action) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override
    {
        return standard_ ? standard_->accSelect(flags, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override
    {
        return standard_ ? standard_->accLocation(left, top, width, height, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        return standard_ ? standard_->accNavigate(direction, start, end) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return standard_ ? standard_->accHitTest(x, y, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return standard_ ? standard_->accDoDefaultAction(child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT /*child*/, BSTR /*name*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard_ ? standard_->put_accValue(child, value) : CO_E_OBJNOTCONNECTED;
    }

private:
    ~ControlAccessible() = default;

    using StandardText = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

    HRESULT said(const VARIANT& child, BSTR* text, std::wstring AccessibleControls::Texts::*which,
                 StandardText standard_text)
    {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        if (!standard_ || !texts_)
            return CO_E_OBJNOTCONNECTED;
        const std::wstring& own = (*texts_).*which;
        if (!is_self(child) || own.empty())
            return (standard_->*standard_text)(child, text);
        *text = accessibility_dlls().alloc_string(own.data(), static_cast<UINT>(own.size()));
        return *text ? S_OK : E_OUTOFMEMORY;
    }

    std::shared_ptr<AccessibleControls::Texts> texts_;
    IAccessible* standard_;
    ULONG references_ = 1;
};

AccessibleControls::~AccessibleControls()
{
    while (!controls_.empty())
        forget(controls_.begin()->first);
}

void AccessibleControls::set(HWND control, Text which, std::wstring text)
{
    auto it = controls_.find(control);
    if (it == controls_.end()) {
        if (!::SetWindowSubclass(control, &AccessibleControls::subclass_procedure, subclass_id,
                                 reinterpret_cast<DWORD_PTR>(this)))
            return;
        it = controls_.emplace(control, Entry{std::make_shared<Texts>(), nullptr}).first;
    }
    Texts& texts = *it->second.texts;
    switch (which) {
    case Text::name:
        texts.name = std::move(text);
        break;
    case Text::description:
        texts.description = std::move(text);
        break;
    case Text::value:
        texts.value = std::move(text);
        break;
    }
    // Clients that listen read the new text again.
    const DWORD event = which == Text::name          ? EVENT_OBJECT_NAMECHANGE
                        : which == Text::description ? EVENT_OBJECT_DESCRIPTIONCHANGE
                                                     : EVENT_OBJECT_VALUECHANGE;
    ::NotifyWinEvent(event, control, OBJID_CLIENT, CHILDID_SELF);
}

void AccessibleControls::forget(HWND window)
{
    const auto it = controls_.find(window);
    if (it == controls_.end())
        return;
    if (it->second.object) {
        it->second.object->disconnect();
        static_cast<void>(it->second.object->Release());
    }
    static_cast<void>(::RemoveWindowSubclass(window, &AccessibleControls::subclass_procedure, subclass_id));
    controls_.erase(it);
}

LRESULT AccessibleControls::answer_get_object(HWND window, WPARAM wparam, LPARAM lparam)
{
    const auto it = controls_.find(window);
    const AccessibilityDlls& dlls = accessibility_dlls();
    if (static_cast<LONG>(static_cast<DWORD>(lparam)) != OBJID_CLIENT || it == controls_.end() || !dlls.ready())
        return ::DefSubclassProc(window, WM_GETOBJECT, wparam, lparam);
    Entry& entry = it->second;
    if (!entry.object) {
        void* standard = nullptr;
        if (FAILED(dlls.create_standard(window, OBJID_CLIENT, __uuidof(IAccessible), &standard)) || !standard)
            return ::DefSubclassProc(window, WM_GETOBJECT, wparam, lparam);
        entry.object = new ControlAccessible(entry.texts, static_cast<IAccessible*>(standard));
    }
    return dlls.lresult_from_object(__uuidof(IAccessible), wparam, entry.object);
}

LRESULT CALLBACK AccessibleControls::subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                        UINT_PTR /*id*/, DWORD_PTR data)
{
    auto* self = reinterpret_cast<AccessibleControls*>(data);
    try {
        if (message == WM_GETOBJECT)
            return self->answer_get_object(window, wparam, lparam);
        if (message == WM_NCDESTROY)
            self->forget(window);
    } catch (...) {
    }
    return ::DefSubclassProc(window, message, wparam, lparam);
}

} // namespace tonegen::win32
