// The startup panel: the user's and all users' startup folders, then the eight Run keys,
// each entry listed with its command or target, its grade and its startup entry code.
#include <cstdlib>

#include "core/Twips.h"
#include "mainwindow/Form1.h"
#include "mainwindow/pure/ListColumns.h"
#include "mainwindow/Form1Events.h"
#include "mainwindow/Impostors.h"
#include "inventory/StartupScan.h"
#include "mainwindow/pure/StartupCodes.h"
#include "platform/RegistryViews.h"
#include "platform/SpecialFolder.h"
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
    try { LookupErrorShown = false; } catch (...) {}
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
    if (closing_) return;
    startupRunning_ = true;
    do {
        startupRestartPending_ = false;
        startupStopped_ = false;
        // Every step is guarded on its own: one that fails leaves the others to run.
        try {
            listView2_.Clear();
            startupEntries_.clear();
            ::SetWindowTextA(Control(IDC_NUMDATA), "0");
            skippedEntries_ = 0;
        } catch (...) {}
        try {
            SCANREG->CustomScanPath(7);
            SCANREG->ScanSubKeys(false);
            SCANREG->ScanDeep(1);
        } catch (...) {}
        try {
            SCANDIR->CustomScan(true);
            SCANDIR->CustomScanPath(7);
        } catch (...) {}
        try { ::SetWindowTextA(Control(IDC_COMMAND4), kStopCaption); } catch (...) {}
        // A startup folder the system cannot name is skipped: an empty start path would
        // walk the current folder instead and count its files as startup entries.
        // The two folders are asked for once per start: every file of the walk is compared
        // with them, and the shell lookup is far dearer than the comparison.
        try {
            userStartupFolder_ = SpecialFolder(7);
            allUsersStartupFolder_ = SpecialFolder(24);
        } catch (...) {}
        try {
            if (!userStartupFolder_.empty()) SCANDIR->BeginScanning("", "");
        } catch (...) {}
        if (!startupStopped_ && !closing_) {
            try {
                SCANDIR->CustomScanPath(24);
                if (!allUsersStartupFolder_.empty()) SCANDIR->BeginScanning("", "");
            } catch (...) {}
        }
        if (!startupStopped_ && !closing_) {
            try { SCANREG->BeginCustomScan(); } catch (...) {}
        }
        try { ::SetWindowTextA(Control(IDC_COMMAND4), kStartCaption); } catch (...) {}
    } while (startupRestartPending_ && !closing_);
    startupRunning_ = false;
}

void Form1::CancelStartupScan() {
    startupStopped_ = true;
    startupRestartPending_ = false;
    // Every stop (the button, the toolbar, closing) reads as idle at once, while the
    // stopped sequence still unwinds: the next start is then taken as a start, and begins
    // once that sequence has ended.
    if (startupRunning_) ::SetWindowTextA(Control(IDC_COMMAND4), kStartCaption);
    try { if (SCANREG) SCANREG->CancelScanning(); } catch (...) {}
    try { if (SCANDIR) SCANDIR->CancelScanning(); } catch (...) {}
}

void Form1::AddStartupRow(StartupRow entry) {
    int row = listView2_.AddRow(entry.name, entry.grade);
    if (row < 0) return;
    listView2_.SetText(row, 1, entry.command);
    listView2_.SetText(row, 2, entry.code);
    listView2_.SetTextColor(row, 2, kBlue);
    if (entry.disabled) {
        // Listed and counted like any other, but drawn as unavailable: it does not start.
        // The code keeps its blue; a registry row's command tooltip replaces this one.
        const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
        listView2_.SetTextColor(row, 0, grey);
        listView2_.SetTextColor(row, 1, grey);
        for (int sub = 0; sub < 3; ++sub) listView2_.SetToolTip(row, sub, kDisabledTip);
    }
    if (static_cast<size_t>(row) >= startupEntries_.size()) startupEntries_.resize(static_cast<size_t>(row) + 1);
    startupEntries_[static_cast<size_t>(row)] = std::move(entry);
}

void Form1::SCANDIR_CurrentFile(const std::string& File, const std::string& Path) {
    const std::string code = SCANDIR->CustomScanPath() == 7 ? "UST" : "CST";
    const std::string full = Path + "\\" + File;
    const std::string& allUsers = allUsersStartupFolder_;
    const std::string& user = userStartupFolder_;
    // Files of subfolders and the user's "target.lnk" are counted but not listed.
    if (!((Path == user && File != "target.lnk") || Path == allUsers)) return;
    if (File == "desktop.ini") {
        ++skippedEntries_;
        return;
    }
    std::string shown;
    if (GetFileExtension(File) == "lnk") {
        // An unreadable shortcut shows an empty target, never an earlier row's.
        std::string target, workDir, args, iconFile;
        int32_t iconIndex = 0, showCmd = 0;
        bool ok = false;
        try { ok = shellLink_->GetShellLinkInfo(full, target, workDir, args, iconFile, iconIndex, showCmd); } catch (...) {}
        if (!ok) target.clear();
        currentGrade_ = QueryReputation(fso_.GetFileName(target));
        shown = target;
    } else {
        currentGrade_ = QueryReputation(GetCommandProgramPath(File));
        shown = File;
    }
    if (!listView2_.hwnd()) return;
    StartupRow entry;
    entry.name = File;
    entry.command = shown;
    entry.code = code;
    entry.location = Path;
    entry.grade = currentGrade_;
    entry.disabled = StartupRowDisabled(code, File);
    AddStartupRow(std::move(entry));
    int last = listView2_.Count() - 1;
    MarkIfImpostor(listView2_, last, GetFolderPath(shown).empty() ? full : shown);
    listView2_.Select(last);
    listView2_.EnsureVisible(last);
}

void Form1::SCANREG_CurrentData(const std::string& Value, const std::string& Key, int32_t Root) {
    // The scanner reads the view of the key it is walking: the program's own, or the
    // other one of a 64-bit system.
    const int32_t view = SCANREG->RegistryView();
    const std::string code = RegistryEntryCode(Root, Key, view);
    if (Value.empty()) {
        ++skippedEntries_;
        return;
    }
    std::string data;
    try {
        // The data of this view's value, never of a same-named value in the other view.
        RegistryViewScope<cAdvanceRegistry> inView(*registry_, view);
        data = registry_->ValueEx(Root, Key, Value).ToText();
    } catch (...) {}
    const std::string program = GetCommandFileName(StripQuotes(data));
    // A data such as "1" names no program: counted, not listed.
    if (!IsNumericText(program) && listView2_.hwnd()) {
        currentGrade_ = QueryReputation(fso_.GetFileName(program));
        StartupRow entry;
        entry.name = Value;
        entry.command = data;
        entry.code = code;
        entry.location = std::string(RootAbbreviation(Root)) + "\\" + Key;
        entry.view = ViewName(view);
        entry.disabled = StartupRowDisabled(code, Value);
        entry.grade = currentGrade_;
        entry.lookupName = fso_.GetFileName(program);
        AddStartupRow(std::move(entry));
        MarkIfImpostor(listView2_, listView2_.Count() - 1, GetCommandProgramPath(StripQuotes(data)));
    }
    try {
        int last = listView2_.Count() - 1;
        if (last >= 0) {
            listView2_.Select(last);
            listView2_.EnsureVisible(last);
            int selected = listView2_.SelectedRow();
            listView2_.SetToolTip(selected, 1, listView2_.Text(selected, 1));
        }
    } catch (...) {}
}

void Form1::AddToNumData(long long amount) {
    HWND num = Control(IDC_NUMDATA);
    if (!num) return;
    long long current = std::strtoll(ControlText(IDC_NUMDATA).c_str(), nullptr, 10);
    ::SetWindowTextA(num, std::to_string(current + amount).c_str());
}

void Form1::SCANDIR_DoneScanning(int32_t, int32_t TotalFiles) { AddToNumData(TotalFiles); }

void Form1::SCANREG_DoneScanning(int32_t TotalData, int32_t) {
    AddToNumData(static_cast<long long>(TotalData) - skippedEntries_);
}

}  // namespace vt
