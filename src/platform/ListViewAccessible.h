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
class ListViewAccessible final : public AccessibleBase {
public:
    explicit ListViewAccessible(ListView& owner) : owner_(&owner) {}
    void Disconnect() noexcept { owner_ = nullptr; }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;

private:
    ~ListViewAccessible() override = default;
    // S_OK with row -1 for the list itself or the row's index; RPC_E_DISCONNECTED or
    // E_INVALIDARG otherwise.
    HRESULT Resolve(const VARIANT& child, ListView*& list, int& row) const;
    ListView* Live() const;

    ListView* owner_;
};

}  // namespace vt
