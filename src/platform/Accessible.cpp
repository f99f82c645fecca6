#include "platform/Accessible.h"

#include <oleauto.h>

#include <new>

#include "platform/WinText.h"

namespace vt {

HRESULT AccessibleBase::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidIAccessible) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleBase::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG AccessibleBase::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT AccessibleBase::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AccessibleBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT AccessibleBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT AccessibleBase::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT AccessibleBase::get_accParent(IDispatch** parent) {
    if (parent) *parent = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accChildCount(long* count) {
    if (count) *count = 0;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accChild(VARIANT, IDispatch** out) {
    if (out) *out = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accName(VARIANT, BSTR* name) {
    if (name) *name = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accValue(VARIANT, BSTR* value) {
    if (value) *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accDescription(VARIANT, BSTR* description) {
    if (description) *description = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accRole(VARIANT, VARIANT* role) {
    SetEmpty(role);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accState(VARIANT, VARIANT* state) {
    SetEmpty(state);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accHelp(VARIANT, BSTR* help) {
    if (help) *help = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
    if (shortcut) *shortcut = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accFocus(VARIANT* focus) {
    SetEmpty(focus);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accSelection(VARIANT* selection) {
    SetEmpty(selection);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::get_accDefaultAction(VARIANT, BSTR* action) {
    if (action) *action = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::accSelect(long, VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT AccessibleBase::accLocation(long* left, long* top, long* width, long* height, VARIANT) {
    for (long* p : {left, top, width, height})
        if (p) *p = 0;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::accNavigate(long, VARIANT, VARIANT* end) {
    SetEmpty(end);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::accHitTest(long, long, VARIANT* child) {
    SetEmpty(child);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleBase::accDoDefaultAction(VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT AccessibleBase::put_accName(VARIANT, BSTR) { return DISP_E_MEMBERNOTFOUND; }

HRESULT AccessibleBase::put_accValue(VARIANT, BSTR) { return DISP_E_MEMBERNOTFOUND; }

// ---- one window and the elements it draws -------------------------------------------

HRESULT WindowAccessible::Resolve(const VARIANT& child, int& index) const {
    if (!LiveWindow()) return RPC_E_DISCONNECTED;
    LONG id = 0;
    if (!ChildIdOf(child, id) || id < 0 || id > ChildCount()) return E_INVALIDARG;
    index = static_cast<int>(id) - 1;
    return S_OK;
}

HRESULT WindowAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    HWND w = LiveWindow();
    if (!w) return RPC_E_DISCONNECTED;
    // The system's object for the window frame, as every standard control has above it.
    return ::AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
}

HRESULT WindowAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!LiveWindow()) return RPC_E_DISCONNECTED;
    *count = ChildCount();
    return S_OK;
}

HRESULT WindowAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    // The children are simple elements of this object, not objects of their own.
    return index < 0 ? E_INVALIDARG : S_FALSE;
}

HRESULT WindowAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    SetEmpty(role);
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    SetI4(role, index < 0 ? role_ : childRole_);
    return S_OK;
}

HRESULT WindowAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    SetEmpty(focus);
    HWND w = LiveWindow();
    if (!w) return RPC_E_DISCONNECTED;
    if (::GetFocus() != w) return S_FALSE;
    const int index = FocusedChild();
    SetI4(focus, index >= 0 ? index + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT WindowAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    HWND w = LiveWindow();
    RECT r{};
    if (index < 0) ::GetClientRect(w, &r);
    else if (!ChildRect(index, r)) return E_FAIL;
    ::MapWindowPoints(w, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT WindowAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    SetEmpty(child);
    HWND w = LiveWindow();
    if (!w) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    ::ScreenToClient(w, &p);
    RECT client{};
    ::GetClientRect(w, &client);
    if (!::PtInRect(&client, p)) return S_FALSE;
    const int index = ChildAt(p);
    SetI4(child, index >= 0 ? index + 1 : CHILDID_SELF);
    return S_OK;
}

// ---- results ------------------------------------------------------------------------

bool ChildIdOf(const VARIANT& v, LONG& id) {
    if (v.vt == VT_I4) {
        id = v.lVal;
        return true;
    }
    if (v.vt == VT_EMPTY) {
        id = CHILDID_SELF;
        return true;
    }
    return false;
}

void SetI4(VARIANT* v, LONG value) {
    if (!v) return;
    v->vt = VT_I4;
    v->lVal = value;
}

void SetEmpty(VARIANT* v) {
    if (v) v->vt = VT_EMPTY;
}

HRESULT TextResult(std::string_view utf8, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (utf8.empty()) return S_FALSE;
    try {
        const std::wstring w = Widen(utf8);
        *out = ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    } catch (const std::bad_alloc&) { return E_OUTOFMEMORY; }
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace vt
