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
