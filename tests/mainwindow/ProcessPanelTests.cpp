#include <gtest/gtest.h>

#include "core/Twips.h"
#include "mainwindow/MainWindowSupport.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

class ProcessPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetServiceMode("normal"));
        LookupErrorShown = false;
        // A name the reference service grades as infected (2).
        ASSERT_TRUE(StartSleeper(dir.path(), "svch0st.exe", child));
    }
    void TearDown() override {
        form.reset();
        child.Kill();
        SetServiceMode("normal");
    }
    void Open() {
        Form1::Seams seams;
        seams.prompt = &prompt;
        seams.processTable = &table;
        form = std::make_unique<Form1>(seams);
        ASSERT_TRUE(form->Load());
    }
    int ChildRow() { return FindRow(form->ListView1(), "svch0st.exe"); }
    void SelectChild() {
        int row = ChildRow();
        ASSERT_GE(row, 0);
        form->ListView1().Select(row);
    }

    TempDir dir;
    ChildProcess child;
    ScriptedPrompt prompt;
    PartlyHiddenTable table;
    std::unique_ptr<Form1> form;
};

TEST_F(ProcessPanel, FirstScanListsTheChildWithFolderIdAndGrade) {
    Open();
    ASSERT_TRUE(WaitForGrades(*form));
    ListView& list = form->ListView1();
    int row = ChildRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(list.Text(row, 1), dir.path() + "\\");
    EXPECT_EQ(list.Text(row, 2), std::to_string(child.id));
    EXPECT_EQ(RowImage(list, row), 2);
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(list.Count()));
    // The last added row is the selected one.
    EXPECT_EQ(list.SelectedRow(), list.Count() - 1);
    EXPECT_TRUE(prompt.asked.empty());
    // Every row was looked up by its bare name.
    auto queries = ServiceQueries();
    EXPECT_NE(std::find(queries.begin(), queries.end(), "svch0st.exe"), queries.end());
}

TEST_F(ProcessPanel, HelpTextsAreExact) {
    Open();
    EXPECT_EQ(form->ControlText(IDC_LABEL2), "Guida:");
    EXPECT_EQ(form->ControlText(IDC_LABEL6), "File solitamente sicuro. Non deve essere rimosso.");
    EXPECT_EQ(form->ControlText(IDC_LABEL7), "File conosciuto come infetto. Verificare e rimuovere subito.");
    EXPECT_EQ(form->ControlText(IDC_LABEL9),
              "File sicuro ma talvolta obiettivo di infezione. Fare doppio click per dettagli.");
    EXPECT_EQ(
        form->ControlText(IDC_LABEL8),
        "File non riconosciuto. Fare doppio click per dettagli e nel dubbio procedere ad una scansione antivirus.");
    EXPECT_EQ(
        form->ControlText(IDC_LABEL5),
        "Vantorile 1.0 consente di verificare i processi attivi nel sistema e le applicazioni che si avviano "
        "automaticamente all'accensione del PC.\r\nAccanto ad ogni processo o voce \xc3\xa8 presente un'icona che "
        "indica il relativo grado di affidabilit\xc3\xa0.");
    EXPECT_EQ(form->ControlText(IDC_LABEL12), "CU\r\nLM\r\nR\r\nRO\r\nRS\r\nRSO\r\nUST\r\nCST");
    EXPECT_EQ(form->ControlText(IDC_LABEL13),
              "Voce presente in HKEY_CURRENT_USER\r\nVoce presente in HKEY_LOCAL_MACHINE\r\n"
              "Voce presente nella chiave Run del registro\r\nVoce presente nella chiave RunOnce del registro\r\n"
              "Voce presente nella chiave RunServices del registro\r\n"
              "Voce presente nella chiave RunServicesOnce del registro\r\n"
              "Voce in Esecuzione automatica dell'utente corrente\r\n"
              "Voce in Esecuzione Automatica per tutti gli utenti");
    // The 32-bit view's line: controls of its own, below the eight codes.
    EXPECT_EQ(form->ControlText(IDC_LABEL15), "32");
    EXPECT_EQ(form->ControlText(IDC_LABEL16), "Voce presente nella vista a 32 bit del registro");
    RECT codes{}, view{};
    ::GetWindowRect(form->Control(IDC_LABEL12), &codes);
    ::GetWindowRect(form->Control(IDC_LABEL15), &view);
    EXPECT_GE(view.top, codes.bottom);
    EXPECT_EQ(form->ControlText(IDC_LABEL14),
              "Dall'unione di CU o LM con le altre chiavi di registro, appare ad esempio CUR");
    EXPECT_EQ(form->ControlText(IDC_COMMAND1), "&Termina && Elimina");
    EXPECT_EQ(form->ControlText(IDC_COMMAND2), "&Inizia scansione");
    EXPECT_EQ(form->ControlText(IDC_CHECK1), "Mostra processi sistema");
    char caption[128] = {};
    ::GetWindowTextA(form->hwnd(), caption, sizeof(caption));
    EXPECT_STREQ(caption, "Vantorile 1.0 - Process and startup analyzer");
}

TEST_F(ProcessPanel, SystemOptionAddsAndRemovesRowsWithoutPath) {
    table.hidden.insert(static_cast<int32_t>(child.id));
    Open();
    EXPECT_EQ(ChildRow(), -1);
    HWND check = form->Control(IDC_CHECK1);
    Click(check);  // rescans at once with the new option
    int row = ChildRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->ListView1().Text(row, 1), "SYSTEM");
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(form->ListView1().Count()));
    Click(check);
    EXPECT_EQ(ChildRow(), -1);
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(form->ListView1().Count()));
}

TEST_F(ProcessPanel, TerminateAsksAndOnlyYesProceeds) {
    Open();
    // No selection: nothing is asked.
    form->ListView1().Select(-1);
    Click(form->Control(IDC_COMMAND1));
    EXPECT_TRUE(prompt.asked.empty());

    for (int answer : {IDNO, IDCANCEL}) {
        SelectChild();
        prompt.answers = {answer};
        Click(form->Control(IDC_COMMAND1));
        EXPECT_TRUE(ProcessAlive(child.process.get()));
    }
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler terminare il processo svch0st.exe?");
    EXPECT_EQ(prompt.asked[0].title, "Termina processo");
    EXPECT_EQ(prompt.asked[0].style, 307u);
}

TEST_F(ProcessPanel, YesThenNoEndsTheProcessAndRescansWithoutDeleting) {
    Open();
    SelectChild();
    prompt.answers = {IDYES, IDNO};
    Click(form->Control(IDC_COMMAND1));
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, "Vuoi anche eliminarlo dal PC?");
    EXPECT_EQ(prompt.asked[1].title, "Elimina file");
    EXPECT_EQ(prompt.asked[1].style, 307u);
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    EXPECT_EQ(ChildRow(), -1);
    EXPECT_TRUE(FileExists(dir / "svch0st.exe"));
}

// What the cells show is only a picture of the row's record: with every cell of the row
// overwritten behind the window's back, the details and "Termina & Elimina" still take the
// process, its folder and its ID from the record.
TEST_F(ProcessPanel, ActionsTakeTheRowsRecordNotItsCells) {
    Open();
    const int row = ChildRow();
    ASSERT_GE(row, 0);
    ListView& list = form->ListView1();
    list.SetText(row, 0, "altro.exe");
    list.SetText(row, 1, dir.path() + "\\altrove\\");
    list.SetText(row, 2, "1");
    list.Select(row);

    NMHDR hdr{list.hwnd(), static_cast<UINT_PTR>(::GetDlgCtrlID(list.hwnd())), static_cast<UINT>(NM_DBLCLK)};
    ::SendMessageA(form->hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
    ASSERT_NE(form->Details(), nullptr);
    EXPECT_EQ(form->Details()->InfoText(8), "svch0st.exe");
    form->Details()->Unload();

    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND1));
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked[0].text, "Sei sicuro di voler terminare il processo svch0st.exe?");
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    EXPECT_FALSE(FileExists(dir / "svch0st.exe"));
}

TEST_F(ProcessPanel, YesThenYesDeletesTheFile) {
    Open();
    SelectChild();
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND1));
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
    EXPECT_FALSE(FileExists(dir / "svch0st.exe"));
    EXPECT_EQ(ChildRow(), -1);
}

TEST_F(ProcessPanel, AHeldFileIsOfferedForTheNextRestartAndAFailedDeleteIsReported) {
    Open();
    // Holding the file open without delete sharing keeps it from going now.
    UniqueFileHandle hold(::CreateFileA((dir / "svch0st.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    SelectChild();
    prompt.answers = {IDYES, IDYES, IDNO};
    Click(form->Control(IDC_COMMAND1));
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2].text, "Il file " + (dir / "svch0st.exe") +
                                        " \xc3\xa8 in uso e non pu\xc3\xb2 essere eliminato ora. Vuoi eliminarlo al "
                                        "prossimo riavvio del PC?");
    EXPECT_EQ(prompt.asked[2].style, 307u);
    EXPECT_TRUE(FileExists(dir / "svch0st.exe"));
    EXPECT_EQ(ChildRow(), -1);  // rescanned all the same
    hold.reset();

    // A file that is gone by the time it is deleted: the failure is reported.
    ChildProcess other;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_moved.exe", other));
    ASSERT_TRUE(::MoveFileA((dir / "vt_moved.exe").c_str(), (dir / "vt_moved.bak").c_str()));
    Click(form->Control(IDC_COMMAND2));
    int row = -1;
    for (int i = 0; i < form->ListView1().Count(); ++i)
        if (form->ListView1().Text(i, 2) == std::to_string(other.id)) row = i;
    ASSERT_GE(row, 0);
    form->ListView1().Select(row);
    prompt.asked.clear();
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND1));
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[2].title, "Vantorile");
    EXPECT_EQ(prompt.asked[2].style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_NE(prompt.asked[2].text.find(dir / "vt_moved.exe"), std::string::npos);
}

TEST_F(ProcessPanel, SystemRowNeverOffersToDeleteAFile) {
    table.hidden.insert(static_cast<int32_t>(child.id));
    Open();
    Click(form->Control(IDC_CHECK1));
    SelectChild();
    prompt.answers = {IDYES, IDYES};
    Click(form->Control(IDC_COMMAND1));
    ASSERT_EQ(prompt.asked.size(), 1u);  // ended, but no file question
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 3000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

// Points the lookups at a port where nothing listens for the length of a test.
class UnreachableService {
public:
    UnreachableService() : saved_(GetEnv("VANTORILE_REPUTATION_URL")) {
        std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort());
        ::SetEnvironmentVariableA("VANTORILE_REPUTATION_URL", url.c_str());
    }
    ~UnreachableService() { ::SetEnvironmentVariableA("VANTORILE_REPUTATION_URL", saved_.c_str()); }
    UnreachableService(const UnreachableService&) = delete;
    UnreachableService& operator=(const UnreachableService&) = delete;

private:
    std::string saved_;
};

TEST(ProcessPanelOffline, WarnsOncePerScanAndListsRowsWithoutIcon) {
    UnreachableService offline;
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    [[maybe_unused]] ScriptedPrompt& prompt = open.prompt;
    ListView& list = form.ListView1();
    ASSERT_GT(list.Count(), 1);
    ASSERT_TRUE(WaitForGrades(form));
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(RowImage(list, i), 0) << list.Text(i, 0);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].title, "Errore");
    EXPECT_EQ(prompt.asked[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));

    // The option box rescans without clearing the flag: no new warning.
    Click(form.Control(IDC_CHECK1));
    ASSERT_TRUE(WaitForGrades(form));
    EXPECT_EQ(prompt.asked.size(), 1u);
    // The scan button clears it: the warning comes again, once.
    Click(form.Control(IDC_COMMAND2));
    ASSERT_TRUE(WaitForGrades(form));
    EXPECT_EQ(prompt.asked.size(), 2u);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST(DetailsFromTheLists, ADoubleClickOpensOneDialogForTheSelectedRow) {
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    [[maybe_unused]] ScriptedPrompt& prompt = open.prompt;
    auto doubleClick = [&](ListView& list) {
        NMHDR hdr{list.hwnd(), static_cast<UINT_PTR>(::GetDlgCtrlID(list.hwnd())), static_cast<UINT>(NM_DBLCLK)};
        ::SendMessageA(form.hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
    };
    form.ListView1().Select(-1);
    doubleClick(form.ListView1());
    EXPECT_EQ(form.Details(), nullptr);  // no row, no dialog

    int row = FindRow(form.ListView1(), "vantorile.exe");
    if (row < 0) row = FindRow(form.ListView1(), "mainwindow_tests.exe");
    ASSERT_GE(row, 0);
    form.ListView1().Select(row);
    doubleClick(form.ListView1());
    ASSERT_NE(form.Details(), nullptr);
    EXPECT_EQ(DetailsSource, "1");
    EXPECT_EQ(form.Details()->InfoText(8), form.ListView1().Text(row, 0));
    doubleClick(form.ListView1());
    int dialogs = 0;
    ::EnumWindows(
        [](HWND h, LPARAM n) -> BOOL {
            char caption[32] = {};
            ::GetWindowTextA(h, caption, sizeof(caption));
            if (std::string(caption) == "Dettagli" && ::IsWindowVisible(h)) ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    EXPECT_EQ(dialogs, 1);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST(MainWindowLayout, FollowsADpiChange) {
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    [[maybe_unused]] ScriptedPrompt& prompt = open.prompt;
    auto width = [](HWND h) {
        RECT r;
        ::GetWindowRect(h, &r);
        return r.right - r.left;
    };
    const int dpi = form.Dpi();
    EXPECT_EQ(width(form.ListView1().hwnd()), TwipsToPixels(6855, dpi));
    RECT client;
    ::GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(7080, dpi));

    const int bigger = dpi * 3 / 2;
    RECT suggested;
    ::GetWindowRect(form.hwnd(), &suggested);
    suggested.right = suggested.left + (suggested.right - suggested.left) * 3 / 2;
    suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 3 / 2;
    ::SendMessageA(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(bigger, bigger), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(form.Dpi(), bigger);
    EXPECT_EQ(width(form.ListView1().hwnd()), TwipsToPixels(6855, bigger));
    EXPECT_EQ(width(form.Control(IDC_COMMAND2)), TwipsToPixels(6810, bigger));
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST(ProcessListMouse, AnyButtonSelectsTheRowUnderThePointerOrNone) {
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    ListView& list = open.form->ListView1();
    ASSERT_GE(list.Count(), 2);
    RECT row0{};
    ListView_GetItemRect(list.hwnd(), 0, &row0, LVIR_LABEL);
    RECT client;
    ::GetClientRect(list.hwnd(), &client);
    struct Case {
        UINT down, up;
        POINT at;
        int selected;
    } cases[] = {
        {WM_LBUTTONDOWN, WM_LBUTTONUP, {row0.left + 5, (row0.top + row0.bottom) / 2}, 0},
        {WM_RBUTTONDOWN, WM_RBUTTONUP, {client.right / 2, client.bottom - 30}, -1},
        {WM_RBUTTONDOWN, WM_RBUTTONUP, {row0.left + 5, (row0.top + row0.bottom) / 2}, 0},
        {WM_LBUTTONDOWN, WM_LBUTTONUP, {client.right / 2, client.bottom - 30}, -1},
    };
    for (const Case& c : cases) {
        list.Select(1);
        ::PostMessageA(list.hwnd(), c.down, 0, MAKELPARAM(c.at.x, c.at.y));
        ::PostMessageA(list.hwnd(), c.up, 0, MAKELPARAM(c.at.x, c.at.y));
        PumpUntil([] { return false; }, 100);
        EXPECT_EQ(list.SelectedRow(), c.selected) << c.down;
    }
    // With no row selected the terminate button asks nothing.
    list.Select(-1);
    Click(open.form->Control(IDC_COMMAND1));
    EXPECT_TRUE(open.prompt.asked.empty());
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST(MainWindowLayout, BothListsShowTheNewIconsAfterADpiChange) {
    OpenForm open;
    ASSERT_TRUE(open.loaded);
    Form1& form = *open.form;
    const int bigger = form.Dpi() * 3 / 2;
    RECT suggested;
    ::GetWindowRect(form.hwnd(), &suggested);
    ::SendMessageA(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(bigger, bigger), reinterpret_cast<LPARAM>(&suggested));
    HIMAGELIST processes = ListView_GetImageList(form.ListView1().hwnd(), LVSIL_SMALL);
    HIMAGELIST startup = ListView_GetImageList(form.ListView2().hwnd(), LVSIL_SMALL);
    EXPECT_EQ(startup, processes);
    for (HIMAGELIST list : {processes, startup}) {
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
        EXPECT_EQ(cx, MulDiv(16, bigger, 96));
        EXPECT_EQ(ImageList_GetImageCount(list), 5);
    }
}

}  // namespace
}  // namespace vt::test
