// The startup entries as rows: the user's startup folder, the all users' startup folder,
// then the startup keys, with each entry's code, command or target and location. The
// startup panel displays these rows and the console program writes them; grades are left
// to the caller (lookupName says what to ask the service).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fileinfo/cShellLink.h"
#include "inventory/pure/Rows.h"
#include "platform/FileSystem.h"
#include "registry/cAdvanceRegistry.h"
#include "scanners/cScanDirectories.h"
#include "scanners/cScanRegistry.h"

namespace vt {

// Whether the system's startup manager has turned off the entry of that code and name
// (its StartupApproved record); a record that cannot be read leaves it enabled.
bool StartupRowDisabled(const std::string& code, const std::string& name);

class IStartupScanEvents {
public:
    virtual ~IStartupScanEvents() = default;
    // An entry to list, in scan order.
    virtual void RowFound(const StartupRow& row) = 0;
    // A sub-scan has ended; amount is what it adds to the count of entries (items the
    // scanners reported, less those left out by rule: empty value names, desktop.ini).
    virtual void Counted(int64_t amount) = 0;
};

class StartupScan {
public:
    explicit StartupScan(IStartupScanEvents* events);
    ~StartupScan();
    StartupScan(const StartupScan&) = delete;
    StartupScan& operator=(const StartupScan&) = delete;

    // The whole sequence; returns when it has ended or been stopped. Every step is guarded
    // on its own: a sub-scan that fails leaves the others to run.
    void BeginScanning();
    // Stops the running sub-scan and skips those not yet begun.
    void CancelScanning();
    bool Scanning() const { return scanning_; }

    // The members the sequence runs on, for the removal of entries.
    cScanRegistry& SCANREG() { return *scanReg_; }
    cAdvanceRegistry& Registry() { return *registry_; }
    cScanDirectories& SCANDIR() { return *scanDir_; }
    cShellLink& ShellLink() { return *shellLink_; }

private:
    class RegistryEvents;
    class FolderEvents;
    void SCANREG_CurrentData(const std::string& Value, const std::string& Key, int32_t Root);
    void SCANREG_DoneScanning(int32_t TotalData);
    void SCANDIR_CurrentFile(const std::string& File, const std::string& Path);
    void SCANDIR_DoneScanning(int32_t TotalFiles);

    IStartupScanEvents* events_;
    std::unique_ptr<RegistryEvents> registryEvents_;
    std::unique_ptr<FolderEvents> folderEvents_;
    std::unique_ptr<cScanRegistry> scanReg_;
    std::unique_ptr<cAdvanceRegistry> registry_;
    std::unique_ptr<cScanDirectories> scanDir_;
    std::unique_ptr<cShellLink> shellLink_;
    FileSystemObject fso_;
    int32_t skipped_ = 0;
    std::string userFolder_, allUsersFolder_;  // resolved at each start
    bool scanning_ = false;
    bool stopped_ = false;
};

}  // namespace vt
