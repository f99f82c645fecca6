// Soak of one running main window: many rescans of the process panel and of the startup
// panel and many opens and closes of the details window, with the process's handle
// count, USER and GDI objects and private bytes printed at the start, after a warm-up
// and at the end. Whatever the first rounds allocate for good (caches, pooled
// connections, the shell's objects) is in place after the warm-up; from there on
// nothing may grow by 1% or more.
//   bench_soak [--processes N] [--startup N] [--details N] [--warmup N]
// Exits 1 when a figure grew by 1% or more after the warm-up.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "mainwindow/Form1.h"
#include "platform/ComPtr.h"
#include "core/PathText.h"
#include "platform/WinText.h"
#include "reputation/HttpClient.h"
#include "reputation/Module1.h"
#include "scanners/cScanDirectories.h"

namespace {

// Answers every question with OK: the soak asks nothing, but a lookup warning must not wait.
class QuietPrompt : public vt::IPrompt {
public:
    int Show(HWND, const std::string&, const std::string&, UINT) override { return IDOK; }
};

struct Figures {
    DWORD handles = 0;
    bool handlesProbed = false;
    DWORD user = 0, gdi = 0;
    SIZE_T privateBytes = 0;
};

// Handles that answer GetHandleInformation, for a platform whose GetProcessHandleCount
// answers 0 (Wine): its handles are small multiples of four.
DWORD ProbeHandles() {
    DWORD n = 0;
    for (uintptr_t v = 4; v < 0x10000; v += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++n;
    }
    return n;
}

Figures Measure() {
    Figures f;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &f.handles) || f.handles == 0) {
        f.handles = ProbeHandles();
        f.handlesProbed = true;
    }
    f.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    f.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        // Wine leaves PrivateUsage at 0; its PagefileUsage counts the same private pages.
        f.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
    return f;
}

void Print(const char* when, const Figures& f) {
    std::printf("%-16s handles %5lu%s  USER %5lu  GDI %5lu  private bytes %10llu\n", when, f.handles,
                f.handlesProbed ? " (probed)" : "", f.user, f.gdi, static_cast<unsigned long long>(f.privateBytes));
}

// Growth from `from` to `to` in percent; a figure the platform does not report (0) is skipped.
bool Grew(const char* what, double from, double to) {
    if (from == 0) {
        std::printf("  %-14s not reported\n", what);
        return false;
    }
    const double pct = (to - from) * 100.0 / from;
    std::printf("  %-14s %+.2f%% after the warm-up\n", what, pct);
    return pct >= 1.0;
}

double Seconds(ULONGLONG from, ULONGLONG to) { return static_cast<double>(to - from) / 1000.0; }

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

class Soak {
public:
    explicit Soak(vt::Form1& form) : form_(form) {}

    // Each scan waits for its rows' grades: the soak then runs the whole lookup path, not a
    // queue of batches dropped before their answers came.
    void ProcessScans(int n) {
        for (int i = 0; i < n; ++i) {
            form_.StartProcessScan();
            AwaitGrades();
        }
    }
    void StartupScans(int n) {
        for (int i = 0; i < n; ++i) {
            form_.Command4_Click();
            AwaitGrades();
        }
    }
    // Opens the details window on a row of each list in turn and closes it again.
    void Details(int n, const std::string& processRow, const std::string& startupRow) {
        for (int i = 0; i < n; ++i) {
            vt::ListView& list = i % 2 ? form_.ListView2() : form_.ListView1();
            const std::string& name = i % 2 ? startupRow : processRow;
            int row = -1;
            for (int r = 0; r < list.Count() && row < 0; ++r)
                if (list.Text(r, 0) == name) row = r;
            if (row < 0) {
                std::printf("soak: no row %s\n", name.c_str());
                std::exit(2);
            }
            list.Select(row);
            NMHDR hdr{list.hwnd(), static_cast<UINT_PTR>(::GetDlgCtrlID(list.hwnd())), static_cast<UINT>(NM_DBLCLK)};
            ::SendMessageA(form_.hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
            if (!form_.Details()) {
                std::printf("soak: the details window did not open\n");
                std::exit(2);
            }
            Pump();
            form_.Details()->Unload();
            Pump();
        }
    }

private:
    void AwaitGrades() {
        const ULONGLONG until = ::GetTickCount64() + 10000;
        do {
            Pump();
            if (!form_.GradesPending()) return;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        } while (::GetTickCount64() < until);
        std::printf("soak: grades still due after 10 s\n");
        std::exit(2);
    }

    vt::Form1& form_;
};

// Sets the reference service's test mode (soak.sh starts that service).
bool SetServiceMode(const std::string& mode) {
    const std::string base = vt::GetEnv("VANTORILE_REPUTATION_URL");
    if (base.empty()) return false;
    vt::WinHttpClient client;
    const vt::HttpResponse r = client.Get(base + "/_control?mode=" + mode);
    return r.ok && r.body == "ok";
}

int Arg(int argc, char** argv, const char* name, int def) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return def;
}

}  // namespace

int main(int argc, char** argv) {
    const int processes = Arg(argc, argv, "--processes", 200);
    const int startup = Arg(argc, argv, "--startup", 200);
    const int details = Arg(argc, argv, "--details", 50);
    const int warmup = Arg(argc, argv, "--warmup", 10);

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    vt::ComScope com;
    QuietPrompt prompt;
    vt::SetCurrentPrompt(&prompt);

    // A startup list with something of each kind on it: a copy of this program (icon and
    // version data for the details window) and a Run value naming it.
    const std::string self = vt::ModulePath();
    const std::string startupRow = "vt_soak_entry.exe";
    const std::string folder = vt::cScanDirectories().GetDirectory(7);
    ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    const std::string copy = folder + "\\" + startupRow;
    ::CopyFileA(self.c_str(), copy.c_str(), FALSE);
    HKEY run = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &run, nullptr);
    const std::string command = "\"" + self + "\" /soak";
    ::RegSetValueExA(run, "vtSoakValue", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>(command.size() + 1));

    int rc = 0;
    {
        vt::Form1::Seams seams;
        seams.prompt = &prompt;
        auto form = std::make_unique<vt::Form1>(seams);
        if (!form->Load()) {
            std::printf("soak: the main window did not load\n");
            rc = 2;
        } else {
            const std::string processRow = vt::FileNamePart(self);
            Soak soak(*form);
            const Figures start = Measure();
            Print("start", start);
            // The lookups start a worker for each name that finds none free, up to their
            // limit, and keep it: with slow answers, one scan of each list starts all the
            // workers the lists will ever need, which fast answers would start at random
            // moments of the soak.
            if (!SetServiceMode("slow:0.3")) {
                std::printf("soak: the reference service cannot be reached\n");
                std::exit(2);
            }
            soak.ProcessScans(1);
            soak.StartupScans(1);
            SetServiceMode("normal");
            soak.ProcessScans(warmup);
            soak.StartupScans(warmup);
            soak.Details(warmup, processRow, startupRow);
            const Figures warm = Measure();
            Print("after warm-up", warm);

            const ULONGLONG t0 = ::GetTickCount64();
            soak.ProcessScans(processes);
            const ULONGLONG t1 = ::GetTickCount64();
            soak.StartupScans(startup);
            const ULONGLONG t2 = ::GetTickCount64();
            soak.Details(details, processRow, startupRow);
            const ULONGLONG t3 = ::GetTickCount64();
            const Figures end = Measure();
            Print("end", end);
            std::printf(
                "%d process scans of %d rows in %.1f s, %d startup scans of %d rows in %.1f s, "
                "%d details windows in %.1f s\n",
                processes, form->ListView1().Count(), Seconds(t0, t1), startup, form->ListView2().Count(),
                Seconds(t1, t2), details, Seconds(t2, t3));
            bool grew = Grew("handles", warm.handles, end.handles);
            grew = Grew("USER objects", warm.user, end.user) || grew;
            grew = Grew("GDI objects", warm.gdi, end.gdi) || grew;
            grew =
                Grew("private bytes", static_cast<double>(warm.privateBytes), static_cast<double>(end.privateBytes)) ||
                grew;
            std::printf("%s\n", grew ? "soak: GREW after the warm-up" : "soak: steady after the warm-up");
            rc = grew ? 1 : 0;
        }
        form.reset();
    }

    ::RegDeleteValueA(run, "vtSoakValue");
    ::RegCloseKey(run);
    ::DeleteFileA(copy.c_str());
    vt::SetCurrentPrompt(nullptr);
    return rc;
}
