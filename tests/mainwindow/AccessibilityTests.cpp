// The main window read from another process through the accessibility interfaces, as a
// screen reader reads it: the toolbar's buttons, and the grades of the list rows.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <sstream>

#include "mainwindow/MainWindowSupport.h"
#include "platform/ComPtr.h"
#include "platform/WinText.h"
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

TEST(MainWindowAccessibility, RowsOfBothListsAndTheLegendSayTheGradesInWords) {
    ComScope com;
    ASSERT_TRUE(SetServiceMode("normal"));
    TempDir dir;
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "svch0st.exe", child));  // graded infected
    StartupFile startup(7, "wscript.exe");                        // graded a usual target
    ASSERT_TRUE(FileExists(startup.path()));
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    Client reader;
    ASSERT_TRUE(reader.Start());

    // Reads the row of `text` from the reader; the row id is its position + 1.
    auto expectRow = [&](ListView& list, const std::string& text, const std::string& word) {
        SCOPED_TRACE(text);
        const int row = FindRow(list, text);
        ASSERT_GE(row, 0);
        const std::string id = std::to_string(row + 1);
        EXPECT_EQ(reader.Ask("name " + id), "hr=00000000 " + text);
        EXPECT_EQ(reader.Ask("desc " + id), "hr=00000000 " + word);
        EXPECT_EQ(reader.Ask("role " + id), "hr=00000000 " + std::to_string(ROLE_SYSTEM_LISTITEM));
    };

    ASSERT_EQ(Client::Result(reader.Ask("open " + Hex(form.ListView1().hwnd()))), S_OK);
    EXPECT_EQ(reader.Ask("count"), "hr=00000000 " + std::to_string(form.ListView1().Count()));
    expectRow(form.ListView1(), "svch0st.exe", "Infetto");
    expectRow(form.ListView1(), "services.exe", "Affidabile");
    expectRow(form.ListView1(), ProgramBaseName() + ".exe", "Sconosciuto");  // this test program

    form.VtToolBar1_Click(1);
    ASSERT_FALSE(form.StartupScanning());
    ASSERT_EQ(Client::Result(reader.Ask("open " + Hex(form.ListView2().hwnd()))), S_OK);
    expectRow(form.ListView2(), "wscript.exe", "Obiettivo di infezione");

    // Without an answer from the service a row has no verdict, and says so.
    ASSERT_TRUE(SetServiceMode("500"));
    open.prompt.answers.push_back(IDOK);
    form.VtToolBar1_Click(0);
    SetServiceMode("normal");
    ASSERT_EQ(Client::Result(reader.Ask("open " + Hex(form.ListView1().hwnd()))), S_OK);
    expectRow(form.ListView1(), "svch0st.exe", "Nessun giudizio");

    // The help panel's four pictures are named by the grades they stand for.
    const std::pair<int, const char*> legend[] = {{IDC_PICTURE1, "Affidabile"},
                                                  {IDC_PICTURE2, "Infetto"},
                                                  {IDC_PICTURE4, "Obiettivo di infezione"},
                                                  {IDC_PICTURE5, "Sconosciuto"}};
    for (const auto& [id, word] : legend) {
        SCOPED_TRACE(word);
        ASSERT_EQ(Client::Result(reader.Ask("open " + Hex(form.Control(id)))), S_OK);
        EXPECT_EQ(reader.Ask("name 0"), std::string("hr=00000000 ") + word);
        // Still showing its icon.
        EXPECT_TRUE(::SendMessageA(form.Control(id), STM_GETICON, 0, 0));
    }
}

}  // namespace
}  // namespace vt::test
