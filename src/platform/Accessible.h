// What our own accessible objects share: the IAccessible plumbing (reference count,
// IDispatch without type information, "not supported" answers), child identifiers and
// the text and variant results that assistive technology reads.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string_view>

namespace vt {

// oleacc's identifiers as data. The import library exports IID_IAccessible and friends
// as jump stubs, not GUIDs: code that takes their address marshals garbage.
inline constexpr IID kIidIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr IID kIidIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
inline constexpr CLSID kClsidCAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
inline constexpr IID kIidIAccPropServer = {
    0x76c0dbbb, 0x15e0, 0x4e7b, {0xb6, 0x1b, 0x20, 0xee, 0xea, 0x20, 0x01, 0xe0}};
inline constexpr GUID kPropIdAccDescription = {
    0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};

// An IAccessible whose every member answers "not supported" until a derived object
// says otherwise. Created with one reference (for ComPtr to adopt); lives on the thread
// of the window it describes, so the count needs no interlocking but gets it anyway.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class AccessibleBase : public IAccessible {
public:
    AccessibleBase() = default;
    AccessibleBase(const AccessibleBase&) = delete;
    AccessibleBase& operator=(const AccessibleBase&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: clients use the vtable; there is no type library to describe us.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    virtual ~AccessibleBase() = default;

private:
    LONG refs_ = 1;
};

// The object of one window whose children (ids 1 to ChildCount) are simple elements it
// draws itself. Parent, count, role, focus, location and hit test come from what the
// derived object tells of its window; once that window has gone (LiveWindow null) every
// call fails with RPC_E_DISCONNECTED.
// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class WindowAccessible : public AccessibleBase {
public:
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;

protected:
    WindowAccessible(LONG role, LONG childRole) : role_(role), childRole_(childRole) {}
    ~WindowAccessible() override = default;

    // The window described, or null once it (or its owner) has gone.
    virtual HWND LiveWindow() const = 0;
    // Asked only while LiveWindow is not null; indexes are zero-based.
    virtual int ChildCount() const = 0;
    // The child's cell in client pixels; false when the window cannot tell.
    virtual bool ChildRect(int index, RECT& r) const = 0;
    // The child under a client point, or -1.
    virtual int ChildAt(POINT client) const = 0;
    // The child that has the keyboard focus while the window has it, or -1.
    virtual int FocusedChild() const = 0;

    // Checks the child id: S_OK with index -1 for the object itself or the child's
    // zero-based index; RPC_E_DISCONNECTED or E_INVALIDARG otherwise.
    HRESULT Resolve(const VARIANT& child, int& index) const;
    // A child's text: S_FALSE for the object itself, which has none of its own.
    template <typename TextOf>
    HRESULT ChildText(const VARIANT& child, BSTR* out, TextOf textOf) const;

private:
    LONG role_, childRole_;
};

// A child identifier from a VARIANT: true for VT_I4 (and VT_EMPTY, taken as the object
// itself, as some clients send it).
bool ChildIdOf(const VARIANT& v, LONG& id);
// VT_I4 / VT_EMPTY results.
void SetI4(VARIANT* v, LONG value);
void SetEmpty(VARIANT* v);
// A text result: S_OK with a new BSTR, or S_FALSE and null for an empty text.
HRESULT TextResult(std::string_view utf8, BSTR* out);

template <typename TextOf>
HRESULT WindowAccessible::ChildText(const VARIANT& child, BSTR* out, TextOf textOf) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    int index = -1;
    if (HRESULT hr = Resolve(child, index); FAILED(hr)) return hr;
    if (index < 0) return S_FALSE;
    return TextResult(textOf(index), out);
}

}  // namespace vt
