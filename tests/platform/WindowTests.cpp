// The window base: creation at a size in twips, and DPI changes followed with the
// system's suggested rectangle. The windows stay hidden.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/Twips.h"
#include "platform/Dpi.h"
#include "platform/Window.h"

namespace {

class Scaled : public vt::Window {
public:
    bool Make() {
        return CreateAtTwips("VtScaledWindowTest", 0, "scaled", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 2880, 1440,
                             [this](SIZE outer) {
                                 placedWith = outer;
                                 return POINT{30, 40};
                             });
    }
    bool MakePlain() {
        return CreateWindowOf("VtPlainWindowTest", 0, "plain", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr);
    }
    SIZE placedWith{};
    int changes = 0, dpiMessages = 0;

protected:
    void OnDpiChanged() override { ++changes; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_DPICHANGED) ++dpiMessages;
        return DefaultProc(msg, wp, lp);
    }
};

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

TEST(WindowBase, CreatesAtTwipsAndFollowsDpiChanges) {
    Scaled w;
    ASSERT_TRUE(w.Make());
    EXPECT_EQ(w.Dpi(), vt::WindowDpi(w.hwnd()));
    RECT client{};
    ::GetClientRect(w.hwnd(), &client);
    EXPECT_EQ(client.right, vt::TwipsToPixels(2880, w.Dpi()));
    EXPECT_EQ(client.bottom, vt::TwipsToPixels(1440, w.Dpi()));
    RECT r = WindowRect(w.hwnd());
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, w.placedWith.cx);
    EXPECT_EQ(r.bottom - r.top, w.placedWith.cy);

    RECT suggested{100, 120, 100 + 420, 120 + 260};
    ::SendMessageA(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.Dpi(), 144);
    EXPECT_EQ(w.changes, 1);
    EXPECT_EQ(w.dpiMessages, 0) << "the base answers the change itself";
    r = WindowRect(w.hwnd());
    EXPECT_EQ(r.left, suggested.left);
    EXPECT_EQ(r.top, suggested.top);
    EXPECT_EQ(r.right, suggested.right);
    EXPECT_EQ(r.bottom, suggested.bottom);

    // Without a rectangle the window stays where it is.
    ::SendMessageA(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(120, 120), 0);
    EXPECT_EQ(w.Dpi(), 120);
    EXPECT_EQ(w.changes, 2);
    r = WindowRect(w.hwnd());
    EXPECT_EQ(r.left, suggested.left);
    EXPECT_EQ(r.right, suggested.right);
}

TEST(WindowBase, AWindowMadeAnotherWayHandlesTheChangeItself) {
    Scaled w;
    ASSERT_TRUE(w.MakePlain());
    const RECT before = WindowRect(w.hwnd());
    RECT suggested{300, 300, 700, 600};
    ::SendMessageA(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.dpiMessages, 1);
    EXPECT_EQ(w.changes, 0);
    EXPECT_EQ(w.Dpi(), 96);
    const RECT after = WindowRect(w.hwnd());
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right);
}

}  // namespace
