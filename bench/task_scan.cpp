// Reading speed of the scheduled task scan: 1,000 task files written as the system writes
// them (UTF-16 LE with its mark, a few hundred distinct programs, a share of them with
// variables, bare names, two actions or a class handler) are read and listed through
// ScheduledTaskScan, beside a bare loop over the same files that lists the folders, reads
// each file whole and parses it with the same parser in place (UTF-16, no conversion,
// nothing taken out). Prints both times and ours/bare (target <= 1.25). The files are
// generated under %TEMP% and removed afterwards.
//   bench_task_scan [--tasks N] [--per-folder N] [--runs N]
#include <windows.h>

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/WinText.h"
#include "tasks/ScheduledTasks.h"
#include "BenchFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::wstring TaskText(long k) {
    std::wstring actions;
    const std::wstring n = std::to_wstring(k);
    switch (k % 10) {
    case 0:
        actions = L"    <Exec>\r\n      <Command>%ProgramFiles%\\Vendor" + std::to_wstring(k % 50) +
                  L"\\app.exe</Command>\r\n      <Arguments>/task " + n + L"</Arguments>\r\n    </Exec>\r\n";
        break;
    case 1:
        actions = L"    <Exec>\r\n      <Command>cmd.exe</Command>\r\n      <Arguments>/c exit " + n +
                  L"</Arguments>\r\n    </Exec>\r\n";
        break;
    case 2:
        actions = L"    <ComHandler>\r\n      <ClassId>{6A2E5C1B-95B3-4F3E-8C8C-1F0E2B8A" +
                  std::to_wstring(1000 + k % 20) + L"}</ClassId>\r\n    </ComHandler>\r\n";
        break;
    case 3:
        actions = L"    <Exec>\r\n      <Command>C:\\vt\\bench\\one" + n +
                  L".exe</Command>\r\n    </Exec>\r\n"
                  L"    <Exec>\r\n      <Command>C:\\vt\\bench\\two" +
                  n + L".exe</Command>\r\n    </Exec>\r\n";
        break;
    default:
        actions = L"    <Exec>\r\n      <Command>\"C:\\Program Files\\Vendor " + std::to_wstring(k % 300) +
                  L"\\updater.exe\"</Command>\r\n      <Arguments>/silent /log \"%TEMP%\\u" + n +
                  L".log\"</Arguments>\r\n      <WorkingDirectory>C:\\Program Files\\Vendor</WorkingDirectory>\r\n"
                  L"    </Exec>\r\n";
    }
    return L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           L"  <RegistrationInfo>\r\n    <Date>2024-03-01T10:00:00.1234567</Date>\r\n"
           L"    <Author>Vendor Srl</Author>\r\n    <Description>Mantiene aggiornato il prodotto numero " +
           n + L".</Description>\r\n    <URI>\\Bench\\Task" + n +
           L"</URI>\r\n  </RegistrationInfo>\r\n  <Triggers>\r\n"
           L"    <LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n    </LogonTrigger>\r\n"
           L"    <TimeTrigger>\r\n      <Repetition>\r\n        <Interval>PT1H</Interval>\r\n"
           L"      </Repetition>\r\n      <StartBoundary>2024-03-01T10:00:00</StartBoundary>\r\n"
           L"    </TimeTrigger>\r\n  </Triggers>\r\n"
           L"  <Principals>\r\n    <Principal id=\"Author\">\r\n"
           L"      <UserId>S-1-5-21-3623811015-3361044348-30300820-1013</UserId>\r\n"
           L"      <LogonType>InteractiveToken</LogonType>\r\n      <RunLevel>LeastPrivilege</RunLevel>\r\n"
           L"    </Principal>\r\n  </Principals>\r\n"
           L"  <Settings>\r\n    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           L"    <DisallowStartIfOnBatteries>true</DisallowStartIfOnBatteries>\r\n"
           L"    <StopIfGoingOnBatteries>true</StopIfGoingOnBatteries>\r\n"
           L"    <AllowHardTerminate>true</AllowHardTerminate>\r\n    "
           L"<StartWhenAvailable>false</StartWhenAvailable>\r\n"
           L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
           L"    <IdleSettings>\r\n      <StopOnIdleEnd>true</StopOnIdleEnd>\r\n"
           L"      <RestartOnIdle>false</RestartOnIdle>\r\n    </IdleSettings>\r\n"
           L"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n    <Enabled>" +
           std::wstring(k % 7 == 0 ? L"false" : L"true") + L"</Enabled>\r\n    <Hidden>" +
           std::wstring(k % 5 == 0 ? L"true" : L"false") +
           L"</Hidden>\r\n    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n    <WakeToRun>false</WakeToRun>\r\n"
           L"    <ExecutionTimeLimit>PT72H</ExecutionTimeLimit>\r\n    <Priority>7</Priority>\r\n"
           L"  </Settings>\r\n  <Actions Context=\"Author\">\r\n" +
           actions + L"  </Actions>\r\n</Task>\r\n";
}

// The floor: the same listing and reading calls, the same parser on the file's own text.
void BareWalk(const std::wstring& folder, long& files, long& elements) {
    WIN32_FIND_DATAW fd;
    vt::UniqueFindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                                 nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    std::vector<wchar_t> text;
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        const std::wstring full = folder + L"\\" + n;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            BareWalk(full, files, elements);
            continue;
        }
        vt::UniqueFileHandle f(::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        LARGE_INTEGER size{};
        if (!f || !::GetFileSizeEx(f.get(), &size)) continue;
        text.assign(static_cast<size_t>(size.QuadPart) / 2 + 1, L'\0');
        DWORD got = 0;
        if (!::ReadFile(f.get(), text.data(), static_cast<DWORD>(size.QuadPart), &got, nullptr)) continue;
        ++files;
        auto doc = std::make_unique<rapidxml::xml_document<wchar_t>>();
        try {
            doc->parse<rapidxml::parse_validate_closing_tags>(text.data() + 1);  // past the mark
            if (auto* task = doc->first_node())
                for (auto* c = task->first_node(); c != nullptr; c = c->next_sibling()) ++elements;
        } catch (const rapidxml::parse_error&) {}
    } while (::FindNextFileW(find.get(), &fd));
}

struct Sink : vt::IScheduledTaskScanEvents {
    std::vector<vt::ScheduledTaskEntry> rows;
    void CurrentTask(const vt::ScheduledTaskEntry& e, bool&) override { rows.push_back(e); }
};

}  // namespace

int main(int argc, char** argv) {
    long tasks = 1000, perFolder = 50;
    int runs = 9;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        long v = std::atol(argv[i + 1]);
        if (a == "--tasks") tasks = v;
        else if (a == "--per-folder") perFolder = std::max(v, 1L);
        else if (a == "--runs") runs = static_cast<int>(std::max(v, 1L));
    }

    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"vt_bench_tasks_" + std::to_wstring(::GetCurrentProcessId());
    auto t0 = Clock::now();
    ::CreateDirectoryW(root.c_str(), nullptr);
    long made = 0;
    size_t bytes = 0;
    for (long k = 0; k < tasks; ++k) {
        const std::wstring folder = root + L"\\Vendor" + std::to_wstring(k / perFolder);
        if (k % perFolder == 0) ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring text = TaskText(k);
        vt::UniqueFileHandle f(::CreateFileW((folder + L"\\Task" + std::to_wstring(k)).c_str(), GENERIC_WRITE, 0,
                                             nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (f && ::WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr)) {
            ++made;
            bytes += written;
        }
    }
    std::printf("task files: %ld in %ld folders under %s, %.0f bytes each on average (made in %.1f s)\n", made,
                (tasks + perFolder - 1) / perFolder, vt::Narrow(root).c_str(), made ? double(bytes) / made : 0.0,
                Seconds(t0));

    const std::string folder = vt::Narrow(root);
    double ours = 1e9, bare = 1e9;
    size_t rows = 0, unreadable = 0;
    long files = 0, elements = 0;
    // One of each first, so both meet the files in the system's cache; then the two take
    // turns going first, and each keeps its best time (the machine is shared).
    for (int r = -1; r < runs; ++r) {
        double o = 0, b = 0;
        auto runOurs = [&] {
            Sink sink;
            vt::ScheduledTaskScan scan(&sink);
            scan.Source(vt::TaskSource::Files);
            scan.TasksFolder(folder);
            auto s = Clock::now();
            scan.Scan();
            o = Seconds(s);
            rows = sink.rows.size();
            unreadable = static_cast<size_t>(
                std::count_if(sink.rows.begin(), sink.rows.end(), [](const auto& e) { return e.unreadable; }));
        };
        auto runBare = [&] {
            files = elements = 0;
            auto s = Clock::now();
            BareWalk(root, files, elements);
            b = Seconds(s);
        };
        if (r % 2 == 0) {
            runOurs();
            runBare();
        } else {
            runBare();
            runOurs();
        }
        if (r < 0) continue;
        ours = std::min(ours, o);
        bare = std::min(bare, b);
    }
    std::printf(
        "task scan: %.3f s (%zu entries, %zu unreadable); bare read and parse: %.3f s (%ld files, %ld "
        "elements)\n",
        ours, rows, unreadable, bare, files, elements);
    std::printf("TASKS_VS_RAW=%.2f (scan/bare, target <= 1.25)\n", ours / bare);

    t0 = Clock::now();
    vt::bench::RemoveTreeW(root);
    std::printf("task files removed (%.1f s)%s\n", Seconds(t0),
                ::GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES ? "" : " -- NOT fully removed");
    return 0;
}
