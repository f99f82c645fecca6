// Rows added in a burst, drawn together: the list shows them, scrolled to the row last
// asked to be in view, whether the drawing comes from the list's own timer while messages
// are handled or at once from ShowAdded.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/ListView.h"
#include "support/TestSupport.h"

namespace {

bool RowInView(HWND list, int row) {
    RECT item{}, client{};
    ListView_GetItemRect(list, row, &item, LVIR_BOUNDS);
    ::GetClientRect(list, &client);
    return item.top >= client.top && item.bottom <= client.bottom;
}

TEST(ListViewRows, ABurstOfRowsIsShownWithTheLastInView) {
    for (const bool byTimer : {true, false}) {
        HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr,
                                        nullptr, nullptr);
        ASSERT_TRUE(parent);
        {
            vt::ListView list;
            ASSERT_TRUE(list.Create(parent, 1, RECT{0, 0, 400, 200}));
            list.AddColumn("Nome", 200);
            vt::test::PumpUntil([] { return false; }, 50);
            constexpr int kRows = 100;  // many more than the list has room for
            for (int i = 0; i < kRows; ++i) {
                const int row = list.AddRow("riga " + std::to_string(i), 0);
                list.Select(row);
                list.EnsureVisible(row);
            }
            if (byTimer) {
                EXPECT_TRUE(vt::test::PumpUntil([&] { return RowInView(list.hwnd(), kRows - 1); }, 2000));
            } else {
                list.ShowAdded();
                EXPECT_TRUE(RowInView(list.hwnd(), kRows - 1));
            }
            SCROLLINFO bar{sizeof bar, SIF_RANGE};
            ::GetScrollInfo(list.hwnd(), SB_VERT, &bar);
            EXPECT_EQ(bar.nMax, kRows - 1) << (byTimer ? "timer" : "at once");
            EXPECT_EQ(list.SelectedRow(), kRows - 1);
            EXPECT_EQ(list.Count(), kRows);
        }
        ::DestroyWindow(parent);
    }
}

// A single-selection list: one row selected and focused, or none.
TEST(ListViewRows, SelectingMovesTheSelectionAndTheFocus) {
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    {
        vt::ListView list;
        ASSERT_TRUE(list.Create(parent, 1, RECT{0, 0, 400, 200}));
        list.AddColumn("Nome", 200);
        for (int i = 0; i < 5; ++i) list.AddRow("riga " + std::to_string(i), 0);
        const int steps[] = {3, 3, 0, -1, 4, -1};
        for (const int row : steps) {
            list.Select(row);
            EXPECT_EQ(list.SelectedRow(), row);
            EXPECT_EQ(ListView_GetNextItem(list.hwnd(), -1, LVNI_FOCUSED), row) << row;
            EXPECT_EQ(ListView_GetSelectedCount(list.hwnd()), row < 0 ? 0u : 1u) << row;
        }
        // The focus on another row than the selected one goes as well.
        list.Select(1);
        ListView_SetItemState(list.hwnd(), 2, LVIS_FOCUSED, LVIS_FOCUSED);
        list.Select(-1);
        EXPECT_EQ(list.SelectedRow(), -1);
        EXPECT_EQ(ListView_GetNextItem(list.hwnd(), -1, LVNI_FOCUSED), -1);
    }
    ::DestroyWindow(parent);
}

// A list of any width: every column keeps its colours and tips, drawing included; cells
// past the last column are no cells; each row carries its owner's data.
TEST(ListViewRows, EveryColumnKeepsItsColourAndTipAndEachRowItsData) {
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    {
        vt::ListView list;
        ASSERT_TRUE(list.Create(parent, 1, RECT{0, 0, 600, 200}));
        for (const char* h : {"Nome", "Percorso", "ID", "Editore"}) list.AddColumn(h, 140);
        ASSERT_EQ(list.Columns(), 4);
        const int first = list.AddRow("a", 0, 41);
        const int second = list.AddRow("b", 0, 7);
        list.SetText(second, 3, "Firmatario");
        list.SetTextColor(second, 3, RGB(0, 0, 255));
        list.SetToolTip(second, 3, "suggerimento");
        list.SetTextColor(second, 4, RGB(255, 0, 0));  // no fifth column
        list.SetToolTip(second, 4, "perso");

        EXPECT_EQ(list.RowData(first), 41);
        EXPECT_EQ(list.RowData(second), 7);
        EXPECT_EQ(list.RowData(2), -1);
        EXPECT_EQ(list.Text(second, 3), "Firmatario");
        EXPECT_EQ(list.TextColor(second, 3), RGB(0, 0, 255));
        EXPECT_EQ(list.ToolTip(second, 3), "suggerimento");
        EXPECT_EQ(list.TextColor(second, 4), CLR_DEFAULT);
        EXPECT_EQ(list.ToolTip(second, 4), "");
        EXPECT_EQ(list.TextColor(first, 3), CLR_DEFAULT);
        EXPECT_EQ(list.ToolTip(first, 2), "");

        // What the list tells the system to draw each cell with.
        auto drawn = [&](int row, int sub) {
            NMLVCUSTOMDRAW cd{};
            cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
            cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
            cd.iSubItem = sub;
            list.OnCustomDraw(&cd);
            return cd.clrText;
        };
        EXPECT_EQ(drawn(second, 3), RGB(0, 0, 255));
        EXPECT_EQ(drawn(second, 2), ::GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(drawn(first, 3), ::GetSysColor(COLOR_WINDOWTEXT));
    }
    ::DestroyWindow(parent);
}

}  // namespace
