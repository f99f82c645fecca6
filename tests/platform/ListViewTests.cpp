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

}  // namespace
