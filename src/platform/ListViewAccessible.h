// How a list's rows carry words for assistive technology (ListView::ImageDescriptions).
// Two ways, whichever the system offers:
//  - RowDescriptionServer: an annotation of the system's own list object
//    (IAccPropServices::SetHwndPropServer over all children): the system keeps describing
//    the list and asks us only for each row's description. Windows has it.
//  - ListViewAccessible: our own object for the list, answered on WM_GETOBJECT, where the
//    annotation service is missing (Wine has the service as stubs, and its list object
//    has no rows to annotate).
// Both are cut loose when the list's window goes; calls then fail or find nothing.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "platform/Accessible.h"

namespace vt {

class ListView;

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class RowDescriptionServer final : public IAccPropServer {
public:
    RowDescriptionServer(ListView& owner, IAccPropServices& services) : owner_(&owner), services_(&services) {}
    RowDescriptionServer(const RowDescriptionServer&) = delete;
    RowDescriptionServer& operator=(const RowDescriptionServer&) = delete;
    void Disconnect() noexcept {
        owner_ = nullptr;
        services_ = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPropValue(const BYTE* id, DWORD idLength, MSAAPROPID prop, VARIANT* value,
                                           BOOL* hasProp) override;

private:
    ~RowDescriptionServer() = default;
    LONG refs_ = 1;
    ListView* owner_;
    IAccPropServices* services_;  // owned by the list next to us
};

// A report list: its children (ids 1 to the row count) are the rows, named by their
// text and described by the words of their icons.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class ListViewAccessible final : public WindowAccessible {
public:
    explicit ListViewAccessible(ListView& owner)
        : WindowAccessible(ROLE_SYSTEM_LIST, ROLE_SYSTEM_LISTITEM),
          owner_(&owner) {}
    void Disconnect() noexcept { owner_ = nullptr; }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override;

private:
    ~ListViewAccessible() override = default;
    HWND LiveWindow() const override;
    int ChildCount() const override;
    bool ChildRect(int row, RECT& r) const override;
    int ChildAt(POINT client) const override;
    int FocusedChild() const override;

    ListView* owner_;
};

}  // namespace vt
