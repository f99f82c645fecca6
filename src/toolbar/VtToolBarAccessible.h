// The toolbar as assistive technology sees it: a tool bar whose children (ids 1 to
// Button_Count) are its buttons, answered from the live control. The control hands it
// out on WM_GETOBJECT and cuts it loose when its window goes; a client may hold it
// longer, and then only gets failures.
#pragma once

#include "platform/Accessible.h"

namespace vt {

class VtToolBar;

class VtToolBarAccessible final : public AccessibleBase {
public:
    // The word that names every button's default action.
    static constexpr const char* kDefaultAction = "Premi";

    explicit VtToolBarAccessible(VtToolBar& owner) : owner_(&owner) {}
    // The control is going: forget it. From now on every call, local or remote, fails
    // with RPC_E_DISCONNECTED.
    void Disconnect() noexcept;

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;

private:
    ~VtToolBarAccessible() override = default;
    // The live control, or null once disconnected (its window may also be gone already).
    VtToolBar* Live() const;
    // Checks the child id: S_OK with index -1 for the tool bar itself or the button's
    // zero-based index; RPC_E_DISCONNECTED or E_INVALIDARG otherwise.
    HRESULT Resolve(const VARIANT& child, VtToolBar*& bar, int& index) const;

    VtToolBar* owner_;
};

}  // namespace vt
