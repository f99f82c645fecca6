// Lists the running processes one event at a time, yielding to the message loop between
// them so the window stays live and the user can cancel, and ends a process by its ID.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vt {

class IScanProcessesEvents {
public:
    virtual ~IScanProcessesEvents() = default;
    virtual void CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool& Terminate) = 0;
    virtual void DoneScanning(int16_t TotalProcesses) = 0;
};

// One entry of a process snapshot.
struct ProcessEntry {
    std::string exeFile;  // the executable's file name as the snapshot gives it
    int32_t id = 0;
};

// A walk over one snapshot; Next gives the first entry on its first call.
class IProcessWalk {
public:
    virtual ~IProcessWalk() = default;
    virtual bool Next(ProcessEntry& entry) = 0;
};

// What the scanner needs of the system's process table. The default reaches toolhelp and
// psapi; tests replace it to reach states the machine cannot produce on demand (processes
// whose path cannot be read, native path prefixes, tens of thousands of processes).
class IProcessTable {
public:
    virtual ~IProcessTable() = default;
    // nullptr when no snapshot can be had.
    virtual std::unique_ptr<IProcessWalk> Snapshot() = 0;
    // The full file name of the process's main module as the system reports it, before any
    // rewriting; nullopt when the process cannot be opened or its modules cannot be listed.
    virtual std::optional<std::string> MainModuleFileName(int32_t processId) = 0;
    // The Windows directory without a trailing "\", "" when it cannot be had.
    virtual std::string WindowsFolder() = 0;
};

// The live process table of this machine.
class SystemProcessTable : public IProcessTable {
public:
    std::unique_ptr<IProcessWalk> Snapshot() override;
    std::optional<std::string> MainModuleFileName(int32_t processId) override;
    std::string WindowsFolder() override;
};

// The full path of a process's main module as the scanner reports it (native prefixes
// rewritten); nullopt when the process cannot be opened or its modules cannot be listed.
std::optional<std::string> ProcessModulePath(IProcessTable& table, int32_t processId);

class cScanProcesses {
public:
    // events may be null: the events are then dropped.
    explicit cScanProcesses(IScanProcessesEvents* events);
    cScanProcesses(const cScanProcesses&) = delete;
    cScanProcesses& operator=(const cScanProcesses&) = delete;
    ~cScanProcesses() = default;

    // Returns/sets whether to include scanning for system processes.
    bool SystemProcesses() const { return systemProcesses_; }
    void SystemProcesses(bool value) { systemProcesses_ = value; }
    // Returns the Process ID of the currently scanned file.
    int32_t CurrentProcessID() const { return currentProcessId_; }
    // Returns the path of the currently scanned process.
    std::string CurrentProcessPath() const { return currentProcessPath_; }
    // Returns True if class is currently on scanning state.
    bool Scanning() const { return scanning_; }
    // Returns the current or the total number of processes scanned.
    int16_t TotalProcesses() const { return totalProcesses_; }

    // Start scanning for running processes in the system.
    void BeginScanning();
    // Abort scanning of running processes.
    void CancelScanning() { cancel_ = true; }
    // Terminate a running process using the specified process ID. -1 stands for
    // CurrentProcessID, which is then written back into the argument.
    bool TerminateProcess(int32_t& ProcessID);
    bool TerminateProcess();

    // Replaces the process table (nullptr restores the system's). Not during a scan.
    void SetProcessTable(IProcessTable* table) { table_ = table ? table : &systemTable_; }

private:
    void EnumerateProcesses();
    std::string GetProcessPath(int32_t processId);

    IScanProcessesEvents* events_;
    SystemProcessTable systemTable_;
    IProcessTable* table_ = &systemTable_;
    bool cancel_ = false;
    std::string currentProcessPath_;
    int16_t totalProcesses_ = 0;
    int32_t currentProcessId_ = -1;
    bool scanning_ = false;
    bool systemProcesses_ = false;
};

}  // namespace vt
