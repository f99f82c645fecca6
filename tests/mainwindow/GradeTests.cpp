// The rows' grades with a service that takes its time: the list is there at scan speed,
// the window keeps answering, and each answer lands on the rows of its name, never on a
// list that has been cleared since.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/Wildcard.h"
#include "mainwindow/MainWindowSupport.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"

namespace vt::test {
namespace {

// A process table of chosen names, in order, each under C:\vt\.
class NamedTable : public IProcessTable {
public:
    std::vector<std::string> names;
    std::unique_ptr<IProcessWalk> Snapshot() override {
        struct Walk : IProcessWalk {
            std::vector<std::string> names;
            size_t next = 0;
            bool Next(ProcessEntry& e) override {
                if (next >= names.size()) return false;
                e.exeFile = names[next];
                e.id = static_cast<int32_t>(5000 + next++);
                return true;
            }
        };
        auto w = std::make_unique<Walk>();
        w->names = names;
        return w;
    }
    std::optional<std::string> MainModuleFileName(int32_t id) override {
        size_t i = static_cast<size_t>(id - 5000);
        if (i >= names.size()) return std::nullopt;
        return "C:\\vt\\" + names[i];
    }
    std::string WindowsFolder() override { return "C:\\windows"; }
};

// The names and the grades the reference service gives them; doubles in other letter case.
const std::vector<std::pair<std::string, int>> kRows = {
    {"services.exe", 1},         {"svch0st.exe", 2}, {"userinit.exe", 3}, {"SERVICES.EXE", 1},
    {"vt_grade_unknown.exe", 4}, {"svch0st.exe", 2}, {"Services.exe", 1},
};

class SlowGrades : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& r : kRows) table.names.push_back(r.first);
        LookupErrorShown = false;
        // Every answer takes two seconds.
        ASSERT_TRUE(SetServiceMode("slow:2"));
        Form1::Seams seams;
        seams.prompt = &prompt;
        seams.processTable = &table;
        form = std::make_unique<Form1>(seams);
        ASSERT_TRUE(form->Load());
    }
    void TearDown() override {
        form.reset();
        SetServiceMode("normal");
    }
    std::vector<int> Images() {
        std::vector<int> v;
        for (int i = 0; i < form->ListView1().Count(); ++i) v.push_back(RowImage(form->ListView1(), i));
        return v;
    }
    std::vector<int> Expected() {
        std::vector<int> v;
        for (const auto& r : kRows) v.push_back(r.second);
        return v;
    }
    std::vector<int> None() { return std::vector<int>(kRows.size(), 0); }

    NamedTable table;
    ScriptedPrompt prompt;
    std::unique_ptr<Form1> form;
};

TEST_F(SlowGrades, RowsFirstClicksAtOnceGradesLaterOnTheRightRows) {
    // The scan has listed every row, counted them and selected the last, with no answer in.
    ListView& list = form->ListView1();
    ASSERT_EQ(list.Count(), static_cast<int>(kRows.size()));
    for (size_t i = 0; i < kRows.size(); ++i) EXPECT_EQ(list.Text(static_cast<int>(i), 0), kRows[i].first);
    EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(kRows.size()));
    EXPECT_EQ(list.SelectedRow(), list.Count() - 1);
    EXPECT_EQ(Images(), None());
    EXPECT_TRUE(form->GradesPending());

    // A toolbar click made while the lookups wait is handled at once: the help panel is up
    // before the first answer. Leaving the list drops the answers due for it.
    ClickToolbar(*form, 2);
    ASSERT_TRUE(PumpUntil([&] { return Visible(*form, IDC_FRAME5); }, 1000));
    EXPECT_EQ(Images(), None());
    EXPECT_FALSE(form->GradesPending());
    PumpUntil([] { return false; }, 2500);  // past the time the answers came
    EXPECT_EQ(Images(), None());

    // Back to the processes: a new scan, each distinct name asked once, every row graded,
    // doubles in other letter case too.
    const size_t mark = ServiceQueries().size();
    ClickToolbar(*form, 0);
    ASSERT_TRUE(PumpUntil([&] { return Visible(*form, IDC_FRAME1) && !form->Scanning(); }, 1000));
    EXPECT_EQ(list.Count(), static_cast<int>(kRows.size()));
    ASSERT_TRUE(WaitForGrades(*form, 15000));
    EXPECT_EQ(Images(), Expected());
    auto queries = ServiceQueries();
    std::vector<std::string> asked;
    for (size_t i = mark; i < queries.size(); ++i) asked.push_back(LowerAscii(queries[i]));
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"services.exe", "svch0st.exe", "userinit.exe", "vt_grade_unknown.exe"}));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(SlowGrades, AnswersForAClearedListNeverReachTheNewOne) {
    // The answers of this list are due in two seconds; the new scan's are error pages,
    // which give no grade. A stale answer applied to the new rows would show an icon.
    ASSERT_TRUE(SetServiceMode("500"));
    Click(form->Control(IDC_COMMAND2));
    EXPECT_EQ(form->ListView1().Count(), static_cast<int>(kRows.size()));
    ASSERT_TRUE(WaitForGrades(*form, 15000));
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(Images(), None());
}

TEST_F(SlowGrades, ClosingWithLookupsOnASilentServiceEndsAtOnce) {
    ASSERT_TRUE(SetServiceMode("silent"));
    Click(form->Control(IDC_COMMAND2));  // every request of this scan waits forever
    ASSERT_TRUE(form->GradesPending());
    Watchdog dog(5000, "closing the window with lookups outstanding");
    ::PostMessageA(form->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->hwnd() == nullptr; }, 2000));
    form.reset();
    EXPECT_TRUE(prompt.asked.empty());
}

// The startup list with the same slow service: entries naming one program in other
// letter case or folders share one question and its answer.
const struct {
    const char* name;
    const char* command;
    int grade;
} kStartupRows[] = {
    {"vtg safe", "C:\\vt\\Services.exe", 1},
    {"vtg infected", "svch0st.exe /q", 2},
    {"vtg again", "\"C:\\altro\\SVCH0ST.EXE\" -x", 2},
    {"vtg target", "userinit.exe", 3},
};

class SlowStartupGrades : public StartupWindowTest<> {
protected:
    void SetUp() override {
        StartupWindowTest::SetUp();
        for (const auto& r : kStartupRows)
            planted.push_back(std::make_unique<PlantedValue>(HKEY_CURRENT_USER, kKeyRun, r.name, r.command));
        ASSERT_TRUE(SetServiceMode("slow:2"));
    }
    // The planted rows' icons, in the table's order; -1 for a row not listed.
    std::vector<int> Images() {
        std::vector<int> v;
        for (const auto& r : kStartupRows) {
            const int row = FindRow(form->ListView2(), r.name);
            v.push_back(row < 0 ? -1 : RowImage(form->ListView2(), row));
        }
        return v;
    }
    std::vector<std::unique_ptr<PlantedValue>> planted;
};

TEST_F(SlowStartupGrades, RowsAtScanSpeedGradesLaterNeverOnANewList) {
    const size_t mark = ServiceQueries().size();
    form->Command4_Click();
    ASSERT_FALSE(form->StartupScanning());
    // Listed and the last row selected before any answer is in.
    ListView& list = form->ListView2();
    EXPECT_EQ(Images(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(list.SelectedRow(), list.Count() - 1);
    EXPECT_TRUE(form->GradesPending());
    ASSERT_TRUE(WaitForGrades(*form, 15000));
    std::vector<int> expected;
    for (const auto& r : kStartupRows) expected.push_back(r.grade);
    EXPECT_EQ(Images(), expected);
    auto queries = ServiceQueries();
    EXPECT_EQ(std::count_if(queries.begin() + static_cast<std::ptrdiff_t>(mark), queries.end(),
                            [](const std::string& q) { return LowerAscii(q) == "svch0st.exe"; }),
              1);

    // A scan whose questions the service holds, then a new one answered by error pages
    // (no grade): the held answers, arriving later, belong to a list that is gone.
    const size_t held = ServiceQueries().size();
    form->Command4_Click();
    ASSERT_TRUE(PumpUntil([&] { return ServiceQueries().size() >= held + 3; }, 5000));
    ASSERT_TRUE(SetServiceMode("500"));
    form->Command4_Click();
    ASSERT_FALSE(form->StartupScanning());
    ASSERT_TRUE(WaitForGrades(*form, 15000));
    PumpUntil([] { return false; }, 2500);  // past the time the held answers came
    EXPECT_EQ(Images(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(SlowStartupGrades, ClosingWithLookupsOnASilentServiceEndsAtOnce) {
    ASSERT_TRUE(SetServiceMode("silent"));
    form->Command4_Click();
    ASSERT_TRUE(form->GradesPending());
    Watchdog dog(5000, "closing the window with startup lookups outstanding");
    ::PostMessageA(form->hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return form->hwnd() == nullptr; }, 2000));
    form.reset();
    EXPECT_TRUE(prompt.asked.empty());
}

// The program itself, closed while its lookups hang on a silent service: it ends.
TEST(ProgramExit, ClosingMidLookupEndsTheProgram) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe = self;
    for (int up = 0; up < 3; ++up) exe = exe.substr(0, exe.find_last_of('\\'));  // tests\bin\x.exe -> build dir
    exe += "\\vantorile.exe";
    ASSERT_TRUE(FileExists(exe)) << exe;
    ASSERT_TRUE(SetServiceMode("silent"));
    struct Normal {
        ~Normal() { SetServiceMode("normal"); }
    } normal;

    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + exe + "\"";
    ASSERT_TRUE(::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    struct Reaper {
        HANDLE p;
        ~Reaper() {
            if (::WaitForSingleObject(p, 0) == WAIT_TIMEOUT) ::TerminateProcess(p, 9);
        }
    } reaper{pi.hProcess};

    // Its window, once the first scan has listed rows (their lookups now hang).
    struct Search {
        DWORD pid = 0;
        HWND found = nullptr;
    } search{pi.dwProcessId};
    ASSERT_TRUE(PumpUntil(
        [&] {
            search.found = nullptr;
            ::EnumWindows(
                [](HWND h, LPARAM p) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(p);
                    DWORD pid = 0;
                    ::GetWindowThreadProcessId(h, &pid);
                    char cls[64] = {};
                    ::GetClassNameA(h, cls, sizeof(cls));
                    if (pid != s->pid || std::string(cls) != "VantorileForm1") return TRUE;
                    s->found = h;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.found) return false;
            HWND list = ::GetDlgItem(::GetDlgItem(search.found, IDC_FRAME1), IDC_LISTVIEW1);
            return list && ListView_GetItemCount(list) > 0;
        },
        20000));
    HWND window = search.found;

    const ULONGLONG start = ::GetTickCount64();
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0) << "the program did not end";
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    std::printf("program ended %llu ms after WM_CLOSE\n", ::GetTickCount64() - start);
}

}  // namespace
}  // namespace vt::test
