// The main window: banner, toolbar, and the three panels (processes, startup entries,
// help) with their handlers. Split by concern: Form1.cpp (window, layout, closing,
// panel switching), Form1Processes.cpp (process panel), Form1Startup.cpp (startup panel),
// Form1Removal.cpp (removing a startup entry), Form1Help.cpp (help texts), Form1Grades.cpp
// (the rows' grades, filled in as the lookups answer).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Control.h"
#include "platform/FileSystem.h"
#include "platform/Handles.h"
#include "platform/ListView.h"
#include "platform/MessagePump.h"
#include "platform/Prompt.h"
#include "platform/Window.h"
#include "fileinfo/cShellLink.h"
#include "mainwindow/FileDisposal.h"
#include "inventory/StartupScan.h"
#include "inventory/pure/Rows.h"
#include "inventory/pure/StartupCodes.h"
#include "registry/cAdvanceRegistry.h"
#include "details/Dialog.h"
#include "reputation/ReputationLookups.h"
#include "reputation/pure/GradeBook.h"
#include "scanners/cScanDirectories.h"
#include "scanners/cScanProcesses.h"
#include "scanners/cScanRegistry.h"
#include "toolbar/VtToolBar.h"

namespace vt {

inline constexpr const char* kMainCaption = "Vantorile 1.0 - Process and startup analyzer";
inline constexpr const char* kProgramTitle = "Vantorile";
inline constexpr long kClientWidthTwips = 7080;
inline constexpr long kClientHeightTwips = 7815;

// Control identifiers (unique across the window, so the panels can forward to it).
enum ControlId : int {
    IDC_VTTOOLBAR1 = 90,
    IDC_PICTURE3 = 100,
    IDC_IMAGE1,
    IDC_LABEL1,
    IDC_FRAME1 = 200,
    IDC_LISTVIEW1,
    IDC_FRAME2,
    IDC_CHECK1,
    IDC_LABEL3,
    IDC_NUMPROC,
    IDC_COMMAND1,
    IDC_COMMAND2,
    IDC_FRAME3 = 300,
    IDC_LISTVIEW2,
    IDC_FRAME4,
    IDC_LABEL4,
    IDC_NUMDATA,
    IDC_COMMAND3,
    IDC_COMMAND4,
    IDC_FRAME5 = 400,
    IDC_LABEL2,
    IDC_LABEL5,
    IDC_PICTURE1,
    IDC_LABEL6,
    IDC_PICTURE2,
    IDC_LABEL7,
    IDC_PICTURE4,
    IDC_LABEL9,
    IDC_PICTURE5,
    IDC_LABEL8,
    IDC_LABEL11,
    IDC_LABEL12,
    IDC_LABEL13,
    IDC_LABEL14,
    IDC_LABEL15,  // the 32-bit view's code, below the eight codes
    IDC_LABEL16,  // and its meaning
};

// Window messages of our own.
enum : UINT {
    WM_APP_DEFERRED_CLOSE = WM_APP + 1,
    WM_APP_LOOKUP_ANSWERS = WM_APP + 2,  // reputation answers wait to be applied
};

class Form1 : public Window, private IMessageFilter {
public:
    struct Seams {
        IPrompt* prompt = nullptr;              // null: the current prompt (the message box)
        IClock* clock = nullptr;                // null: the system clock
        IProcessTable* processTable = nullptr;  // null: the live process table
    };

    Form1();
    explicit Form1(Seams seams);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Window load: texts, members, show, and the first process scan (returns after it).
    bool Load();
    // Stops every scan and closes; deferred while a handler or scan is still on the stack.
    void Unload();

    // Rebuilds the process list by a complete scan (never nests a second scan).
    void StartProcessScan();
    // The startup panel's start/stop action (the click of Command4).
    void Command4_Click();
    // The toolbar's Click: shows the button's panel and starts or stops its scans.
    void VtToolBar1_Click(int32_t vButton_Index);

    // For tests and the panels: the controls under their names (ListView1, Command3 ...).
    ListView& ListView1() { return listView1_; }
    ListView& ListView2() { return listView2_; }
    VtToolBar& VtToolBar1() { return toolbar_; }
    bool StartupScanning() const { return startupRunning_; }
    // The lists' rows as data, in list order (the view and the disabled state included).
    // Each list item carries the index of its record; every action reads the record.
    const std::vector<ProcessRow>& ProcessEntries() const { return processEntries_; }
    const std::vector<StartupRow>& StartupEntries() const { return startupEntries_; }
    // The record a list row shows, null for a row of neither list.
    const ProcessRow* ProcessRecord(int row) const;
    const StartupRow* StartupRecord(int row) const;
    // The details dialog opened by the last double click, null when none was opened.
    Dialog* Details() { return details_.get(); }
    HWND Control(int id) const;
    std::string ControlText(int id) const;
    bool Scanning() const;
    // True while rows of either list wait for their grades.
    bool GradesPending() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFinalDestroy() override;

private:
    class ProcessEvents;
    class StartupEvents;
    class ToolBarEvents;
    class LookupEvents;
    friend class ProcessEvents;
    friend class StartupEvents;
    friend class ToolBarEvents;

    // An item of the layout table: a control and its rectangle in twips at 96 DPI, relative to
    // its parent.
    struct Placed {
        HWND hwnd;
        long left, top, width, height;
    };
    // Keeps the window alive while handlers that may pump messages run.
    class BusyScope {
    public:
        explicit BusyScope(Form1& f) : f_(f) { ++f_.busy_; }
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        Form1& f_;
    };

    bool PreTranslate(MSG& msg) override;

    // Layout and look.
    HWND AddControl(HWND parent, const char* cls, const char* text, DWORD style, int id, long l, long t, long w, long h,
                    DWORD exStyle = 0);
    // Labels and check boxes grow to their text where the font is wider than MS Sans Serif 8.
    long TextWidthTwips(HWND ctl, int extraPx) const;
    void FitToText(HWND ctl, int extraPx);
    void PlaceRightOf(HWND ctl, HWND anchor, long gapTwips);
    void FitOptionsRow(HWND check, HWND label, HWND number, HWND group, HWND button);
    Placed* Find(HWND ctl);
    HWND AddPanel(int id, long l, long t, long w, long h, bool visible);
    void CreateFonts();
    void CreateImages();
    void Relayout();
    void OnDpiChanged() override;
    LRESULT OnCtlColorStatic(HDC dc, HWND ctl);
    LRESULT OnNotify(NMHDR* hdr);
    void OnCommand(int id, int code);

    void BuildBanner();
    void BuildProcessPanel();
    void BuildHelpPanel();
    void BuildStartupPanel();
    void BuildToolBar();
    void ShowPanel(HWND panel);
    void SetHelpTexts();
    void ShowLegendIcons();
    void FitHelpFonts();

    // Process panel.
    void SCANPROC_CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool& Terminate);
    void SCANPROC_DoneScanning(int16_t TotalProcesses);
    void Command1_Click();
    void Command2_Click();
    void Check1_Click();
    void CancelProcessScan();
    void DeleteEndedProcessFile(int32_t processId, const std::string& path);

    // Startup panel.
    // A row the startup scan found: graded and shown.
    void StartupScan_RowFound(StartupRow row);
    void RunStartupScan();
    void CancelStartupScan();
    // The list read anew after a removal; a scan already on the stack starts over.
    void RefreshStartupList();
    // The row's index, -1 when it could not be added.
    int AddStartupRow(StartupRow row);
    void AddToNumData(long long amount);

    // Startup entry removal.
    void Command3_Click();
    void RemoveFolderEntry(const std::string& name, const std::string& p, const std::string& folder,
                           const DecodedCode& decoded);
    void RemoveRegistryEntry(const DecodedCode& decoded, const std::string& name);
    // Clears the system's record of a removed entry, so nothing of it is left behind.
    void ForgetStartupApproval(const DecodedCode& decoded, const std::string& name);
    void TerminateAndDeleteFile(const std::string& n, std::string f);
    // The first running process of file n as the process list would show it.
    struct RunningProcess {
        std::string folder;  // ends with "\", or "SYSTEM"
        int32_t id;
    };
    std::optional<RunningProcess> FindRunningProcess(const std::string& n);
    // Deletes a file the user said Yes to (Recycle Bin, or as the user decides when it
    // cannot go there or now); a failure is told, with the system's reason.
    bool DeleteOrReport(const std::string& path);
    // Saves the value to the day's backup file; false (and the user told why) when it
    // cannot be saved, so the value must stay.
    bool SaveBeforeDelete(int32_t root, const std::string& key, bool view32, const std::string& name);
    // Whether the entry's data names a file that may be offered for deletion; a script
    // host's script replaces the host in `c`.
    bool FileToOffer(const std::string& data, std::string& c);

    // Grades: each row's icon is filled in when its name's answer arrives.
    enum Lane : int { kProcessLane = 1, kStartupLane = 2 };
    // The grade to list a row of name with: known already, or 0 until the answer comes.
    int32_t GradeForNewRow(Lane lane, const std::string& name);
    // The row just listed with GradeForNewRow's grade; asks for name when it must wait.
    void AwaitGrade(Lane lane, const std::string& name, int row);
    // The list was cleared, its scan cancelled by a panel switch, or the window closes:
    // answers still due for its rows are dropped.
    void DropGrades(Lane lane);
    // The grades and the list of a lane.
    GradeBook& GradesOf(int lane) { return lane == kProcessLane ? grades1_ : grades2_; }
    ListView& ListOf(int lane) { return lane == kProcessLane ? listView1_ : listView2_; }
    void ApplyLookupAnswers();

    // Details dialog: a double click on a list row shows its file.
    void ShowDetails(const char* source, const ListView& list);
    ProcessRow* ProcessRecord(int row);
    StartupRow* StartupRecord(int row);

    int Ask(const std::string& text, const std::string& title, UINT style);
    AskFunction Asker() {
        return
            [this](const std::string& text, const std::string& title, UINT style) { return Ask(text, title, style); };
    }

    Seams seams_;
    IPrompt& prompt_;
    SystemClock systemClock_;
    IClock& clock_;

    std::vector<Placed> layout_;
    UniqueHFont font_, boldFont_, bigFont_;
    std::vector<UniqueHFont> narrowFonts_;  // help texts that would wrap in the regular font
    UniqueHImageList images_;               // shared by both lists, which never destroy it
    UniqueHBitmap logo_;
    std::vector<UniqueHIcon> legendIcons_;
    UniqueHBrush bannerBrush_;

    HWND frame1_ = nullptr, frame3_ = nullptr, frame5_ = nullptr, banner_ = nullptr;
    ListView listView1_;
    std::vector<ProcessRow> processEntries_;  // indexed by the data of ListView1's rows

    ListView listView2_;
    std::vector<StartupRow> startupEntries_;  // indexed by the data of ListView2's rows
    std::unique_ptr<ToolBarEvents> toolbarEvents_;
    VtToolBar toolbar_;

    std::unique_ptr<ProcessEvents> processEvents_;
    // The startup list's rows are collected by startup_, which owns the scanners; the
    // panel only shows them. The members keep their names for the removal.
    std::unique_ptr<StartupEvents> startupEvents_;
    std::unique_ptr<StartupScan> startup_;
    cScanRegistry* SCANREG = nullptr;
    cAdvanceRegistry* registry_ = nullptr;
    cScanDirectories* SCANDIR = nullptr;
    cShellLink* shellLink_ = nullptr;
    FileSystemObject fso_;
    bool startupRunning_ = false;  // a start sequence is on the stack
    bool startupRestartPending_ = false;

    std::unique_ptr<cScanProcesses> SCANPROC;
    int32_t currentGrade_ = 0;
    bool processScanRunning_ = false;
    bool processRescanPending_ = false;

    std::unique_ptr<LookupEvents> lookupEvents_;  // outlives lookups_, which calls it
    std::unique_ptr<ReputationLookups> lookups_;
    GradeBook grades1_, grades2_;

    std::unique_ptr<Dialog> details_;
    bool detailsLoading_ = false;

    int busy_ = 0;
    bool closing_ = false;
    bool destroyed_ = false;
};

// Creates the main window and runs the message loop until the last window closes.
int RunProgram();

}  // namespace vt
