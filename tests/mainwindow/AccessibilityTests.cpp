// The main window read from another process through the accessibility interfaces, as a
// screen reader reads it: the toolbar's buttons, and the grades of the list rows.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <sstream>

#include "mainwindow/MainWindowSupport.h"
#include "platform/ComPtr.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

std::string Hex(HWND h) {
    std::ostringstream s;
    s << std::hex << reinterpret_cast<UINT_PTR>(h);
    return s.str();
}

using Client = AccessibilityClient;

TEST(MainWindowAccessibility, ToolbarButtonsReachAnotherProcessAndFailCleanlyAfterClosing) {
    ComScope com;  // the program's thread has an apartment; the answers are marshalled from it
    ASSERT_TRUE(SetServiceMode("normal"));
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    HWND bar = form.VtToolBar1().hwnd();
    Client reader;
    ASSERT_TRUE(reader.Start());
    ASSERT_EQ(Client::Result(reader.Ask("open " + Hex(bar))), S_OK);

    EXPECT_EQ(reader.Ask("role 0"), "hr=00000000 " + std::to_string(ROLE_SYSTEM_TOOLBAR));
    EXPECT_EQ(reader.Ask("count"), "hr=00000000 3");
    RECT control{};
    ::GetWindowRect(bar, &control);
    const char* names[] = {"Processi", "Avvio", "Guida"};
    const char* tips[] = {"Scansione dei processi attivi", "Scansione file in avvio automatico",
                          "Come utilizzare il software"};
    for (int id = 1; id <= 3; ++id) {
        SCOPED_TRACE(names[id - 1]);
        const std::string n = std::to_string(id);
        EXPECT_EQ(reader.Ask("name " + n), std::string("hr=00000000 ") + names[id - 1]);
        EXPECT_EQ(reader.Ask("desc " + n), std::string("hr=00000000 ") + tips[id - 1]);
        EXPECT_EQ(reader.Ask("role " + n), "hr=00000000 " + std::to_string(ROLE_SYSTEM_PUSHBUTTON));
        EXPECT_EQ(reader.Ask("shortcut " + n), "hr=00000000 Ctrl+" + n);
        EXPECT_EQ(reader.Ask("action " + n), "hr=00000000 Premi");
        std::istringstream loc(Client::Value(reader.Ask("loc " + n)));
        long l = 0, t = 0, w = 0, h = 0;
        ASSERT_TRUE(loc >> l >> t >> w >> h);
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        EXPECT_TRUE(l >= control.left && t >= control.top && l + w <= control.right && t + h <= control.bottom)
            << l << "," << t << " " << w << "x" << h;
    }

    // "Avvio" pressed from outside: the startup panel comes up and its scan runs.
    ASSERT_TRUE(::IsWindowVisible(form.Control(IDC_FRAME1)));
    EXPECT_EQ(reader.Ask("press 2"), "hr=00000000");
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form.Control(IDC_FRAME3)) != FALSE; }, 10000));
    EXPECT_FALSE(::IsWindowVisible(form.Control(IDC_FRAME1)));
    EXPECT_TRUE(PumpUntil([&] { return !form.StartupScanning(); }, 30000));

    // The reader keeps its object while the window closes: its calls fail, nothing breaks.
    form.Unload();
    ASSERT_TRUE(PumpUntil([&] { return form.hwnd() == nullptr; }, 5000));
    for (const char* request : {"name 1", "count", "loc 1", "press 1"}) {
        const std::string answer = reader.Ask(request);
        SCOPED_TRACE(request);
        ASSERT_FALSE(answer.empty()) << "the reader hung or died";
        EXPECT_EQ(Client::Result(answer), RPC_E_DISCONNECTED) << answer;
    }
}

}  // namespace
}  // namespace vt::test
