#include "toolbar/VtToolBarAccessible.h"

#include "toolbar/VtToolBar.h"

namespace vt {

void VtToolBarAccessible::Disconnect() noexcept {
    // No CoDisconnectObject: remote clients then hear of the end from us, as
    // RPC_E_DISCONNECTED, instead of some transport error (Wine gives RPC_S_UNKNOWN_IF).
    // Their stubs keep this small object alive until they let go.
    owner_ = nullptr;
}

VtToolBar* VtToolBarAccessible::Live() const { return owner_ && owner_->hwnd() ? owner_ : nullptr; }

HRESULT VtToolBarAccessible::Resolve(const VARIANT& child, VtToolBar*& bar, int& index) const {
    bar = Live();
    if (!bar) return RPC_E_DISCONNECTED;
    LONG id = 0;
    if (!ChildIdOf(child, id) || id < 0 || id > bar->Button_Count()) return E_INVALIDARG;
    index = static_cast<int>(id) - 1;
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    VtToolBar* bar = Live();
    if (!bar) return RPC_E_DISCONNECTED;
    // The system's object for our window frame, as every standard control has above it.
    return ::AccessibleObjectFromWindow(bar->hwnd(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                        reinterpret_cast<void**>(parent));
}

HRESULT VtToolBarAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    VtToolBar* bar = Live();
    if (!bar) return RPC_E_DISCONNECTED;
    *count = bar->Button_Count();
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    // Buttons are simple elements of this object, not objects of their own.
    return index < 0 ? E_INVALIDARG : S_FALSE;
}

HRESULT VtToolBarAccessible::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    if (index < 0) return S_FALSE;
    return TextResult(bar->Buttons()[static_cast<size_t>(index)].caption, name);
}

HRESULT VtToolBarAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    if (index < 0) return S_FALSE;
    return TextResult(bar->Buttons()[static_cast<size_t>(index)].toolTip, description);
}

HRESULT VtToolBarAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    SetEmpty(role);
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    SetI4(role, index < 0 ? ROLE_SYSTEM_TOOLBAR : ROLE_SYSTEM_PUSHBUTTON);
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    SetEmpty(state);
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    HWND w = bar->hwnd();
    const bool shown = ::IsWindowVisible(w) != FALSE;
    const bool usable = ::IsWindowEnabled(w) != FALSE && bar->Enabled();
    const bool focused = ::GetFocus() == w;
    LONG s = 0;
    if (!shown) s |= STATE_SYSTEM_INVISIBLE;
    if (index < 0) {
        if (usable) s |= STATE_SYSTEM_FOCUSABLE;
        else s |= STATE_SYSTEM_UNAVAILABLE;
        if (focused && bar->Button_Index() < 0) s |= STATE_SYSTEM_FOCUSED;
    } else {
        const ToolBarButton& b = bar->Buttons()[static_cast<size_t>(index)];
        const bool current = bar->Button_Index() == index;
        if (usable && b.enabled) s |= STATE_SYSTEM_FOCUSABLE;
        else s |= STATE_SYSTEM_UNAVAILABLE;
        if (focused && current) s |= STATE_SYSTEM_FOCUSED;
        if (current && bar->PointerInside()) s |= STATE_SYSTEM_HOTTRACKED;
        if (b.pressed) s |= STATE_SYSTEM_PRESSED;
        RECT client{}, cell = bar->ButtonRect(index), shownPart{};
        ::GetClientRect(w, &client);
        if (!::IntersectRect(&shownPart, &client, &cell)) s |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    SetI4(state, s);
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    if (index < 0) return S_FALSE;
    return TextResult(bar->ButtonShortcut(index), shortcut);
}

HRESULT VtToolBarAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    SetEmpty(focus);
    VtToolBar* bar = Live();
    if (!bar) return RPC_E_DISCONNECTED;
    if (::GetFocus() != bar->hwnd()) return S_FALSE;
    SetI4(focus, bar->Button_Index() >= 0 ? bar->Button_Index() + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    if (index < 0 || !bar->CanPress(index)) return S_FALSE;
    return TextResult(kDefaultAction, action);
}

HRESULT VtToolBarAccessible::accSelect(long flags, VARIANT child) {
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    // Buttons are not selectable; taking the focus is all that a tool bar offers.
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
    return bar->FocusButton(index) ? S_OK : S_FALSE;
}

HRESULT VtToolBarAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    RECT r{};
    if (index < 0) ::GetClientRect(bar->hwnd(), &r);
    else r = bar->ButtonRect(index);
    ::MapWindowPoints(bar->hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
}

HRESULT VtToolBarAccessible::accNavigate(long dir, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    SetEmpty(end);
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(start, bar, index); FAILED(hr)) return hr;
    const int count = bar->Button_Count();
    const int perRow = bar->Layout().buttonsPerRow > 0 ? bar->Layout().buttonsPerRow : 1;
    int to = -1;
    if (index < 0) {
        // From the tool bar only into it; its siblings are the window object's business.
        if (dir == NAVDIR_FIRSTCHILD) to = 0;
        else if (dir == NAVDIR_LASTCHILD) to = count - 1;
        else return S_FALSE;
    } else {
        switch (dir) {
        case NAVDIR_NEXT:
        case NAVDIR_RIGHT: to = index + 1; break;
        case NAVDIR_PREVIOUS:
        case NAVDIR_LEFT: to = index - 1; break;
        case NAVDIR_DOWN: to = index + perRow; break;
        case NAVDIR_UP: to = index - perRow; break;
        default: return E_INVALIDARG;  // a button has no children to go into
        }
    }
    if (to < 0 || to >= count) return S_FALSE;
    SetI4(end, to + 1);
    return S_OK;
}

HRESULT VtToolBarAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    SetEmpty(child);
    VtToolBar* bar = Live();
    if (!bar) return RPC_E_DISCONNECTED;
    POINT p{x, y};
    ::ScreenToClient(bar->hwnd(), &p);
    RECT client{};
    ::GetClientRect(bar->hwnd(), &client);
    if (!::PtInRect(&client, p)) return S_FALSE;
    const int index = bar->ButtonAt(p);
    SetI4(child, index >= 0 ? index + 1 : CHILDID_SELF);
    return S_OK;
}

HRESULT VtToolBarAccessible::accDoDefaultAction(VARIANT child) {
    VtToolBar* bar = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, bar, index); FAILED(hr)) return hr;
    if (index < 0) return DISP_E_MEMBERNOTFOUND;
    // The click itself runs later from the message loop, as the mouse's would: its
    // handler may scan for minutes, and the client must not wait for that.
    return bar->PressButton(index) ? S_OK : E_FAIL;
}

}  // namespace vt
