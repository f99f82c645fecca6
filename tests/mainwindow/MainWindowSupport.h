// Drives the real main window in-process: creates it with a scripted prompt, and reads
// its lists and controls.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mainwindow/Form1.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/SpecialFolder.h"
#include "reputation/Module1.h"
#include "scanners/cScanProcesses.h"
#include "support/TestSupport.h"
#include "toolbar/pure/ToolBarMath.h"

namespace vt::test {

// The live process table, except that chosen processes have no readable path (as system
// processes of other users have on Windows).
class PartlyHiddenTable : public IProcessTable {
public:
    std::set<int32_t> hidden;
    std::unique_ptr<IProcessWalk> Snapshot() override { return live_.Snapshot(); }
    std::optional<std::string> MainModuleFileName(int32_t id) override {
        if (hidden.count(id)) return std::nullopt;
        return live_.MainModuleFileName(id);
    }
    std::string WindowsFolder() override { return live_.WindowsFolder(); }

private:
    SystemProcessTable live_;
};

// A clock whose waits return at once; it adds up what it was asked to wait.
class NoWaitClock : public IClock {
public:
    void Sleep(DWORD ms) override { slept += ms; }
    ULONGLONG NowMs() override { return ::GetTickCount64(); }
    DWORD slept = 0;
};

// A file in a startup folder (the folder is made when missing) for the length of a test.
class StartupFile {
public:
    StartupFile(int folderId, const std::string& name, const std::string& bytes = "x") {
        folder_ = SpecialFolder(folderId);
        ::SHCreateDirectoryExA(nullptr, folder_.c_str(), nullptr);
        path_ = folder_ + "\\" + name;
        std::string parent = path_.substr(0, path_.find_last_of('\\'));
        if (parent != folder_) ::CreateDirectoryA(parent.c_str(), nullptr);
        WriteFile(path_, bytes);
    }
    ~StartupFile() {
        ::DeleteFileA(path_.c_str());
        std::string parent = path_.substr(0, path_.find_last_of('\\'));
        if (parent != folder_) ::RemoveDirectoryA(parent.c_str());
    }
    StartupFile(const StartupFile&) = delete;
    StartupFile& operator=(const StartupFile&) = delete;
    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_, path_;
};

// Grades arrive after the rows, as the service answers: pumps until none is due.
inline bool WaitForGrades(Form1& form, DWORD timeoutMs = 10000) {
    return PumpUntil([&] { return !form.GradesPending(); }, timeoutMs);
}

// The real main window for tests of the startup list and its removals: loaded with
// scripted answers and a clock that never waits, the removals' backups kept in the
// test's own folder.
template <class Prompt = ScriptedPrompt>
class StartupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetServiceMode("normal"));
        LookupErrorShown = false;
        form = std::make_unique<Form1>(WindowSeams());
        ASSERT_TRUE(form->Load());
    }
    void TearDown() override {
        form.reset();
        SetServiceMode("normal");
    }
    // What the window is made with; a fixture adds its own process table here.
    virtual Form1::Seams WindowSeams() {
        Form1::Seams seams;
        seams.prompt = &prompt;
        seams.clock = &clock;
        return seams;
    }
    // A whole startup scan, run to its end, its grades in.
    void Scan() {
        form->Command4_Click();
        ASSERT_FALSE(form->StartupScanning());
        ASSERT_TRUE(WaitForGrades(*form));
    }

    ComScope com;
    TempDir dir;
    LocalAppData local{dir.path()};  // removals keep their backups in the test's folder
    Prompt prompt;
    NoWaitClock clock;
    std::unique_ptr<Form1> form;
};

// The real main window, loaded with a scripted prompt (the first process scan has run).
struct OpenForm {
    explicit OpenForm(IClock* clock = nullptr, IProcessTable* table = nullptr) {
        LookupErrorShown = false;
        Form1::Seams seams;
        seams.prompt = &prompt;
        seams.clock = clock;
        seams.processTable = table;
        form = std::make_unique<Form1>(seams);
        loaded = form->Load();
    }
    ScriptedPrompt prompt;
    std::unique_ptr<Form1> form;
    bool loaded = false;
};

inline int RowImage(ListView& list, int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ::SendMessageA(list.hwnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

inline int FindRow(ListView& list, const std::string& text) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Text(i, 0) == text) return i;
    return -1;
}

inline void Click(HWND button) { ::SendMessageA(button, BM_CLICK, 0, 0); }

inline bool Visible(Form1& f, int id) { return ::IsWindowVisible(f.Control(id)) != FALSE; }

// Makes every row added to a list view on this thread take `ms` longer, for the length of
// a scope: a scan then lasts long enough to be interrupted from inside, whatever the
// machine's speed (the lookups, once what made it slow, no longer hold the scan up).
class SlowRows {
public:
    explicit SlowRows(DWORD ms) : hook_(::SetWindowsHookExA(WH_CALLWNDPROC, &Proc, nullptr, ::GetCurrentThreadId())) {
        delayMs() = ms;
    }
    ~SlowRows() {
        if (hook_) ::UnhookWindowsHookEx(hook_);
    }
    SlowRows(const SlowRows&) = delete;
    SlowRows& operator=(const SlowRows&) = delete;

private:
    static DWORD& delayMs() {
        static DWORD ms = 0;
        return ms;
    }
    static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && (m->message == LVM_INSERTITEMA || m->message == LVM_INSERTITEMW)) ::Sleep(delayMs());
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    HHOOK hook_;
};

inline bool ProcessAlive(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

// Input as a person gives it: messages posted to the queue, handled by whatever pump
// runs next (the test's own, or a scan's yield).
inline LPARAM CentreOf(HWND h) {
    RECT r{};
    ::GetClientRect(h, &r);
    return MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
}
inline LPARAM ToolbarPoint(Form1& form, int index) {
    const ToolBarLayout& layout = form.VtToolBar1().Layout();
    double x = 0, y = 0;
    CellOrigin(layout, index, x, y);
    return MAKELPARAM(static_cast<int>(x + layout.cellWidth / 2), static_cast<int>(y + layout.cellHeight / 2));
}
// A left click at a point of a window.
inline void PostClick(HWND h, LPARAM at) {
    ::PostMessageA(h, WM_MOUSEMOVE, 0, at);
    ::PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageA(h, WM_LBUTTONUP, 0, at);
}
// The second press of a quick pair: the system turns it into a double click.
inline void PostSecondPress(HWND h, LPARAM at) {
    ::PostMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(h, WM_LBUTTONUP, 0, at);
}
inline void PostClick(HWND h) { PostClick(h, CentreOf(h)); }
inline void ClickToolbar(Form1& form, int index) { PostClick(form.VtToolBar1().hwnd(), ToolbarPoint(form, index)); }
inline void DoubleClickToolbar(Form1& form, int index) {
    ClickToolbar(form, index);
    PostSecondPress(form.VtToolBar1().hwnd(), ToolbarPoint(form, index));
}
// A key pressed and let go where the keyboard focus is.
inline void PostKey(WPARAM key) {
    HWND focus = ::GetFocus();
    ::PostMessageA(focus, WM_KEYDOWN, key, 1);
    ::PostMessageA(focus, WM_KEYUP, key, 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}
// Handles everything posted so far, and whatever that handling runs to its end.
inline void HandlePosted() { PumpPending(); }

// Steps run from a timer in whatever pump is running, a scan's yield included: each
// waits for its condition, then acts once. Actions only post input, so they never nest.
class TimerScript {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    explicit TimerScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 10, &TimerScript::Tick);
    }
    ~TimerScript() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;
    size_t StepsDone() const { return next_; }
    bool Done() const { return next_ == steps_.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        TimerScript* s = current_;
        if (!s || s->Done() || !s->steps_[s->next_].ready()) return;
        s->steps_[s->next_++].act();
    }
    static inline TimerScript* current_ = nullptr;
    std::vector<Step> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
};

// The live process table, counting its snapshots and how many walks were open at once;
// chosen processes are listed last, as a process started just now usually is.
class WatchedTable : public IProcessTable {
public:
    std::set<int32_t> last;
    int snapshots = 0, openWalks = 0, mostOpenWalks = 0;
    std::unique_ptr<IProcessWalk> Snapshot() override;
    std::optional<std::string> MainModuleFileName(int32_t id) override { return live_.MainModuleFileName(id); }
    std::string WindowsFolder() override { return live_.WindowsFolder(); }

private:
    class Walk : public IProcessWalk {
    public:
        Walk(WatchedTable& t, std::vector<ProcessEntry> entries) : t_(t), entries_(std::move(entries)) {
            t_.mostOpenWalks = std::max(t_.mostOpenWalks, ++t_.openWalks);
        }
        ~Walk() override { --t_.openWalks; }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;
        bool Next(ProcessEntry& e) override {
            if (i_ >= entries_.size()) return false;
            e = entries_[i_++];
            return true;
        }

    private:
        WatchedTable& t_;
        std::vector<ProcessEntry> entries_;
        size_t i_ = 0;
    };
    SystemProcessTable live_;
};

inline std::unique_ptr<IProcessWalk> WatchedTable::Snapshot() {
    std::unique_ptr<IProcessWalk> walk = live_.Snapshot();
    if (!walk) return nullptr;
    ++snapshots;
    std::vector<ProcessEntry> first, later;
    for (ProcessEntry e; walk->Next(e);) (last.count(e.id) ? later : first).push_back(e);
    first.insert(first.end(), later.begin(), later.end());
    return std::make_unique<Walk>(*this, std::move(first));
}

}  // namespace vt::test
