#include "scanners/cScanProcesses.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstring>
#include <limits>
#include <vector>

#include "core/ScopeExit.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/WinText.h"
#include "scanners/pure/ProcessPath.h"

namespace vt {

namespace {

constexpr char kSystemPath[] = "SYSTEM";

class ToolhelpWalk final : public IProcessWalk {
public:
    explicit ToolhelpWalk(UniqueFileHandle snapshot) : snapshot_(std::move(snapshot)) {}

    bool Next(ProcessEntry& entry) override {
        PROCESSENTRY32 pe{};
        pe.dwSize = sizeof(pe);
        BOOL ok = first_ ? ::Process32First(snapshot_.get(), &pe) : ::Process32Next(snapshot_.get(), &pe);
        first_ = false;
        if (!ok) return false;
        entry.exeFile.assign(pe.szExeFile, ::strnlen(pe.szExeFile, sizeof(pe.szExeFile)));
        entry.id = static_cast<int32_t>(pe.th32ProcessID);
        return true;
    }

private:
    UniqueFileHandle snapshot_;
    bool first_ = true;
};

}  // namespace

std::unique_ptr<IProcessWalk> SystemProcessTable::Snapshot() {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return nullptr;
    return std::make_unique<ToolhelpWalk>(std::move(snapshot));
}

std::optional<std::string> SystemProcessTable::MainModuleFileName(int32_t processId) {
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(processId)));
    if (!process) return std::nullopt;
    // The first module listed is the executable itself.
    HMODULE modules[50] = {};
    DWORD needed = 0;
    if (!::EnumProcessModules(process.get(), modules, sizeof(modules), &needed)) return std::nullopt;
    // Wide call with a growing buffer: paths longer than MAX_PATH are not cut, and a cut
    // can never split a UTF-8 sequence.
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameExW(process.get(), modules[0], buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size() - 1 || buf.size() >= 32768) return Narrow(std::wstring_view(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

std::string SystemProcessTable::WindowsFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return Narrow(std::wstring_view(buf, n));
}

cScanProcesses::cScanProcesses(IScanProcessesEvents* events) : events_(events) {}

void cScanProcesses::BeginScanning() {
    cancel_ = false;
    currentProcessPath_.clear();
    totalProcesses_ = 0;
    scanning_ = true;
    {
        // However the walk ends (a handler may throw), the scanner is idle afterwards.
        ScopeExit idle([this]() noexcept {
            scanning_ = false;
            cancel_ = false;
            currentProcessPath_.clear();
            currentProcessId_ = -1;
        });
        EnumerateProcesses();
    }
    if (events_) events_->DoneScanning(totalProcesses_);
}

void cScanProcesses::EnumerateProcesses() {
    DoEvents();
    std::unique_ptr<IProcessWalk> walk = table_->Snapshot();
    if (!walk) return;

    ProcessEntry entry;
    bool more = walk->Next(entry);
    while (more && !cancel_) {
        DoEvents();
        // A cancel that arrived in the yield stops here: the process it interrupted is
        // not reported (its path would not be looked up anyway).
        if (cancel_) break;

        // Copies: whatever the handler does with its arguments, the walk keeps its own.
        const std::string file = entry.exeFile;
        const int32_t id = entry.id;
        const std::string path = GetProcessPath(id);

        if (systemProcesses_ || path != kSystemPath) {
            // The count is 16 bits wide: a process it cannot count is not reported, and
            // the walk ends with the count at its ceiling.
            if (totalProcesses_ == std::numeric_limits<int16_t>::max()) break;
            currentProcessId_ = id;
            ++totalProcesses_;
            bool terminate = false;
            if (events_) events_->CurrentProcess(file, path, id, terminate);
            if (terminate) {
                int32_t target = id;
                TerminateProcess(target);
            }
        }
        more = walk->Next(entry);
    }
}

std::optional<std::string> ProcessModulePath(IProcessTable& table, int32_t processId) {
    std::optional<std::string> module = table.MainModuleFileName(processId);
    if (!module) return std::nullopt;
    // The Windows folder is asked for only when a prefix may need it; removing "\??\"
    // can itself join the pieces of a "\SystemRoot\", so that counts too.
    const bool mayNeedWindows =
        module->find("\\SystemRoot\\") != std::string::npos || module->find("\\??\\") != std::string::npos;
    return RewriteModulePath(*module, mayNeedWindows ? table.WindowsFolder() : std::string());
}

std::string cScanProcesses::GetProcessPath(int32_t processId) {
    if (cancel_) return {};
    std::string folder;
    if (std::optional<std::string> full = ProcessModulePath(*table_, processId)) {
        folder = ModuleFolder(*full);
        currentProcessPath_ = std::move(*full);
    }
    return folder.empty() ? kSystemPath : folder;
}

bool cScanProcesses::TerminateProcess() {
    int32_t id = -1;
    return TerminateProcess(id);
}

bool cScanProcesses::TerminateProcess(int32_t& ProcessID) {
    if (ProcessID == -1) {
        ProcessID = currentProcessId_;
        if (ProcessID == -1) return false;
    }

    // Ending another user's process needs the debug privilege; it is held only for the
    // length of this call and put back as it was found.
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
    LUID debugLuid{};
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debugLuid)) return false;
    TOKEN_PRIVILEGES enable{};
    enable.PrivilegeCount = 1;
    enable.Privileges[0].Luid = debugLuid;
    enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof(previous);
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &enable, sizeof(previous), &previous, &previousSize)) return false;

    bool result = false;
    UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(ProcessID)));
    if (process) {
        BOOL ended = ::TerminateProcess(process.get(), 0);
        DoEvents();
        result = ended != FALSE;
    }

    // When the privilege was already on, previous holds no entry and this changes nothing.
    if (previous.PrivilegeCount > 0) ::AdjustTokenPrivileges(token.get(), FALSE, &previous, 0, nullptr, nullptr);
    return result;
}

}  // namespace vt
