#include <gtest/gtest.h>

#include "fileinfo/cShellLink.h"
#include "mainwindow/MainWindowSupport.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ComPtr.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

// A value in one of the prefix's Run keys for the length of a test; the key is removed
// afterwards when the test created it.
class RunValue {
public:
    RunValue(int32_t root, std::string key, std::string name, const std::string& text)
        : root_(RootKey(root)),
          key_(std::move(key)),
          name_(std::move(name)) {
        Open();
        ::RegSetValueExA(k_.get(), name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
    }
    RunValue(int32_t root, std::string key, std::string name, DWORD number)
        : root_(RootKey(root)),
          key_(std::move(key)),
          name_(std::move(name)) {
        Open();
        ::RegSetValueExA(k_.get(), name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    }
    ~RunValue() {
        ::RegDeleteValueA(k_.get(), name_.c_str());
        k_.reset();
        if (created_) ::RegDeleteKeyA(root_, key_.c_str());
    }
    bool Exists() const {
        return ::RegQueryValueExA(k_.get(), name_.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

private:
    static HKEY RootKey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root)); }
    void Open() {
        DWORD disposition = 0;
        ::RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k_.put(), &disposition);
        created_ = disposition == REG_CREATED_NEW_KEY;
    }
    HKEY root_;
    UniqueHKey k_;
    std::string key_, name_;
    bool created_ = false;
};

class StartupPanel : public StartupWindowTest<> {
protected:
    Form1::Seams WindowSeams() override {
        Form1::Seams seams = StartupWindowTest::WindowSeams();
        seams.processTable = &table;
        return seams;
    }
    long NumData() { return std::stol(form->ControlText(IDC_NUMDATA)); }
    int Row(const std::string& text) { return FindRow(form->ListView2(), text); }
    std::string Cell(const std::string& text, int sub) { return form->ListView2().Text(Row(text), sub); }
    int Grade(const std::string& text) { return RowImage(form->ListView2(), Row(text)); }
    void SelectRow(const std::string& text) {
        int row = Row(text);
        ASSERT_GE(row, 0) << text;
        form->ListView2().Select(row);
    }

    WatchedTable table;
};

TEST_F(StartupPanel, ListsRunValuesAndStartupFilesWithCodesGradesAndCount) {
    Scan();
    const long before = NumData();
    const std::string quoted = "\"C:\\Tools\\svch0st.exe\" /min";
    RunValue a(kRootCurrentUser, kKeyRun, "vtA", quoted);
    RunValue b(kRootCurrentUser, kKeyRunOnce, "vtB", "notepad.exe");
    RunValue c(kRootLocalMachine, kKeyRunOnce, "vtC", "adbooster.exe -q");
    RunValue d(kRootLocalMachine, kKeyRunServicesOnce, "vtD", "unknownthing.exe");
    RunValue e(kRootCurrentUser, std::string(kKeyRunServices) + "\\vtSub", "vtE", "sub.exe");
    RunValue numeric(kRootCurrentUser, kKeyRun, "vtNum", "1");
    RunValue dword(kRootCurrentUser, kKeyRun, "vtDword", DWORD{1});
    RunValue unnamed(kRootLocalMachine, kKeyRunServices, "", "nameless.exe");

    StartupFile target(255, "vt_target_notepad.exe");  // a link target in the temp folder
    cShellLink links;
    StartupFile link(7, "Program.lnk");
    ASSERT_TRUE(links.CreateShellLink(link.path(), target.path(), "", "", "", 0, 1));
    StartupFile capitals(7, "PROGRAM2.LNK");
    StartupFile nested(7, "vtsub\\inner.exe");
    StartupFile plain(24, "svch0st.exe");
    StartupFile ini(24, "desktop.ini");

    Scan();
    EXPECT_EQ(Cell("vtA", 1), quoted);
    EXPECT_EQ(Cell("vtA", 2), "CUR");
    EXPECT_EQ(Grade("vtA"), 2);
    EXPECT_EQ(form->ListView2().ToolTip(Row("vtA"), 1), quoted);
    EXPECT_EQ(Cell("vtB", 2), "CURO");
    EXPECT_EQ(Grade("vtB"), 1);
    EXPECT_EQ(Cell("vtC", 2), "LMRO");
    EXPECT_EQ(Grade("vtC"), 2);
    EXPECT_EQ(Cell("vtD", 2), "LMRSO");
    EXPECT_EQ(Grade("vtD"), 4);
    EXPECT_EQ(Cell("vtE", 2), "CU");  // a value one level below a Run key
    EXPECT_EQ(Row("vtNum"), -1);
    EXPECT_EQ(Row("vtDword"), -1);
    EXPECT_EQ(Cell("Program.lnk", 1), target.path());
    EXPECT_EQ(Cell("Program.lnk", 2), "UST");
    EXPECT_EQ(Cell("PROGRAM2.LNK", 1), "PROGRAM2.LNK");
    EXPECT_EQ(Row("inner.exe"), -1);
    EXPECT_EQ(Cell("svch0st.exe", 1), "svch0st.exe");
    EXPECT_EQ(Cell("svch0st.exe", 2), "CST");
    EXPECT_EQ(Grade("svch0st.exe"), 2);
    EXPECT_EQ(Row("desktop.ini"), -1);
    // Five files and eight values found; the nameless value and desktop.ini are not counted.
    EXPECT_EQ(NumData(), before + 5 + 8 - 2);
    EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
    // A broken shortcut lists an empty target, never the previous row's.
    StartupFile broken(7, "Broken.lnk", "not a link");
    Scan();
    EXPECT_EQ(Cell("Broken.lnk", 1), "");
}

// Presses the start/stop button from inside the running scan, once a row is listed.
Form1* g_form = nullptr;
void CALLBACK StopInMidScan(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_form || g_form->ListView2().Count() < 1) return;
    ::KillTimer(nullptr, id);
    g_form->Command4_Click();
    g_form = nullptr;
}

TEST_F(StartupPanel, StopDuringTheUserFolderScanSkipsTheRest) {
    StartupFile f1(7, "vt_one.exe");
    StartupFile f2(7, "vt_two.exe");
    StartupFile other(24, "vt_other.exe");
    RunValue v(kRootCurrentUser, kKeyRun, "vtStop", "notepad.exe");
    SlowRows slow(200);
    g_form = form.get();
    UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &StopInMidScan);
    Scan();
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_form, nullptr);
    EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
    EXPECT_EQ(Row("vt_other.exe"), -1);
    EXPECT_EQ(Row("vtStop"), -1);
    EXPECT_LE(form->ListView2().Count(), 2);
}

TEST_F(StartupPanel, RemovesAQuotedRunValueAndOnYesItsRunningProgram) {
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "svch0st.exe", child));
    const std::string exe = dir / "svch0st.exe";
    RunValue v(kRootCurrentUser, kKeyRun, "vtRemove", "\"" + exe + "\" /min");
    Scan();
    SelectRow("vtRemove");
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND3));
    ASSERT_GE(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler rimuovere la voce di avvio vtRemove?");
    EXPECT_EQ(prompt.asked[0].title, "Elimina voce");
    EXPECT_EQ(prompt.asked[0].style, 307u);
    EXPECT_EQ(prompt.asked[1].text, "Vuoi anche eliminare il file " + exe + " dal PC?");
    EXPECT_FALSE(v.Exists());
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    EXPECT_FALSE(FileExists(exe));
    EXPECT_EQ(clock.slept, 1000u);
    EXPECT_EQ(Row("vtRemove"), -1);  // the list was rebuilt
}

// The cells are only a picture of the row's record: overwritten behind the window's back,
// they change neither what the details show nor which entry the removal deletes.
TEST_F(StartupPanel, DetailsAndRemovalTakeTheRowsRecordNotItsCells) {
    const std::string exe = dir / "vt_record.exe";
    ASSERT_TRUE(WriteFile(exe, "x"));
    RunValue decoy(kRootCurrentUser, kKeyRun, "vtDecoy", "notepad.exe");
    RunValue v(kRootCurrentUser, kKeyRun, "vtRecord", "\"" + exe + "\" /min");
    Scan();
    const int row = Row("vtRecord");
    ASSERT_GE(row, 0);
    ListView& list = form->ListView2();
    list.SetText(row, 0, "vtDecoy");
    list.SetText(row, 1, "notepad.exe");
    list.SetText(row, 2, "LMR");
    list.Select(row);

    NMHDR hdr{list.hwnd(), static_cast<UINT_PTR>(::GetDlgCtrlID(list.hwnd())), static_cast<UINT>(NM_DBLCLK)};
    ::SendMessageA(form->hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
    ASSERT_NE(form->Details(), nullptr);
    EXPECT_EQ(form->Details()->InfoText(8), "vt_record.exe");
    form->Details()->Unload();

    prompt.answers = {IDYES, IDNO};
    Click(form->Control(IDC_COMMAND3));
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler rimuovere la voce di avvio vtRecord?");
    EXPECT_EQ(prompt.asked[1].text, "Vuoi anche eliminare il file " + exe + " dal PC?");
    EXPECT_FALSE(v.Exists());
    EXPECT_TRUE(decoy.Exists());
    EXPECT_TRUE(FileExists(exe));
}

TEST_F(StartupPanel, RundllValueIsRemovedWithoutAFileQuestion) {
    RunValue v(kRootCurrentUser, kKeyRun, "vtDll", "rundll32.exe shell32.dll,Control_RunDLL desk.cpl");
    Scan();
    SelectRow("vtDll");
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND3));
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_FALSE(v.Exists());
}

TEST_F(StartupPanel, ProgramFoundAlongThePathIsAskedForByItsFullName) {
    ASSERT_TRUE(WriteFile(dir / "vtapp.exe", "x"));
    // A file of the same name in the current folder is not the one the entry starts.
    TempDir current;
    ASSERT_TRUE(WriteFile(current / "vtapp.exe", "x"));
    char savedCwd[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, savedCwd);
    ::SetCurrentDirectoryA(current.path().c_str());
    std::string savedPath = GetEnv("path");
    ::SetEnvironmentVariableA("path", ("C:\\vt_missing_folder;" + dir.path()).c_str());
    RunValue v(kRootCurrentUser, kKeyRun, "vtApp", "vtapp.exe /min");
    Scan();
    SelectRow("vtApp");
    prompt.answers = {IDYES, IDYES, IDYES};
    Click(form->Control(IDC_COMMAND3));
    ::SetEnvironmentVariableA("path", savedPath.c_str());
    ::SetCurrentDirectoryA(savedCwd);
    EXPECT_TRUE(FileExists(current / "vtapp.exe"));
    ASSERT_GE(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2].text, "Sar\xc3\xa0 eliminato il file " + (dir / "vtapp.exe") + " Ok?");
    EXPECT_EQ(prompt.asked[2].style, 323u);
    EXPECT_FALSE(FileExists(dir / "vtapp.exe"));
}

TEST_F(StartupPanel, ShortcutRemovalAsksForTheTargetOnlyWhenItMayGo) {
    cShellLink links;
    ASSERT_TRUE(WriteFile(dir / "kept.exe", "x"));
    std::string installerDir = GetEnv("SystemRoot") + "\\Installer";
    ::CreateDirectoryA(installerDir.c_str(), nullptr);
    std::string installerFile = installerDir + "\\vt_setup.exe";
    ASSERT_TRUE(WriteFile(installerFile, "x"));
    struct Case {
        const char* link;
        std::string target;
        size_t questions;
    } cases[] = {
        {"Exists.lnk", dir / "kept.exe", 2},
        {"Missing.lnk", dir / "gone.exe", 1},
        {"Installer.lnk", installerFile, 1},
    };
    for (const Case& c : cases) {
        StartupFile link(7, c.link);
        ASSERT_TRUE(links.CreateShellLink(link.path(), c.target, "", "", "", 0, 1));
        Scan();
        prompt.asked.clear();
        SelectRow(c.link);
        prompt.answers = {IDYES, IDNO};
        Click(form->Control(IDC_COMMAND3));
        EXPECT_EQ(prompt.asked.size(), c.questions) << c.link;
        EXPECT_FALSE(FileExists(link.path())) << c.link;
        EXPECT_EQ(Row(c.link), -1);
    }
    EXPECT_TRUE(FileExists(dir / "kept.exe"));
    ::DeleteFileA(installerFile.c_str());
}

TEST_F(StartupPanel, PlainStartupFileIsDeletedAfterTheFirstYes) {
    StartupFile plain(24, "vt_plain.exe");
    Scan();
    SelectRow("vt_plain.exe");
    prompt.answers = {IDYES};
    Click(form->Control(IDC_COMMAND3));
    EXPECT_FALSE(FileExists(plain.path()));
    // The only question named the entry; the rest were notices.
    for (size_t i = 1; i < prompt.asked.size(); ++i) EXPECT_EQ(prompt.asked[i].style, static_cast<UINT>(MB_OK));
}

TEST_F(StartupPanel, AValueThatCannotBeDeletedChangesNothing) {
    auto v = std::make_unique<RunValue>(kRootCurrentUser, kKeyRun, "vtVanishing", "notepad.exe");
    Scan();
    SelectRow("vtVanishing");
    v.reset();  // gone before the removal reaches it: the deletion fails
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND3));
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_GE(Row("vtVanishing"), 0);  // not rebuilt
}

TEST_F(StartupPanel, ToolbarButtonsShowTheirPanels) {
    ClickToolbar(*form, 2);
    ASSERT_TRUE(PumpUntil([&] { return Visible(*form, IDC_FRAME5); }));
    EXPECT_FALSE(Visible(*form, IDC_FRAME1));
    EXPECT_FALSE(Visible(*form, IDC_FRAME3));
    ClickToolbar(*form, 1);
    ASSERT_TRUE(PumpUntil([&] { return Visible(*form, IDC_FRAME3) && !form->StartupScanning(); }));
    EXPECT_FALSE(Visible(*form, IDC_FRAME5));
    ClickToolbar(*form, 0);
    ASSERT_TRUE(PumpUntil([&] { return Visible(*form, IDC_FRAME1); }));
    EXPECT_FALSE(Visible(*form, IDC_FRAME3));
    EXPECT_GT(form->ListView1().Count(), 0);
}

// Clicks a toolbar button from inside the running scan, once a row of `list` is there.
struct MidScanClick {
    Form1* form = nullptr;
    int button = 0;
    bool startup = true;
    bool done = false;
} g_click;
void CALLBACK ClickInMidScan(HWND, UINT, UINT_PTR id, DWORD) {
    if (g_click.done || !g_click.form) return;
    ListView& list = g_click.startup ? g_click.form->ListView2() : g_click.form->ListView1();
    if (list.Count() < 1) return;
    ::KillTimer(nullptr, id);
    g_click.done = true;
    g_click.form->VtToolBar1_Click(g_click.button);
}

TEST_F(StartupPanel, ToolbarClicksDuringScansStopTheRightOnes) {
    StartupFile f1(7, "vt_one.exe");
    StartupFile f2(7, "vt_two.exe");
    StartupFile other(24, "vt_other.exe");
    SlowRows slow(200);
    struct Case {
        int first, second;
        bool startupList;
    } cases[] = {
        {1, 1, true},   // "Avvio" twice: the second stops the first
        {1, 2, true},   // "Guida" during the startup scan stops it
        {1, 0, true},   // "Processi" during the startup scan stops it and lists the processes
        {0, 2, false},  // "Guida" during the process scan stops it
    };
    for (const Case& c : cases) {
        g_click = {form.get(), c.second, c.startupList, false};
        UINT_PTR timer = ::SetTimer(nullptr, 0, 10, &ClickInMidScan);
        form->VtToolBar1_Click(c.first);
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(g_click.done);
        EXPECT_FALSE(form->Scanning());
        EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
        if (c.startupList) { EXPECT_EQ(Row("vt_other.exe"), -1) << c.second; }
        if (c.second == 0) { EXPECT_TRUE(Visible(*form, IDC_FRAME1)); }
        if (c.second == 2) { EXPECT_TRUE(Visible(*form, IDC_FRAME5)); }
    }
}

// ---- Quick clicks, a stop then a start, focus, removal on a fresh process list, and
// failures after a Yes, all given as a person gives them.

TEST_F(StartupPanel, TheSecondPressOfAQuickPairIsAClickOfItsButton) {
    // The first press of the pair went elsewhere (a click a moment before, on the same
    // spot): what arrives is a double click, and it must act as the button's click.
    StartupFile f(7, "vt_pair.exe");
    HWND tb = form->VtToolBar1().hwnd();
    PostSecondPress(tb, ToolbarPoint(*form, 2));
    HandlePosted();
    EXPECT_TRUE(Visible(*form, IDC_FRAME5));
    PostSecondPress(tb, ToolbarPoint(*form, 1));
    HandlePosted();
    EXPECT_TRUE(Visible(*form, IDC_FRAME3));
    EXPECT_GE(Row("vt_pair.exe"), 0);
    const int snapshots = table.snapshots;
    PostSecondPress(tb, ToolbarPoint(*form, 0));
    HandlePosted();
    EXPECT_TRUE(Visible(*form, IDC_FRAME1));
    EXPECT_EQ(table.snapshots, snapshots + 1);
}

TEST_F(StartupPanel, AQuickPairOnAvvioStartsThenStopsAndOnProcessiRescansTwiceWithoutNesting) {
    StartupFile f1(7, "vt_one.exe");
    StartupFile other(24, "vt_other.exe");
    DoubleClickToolbar(*form, 1);
    HandlePosted();
    EXPECT_FALSE(form->StartupScanning());
    EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
    EXPECT_EQ(Row("vt_other.exe"), -1);  // stopped before the all-users folder

    const int snapshots = table.snapshots;
    DoubleClickToolbar(*form, 0);
    HandlePosted();
    EXPECT_EQ(table.snapshots, snapshots + 2);
    EXPECT_EQ(table.mostOpenWalks, 1);
    ListView& list = form->ListView1();
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(list.Count()));
    std::set<std::string> ids;
    for (int i = 0; i < list.Count(); ++i) ids.insert(list.Text(i, 2));
    EXPECT_EQ(ids.size(), static_cast<size_t>(list.Count()));
}

TEST_F(StartupPanel, AvvioAfterAToolbarStopRebuildsTheWholeStartupList) {
    StartupFile f1(7, "vt_one.exe");
    StartupFile f2(7, "vt_two.exe");
    StartupFile other(24, "vt_other.exe");
    RunValue v(kRootCurrentUser, kKeyRun, "vtAgain", "notepad.exe");
    ASSERT_TRUE(SetServiceMode("slow:0.2"));
    // "Avvio"; "Processi" once a startup row is listed; "Avvio" again while the process
    // scan runs inside the stopped startup scan.
    TimerScript script({
        {[&] { return form->ListView2().Count() >= 1; }, [&] { ClickToolbar(*form, 0); }},
        {[&] { return Visible(*form, IDC_FRAME1) && form->ListView1().Count() >= 1; }, [&] { ClickToolbar(*form, 1); }},
    });
    ClickToolbar(*form, 1);
    ASSERT_TRUE(PumpUntil([&] { return script.Done() && !form->Scanning() && !form->StartupScanning(); }, 30000));
    SetServiceMode("normal");
    EXPECT_TRUE(Visible(*form, IDC_FRAME3));
    for (const char* row : {"vt_one.exe", "vt_two.exe", "vt_other.exe", "vtAgain"}) EXPECT_GE(Row(row), 0) << row;
    EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
}

TEST_F(StartupPanel, KeyboardFocusFollowsTheShownPanel) {
    // A keyboard user clicks into the process list and tabs to "Termina & Elimina".
    ListView& processes = form->ListView1();
    RECT row0{};
    ListView_GetItemRect(processes.hwnd(), 0, &row0, LVIR_LABEL);
    PostClick(processes.hwnd(), MAKELPARAM(row0.left + 5, (row0.top + row0.bottom) / 2));
    HandlePosted();
    HWND command1 = form->Control(IDC_COMMAND1);
    for (int i = 0; i < 12 && ::GetFocus() != command1; ++i) {
        PostKey(VK_TAB);
        HandlePosted();
    }
    ASSERT_EQ(::GetFocus(), command1);
    ASSERT_GE(processes.SelectedRow(), 0);

    struct Case {
        int button, panel;
        HWND focus;  // null: anywhere inside the panel
    } cases[] = {
        {2, IDC_FRAME5, nullptr},
        {1, IDC_FRAME3, form->ListView2().hwnd()},
        {2, IDC_FRAME5, nullptr},
        {0, IDC_FRAME1, processes.hwnd()},
    };
    for (const Case& c : cases) {
        ClickToolbar(*form, c.button);
        HandlePosted();
        HWND focus = ::GetFocus();
        HWND panel = form->Control(c.panel);
        EXPECT_TRUE(focus == panel || ::IsChild(panel, focus)) << c.button;
        if (c.focus) { EXPECT_EQ(focus, c.focus) << c.button; }
        EXPECT_TRUE(::IsWindowVisible(focus)) << c.button;
        // Enter and Space reach nothing that is hidden.
        const int snapshots = table.snapshots;
        PostKey(VK_SPACE);
        PostKey(VK_RETURN);
        HandlePosted();
        EXPECT_TRUE(prompt.asked.empty()) << c.button;
        EXPECT_EQ(table.snapshots, snapshots) << c.button;
    }
}

TEST_F(StartupPanel, RemovalInsideTheFirstScanEndsTheProgramStartedBeforeTheSwitch) {
    // The program runs before the window opens; the first process scan at launch is cut
    // short by "Avvio", and the entry is removed while that scan is still on the stack.
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_running.exe", child));
    const std::string exe = dir / "vt_running.exe";
    RunValue v(kRootCurrentUser, kKeyRun, "vtRunning", "\"" + exe + "\" /min");
    RunValue trail(kRootLocalMachine, kKeyRunServicesOnce, "vtTrail", "notepad.exe");
    form.reset();
    table.last.insert(static_cast<int32_t>(child.id));
    ASSERT_TRUE(SetServiceMode("slow:0.2"));
    prompt.answers = {IDYES, IDYES};
    form = std::make_unique<Form1>(WindowSeams());
    Form1& f = *form;
    TimerScript script({
        {[&] { return f.ListView1().Count() >= 1; }, [&] { ClickToolbar(f, 1); }},
        {[&] { return FindRow(f.ListView2(), "vtRunning") >= 0; },
         [&] {
             RECT r{};
             ListView_GetItemRect(f.ListView2().hwnd(), FindRow(f.ListView2(), "vtRunning"), &r, LVIR_LABEL);
             PostClick(f.ListView2().hwnd(), MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
             PostClick(f.Control(IDC_COMMAND3));
         }},
    });
    ASSERT_TRUE(form->Load());
    SetServiceMode("normal");
    ASSERT_TRUE(script.Done());
    ASSERT_GE(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler rimuovere la voce di avvio vtRunning?");
    EXPECT_FALSE(v.Exists());
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    const std::string folder = dir.path() + "\\";
    bool toldFolders = false;
    for (const auto& a : prompt.asked) toldFolders |= a.text == folder + "   " + folder;
    EXPECT_TRUE(toldFolders);
    // Once the stopped scan has unwound, the process list is the current one.
    EXPECT_FALSE(form->Scanning());
    EXPECT_EQ(FindRow(form->ListView1(), "vt_running.exe"), -1);
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(form->ListView1().Count()));
}

TEST_F(StartupPanel, ARemovalClickedDuringTheScanListsEverythingAfresh) {
    StartupFile gone(7, "vt_gone.exe");
    StartupFile kept(7, "vt_kept.exe");
    StartupFile other(24, "vt_other.exe");
    RunValue v(kRootCurrentUser, kKeyRun, "vtAfter", "notepad.exe");
    ASSERT_TRUE(SetServiceMode("slow:0.2"));
    prompt.answers = {IDYES};
    TimerScript script({
        {[&] { return Row("vt_gone.exe") >= 0; },
         [&] {
             RECT r{};
             ListView_GetItemRect(form->ListView2().hwnd(), Row("vt_gone.exe"), &r, LVIR_LABEL);
             PostClick(form->ListView2().hwnd(), MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
             PostClick(form->Control(IDC_COMMAND3));
         }},
    });
    Scan();
    SetServiceMode("normal");
    ASSERT_TRUE(script.Done());
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler rimuovere la voce di avvio vt_gone.exe?");
    EXPECT_FALSE(FileExists(gone.path()));
    // The scan the removal interrupted started over and ran to its end.
    EXPECT_EQ(Row("vt_gone.exe"), -1);
    EXPECT_GE(Row("vt_kept.exe"), 0);
    EXPECT_GE(Row("vt_other.exe"), 0);
    EXPECT_GE(Row("vtAfter"), 0);
    EXPECT_EQ(form->ControlText(IDC_COMMAND4), "&Inizia scansione");
    // Counted once: a scan of the same entries counts as many.
    const long counted = NumData();
    Scan();
    EXPECT_EQ(NumData(), counted);
}

TEST_F(StartupPanel, AFileHeldOpenIsOfferedForTheNextRestartInEveryRemovalPath) {
    cShellLink links;
    // Opened without delete sharing, so it cannot go while the handle is held.
    auto lock = [](const std::string& path) {
        return UniqueFileHandle(
            ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    auto remove = [&](const std::string& row, std::deque<int> answers) {
        prompt.asked.clear();
        prompt.answers = std::move(answers);
        int r = Row(row);
        ASSERT_GE(r, 0) << row;
        RECT rect{};
        ListView_GetItemRect(form->ListView2().hwnd(), r, &rect, LVIR_LABEL);
        PostClick(form->ListView2().hwnd(), MAKELPARAM(rect.left + 5, (rect.top + rect.bottom) / 2));
        PostClick(form->Control(IDC_COMMAND3));
        HandlePosted();
    };
    // The last question: deletion at the next restart (answered No here).
    auto offered = [&](const std::string& path) {
        return !prompt.asked.empty() && prompt.asked.back().title == "Elimina file" &&
               prompt.asked.back().style == 307u &&
               prompt.asked.back().text == "Il file " + path +
                                               " \xc3\xa8 in uso e non pu\xc3\xb2 essere eliminato ora. Vuoi "
                                               "eliminarlo al prossimo riavvio del PC?";
    };

    // A plain startup-folder file.
    StartupFile plain(24, "vt_locked.exe");
    // A shortcut that cannot go itself (its target is missing), and one whose target cannot.
    StartupFile lockedLink(7, "vt_locked.lnk");
    ASSERT_TRUE(links.CreateShellLink(lockedLink.path(), dir / "vt_gone.exe", "", "", "", 0, 1));
    ASSERT_TRUE(WriteFile(dir / "vt_target.exe", "x"));
    StartupFile link(7, "vt_target.lnk");
    ASSERT_TRUE(links.CreateShellLink(link.path(), dir / "vt_target.exe", "", "", "", 0, 1));
    // A Run value's program.
    ASSERT_TRUE(WriteFile(dir / "vt_prog.exe", "x"));
    const std::string program = dir / "vt_prog.exe";
    RunValue value(kRootCurrentUser, kKeyRun, "vtLockedProgram", "\"" + program + "\"");
    Scan();

    {
        UniqueFileHandle held = lock(plain.path());
        ASSERT_TRUE(held);
        remove("vt_locked.exe", {IDYES, IDNO});
        EXPECT_TRUE(offered(plain.path()));
    }
    {
        UniqueFileHandle held = lock(lockedLink.path());
        ASSERT_TRUE(held);
        remove("vt_locked.lnk", {IDYES, IDNO});
        EXPECT_TRUE(FileExists(lockedLink.path()));
        EXPECT_FALSE(prompt.asked.empty());
        // Asked about the shortcut itself; its missing target is not asked about.
        bool asked = false;
        for (const auto& q : prompt.asked)
            asked |= q.text.find("Il file " + lockedLink.path() + " \xc3\xa8 in uso") == 0;
        EXPECT_TRUE(asked);
    }
    {
        UniqueFileHandle held = lock(dir / "vt_target.exe");
        ASSERT_TRUE(held);
        remove("vt_target.lnk", {IDYES, IDYES, IDNO});
        EXPECT_FALSE(FileExists(link.path()));
        EXPECT_TRUE(offered(dir / "vt_target.exe"));
    }
    {
        UniqueFileHandle held = lock(dir / "vt_prog.exe");
        ASSERT_TRUE(held);
        remove("vtLockedProgram", {IDYES, IDYES, IDNO});
        EXPECT_FALSE(value.Exists());
        EXPECT_TRUE(offered(dir / "vt_prog.exe"));
    }
    EXPECT_TRUE(FileExists(plain.path()));
    EXPECT_TRUE(FileExists(dir / "vt_prog.exe"));
}

}  // namespace
}  // namespace vt::test
