// The toolbar as assistive technology sees it: a tool bar whose children (ids 1 to
// Button_Count) are its buttons, answered from the live control. The control hands it
// out on WM_GETOBJECT and cuts it loose when its window goes; a client may hold it
// longer, and then only gets failures.
#pragma once

#include "platform/Accessible.h"

namespace vt {

class VtToolBar;

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class VtToolBarAccessible final : public WindowAccessible {
public:
    // The word that names every button's default action.
    static constexpr const char* kDefaultAction = "Premi";

    explicit VtToolBarAccessible(VtToolBar& owner)
        : WindowAccessible(ROLE_SYSTEM_TOOLBAR, ROLE_SYSTEM_PUSHBUTTON),
          owner_(&owner) {}
    // The control is going: forget it. From now on every call, local or remote, fails
    // with RPC_E_DISCONNECTED.
    void Disconnect() noexcept;

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;

private:
    ~VtToolBarAccessible() override = default;
    // The control's window; null once disconnected or once that window has gone.
    HWND LiveWindow() const override;
    int ChildCount() const override;
    bool ChildRect(int index, RECT& r) const override;
    int ChildAt(POINT client) const override;
    int FocusedChild() const override;

    VtToolBar* owner_;
};

}  // namespace vt
