#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/Handles.h"
#include "scanners/cScanProcesses.h"
#include "support/TestSupport.h"

namespace {

using vt::test::ChildProcess;
using vt::test::StartSleeper;
using vt::test::TempDir;

struct Seen {
    std::string file, path;
    int32_t id;
    int32_t currentId;
    std::string currentPath;
    int16_t total;
    bool scanning;
};

struct Done {
    int16_t total;
    bool scanning;
    int32_t currentId;
    std::string currentPath;
};

// Records every event together with what the scanner said about itself at that moment.
class Recorder : public vt::IScanProcessesEvents {
public:
    vt::cScanProcesses scanner{this};
    std::vector<Seen> seen;
    std::vector<Done> done;
    std::function<void(const Seen&, bool& terminate)> onProcess;

    void CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool& Terminate) override {
        EXPECT_FALSE(Terminate);
        seen.push_back({File, Path, Id, scanner.CurrentProcessID(), scanner.CurrentProcessPath(),
                        scanner.TotalProcesses(), scanner.Scanning()});
        if (onProcess) onProcess(seen.back(), Terminate);
    }
    void DoneScanning(int16_t TotalProcesses) override {
        done.push_back({TotalProcesses, scanner.Scanning(), scanner.CurrentProcessID(), scanner.CurrentProcessPath()});
    }
    const Seen* Find(int32_t id) const {
        for (const auto& s : seen)
            if (s.id == id) return &s;
        return nullptr;
    }
    void Scan() {
        seen.clear();
        done.clear();
        scanner.BeginScanning();
    }
};

// A scripted process table: each entry's module lookup gives a fixed answer.
class FakeTable : public vt::IProcessTable {
public:
    struct Row {
        std::string exe;
        int32_t id;
        std::optional<std::string> module;  // nullopt: cannot be opened or listed
    };
    std::vector<Row> rows;
    size_t generated = 0;  // when set, rows are made up on the fly: id 4, 8, 12 ...
    bool noSnapshot = false;
    int lookups = 0;

    class Walk : public vt::IProcessWalk {
    public:
        explicit Walk(FakeTable& t) : t_(t) {}
        bool Next(vt::ProcessEntry& e) override {
            if (t_.generated) {
                if (i_ >= t_.generated) return false;
                e.exeFile = "p.exe";
                e.id = static_cast<int32_t>(4 * ++i_);
                return true;
            }
            if (i_ >= t_.rows.size()) return false;
            e.exeFile = t_.rows[i_].exe;
            e.id = t_.rows[i_].id;
            ++i_;
            return true;
        }

    private:
        FakeTable& t_;
        size_t i_ = 0;
    };

    std::unique_ptr<vt::IProcessWalk> Snapshot() override {
        if (noSnapshot) return nullptr;
        return std::make_unique<Walk>(*this);
    }
    std::optional<std::string> MainModuleFileName(int32_t id) override {
        ++lookups;
        if (generated) return "C:\\p\\p.exe";
        for (const auto& r : rows)
            if (r.id == id) return r.module;
        return std::nullopt;
    }
    std::string WindowsFolder() override { return "C:\\Win"; }
};

TEST(ProcessScanner, ReportsAChildWithItsNameFolderAndIdAndCountsAgree) {
    TempDir dir;
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_scan_child.exe", child));
    Recorder r;
    EXPECT_EQ(r.scanner.CurrentProcessID(), -1);
    EXPECT_EQ(r.scanner.CurrentProcessPath(), "");
    r.Scan();

    const Seen* c = r.Find(static_cast<int32_t>(child.id));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->file, "vt_scan_child.exe");
    EXPECT_EQ(c->path, dir.path() + "\\");
    EXPECT_EQ(c->currentId, c->id);
    EXPECT_EQ(c->currentPath, dir.path() + "\\vt_scan_child.exe");
    EXPECT_TRUE(c->scanning);
    for (size_t i = 0; i < r.seen.size(); ++i) EXPECT_EQ(r.seen[i].total, static_cast<int16_t>(i + 1));

    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, static_cast<int16_t>(r.seen.size()));
    EXPECT_FALSE(r.done[0].scanning);
    EXPECT_EQ(r.done[0].currentId, -1);
    EXPECT_EQ(r.done[0].currentPath, "");
    EXPECT_EQ(r.scanner.TotalProcesses(), static_cast<int16_t>(r.seen.size()));
    EXPECT_FALSE(r.scanner.Scanning());
    // Our own process is there too, with a real folder.
    const Seen* self = r.Find(static_cast<int32_t>(::GetCurrentProcessId()));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->path.back(), '\\');
}

TEST(ProcessScanner, SystemProcessRuleAndPathRewriting) {
    FakeTable table;
    table.rows = {
        {"b.exe", 20, "C:\\b\\b.exe"},
        {"[System Process]", 0, std::nullopt},  // cannot be opened
        {"empty.exe", 8, ""},                   // modules listed, name empty
        {"a.exe", 12, "\\??\\C:\\Tools\\a.exe"},
        {"smss.exe", 16, "\\SystemRoot\\System32\\smss.exe"},
        {"lower.exe", 24, "\\systemroot\\x\\lower.exe"},
        {"bare", 28, "bare"},  // no backslash: no folder
    };
    Recorder r;
    r.scanner.SetProcessTable(&table);

    r.Scan();
    std::map<std::string, std::string> paths;
    for (const auto& s : r.seen) paths[s.file] = s.path;
    EXPECT_EQ(paths, (std::map<std::string, std::string>{{"b.exe", "C:\\b\\"},
                                                         {"a.exe", "C:\\Tools\\"},
                                                         {"smss.exe", "C:\\Win\\System32\\"},
                                                         {"lower.exe", "\\systemroot\\x\\"}}));
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 4);
    ASSERT_NE(r.Find(12), nullptr);
    EXPECT_EQ(r.Find(12)->currentPath, "C:\\Tools\\a.exe");

    r.scanner.SystemProcesses(true);
    r.Scan();
    ASSERT_EQ(r.seen.size(), table.rows.size());
    for (size_t i = 0; i < r.seen.size(); ++i) EXPECT_EQ(r.seen[i].id, table.rows[i].id);  // snapshot order
    EXPECT_EQ(r.Find(0)->path, "SYSTEM");
    EXPECT_EQ(r.Find(8)->path, "SYSTEM");
    EXPECT_EQ(r.Find(28)->path, "SYSTEM");
    // An unreadable process leaves the earlier path in place; an empty name clears it.
    EXPECT_EQ(r.Find(0)->currentPath, "C:\\b\\b.exe");
    EXPECT_EQ(r.Find(8)->currentPath, "");
    EXPECT_EQ(r.Find(28)->currentPath, "bare");
    EXPECT_EQ(r.done[0].total, 7);
    EXPECT_EQ(r.scanner.TotalProcesses(), 7);
}

TEST(ProcessScanner, SystemRootJoinedByPrefixRemovalStillGetsTheWindowsFolder) {
    FakeTable table;
    table.rows = {{"odd.exe", 4, "\\System\\??\\Root\\odd.exe"}};
    Recorder r;
    r.scanner.SetProcessTable(&table);
    r.Scan();
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(r.seen[0].path, "C:\\Win\\");
    EXPECT_EQ(r.seen[0].currentPath, "C:\\Win\\odd.exe");
}

TEST(ProcessScanner, NoSnapshotStillEndsWithOneDoneEvent) {
    FakeTable table;
    table.noSnapshot = true;
    Recorder r;
    r.scanner.SetProcessTable(&table);
    r.Scan();
    EXPECT_TRUE(r.seen.empty());
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 0);

    // Without a sink the scan just runs.
    vt::cScanProcesses silent(nullptr);
    silent.SetProcessTable(&table);
    table.noSnapshot = false;
    table.rows = {{"a.exe", 4, "C:\\a.exe"}};
    silent.BeginScanning();
    EXPECT_EQ(silent.TotalProcesses(), 1);
}

TEST(ProcessScanner, CancellationInHandlerInYieldAndWhileIdle) {
    FakeTable table;
    for (int i = 1; i <= 6; ++i) table.rows.push_back({"p" + std::to_string(i) + ".exe", 4 * i, "C:\\p\\x.exe"});
    Recorder r;
    r.scanner.SetProcessTable(&table);

    // Inside a handler: nothing more is reported.
    r.onProcess = [&](const Seen& s, bool&) {
        if (s.total == 2) r.scanner.CancelScanning();
    };
    r.Scan();
    EXPECT_EQ(r.seen.size(), 2u);
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 2);

    // While idle: the next scan clears the flag and runs to the end.
    r.onProcess = nullptr;
    r.scanner.CancelScanning();
    r.Scan();
    EXPECT_EQ(r.seen.size(), 6u);

    // Arriving in the yield before a lookup: that process is neither looked up nor reported.
    struct CancelWindow {
        static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
            if (m == WM_APP) reinterpret_cast<vt::cScanProcesses*>(l)->CancelScanning();
            return ::DefWindowProcA(h, m, w, l);
        }
    };
    WNDCLASSA wc{};
    wc.lpfnWndProc = CancelWindow::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VtProcScanCancel";
    ::RegisterClassA(&wc);
    HWND wnd = ::CreateWindowA("VtProcScanCancel", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    r.onProcess = [&](const Seen& s, bool&) {
        if (s.total != 3) return;
        ::PostMessageA(wnd, WM_APP, 0, reinterpret_cast<LPARAM>(&r.scanner));
        // Past the yield's interval: the next yield looks at the queue.
        ::Sleep(10);
    };
    table.lookups = 0;
    r.Scan();
    ::DestroyWindow(wnd);
    EXPECT_EQ(r.seen.size(), 3u);
    EXPECT_EQ(table.lookups, 3);
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 3);
}

TEST(ProcessScanner, StopsAtTheCountCeiling) {
    FakeTable table;
    table.generated = 40000;
    Recorder r;
    r.scanner.SetProcessTable(&table);
    size_t events = 0;
    r.onProcess = [&](const Seen&, bool&) { ++events; };
    r.scanner.BeginScanning();
    EXPECT_EQ(events, 32767u);
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 32767);
    EXPECT_EQ(r.scanner.TotalProcesses(), 32767);
    EXPECT_EQ(table.lookups, 32768);  // the walk ended at the one it could not count
}

TEST(ProcessScanner, TerminateFlagEndsTheChildAndTheWalkGoesOn) {
    TempDir dir;
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_term_child.exe", child));
    Recorder r;
    r.onProcess = [&](const Seen& s, bool& terminate) {
        if (s.id == static_cast<int32_t>(child.id)) terminate = true;
    };
    r.Scan();
    ASSERT_NE(r.Find(static_cast<int32_t>(child.id)), nullptr);
    EXPECT_EQ(::WaitForSingleObject(child.process.get(), 5000), WAIT_OBJECT_0);
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, static_cast<int16_t>(r.seen.size()));
    // Our own process comes after the children we started only by chance, so just check
    // that the walk still saw ourselves.
    EXPECT_NE(r.Find(static_cast<int32_t>(::GetCurrentProcessId())), nullptr);
}

TEST(ProcessScanner, TerminateProcessWithoutArgumentInsideAndAfterAScan) {
    TempDir dir;
    ChildProcess a, b;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_term_a.exe", a));
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_term_b.exe", b));
    Recorder r;
    bool endedA = false, endedB = false;
    int32_t writtenBack = 0;
    r.onProcess = [&](const Seen& s, bool&) {
        if (s.id == static_cast<int32_t>(a.id)) endedA = r.scanner.TerminateProcess();
        if (s.id == static_cast<int32_t>(b.id)) {
            writtenBack = -1;
            endedB = r.scanner.TerminateProcess(writtenBack);
        }
    };
    r.Scan();
    EXPECT_TRUE(endedA);
    EXPECT_TRUE(endedB);
    EXPECT_EQ(writtenBack, static_cast<int32_t>(b.id));
    EXPECT_EQ(::WaitForSingleObject(a.process.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(b.process.get(), 5000), WAIT_OBJECT_0);

    // After the scan there is no current process.
    EXPECT_FALSE(r.scanner.TerminateProcess());
    int32_t id = -1;
    EXPECT_FALSE(r.scanner.TerminateProcess(id));
    EXPECT_EQ(id, -1);
    // An ID that no process has.
    int32_t missing = 0x3FFFFFFC;
    EXPECT_FALSE(r.scanner.TerminateProcess(missing));
}

TEST(ProcessScanner, ProcessThatExitsDuringTheWalkCountsAsSystem) {
    for (bool includeSystem : {false, true}) {
        TempDir dir;
        ChildProcess child;
        ASSERT_TRUE(StartSleeper(dir.path(), "vt_gone_child.exe", child));
        DWORD goneId = child.id;
        Recorder r;
        r.scanner.SystemProcesses(includeSystem);
        r.onProcess = [&](const Seen&, bool&) { child.Kill(); };  // gone before its turn
        r.Scan();
        if (!r.seen.empty() && r.seen.front().id == static_cast<int32_t>(goneId)) GTEST_SKIP() << "child listed first";
        const Seen* gone = r.Find(static_cast<int32_t>(goneId));
        if (includeSystem) {
            ASSERT_NE(gone, nullptr);
            EXPECT_EQ(gone->path, "SYSTEM");
        } else {
            EXPECT_EQ(gone, nullptr);
        }
        EXPECT_EQ(r.done[0].total, static_cast<int16_t>(r.seen.size()));
    }
}

TEST(ProcessScanner, ScansLeaveNoHandlesBehind) {
    TempDir dir;
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "vt_leak_child.exe", child));
    Recorder r;
    r.Scan();  // first use may load libraries and open lasting handles
    DWORD before = 0, after = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
    for (int i = 0; i < 5; ++i) r.Scan();
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
}

}  // namespace

namespace {

TEST(ProcessScanner, AThrowingHandlerLeavesTheScannerIdleAndTheNextScanWhole) {
    FakeTable table;
    for (int i = 1; i <= 4; ++i) table.rows.push_back({"p" + std::to_string(i) + ".exe", 4 * i, "C:\\p\\x.exe"});
    Recorder r;
    r.scanner.SetProcessTable(&table);
    // The handler asks for a stop and then fails: neither may outlive the scan.
    r.onProcess = [&](const Seen& s, bool&) {
        if (s.total == 2) {
            r.scanner.CancelScanning();
            throw std::runtime_error("handler failed");
        }
    };
    EXPECT_THROW(r.Scan(), std::runtime_error);
    EXPECT_FALSE(r.scanner.Scanning());
    EXPECT_EQ(r.scanner.CurrentProcessID(), -1);
    EXPECT_EQ(r.scanner.CurrentProcessPath(), "");
    EXPECT_TRUE(r.done.empty());

    r.onProcess = nullptr;
    r.Scan();
    EXPECT_EQ(r.seen.size(), 4u);
    ASSERT_EQ(r.done.size(), 1u);
    EXPECT_EQ(r.done[0].total, 4);
}

}  // namespace
