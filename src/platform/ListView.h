// A report-view list with what the windows ask of it: rows appended with a small icon and
// a number of the owner's (the index of the record the row shows), sub-item texts,
// per-cell text colours and tooltips in any number of columns, single selection, hit
// testing, and a case-insensitive search on the row text. Rows are only appended or cleared.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/Handles.h"

namespace vt {

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class ListViewAccessible;
class RowDescriptionServer;

class ListView {
public:
    ListView();
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;
    ~ListView();

    bool Create(HWND parent, int id, const RECT& r);
    HWND hwnd() const noexcept { return hwnd_; }

    void SetImageList(HIMAGELIST images);
    void AddColumn(const std::string& header, int widthPx);
    void SetColumnWidth(int column, int widthPx);

    void Clear();
    // Appends a row carrying data (the item's lParam); returns its index (0 = first), -1
    // when it could not be added. Rows added in quick succession are drawn together, a few
    // times a second, or at once by ShowAdded.
    int AddRow(const std::string& text, int image, LPARAM data = 0);
    // The data the row was added with; -1 for a row the list does not have.
    LPARAM RowData(int row) const;
    // Draws the rows added since the list was last drawn, and scrolls the row last asked
    // for by EnsureVisible into view.
    void ShowAdded();
    int Count() const;
    int Columns() const noexcept { return columns_; }
    // The row's small icon (a reliability grade: 0 none, 1 to 4 its picture).
    void SetImage(int row, int image);

    void SetText(int row, int sub, const std::string& text);
    std::string Text(int row, int sub) const;
    void SetTextColor(int row, int sub, COLORREF colour);
    COLORREF TextColor(int row, int sub) const;  // CLR_DEFAULT where none was set
    void SetToolTip(int row, int sub, const std::string& text);
    std::string ToolTip(int row, int sub) const;

    // -1 when no row is selected.
    int SelectedRow() const;
    // -1 clears the selection.
    void Select(int row);
    void EnsureVisible(int row);
    // Row under a client point, -1 for none.
    int HitTest(POINT client) const;
    // First row whose text equals `text`, letter case ignored; -1 for none.
    int FindText(const std::string& text) const;

    // Make any mouse button select the row under the pointer, or clear the selection.
    void SelectOnMouseDown(bool on) { selectOnMouseDown_ = on; }

    // Words for assistive technology, one per small-icon index (0: a row without an icon):
    // each row's accessible description is the word of the icon it shows now.
    void ImageDescriptions(std::vector<std::string> words);
    // The word of the row's icon, "" when none was given for it.
    std::string RowDescription(int row) const;
    // True when the system's own list object carries the words (annotation); false when
    // the list answers assistive technology with an object of its own.
    bool DescriptionsAnnotated() const { return static_cast<bool>(annotations_); }

    // The owner forwards NM_CUSTOMDRAW of this list here.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* cd) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    void UpdateTipCell(POINT client);
    void ConnectDescriptions();
    void DisconnectDescriptions() noexcept;

    // Filled up to the highest column given a colour or a tip; cells beyond are default.
    struct RowExtras {
        std::vector<COLORREF> colour;
        std::vector<std::string> tip;
    };
    // The row's extras when (row, sub) is a cell of the list, else null.
    RowExtras* Extras(int row, int sub);
    const RowExtras* Extras(int row, int sub) const;

    HWND hwnd_ = nullptr;
    UniqueHWnd tip_;  // owned by the list window: released when that goes first
    int columns_ = 0;
    bool selectOnMouseDown_ = false;
    std::vector<RowExtras> rows_;
    int tipRow_ = -1, tipSub_ = -1;
    bool drawingHeld_ = false;  // rows are being added with drawing turned off
    int shownRow_ = -1;         // asked to be in view while drawing was held
    double drawMs_ = 0;         // what drawing the list took last time
    double showMs_ = 0;         // of a drawing whose painting is still to come
    mutable std::string tipText_;
    std::vector<std::string> imageWords_;
    ComPtr<IAccPropServices> annotations_;
    ComPtr<RowDescriptionServer> descriptionServer_;
    bool ownObject_ = false;
    ComPtr<ListViewAccessible> accessible_;
};

}  // namespace vt
