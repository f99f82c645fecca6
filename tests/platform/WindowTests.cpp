// The window base: creation at a size in twips, DPI changes followed with the system's
// suggested rectangle, and failing handlers stopped at the window procedure. The windows
// stay hidden.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/AppError.h"
#include "core/Twips.h"
#include "platform/Dpi.h"
#include "platform/ErrorBoundary.h"
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

// A window whose handler for one message fails as it is told to.
class Failing : public vt::Window {
public:
    bool Make() {
        return CreateWindowOf("VtFailingWindowTest", 0, "plain", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr);
    }
    std::function<void()> fail;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != WM_GETTEXTLENGTH) return DefaultProc(msg, wp, lp);
        if (fail) fail();
        return 42;
    }
};

std::vector<std::string> g_reported;
void Collect(const std::string& line) { g_reported.push_back(line); }

TEST(WindowBase, AFailingHandlerIsReportedAndTheMessageGoesToTheDefaultProcedure) {
    struct Case {
        const char* kind;
        std::function<void()> fail;
        const char* line;  // "" for a handler that ends normally
    };
    const Case cases[] = {
        {"none", nullptr, ""},
        {"AppError", [] { throw vt::AppError(53, "Vantorile.cShellLink", "File not found"); },
         "Vantorile: window message: Vantorile.cShellLink 53: File not found\n"},
        {"std::exception", [] { throw std::runtime_error("owner failed"); },
         "Vantorile: window message: owner failed\n"},
        {"anything else", [] { throw 7; }, "Vantorile: window message: a failure of no known kind\n"},
    };
    Failing w;
    ASSERT_TRUE(w.Make());
    const vt::FailureSink previous = vt::SetFailureSink(&Collect);
    for (const Case& c : cases) {
        g_reported.clear();
        w.fail = c.fail;
        const LRESULT result = ::SendMessageA(w.hwnd(), WM_GETTEXTLENGTH, 0, 0);
        if (*c.line) {
            EXPECT_EQ(result, 5) << c.kind << ": the default procedure answers for the failed handler";
            EXPECT_EQ(g_reported, std::vector<std::string>{c.line}) << c.kind;
        } else {
            EXPECT_EQ(result, 42);
            EXPECT_TRUE(g_reported.empty());
        }
    }
    vt::SetFailureSink(previous);
}

}  // namespace
