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

HWND ListViewAccessible::LiveWindow() const { return owner_ ? owner_->hwnd() : nullptr; }

int ListViewAccessible::ChildCount() const { return owner_->Count(); }

bool ListViewAccessible::ChildRect(int row, RECT& r) const {
    return ListView_GetItemRect(owner_->hwnd(), row, &r, LVIR_BOUNDS) != FALSE;
}

int ListViewAccessible::ChildAt(POINT client) const { return owner_->HitTest(client); }

int ListViewAccessible::FocusedChild() const { return ListView_GetNextItem(owner_->hwnd(), -1, LVNI_FOCUSED); }

HRESULT ListViewAccessible::get_accName(VARIANT child, BSTR* name) {
    return ChildText(child, name, [this](int row) { return owner_->Text(row, 0); });
}

HRESULT ListViewAccessible::get_accDescription(VARIANT child, BSTR* description) {
    return ChildText(child, description, [this](int row) { return owner_->RowDescription(row); });
}

HRESULT ListViewAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    SetEmpty(state);
    int row = -1;
    if (HRESULT hr = Resolve(child, row); FAILED(hr)) return hr;
    HWND w = owner_->hwnd();
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
        if (!ChildRect(row, bounds) || !::IntersectRect(&shown, &client, &bounds))
            s |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    SetI4(state, s);
    return S_OK;
}

HRESULT ListViewAccessible::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    SetEmpty(selection);
    if (!LiveWindow()) return RPC_E_DISCONNECTED;
    const int row = owner_->SelectedRow();
    if (row < 0) return S_FALSE;
    SetI4(selection, row + 1);
    return S_OK;
}

HRESULT ListViewAccessible::accSelect(long flags, VARIANT child) {
    int row = -1;
    if (HRESULT hr = Resolve(child, row); FAILED(hr)) return hr;
    if (row < 0 || (flags & ~(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) || !flags) return E_INVALIDARG;
    // One row at a time: taking the selection or the focus both make it the selected row.
    if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(owner_->hwnd());
    owner_->Select(row);
    return S_OK;
}

HRESULT ListViewAccessible::accNavigate(long dir, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    SetEmpty(end);
    int row = -1;
    if (HRESULT hr = Resolve(start, row); FAILED(hr)) return hr;
    const int count = owner_->Count();
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

}  // namespace vt
