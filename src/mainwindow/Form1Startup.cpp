// The startup panel: shows the rows the startup scan collects (the user's and all users'
// startup folders, then the Run keys of both views), each with its command or target, its
// grade and its startup entry code; disabled entries drawn grey.
#include <cstdlib>
#include <utility>

#include "core/ScopeExit.h"
#include "core/Twips.h"
#include "mainwindow/Form1.h"
#include "mainwindow/pure/ListColumns.h"
#include "mainwindow/Form1p.h"
#include "mainwindow/Impostors.h"
#include "inventory/StartupScan.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ErrorBoundary.h"
#include "reputation/Module1.h"

namespace vt {

namespace {
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr const char* kStartCaption = "&Inizia scansione";
constexpr const char* kStopCaption = "Termina scansione";
constexpr const char* kDisabledTip = "Voce disattivata: non viene avviata all'accensione del PC.";
}  // namespace

void Form1::BuildStartupPanel() {
    RECT none{0, 0, 0, 0};
    listView2_.Create(frame3_, IDC_LISTVIEW2, none);
    ControlRef(listView2_.hwnd()).Font(font_.get());
    layout_.push_back({listView2_.hwnd(), 0, 0, 6855, 4560});
    listView2_.SetImageList(images_.get());
    listView2_.SelectOnMouseDown(true);
    for (const ListColumn& c : kStartupColumns) listView2_.AddColumn(c.caption, TwipsToPixels(c.widthTwips, Dpi()));

    HWND label = AddControl(frame3_, "STATIC", "Numero di voci:", SS_LEFTNOWORDWRAP, IDC_LABEL4, 45 + 2340, 4635 + 240,
                            1575, 195);
    HWND num = AddControl(frame3_, "STATIC", "00", SS_LEFT, IDC_NUMDATA, 45 + 4005, 4635 + 240, 360, 195);
    ControlRef(num).Font(boldFont_.get());
    HWND group = AddControl(frame3_, "BUTTON", "Opzioni:", BS_GROUPBOX, IDC_FRAME4, 45, 4635, 4380, 555);
    HWND command3 =
        AddControl(frame3_, "BUTTON", "&Elimina voce", BS_PUSHBUTTON | WS_TABSTOP, IDC_COMMAND3, 4545, 4725, 2310, 465);
    FitOptionsRow(nullptr, label, num, group, command3);
    AddControl(frame3_, "BUTTON", kStartCaption, BS_PUSHBUTTON | WS_TABSTOP, IDC_COMMAND4, 45, 5355, 6810, 465);
}

void Form1::Command4_Click() {
    BusyScope busy(*this);
    LookupErrorShown = false;
    if (startupRunning_ && ControlText(IDC_COMMAND4) == kStartCaption) {
        // A start is still unwinding from a stop: begin anew once it has, never inside it.
        startupRestartPending_ = true;
        return;
    }
    if (!startupRunning_) {
        RunStartupScan();
        return;
    }
    // Stop.
    CancelStartupScan();
}

void Form1::RunStartupScan() {
    if (closing_ || !startup_) return;
    startupRunning_ = true;
    // However the scan ends, the rows it added are drawn and it no longer counts as running.
    ScopeExit ended([this]() noexcept {
        listView2_.ShowAdded();
        startupRunning_ = false;
    });
    do {
        startupRestartPending_ = false;
        listView2_.Clear();
        startupEntries_.clear();
        DropGrades(kStartupLane);
        ::SetWindowTextA(Control(IDC_NUMDATA), "0");
        ::SetWindowTextA(Control(IDC_COMMAND4), kStopCaption);
        // The folders, then the keys of both views; a stop (button, toolbar, closing) ends
        // the sub-scan in progress and skips the others. A sequence that fails still gives
        // the button its start caption back.
        Guarded("startup scan", [&] { startup_->BeginScanning(); });
        ::SetWindowTextA(Control(IDC_COMMAND4), kStartCaption);
    } while (startupRestartPending_ && !closing_);
}

void Form1::CancelStartupScan() {
    startupRestartPending_ = false;
    // Every stop (the button, the toolbar, closing) reads as idle at once, while the
    // stopped sequence still unwinds: the next start is then taken as a start, and begins
    // once that sequence has ended.
    if (startupRunning_) ::SetWindowTextA(Control(IDC_COMMAND4), kStartCaption);
    if (startup_) startup_->CancelScanning();
}

void Form1::RefreshStartupList() {
    if (!startupRunning_) {
        Command4_Click();
        return;
    }
    // The removal ran inside a scan's message pump (its button was clicked mid-scan): the
    // click that would start a scan stops that one, leaving the list half read and the
    // removed entry on it. It starts over instead, once it has unwound.
    CancelStartupScan();
    LookupErrorShown = false;
    startupRestartPending_ = true;
}

const StartupRow* Form1::StartupRecord(int row) const {
    const LPARAM index = listView2_.RowData(row);
    return index >= 0 && static_cast<size_t>(index) < startupEntries_.size()
               ? &startupEntries_[static_cast<size_t>(index)]
               : nullptr;
}

StartupRow* Form1::StartupRecord(int row) { return const_cast<StartupRow*>(std::as_const(*this).StartupRecord(row)); }

int Form1::AddStartupRow(StartupRow entry) {
    const auto index = static_cast<LPARAM>(startupEntries_.size());
    int row = listView2_.AddRow(entry.name, entry.grade, index);
    if (row < 0) return row;
    startupEntries_.push_back(std::move(entry));
    const StartupRow& shown = startupEntries_.back();
    listView2_.SetText(row, 1, shown.command);
    listView2_.SetText(row, 2, shown.code);
    listView2_.SetTextColor(row, 2, kBlue);
    if (shown.disabled) {
        // Listed and counted like any other, but drawn as unavailable: it does not start.
        // The code keeps its blue; a registry row's command tooltip replaces this one.
        const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
        listView2_.SetTextColor(row, 0, grey);
        listView2_.SetTextColor(row, 1, grey);
        for (int sub = 0; sub < listView2_.Columns(); ++sub) listView2_.SetToolTip(row, sub, kDisabledTip);
    }
    return row;
}

void Form1::StartupScan_RowFound(StartupRow row) {
    currentGrade_ = GradeForNewRow(kStartupLane, row.lookupName);
    if (!listView2_.hwnd()) return;
    row.grade = currentGrade_;
    const std::string graded = row.lookupName;
    const bool folderRow = IsFolderEntry(row);
    const std::string program = StartupProgramPath(row);
    AwaitGrade(kStartupLane, graded, AddStartupRow(std::move(row)));
    int last = listView2_.Count() - 1;
    if (last < 0) return;
    MarkIfImpostor(listView2_, last, program);
    listView2_.Select(last);
    listView2_.EnsureVisible(last);
    if (!folderRow) {
        int selected = listView2_.SelectedRow();
        if (const StartupRow* shown = StartupRecord(selected)) listView2_.SetToolTip(selected, 1, shown->command);
    }
}

void Form1::AddToNumData(long long amount) {
    HWND num = Control(IDC_NUMDATA);
    if (!num) return;
    long long current = std::strtoll(ControlText(IDC_NUMDATA).c_str(), nullptr, 10);
    ::SetWindowTextA(num, std::to_string(current + amount).c_str());
}

}  // namespace vt
