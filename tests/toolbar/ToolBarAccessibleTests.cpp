// The toolbar through its accessible object, asked in this process the way a screen
// reader asks (AccessibleObjectFromWindow on the control's window).
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Accessible.h"
#include "platform/ComPtr.h"
#include "platform/MessagePump.h"
#include "platform/WinText.h"
#include "platform/Window.h"
#include "support/AccessibleSupport.h"
#include "support/TestSupport.h"
#include "toolbar/MainDesign.h"
#include "toolbar/VtToolBar.h"

namespace {

using vt::ComPtr;

class Host : public vt::Window {
public:
    bool Open() {
        if (!CreateWindowOf("VtToolBarAccHost", 0, "Toolbar host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 720,
                            260, nullptr, nullptr))
            return false;
        ::ShowWindow(hwnd(), SW_SHOW);
        ::UpdateWindow(hwnd());
        return true;
    }
};

// Every event in order, as text, so sequences compare at a glance.
struct Recorder : vt::VtToolBarEventsBase {
    std::vector<std::string> seen;
    void Click(int32_t i) override { seen.push_back("click " + std::to_string(i)); }
    void OnButtonHover(int32_t i) override { seen.push_back("hover " + std::to_string(i)); }
    void MouseDown(int32_t i, int16_t& b, int16_t&, float&, float&) override {
        seen.push_back("down " + std::to_string(i) + " " + std::to_string(b));
    }
    void MouseUp(int32_t i, int16_t& b, int16_t&, float&, float&) override {
        seen.push_back("up " + std::to_string(i) + " " + std::to_string(b));
    }
};

using vt::test::Child;

std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* acc, LONG id,
                 HRESULT* hrOut = nullptr) {
    BSTR s = nullptr;
    HRESULT hr = (acc->*get)(Child(id), &s);
    if (hrOut) *hrOut = hr;
    std::string out = s ? vt::Narrow(std::wstring(s, ::SysStringLen(s))) : std::string();
    ::SysFreeString(s);
    return out;
}

LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* acc, LONG id) {
    VARIANT v;
    ::VariantInit(&v);
    if (FAILED((acc->*get)(Child(id), &v)) || v.vt != VT_I4) return -1;
    return v.lVal;
}

LONG State(IAccessible* acc, LONG id) { return Number(&IAccessible::get_accState, acc, id); }

class ToolBarAccessible : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com.ok());
        ASSERT_TRUE(host.Open());
        toolbar = std::make_unique<vt::VtToolBar>(&events);
        RECT r{0, 0, 600, 200};
        ASSERT_TRUE(vt::test::CreateMainDesign(*toolbar, host.hwnd(), r, 100, 96));
        vt::PumpPending();
    }
    void TearDown() override {
        ::SetCursorPos(1200, 1000);
        vt::PumpPending();
    }

    ComPtr<IAccessible> Object() {
        ComPtr<IAccessible> acc;
        HRESULT hr = ::AccessibleObjectFromWindow(toolbar->hwnd(), static_cast<DWORD>(OBJID_CLIENT),
                                                  vt::kIidIAccessible, acc.put_void());
        EXPECT_EQ(hr, S_OK);
        return acc;
    }
    POINT CentreOnScreen(int i) const {
        RECT r = toolbar->ButtonRect(i);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(toolbar->hwnd(), &p);
        return p;
    }
    // The real pointer goes there too, or the control would hear at once that it left.
    void MoveTo(int i) {
        POINT screen = CentreOnScreen(i);
        ::SetCursorPos(screen.x, screen.y);
        RECT r = toolbar->ButtonRect(i);
        ::SendMessageA(toolbar->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }

    vt::ComScope com;
    Recorder events;
    Host host;
    std::unique_ptr<vt::VtToolBar> toolbar;
};

TEST_F(ToolBarAccessible, IsAToolBarOfPushButtonsWithCaptionsTooltipsAndPlaces) {
    toolbar->SetButtonShortcut(0, "Ctrl+1");
    toolbar->SetButtonShortcut(2, "Ctrl+3");
    ComPtr<IAccessible> acc = Object();
    ASSERT_TRUE(acc);
    EXPECT_EQ(Number(&IAccessible::get_accRole, acc.get(), CHILDID_SELF), ROLE_SYSTEM_TOOLBAR);
    long count = 0;
    EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 3);

    RECT control{};
    ::GetWindowRect(toolbar->hwnd(), &control);
    const std::tuple<const char*, const char*, const char*> expected[] = {
        {"Processi", "Scansione dei processi attivi", "Ctrl+1"},
        {"Avvio", "Scansione file in avvio automatico", ""},
        {"Guida", "Come utilizzare il software", "Ctrl+3"},
    };
    for (LONG id = 1; id <= 3; ++id) {
        const auto& [name, tip, keys] = expected[id - 1];
        SCOPED_TRACE(name);
        EXPECT_EQ(Text(&IAccessible::get_accName, acc.get(), id), name);
        EXPECT_EQ(Text(&IAccessible::get_accDescription, acc.get(), id), tip);
        EXPECT_EQ(Number(&IAccessible::get_accRole, acc.get(), id), ROLE_SYSTEM_PUSHBUTTON);
        HRESULT hr = S_OK;
        EXPECT_EQ(Text(&IAccessible::get_accKeyboardShortcut, acc.get(), id, &hr), keys);
        EXPECT_EQ(hr, *keys ? S_OK : S_FALSE);
        EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, acc.get(), id), "Premi");

        long l = 0, t = 0, w = 0, h = 0;
        ASSERT_EQ(acc->accLocation(&l, &t, &w, &h, Child(id)), S_OK);
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        EXPECT_GE(l, control.left);
        EXPECT_GE(t, control.top);
        EXPECT_LE(l + w, control.right);
        EXPECT_LE(t + h, control.bottom);
        // Side by side, in order.
        EXPECT_EQ(l, control.left + 80 * (id - 1));

        VARIANT hit;
        ::VariantInit(&hit);
        POINT c = CentreOnScreen(id - 1);
        ASSERT_EQ(acc->accHitTest(c.x, c.y, &hit), S_OK);
        EXPECT_EQ(hit.vt, VT_I4);
        EXPECT_EQ(hit.lVal, id);
    }
    // Past the last button but inside the control: the tool bar itself; outside: nothing.
    VARIANT hit;
    ::VariantInit(&hit);
    EXPECT_EQ(acc->accHitTest(control.right - 5, control.top + 5, &hit), S_OK);
    EXPECT_EQ(hit.lVal, CHILDID_SELF);
    EXPECT_EQ(acc->accHitTest(control.right + 50, control.top + 5, &hit), S_FALSE);
    EXPECT_EQ(hit.vt, VT_EMPTY);
    // Child ids beyond the buttons are refused, not read past the end.
    BSTR s = nullptr;
    EXPECT_EQ(acc->get_accName(Child(4), &s), E_INVALIDARG);
    EXPECT_EQ(acc->get_accName(Child(-1), &s), E_INVALIDARG);
    EXPECT_EQ(s, nullptr);
    // Navigation walks the row.
    VARIANT to;
    ::VariantInit(&to);
    EXPECT_EQ(acc->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &to), S_OK);
    EXPECT_EQ(to.lVal, 1);
    EXPECT_EQ(acc->accNavigate(NAVDIR_NEXT, Child(2), &to), S_OK);
    EXPECT_EQ(to.lVal, 3);
    EXPECT_EQ(acc->accNavigate(NAVDIR_NEXT, Child(3), &to), S_FALSE);
}

TEST_F(ToolBarAccessible, StatesFollowFocusPointerEnablingAndTheControlsEdges) {
    ComPtr<IAccessible> acc = Object();
    ASSERT_TRUE(acc);
    // The keys: focus lands on the first button, the arrow moves it.
    ::SetFocus(toolbar->hwnd());
    EXPECT_TRUE(State(acc.get(), 1) & STATE_SYSTEM_FOCUSED);
    ::SendMessageA(toolbar->hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    ::SendMessageA(toolbar->hwnd(), WM_KEYUP, VK_RIGHT, 1 | (LPARAM{3} << 30));
    EXPECT_FALSE(State(acc.get(), 1) & STATE_SYSTEM_FOCUSED);
    EXPECT_TRUE(State(acc.get(), 2) & STATE_SYSTEM_FOCUSED);
    VARIANT focus;
    ::VariantInit(&focus);
    EXPECT_EQ(acc->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, 2);
    EXPECT_FALSE(State(acc.get(), 2) & STATE_SYSTEM_HOTTRACKED) << "the pointer is not there";

    // The pointer.
    MoveTo(2);
    EXPECT_TRUE(State(acc.get(), 3) & STATE_SYSTEM_HOTTRACKED);
    EXPECT_FALSE(State(acc.get(), 2) & STATE_SYSTEM_HOTTRACKED);
    ::SetFocus(host.hwnd());
    EXPECT_EQ(acc->get_accFocus(&focus), S_FALSE);

    // A disabled button is unavailable and cannot be pressed; the others are focusable.
    toolbar->Button_Index(1);
    toolbar->ButtonEnabled(false);
    EXPECT_TRUE(State(acc.get(), 2) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_FALSE(State(acc.get(), 2) & STATE_SYSTEM_FOCUSABLE);
    EXPECT_TRUE(State(acc.get(), 1) & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(State(acc.get(), 1) & STATE_SYSTEM_UNAVAILABLE);
    HRESULT hr = S_OK;
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, acc.get(), 2, &hr), "");
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(acc->accDoDefaultAction(Child(2)), E_FAIL);
    vt::PumpPending();
    for (const std::string& e : events.seen) EXPECT_NE(e, "click 1");

    // A control too narrow for its buttons: the last one lies outside it.
    toolbar->WarpSize(false);
    toolbar->AutoSize(false);
    ::SetWindowPos(toolbar->hwnd(), nullptr, 0, 0, 150, 55, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(State(acc.get(), 3) & STATE_SYSTEM_INVISIBLE);
    EXPECT_TRUE(State(acc.get(), 3) & STATE_SYSTEM_OFFSCREEN);
    EXPECT_FALSE(State(acc.get(), 1) & STATE_SYSTEM_INVISIBLE);
}

TEST_F(ToolBarAccessible, DefaultActionClicksTheButtonAsTheMouseDoes) {
    ComPtr<IAccessible> acc = Object();
    ASSERT_TRUE(acc);
    // The mouse's click on the second button, from no current button.
    RECT r = toolbar->ButtonRect(1);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::PostMessageA(toolbar->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(toolbar->hwnd(), WM_LBUTTONUP, 0, at);
    vt::PumpPending();
    const std::vector<std::string> byMouse = events.seen;
    ASSERT_FALSE(byMouse.empty());
    EXPECT_EQ(byMouse.back(), "click 1");

    // Back to no current button, then the same click asked for by assistive technology.
    ::SendMessageA(toolbar->hwnd(), WM_MOUSELEAVE, 0, 0);
    events.seen.clear();
    EXPECT_EQ(acc->accDoDefaultAction(Child(2)), S_OK);
    EXPECT_TRUE(events.seen.empty()) << "the click runs from the message loop, not inside the client's call";
    vt::PumpPending();
    EXPECT_EQ(events.seen, byMouse);
    // The tool bar itself has no action.
    EXPECT_EQ(acc->accDoDefaultAction(Child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
}

// Out-of-context hooks of this thread's own events arrive through its message queue.
struct WinEvents {
    static inline std::vector<std::pair<DWORD, LONG>>* sink = nullptr;
    static inline HWND watched = nullptr;
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
        if (sink && hwnd == watched && object == OBJID_CLIENT && child != CHILDID_SELF) sink->push_back({event, child});
    }
};

TEST_F(ToolBarAccessible, CurrentButtonChangesAreAnnounced) {
    std::vector<std::pair<DWORD, LONG>> seen;
    WinEvents::sink = &seen;
    WinEvents::watched = toolbar->hwnd();
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, &WinEvents::Hook,
                                           ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    auto settle = [] {
        for (int i = 0; i < 5; ++i) {
            vt::PumpPending();
            ::Sleep(10);
        }
    };
    using E = std::vector<std::pair<DWORD, LONG>>;

    ::SetFocus(toolbar->hwnd());
    settle();
    EXPECT_EQ(seen, (E{{EVENT_OBJECT_STATECHANGE, 1}, {EVENT_OBJECT_FOCUS, 1}})) << "focus came in on button 1";
    seen.clear();
    ::SendMessageA(toolbar->hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    settle();
    EXPECT_EQ(seen, (E{{EVENT_OBJECT_STATECHANGE, 1}, {EVENT_OBJECT_STATECHANGE, 2}, {EVENT_OBJECT_FOCUS, 2}}));
    seen.clear();
    ::SetFocus(host.hwnd());
    settle();
    EXPECT_EQ(seen, (E{{EVENT_OBJECT_STATECHANGE, 2}})) << "the keys' button is no longer current";
    seen.clear();
    MoveTo(2);
    settle();
    EXPECT_EQ(seen, (E{{EVENT_OBJECT_STATECHANGE, 3}})) << "the pointer went onto button 3";
    seen.clear();
    MoveTo(0);
    settle();
    EXPECT_EQ(seen, (E{{EVENT_OBJECT_STATECHANGE, 3}, {EVENT_OBJECT_STATECHANGE, 1}}));

    ::UnhookWinEvent(hook);
    WinEvents::sink = nullptr;
}

TEST_F(ToolBarAccessible, HeldObjectFailsCleanlyOnceTheControlIsGone) {
    // Both ways a control ends: its window destroyed first (the parent closing), or the
    // object with its window.
    for (bool windowFirst : {true, false}) {
        SCOPED_TRACE(windowFirst ? "window destroyed" : "control deleted");
        if (!toolbar) {
            toolbar = std::make_unique<vt::VtToolBar>(&events);
            RECT r{0, 0, 600, 200};
            ASSERT_TRUE(vt::test::CreateMainDesign(*toolbar, host.hwnd(), r, 100, 96));
        }
        ComPtr<IAccessible> acc = Object();
        ASSERT_TRUE(acc);
        ASSERT_EQ(Text(&IAccessible::get_accName, acc.get(), 1), "Processi");
        if (windowFirst) ::DestroyWindow(toolbar->hwnd());
        else toolbar.reset();

        HRESULT hr = S_OK;
        EXPECT_EQ(Text(&IAccessible::get_accName, acc.get(), 1, &hr), "");
        EXPECT_EQ(hr, RPC_E_DISCONNECTED);
        long count = 7;
        EXPECT_EQ(acc->get_accChildCount(&count), RPC_E_DISCONNECTED);
        EXPECT_EQ(count, 0);
        long l = 1, t = 1, w = 1, h = 1;
        EXPECT_EQ(acc->accLocation(&l, &t, &w, &h, Child(1)), RPC_E_DISCONNECTED);
        EXPECT_EQ(acc->accDoDefaultAction(Child(1)), RPC_E_DISCONNECTED);
        VARIANT v;
        ::VariantInit(&v);
        EXPECT_EQ(acc->accHitTest(100, 100, &v), RPC_E_DISCONNECTED);
        EXPECT_EQ(acc->get_accState(Child(1), &v), RPC_E_DISCONNECTED);
        toolbar.reset();
    }
}

}  // namespace
