#include "toolbar/VtToolBarAccessible.h"

#include "toolbar/VtToolBar.h"

namespace vt {

void VtToolBarAccessible::Disconnect() noexcept {
    // No CoDisconnectObject: remote clients then hear of the end from us, as
    // RPC_E_DISCONNECTED, instead of some transport error (Wine gives RPC_S_UNKNOWN_IF).
    // Their stubs keep this small object alive until they let go.
    owner_ = nullptr;
}

HWND VtToolBarAccessible::LiveWindow() const { return owner_ ? owner_->hwnd() : nullptr; }

int VtToolBarAccessible::ChildCount() const { return owner_->Button_Count(); }

bool VtToolBarAccessible::ChildRect(int index, RECT& r) const {
    r = owner_->ButtonRect(index);
    return true;
}

int VtToolBarAccessible::ChildAt(POINT client) const { return owner_->ButtonAt(client); }

int VtToolBarAccessible::FocusedChild() const { return owner_->Button_Index(); }

HRESULT VtToolBarAccessible::get_accName(VARIANT child, BSTR* name) {
    return ChildText(child, name, [this](int i) { return owner_->Buttons()[static_cast<size_t>(i)].caption; });
}

HRESULT VtToolBarAccessible::get_accDescription(VARIANT child, BSTR* description) {
    return ChildText(child, description, [this](int i) { return owner_->Buttons()[static_cast<size_t>(i)].toolTip; });
}

HRESULT VtToolBarAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    SetEmpty(state);
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    HWND w = owner_->hwnd();
    const bool shown = ::IsWindowVisible(w) != FALSE;
    const bool usable = ::IsWindowEnabled(w) != FALSE && owner_->Enabled();
    const bool focused = ::GetFocus() == w;
    LONG s = 0;
    if (!shown) s |= STATE_SYSTEM_INVISIBLE;
    if (index < 0) {
        if (usable) s |= STATE_SYSTEM_FOCUSABLE;
        else s |= STATE_SYSTEM_UNAVAILABLE;
        if (focused && owner_->Button_Index() < 0) s |= STATE_SYSTEM_FOCUSED;
    } else {
        const ToolBarButton& b = owner_->Buttons()[static_cast<size_t>(index)];
        const bool current = owner_->Button_Index() == index;
        if (usable && b.enabled) s |= STATE_SYSTEM_FOCUSABLE;
        else s |= STATE_SYSTEM_UNAVAILABLE;
        if (focused && current) s |= STATE_SYSTEM_FOCUSED;
        if (current && owner_->PointerInside()) s |= STATE_SYSTEM_HOTTRACKED;
        if (b.pressed) s |= STATE_SYSTEM_PRESSED;
        RECT client{}, cell = owner_->ButtonRect(index), shownPart{};
        ::GetClientRect(w, &client);
        if (!::IntersectRect(&shownPart, &client, &cell)) s |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    SetI4(state, s);
    return S_OK;
}

HRESULT VtToolBarAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return ChildText(child, shortcut, [this](int i) { return owner_->ButtonShortcut(i); });
}

HRESULT VtToolBarAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    if (index < 0 || !owner_->CanPress(index)) return S_FALSE;
    return TextResult(kDefaultAction, action);
}

HRESULT VtToolBarAccessible::accSelect(long flags, VARIANT child) {
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    // Buttons are not selectable; taking the focus is all that a tool bar offers.
    if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
    return owner_->FocusButton(index) ? S_OK : S_FALSE;
}

HRESULT VtToolBarAccessible::accNavigate(long dir, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    SetEmpty(end);
    int index = -1;
    if (HRESULT hr = Resolve(start, index); FAILED(hr)) return hr;
    const int count = owner_->Button_Count();
    const int perRow = owner_->Layout().buttonsPerRow > 0 ? owner_->Layout().buttonsPerRow : 1;
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

HRESULT VtToolBarAccessible::accDoDefaultAction(VARIANT child) {
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    if (index < 0) return DISP_E_MEMBERNOTFOUND;
    // The click itself runs later from the message loop, as the mouse's would: its
    // handler may scan for minutes, and the client must not wait for that.
    return owner_->PressButton(index) ? S_OK : E_FAIL;
}

}  // namespace vt
