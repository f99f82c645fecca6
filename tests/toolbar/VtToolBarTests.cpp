#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "toolbar/MainDesign.h"
#include "toolbar/VtToolBar.h"

namespace {

using vt::test::CreateMainDesign;
using vt::test::MainDesignBag;
using vt::test::PumpUntil;

class Host : public vt::Window {
public:
    bool Open(int w, int h) {
        if (!CreateWindowOf("VtToolBarTestHost", 0, "Toolbar host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, w, h,
                            nullptr, nullptr))
            return false;
        ::ShowWindow(hwnd(), SW_SHOW);
        ::SetForegroundWindow(hwnd());
        ::UpdateWindow(hwnd());
        return true;
    }
};

struct Sink : vt::VtToolBarEventsBase {
    std::vector<int32_t> clicks, dblClicks, hovers, downs, ups;
    int enters = 0, leaves = 0, redraws = 0;
    void Click(int32_t i) override { clicks.push_back(i); }
    void DblClick(int32_t i) override { dblClicks.push_back(i); }
    void OnButtonHover(int32_t i) override { hovers.push_back(i); }
    void MouseDown(int32_t i, int16_t&, int16_t&, float&, float&) override { downs.push_back(i); }
    void MouseUp(int32_t i, int16_t&, int16_t&, float&, float&) override { ups.push_back(i); }
    void MouseEnter() override { ++enters; }
    void MouseLeave() override { ++leaves; }
    void OnRedrawing(int32_t) override { ++redraws; }
};

class ToolBarWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Open(720, 260));
        RECT r{0, 0, 600, 200};  // larger than needed: the toolbar fits itself
        ASSERT_TRUE(CreateMainDesign(toolbar, host.hwnd(), r, 100, 96));
        vt::PumpPending();
    }
    void TearDown() override { ::SetCursorPos(1200, 1000); }

    POINT CellCentre(int i) const {
        double x = 0;
        double y = 0;
        vt::CellOrigin(toolbar.Layout(), i, x, y);
        return POINT{static_cast<LONG>(x + toolbar.Layout().cellWidth / 2),
                     static_cast<LONG>(y + toolbar.Layout().cellHeight / 2)};
    }
    POINT ScreenPoint(POINT client) const {
        ::ClientToScreen(toolbar.hwnd(), &client);
        return client;
    }
    void Post(UINT msg, WPARAM wp, POINT p) { ::PostMessageA(toolbar.hwnd(), msg, wp, MAKELPARAM(p.x, p.y)); }
    void ClickAt(POINT p) {
        Post(WM_MOUSEMOVE, 0, p);
        Post(WM_LBUTTONDOWN, MK_LBUTTON, p);
        Post(WM_LBUTTONUP, 0, p);
        vt::PumpPending();
    }
    bool ToolTipShown() const {
        HWND tip = toolbar.ToolTipWindow();
        return tip && ::IsWindowVisible(tip);
    }

    Sink sink;
    Host host;
    vt::VtToolBar toolbar{&sink};
};

TEST_F(ToolBarWindow, MainDesignFitsItsButtonsAndStartsWithNoCurrentButton) {
    RECT rc{};
    ::GetClientRect(toolbar.hwnd(), &rc);
    EXPECT_EQ(rc.right, 560);  // 8400 x 825 twips
    EXPECT_EQ(rc.bottom, 55);
    EXPECT_EQ(toolbar.ButtonsPerRow(), 7);
    EXPECT_EQ(toolbar.Layout().rows, 1);
    EXPECT_EQ(toolbar.Layout().cellWidth, 80);
    EXPECT_EQ(toolbar.Button_Index(), -1);
    EXPECT_EQ(toolbar.ButtonCaption(), "");
    ASSERT_EQ(toolbar.Button_Count(), 3);
    for (const auto& b : toolbar.Buttons()) {
        ASSERT_TRUE(b.icon);
        EXPECT_EQ(b.icon->Width(), 32);
    }
    char cls[64] = {};
    ::GetClassNameA(toolbar.hwnd(), cls, sizeof(cls));
    EXPECT_STREQ(cls, vt::VtToolBar::kClassName);
    EXPECT_GT(sink.redraws, 0);
}

TEST_F(ToolBarWindow, ClickOnEachButtonReportsItsIndex) {
    for (int i = 0; i < 3; ++i) ClickAt(CellCentre(i));
    EXPECT_EQ(sink.clicks, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(sink.downs, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(sink.ups, (std::vector<int32_t>{0, 1, 2}));

    // Beyond the last button: a click on no button.
    ClickAt(POINT{500, 20});
    EXPECT_EQ(sink.clicks.back(), -1);

    // A click with no movement before it still belongs to the button under it.
    sink.clicks.clear();
    Post(WM_LBUTTONDOWN, MK_LBUTTON, CellCentre(1));
    Post(WM_LBUTTONUP, 0, CellCentre(1));
    vt::PumpPending();
    EXPECT_EQ(sink.clicks, std::vector<int32_t>{1});

    // A double click is one click and one double click, not two clicks.
    sink.clicks.clear();
    POINT p = CellCentre(2);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, p);
    Post(WM_LBUTTONUP, 0, p);
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, p);
    Post(WM_LBUTTONUP, 0, p);
    vt::PumpPending();
    EXPECT_EQ(sink.clicks, std::vector<int32_t>{2});
    EXPECT_EQ(sink.dblClicks, std::vector<int32_t>{2});
}

TEST_F(ToolBarWindow, DisabledButtonIsNoButton) {
    toolbar.Button_Index(1);
    toolbar.ButtonEnabled(false);
    Post(WM_MOUSEMOVE, 0, CellCentre(0));
    vt::PumpPending();
    EXPECT_EQ(toolbar.Button_Index(), 0);
    Post(WM_MOUSEMOVE, 0, CellCentre(1));
    vt::PumpPending();
    EXPECT_EQ(toolbar.Button_Index(), -1);
    EXPECT_EQ(sink.hovers.back(), -1);
    ::SendMessageA(toolbar.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(toolbar.hwnd()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    ClickAt(CellCentre(1));
    EXPECT_EQ(sink.clicks, std::vector<int32_t>{-1});
    EXPECT_TRUE(sink.downs.empty()) << "no MouseDown without a button";
}

TEST_F(ToolBarWindow, ToolTipAfterRestHiddenOnMovementAndOnLeaving) {
    ::SetCursorPos(ScreenPoint(CellCentre(0)).x, ScreenPoint(CellCentre(0)).y);
    ASSERT_TRUE(PumpUntil([&] { return ToolTipShown(); }, 3000)) << "no tooltip after resting";
    EXPECT_EQ(toolbar.Button_Index(), 0);
    EXPECT_EQ(sink.enters, 1);
    HWND tip = toolbar.ToolTipWindow();
    // TooTipStyle 1: a rectangle, not a balloon; colours and title from the property bag.
    const LONG style = ::GetWindowLongA(tip, GWL_STYLE);
    EXPECT_EQ(style & TTS_BALLOON, 0);
    EXPECT_EQ(style & (TTS_ALWAYSTIP | TTS_NOPREFIX), TTS_ALWAYSTIP | TTS_NOPREFIX);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(tip, TTM_GETTIPBKCOLOR, 0, 0)), RGB(253, 253, 230));
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(tip, TTM_GETTIPTEXTCOLOR, 0, 0)), RGB(0, 0, 0));
    wchar_t title[64] = {};
    TTGETTITLE tt{sizeof(tt), 0, 64, title};
    ::SendMessageW(tip, TTM_GETTITLE, 0, reinterpret_cast<LPARAM>(&tt));
    if (title[0]) {  // Wine's tooltips do not answer TTM_GETTITLE; the title still shows
        EXPECT_STREQ(title, L"Processi");
        EXPECT_EQ(tt.uTitleBitmap, 3u);
    }
    wchar_t text[128] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = toolbar.hwnd();
    ti.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"Scansione dei processi attivi");

    // A movement hides it at once; resting again brings a new one.
    POINT moved = ScreenPoint(CellCentre(0));
    ::SetCursorPos(moved.x + 3, moved.y + 2);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(tip); }, 3000)) << "the tooltip survived a movement";
    EXPECT_TRUE(PumpUntil([&] { return ToolTipShown(); }, 3000)) << "no tooltip after resting again";

    // Leaving the control: no current button, no tooltip.
    ::SetCursorPos(moved.x, moved.y + 200);
    EXPECT_TRUE(PumpUntil([&] { return sink.leaves == 1; }, 3000));
    EXPECT_EQ(toolbar.Button_Index(), -1);
    EXPECT_EQ(toolbar.ToolTipWindow(), nullptr);
}

TEST_F(ToolBarWindow, ButtonWithoutToolTipTextShowsNone) {
    toolbar.Button_Index(2);
    toolbar.ButtonToolTip("");
    POINT p = ScreenPoint(CellCentre(2));
    ::SetCursorPos(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return toolbar.Button_Index() == 2 && sink.enters == 1; }, 3000));
    DWORD until = ::GetTickCount() + 300;
    PumpUntil([&] { return ToolTipShown() || ::GetTickCount() > until; }, 1000);
    EXPECT_FALSE(ToolTipShown());
}

TEST_F(ToolBarWindow, RepaintingAndTooltipsReleaseTheirGdiObjects) {
    POINT p = ScreenPoint(CellCentre(1));
    ::SetCursorPos(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return ToolTipShown(); }, 3000));
    const DWORD before = vt::test::GdiObjectCount();
    ASSERT_GT(before, 0u) << "no way to count this process's GDI objects";
    for (int k = 0; k < 40; ++k) {
        toolbar.BackGradient(k % 7);
        Post(WM_MOUSEMOVE, 0, CellCentre(k % 3));
        vt::PumpPending();
    }
    toolbar.BackGradient(0);
    vt::PumpPending();
    EXPECT_LE(vt::test::GdiObjectCount(), before + 4);
}

TEST_F(ToolBarWindow, DpiChangeScalesCellsAndIcons) {
    toolbar.Dpi(144);
    RECT rc{};
    ::GetClientRect(toolbar.hwnd(), &rc);
    EXPECT_EQ(rc.bottom, 83);  // 55 * 1.5, rounded
    EXPECT_EQ(toolbar.Layout().cellWidth, 120);
    EXPECT_EQ(toolbar.Buttons()[0].icon->Width(), 48);
    toolbar.Dpi(96);
    ::GetClientRect(toolbar.hwnd(), &rc);
    EXPECT_EQ(rc.bottom, 55);
}

// Only a release that ends a press begun on the control is a click: not one dragged in
// from elsewhere, not the one ending a double click, not one after something took the
// mouse away; and losing such a release must not eat the next real click.
TEST_F(ToolBarWindow, OnlyAPressAndReleaseHereIsAClick) {
    const POINT p = CellCentre(1);
    // A release with no press on us before it.
    Post(WM_MOUSEMOVE, 0, p);
    Post(WM_LBUTTONUP, 0, p);
    vt::PumpPending();
    EXPECT_TRUE(sink.clicks.empty()) << "a release dragged in from elsewhere clicked";

    // A press, then a dialog takes the mouse; the release goes there, or comes late.
    Post(WM_LBUTTONDOWN, MK_LBUTTON, p);
    vt::PumpPending();
    ::SetCapture(host.hwnd());
    ::ReleaseCapture();
    Post(WM_LBUTTONUP, 0, p);
    vt::PumpPending();
    EXPECT_TRUE(sink.clicks.empty()) << "a press whose mouse was taken away clicked";

    // A double click whose closing release never reaches us: the next click still counts.
    Post(WM_LBUTTONDBLCLK, MK_LBUTTON, p);
    vt::PumpPending();
    ::SetCapture(host.hwnd());
    ::ReleaseCapture();
    ClickAt(p);
    EXPECT_EQ(sink.clicks, std::vector<int32_t>{1});
    EXPECT_EQ(sink.dblClicks, std::vector<int32_t>{1});
}

TEST_F(ToolBarWindow, KeysPressTheCurrentButtonOncePerStroke) {
    toolbar.Button_Index(1);
    const LPARAM first = 1, repeat = 1 | (LPARAM{1} << 30);
    struct Case {
        WPARAM key;
        LPARAM lp;
        std::vector<int32_t> clicks;
    } cases[] = {
        {VK_RETURN, first, {1}},
        {VK_RETURN, repeat, {}},  // auto-repeat of a held Enter
        {VK_SPACE, first, {1}},
        {VK_SPACE, repeat, {}},
    };
    for (const auto& c : cases) {
        sink.clicks.clear();
        ::SendMessageA(toolbar.hwnd(), WM_KEYDOWN, c.key, c.lp);
        ::SendMessageA(toolbar.hwnd(), WM_KEYUP, c.key, c.lp | (LPARAM{3} << 30));
        EXPECT_EQ(sink.clicks, c.clicks) << "key " << c.key << " lParam " << c.lp;
    }
}

// Colour of a pixel of the control as it paints itself now.
COLORREF PaintedPixel(HWND hwnd, int x, int y) {
    RECT rc{};
    ::GetClientRect(hwnd, &rc);
    vt::WindowDC screen(hwnd);
    vt::UniqueMemDC mem(::CreateCompatibleDC(screen.get()));
    vt::UniqueHBitmap bmp(::CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
    vt::SelectObjectScope sel(mem.get(), bmp.get());
    ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.get()), PRF_CLIENT);
    return ::GetPixel(mem.get(), x, y);
}

TEST_F(ToolBarWindow, KeyDownThenFocusLeavingDoesNotLeaveTheButtonsPressed) {
    // Framed buttons: the hovered one is raised (light top edge), pressed sunken (dark).
    toolbar.ButtonsStyle(0);
    toolbar.Button_Index(0);
    const int s = toolbar.Layout().inset;
    const COLORREF light = vt::VtToolBar::BlendColor(toolbar.BorderColor(), 0xFFFFFF, 70);
    const COLORREF dark = vt::VtToolBar::BlendColor(toolbar.BorderColor(), 0, 70);
    ASSERT_NE(light, dark);
    ASSERT_EQ(PaintedPixel(toolbar.hwnd(), s + 6, s), light);

    // Shift+Tab: Shift goes down on the toolbar, Tab moves the focus, Shift comes up elsewhere.
    ::SetFocus(toolbar.hwnd());
    toolbar.Button_Index(0);
    ::SendMessageA(toolbar.hwnd(), WM_KEYDOWN, VK_SHIFT, 1);
    EXPECT_EQ(PaintedPixel(toolbar.hwnd(), s + 6, s), dark) << "a key held on the toolbar presses";
    ::SetFocus(host.hwnd());
    toolbar.Button_Index(0);
    EXPECT_EQ(PaintedPixel(toolbar.hwnd(), s + 6, s), light) << "the press outlived the focus";
}

// The owner's Click handler runs long work that pumps messages: the control is clicked,
// hovered, resized and finally destroyed inside it, and must come out whole.
TEST_F(ToolBarWindow, SurvivesEverythingInsideItsOwnClick) {
    struct Busy : Sink {
        vt::VtToolBar* tb = nullptr;
        int depth = 0;
        void Click(int32_t i) override {
            Sink::Click(i);
            if (depth++ > 0) return;
            HWND h = tb->hwnd();
            // Another click, a hover elsewhere and a resize while this one is running.
            ::PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(200, 20));
            ::PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 20));
            ::PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(200, 20));
            vt::PumpPending();
            ::SetWindowPos(h, nullptr, 0, 0, 200, 120, SWP_NOMOVE | SWP_NOZORDER);
            vt::PumpPending();
            ::SetCursorPos(0, 0);
            ::PostMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
            ::PostMessageA(h, WM_TIMER, 1, 0);
            ::DestroyWindow(h);
            vt::PumpPending();
        }
    } busy;
    Host other;
    ASSERT_TRUE(other.Open(600, 200));
    vt::VtToolBar tb(&busy);
    busy.tb = &tb;
    RECT r{0, 0, 600, 100};
    ASSERT_TRUE(CreateMainDesign(tb, other.hwnd(), r, 7, 96));
    vt::PumpPending();
    ::PostMessageA(tb.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
    ::PostMessageA(tb.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 20));
    ::PostMessageA(tb.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(40, 20));
    vt::PumpPending();
    EXPECT_EQ(busy.clicks, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(tb.hwnd(), nullptr);
    EXPECT_EQ(tb.ToolTipWindow(), nullptr);
    // The object outlives its window: its properties still answer.
    tb.ButtonsStyle(1);
    tb.RedrawControl();
    EXPECT_EQ(tb.Button_Count(), 3);
}

TEST(VtToolBarControl, ARepaintThatThrowsEndsQuietly) {
    struct Throwing : vt::VtToolBarEventsBase {
        int paints = 0;
        void OnRedrawing(int32_t) override {
            ++paints;
            throw std::runtime_error("owner failed");
        }
    } sink;
    Host host;
    ASSERT_TRUE(host.Open(400, 200));
    vt::VtToolBar tb(&sink);
    RECT r{0, 0, 300, 100};
    ASSERT_TRUE(tb.Create(host.hwnd(), r, 1, nullptr, 96));
    vt::PumpPending();
    const DWORD before = vt::test::GdiObjectCount();
    ASSERT_GT(before, 0u) << "no way to count this process's GDI objects";
    for (int k = 0; k < 30; ++k) {
        ::InvalidateRect(tb.hwnd(), nullptr, FALSE);
        ::UpdateWindow(tb.hwnd());
    }
    EXPECT_GE(sink.paints, 30);
    RECT update{};
    EXPECT_FALSE(::GetUpdateRect(tb.hwnd(), &update, FALSE)) << "the failed paint was not ended";
    EXPECT_LE(vt::test::GdiObjectCount(), before + 4) << "each failed paint kept a device context";
}

TEST(VtToolBarControl, NewControlUsesDefaultsAndTheHostFont) {
    Host host;
    ASSERT_TRUE(host.Open(400, 200));
    vt::VtToolBar tb(nullptr);  // no sink: events are dropped
    RECT r{0, 0, 300, 100};
    ASSERT_TRUE(tb.Create(host.hwnd(), r, 1, nullptr, 96));
    EXPECT_EQ(tb.TooTipStyle(), 0);
    EXPECT_EQ(tb.Button_Index(), 0);
    EXPECT_EQ(tb.ButtonCaption(), "Button 0");
    RECT rc{};
    ::GetClientRect(tb.hwnd(), &rc);
    EXPECT_EQ(rc.right, 270);  // three 90-pixel cells
    EXPECT_EQ(rc.bottom, 40);
    EXPECT_FALSE(tb.Font().name.empty());
    ::PostMessageA(tb.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::PostMessageA(tb.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    vt::PumpPending();
}

TEST(VtToolBarControl, TranslateAndBlendResolveSystemColours) {
    EXPECT_EQ(vt::VtToolBar::TranslateColor(0x123456), 0x123456u);
    EXPECT_EQ(vt::VtToolBar::TranslateColor(vt::SystemColour(15)), ::GetSysColor(15));
    EXPECT_EQ(vt::VtToolBar::TranslateColor(vt::SystemColour(200)), 0u) << "an unknown system colour fails to 0";
    EXPECT_EQ(vt::VtToolBar::BlendColor(vt::SystemColour(5), 0, 255), ::GetSysColor(5));
    EXPECT_FALSE(vt::VtToolBar::TileBitmap(nullptr, nullptr, 0, 0, 1, 1));
}

}  // namespace
