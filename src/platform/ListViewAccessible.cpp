#include "platform/ListViewAccessible.h"

#include <commctrl.h>

#include "platform/ListView.h"

namespace vt {

// ---- annotation of the system's list object ---------------------------------------

HRESULT RowDescriptionServer::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == kIidIAccPropServer) {
        *out = static_cast<IAccPropServer*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG RowDescriptionServer::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG RowDescriptionServer::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT RowDescriptionServer::GetPropValue(const BYTE* id, DWORD idLength, MSAAPROPID prop, VARIANT* value,
                                           BOOL* hasProp) {
    if (!value || !hasProp) return E_POINTER;
    SetEmpty(value);
    *hasProp = FALSE;
    if (!owner_ || !services_ || !owner_->hwnd()) return S_OK;  // nothing to add: the system answers alone
    if (prop != kPropIdAccDescription) return S_OK;
    HWND hwnd = nullptr;
    DWORD object = 0, child = 0;
    if (FAILED(services_->DecomposeHwndIdentityString(id, idLength, &hwnd, &object, &child))) return S_OK;
    if (hwnd != owner_->hwnd() || static_cast<LONG>(object) != OBJID_CLIENT) return S_OK;
    const int row = static_cast<int>(child) - 1;
    if (row < 0 || row >= owner_->Count()) return S_OK;
    BSTR text = nullptr;
    if (TextResult(owner_->RowDescription(row), &text) != S_OK) return S_OK;
    value->vt = VT_BSTR;
    value->bstrVal = text;
    *hasProp = TRUE;
    return S_OK;
}

// ---- our own list object ---------------------------------------------------------

ListView* ListViewAccessible::Live() const { return owner_ && owner_->hwnd() ? owner_ : nullptr; }

HRESULT ListViewAccessible::Resolve(const VARIANT& child, ListView*& list, int& row) const {
    list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    LONG id = 0;
    if (!ChildIdOf(child, id) || id < 0 || id > list->Count()) return E_INVALIDARG;
    row = static_cast<int>(id) - 1;
    return S_OK;
}

HRESULT ListViewAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    ListView* list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    return ::AccessibleObjectFromWindow(list->hwnd(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
}

HRESULT ListViewAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    ListView* list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    *count = list->Count();
    return S_OK;
}

HRESULT ListViewAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    return row < 0 ? E_INVALIDARG : S_FALSE;  // rows are simple elements
}

HRESULT ListViewAccessible::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    if (row < 0) return S_FALSE;
    return TextResult(list->Text(row, 0), name);
}

HRESULT ListViewAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    if (row < 0) return S_FALSE;
    return TextResult(list->RowDescription(row), description);
}

HRESULT ListViewAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    SetEmpty(role);
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    SetI4(role, row < 0 ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM);
    return S_OK;
}

HRESULT ListViewAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    SetEmpty(state);
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    HWND w = list->hwnd();
    const bool focused = ::GetFocus() == w;
    LONG s = 0;
    if (!::IsWindowVisible(w)) s |= STATE_SYSTEM_INVISIBLE;
    if (!::IsWindowEnabled(w)) s |= STATE_SYSTEM_UNAVAILABLE;
    if (row < 0) {
        s |= STATE_SYSTEM_FOCUSABLE;
        if (focused) s |= STATE_SYSTEM_FOCUSED;
    } else {
        s |= STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        const UINT item = ListView_GetItemState(w, row, LVIS_SELECTED | LVIS_FOCUSED);
        if (item & LVIS_SELECTED) s |= STATE_SYSTEM_SELECTED;
        if (focused && (item & LVIS_FOCUSED)) s |= STATE_SYSTEM_FOCUSED;
        RECT client{}, bounds{}, shown{};
        ::GetClientRect(w, &client);
        if (!ListView_GetItemRect(w, row, &bounds, LVIR_BOUNDS) || !::IntersectRect(&shown, &client, &bounds))
            s |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    SetI4(state, s);
    return S_OK;
}

HRESULT ListViewAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    SetEmpty(focus);
    ListView* list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    if (::GetFocus() != list->hwnd()) return S_FALSE;
    const int row = ListView_GetNextItem(list->hwnd(), -1, LVNI_FOCUSED);
    SetI4(focus, row >= 0 ? row + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT ListViewAccessible::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    SetEmpty(selection);
    ListView* list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    const int row = list->SelectedRow();
    if (row < 0) return S_FALSE;
    SetI4(selection, row + 1);
    return S_OK;
}

HRESULT ListViewAccessible::accSelect(long flags, VARIANT child) {
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    if (row < 0 || (flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) || !flags) return E_INVALIDARG;
    // One row at a time: taking the selection or the focus both make it the selected row.
    if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(list->hwnd());
    list->Select(row);
    return S_OK;
}

HRESULT ListViewAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(child, list, row); FAILED(hr)) return hr;
    RECT r{};
    if (row < 0) ::GetClientRect(list->hwnd(), &r);
    else if (!ListView_GetItemRect(list->hwnd(), row, &r, LVIR_BOUNDS)) return E_FAIL;
    ::MapWindowPoints(list->hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT ListViewAccessible::accNavigate(long dir, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    SetEmpty(end);
    ListView* list = nullptr;
    int row = -1;
    if (HRESULT hr = Resolve(start, list, row); FAILED(hr)) return hr;
    const int count = list->Count();
    int to = -1;
    if (row < 0) {
        if (dir == NAVDIR_FIRSTCHILD) to = 0;
        else if (dir == NAVDIR_LASTCHILD) to = count - 1;
        else return S_FALSE;
    } else if (dir == NAVDIR_NEXT || dir == NAVDIR_DOWN) {
        to = row + 1;
    } else if (dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP) {
        to = row - 1;
    } else {
        return E_INVALIDARG;
    }
    if (to < 0 || to >= count) return S_FALSE;
    SetI4(end, to + 1);
    return S_OK;
}

HRESULT ListViewAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    SetEmpty(child);
    ListView* list = Live();
    if (!list) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    ::ScreenToClient(list->hwnd(), &p);
    RECT client{};
    ::GetClientRect(list->hwnd(), &client);
    if (!::PtInRect(&client, p)) return S_FALSE;
    const int row = list->HitTest(p);
    SetI4(child, row >= 0 ? row + 1 : CHILDID_SELF);
    return S_OK;
}

}  // namespace vt
