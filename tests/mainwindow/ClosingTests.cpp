#include <gtest/gtest.h>

#include "mainwindow/MainWindowSupport.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

// What the timer does once the window has listed its first row, from inside the scan's
// message pump.
enum class Action { Escape, CloseBox, AltF4, ToolbarLikeRescan };
Action g_action;
bool g_fired = false;

void CALLBACK ActInMidScan(HWND, UINT, UINT_PTR id, DWORD) {
    HWND form = ::FindWindowA("VantorileForm1", nullptr);
    if (!form || g_fired) return;
    HWND list = ::GetDlgItem(::GetDlgItem(form, IDC_FRAME1), IDC_LISTVIEW1);
    if (!list || ListView_GetItemCount(list) < 1) return;
    g_fired = true;
    ::KillTimer(nullptr, id);
    switch (g_action) {
    case Action::Escape: ::PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0); break;
    case Action::CloseBox: ::PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case Action::AltF4: ::PostMessageA(form, WM_CLOSE, 0, 0); break;
    case Action::ToolbarLikeRescan:
        ::PostMessageA(::GetDlgItem(::GetDlgItem(form, IDC_FRAME1), IDC_COMMAND2), BM_CLICK, 0, 0);
        break;
    }
}

class Closing : public ::testing::TestWithParam<Action> {
protected:
    void SetUp() override { LookupErrorShown = false; }
    ScriptedPrompt prompt;
    SlowRows slow{150};  // a scan long enough to be interrupted
};

TEST_P(Closing, InTheMiddleOfTheFirstScanEndsCleanly) {
    g_action = GetParam();
    g_fired = false;
    Form1::Seams seams;
    seams.prompt = &prompt;
    auto form = std::make_unique<Form1>(seams);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &ActInMidScan);
    ASSERT_TRUE(form->Load());
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(g_fired);
    EXPECT_TRUE(PumpUntil([&] { return form->hwnd() == nullptr; }, 5000));
    EXPECT_FALSE(::FindWindowA("VantorileForm1", nullptr));
    EXPECT_TRUE(prompt.asked.empty());
    form.reset();
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing, ::testing::Values(Action::Escape, Action::CloseBox, Action::AltF4));

TEST(SecondScan, ARescanDuringAScanRestartsInsteadOfNesting) {
    LookupErrorShown = false;
    SlowRows slow(50);
    g_action = Action::ToolbarLikeRescan;
    g_fired = false;
    ScriptedPrompt prompt;
    Form1::Seams seams;
    seams.prompt = &prompt;
    Form1 form(seams);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &ActInMidScan);
    ASSERT_TRUE(form.Load());
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(g_fired);
    EXPECT_FALSE(form.Scanning());
    // The restarted scan ran to its end: the count matches a full list without doubles.
    ListView& list = form.ListView1();
    EXPECT_EQ(form.ControlText(IDC_NUMPROC), std::to_string(list.Count()));
    std::set<std::string> ids;
    for (int i = 0; i < list.Count(); ++i) ids.insert(list.Text(i, 2));
    EXPECT_EQ(ids.size(), static_cast<size_t>(list.Count()));
}

}  // namespace
}  // namespace vt::test
