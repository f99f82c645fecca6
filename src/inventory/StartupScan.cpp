#include "inventory/StartupScan.h"

#include "core/ScopeExit.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ErrorBoundary.h"
#include "platform/FileRemoval.h"
#include "platform/RegistryViews.h"
#include "platform/SpecialFolder.h"
#include "core/PathText.h"
#include "registry/StartupApproved.h"

namespace vt {

bool StartupRowDisabled(const std::string& code, const std::string& name) {
    const DecodedCode decoded = DecodeStartupCode(code);
    const ApprovalPlace place = ApprovalPlaceFor(decoded, Is32BitView(decoded.view));
    return !place.list.empty() && StartupEntryDisabled(place.root, place.list, name);
}

class StartupScan::RegistryEvents : public IScanRegistryEvents {
public:
    explicit RegistryEvents(StartupScan& s) : s_(s) {}
    void CurrentData(const std::string& Value, const std::string& Key, int32_t Root, bool&) override {
        s_.SCANREG_CurrentData(Value, Key, Root);
    }
    void CurrentKey(const std::string&, int32_t, bool&) override {}
    void DoneScanning(int32_t TotalData, int32_t) override { s_.SCANREG_DoneScanning(TotalData); }

private:
    StartupScan& s_;
};

class StartupScan::FolderEvents : public IScanDirectoriesEvents {
public:
    explicit FolderEvents(StartupScan& s) : s_(s) {}
    void CurrentFile(const std::string& File, const std::string& Path, bool&) override {
        s_.SCANDIR_CurrentFile(File, Path);
    }
    void CurrentFolder(const std::string&, bool&, bool&) override {}
    void DoneScanning(int32_t, int32_t TotalFiles) override { s_.SCANDIR_DoneScanning(TotalFiles); }

private:
    StartupScan& s_;
};

StartupScan::StartupScan(IStartupScanEvents* events)
    : events_(events),
      registryEvents_(std::make_unique<RegistryEvents>(*this)),
      folderEvents_(std::make_unique<FolderEvents>(*this)) {
    scanReg_ = std::make_unique<cScanRegistry>(registryEvents_.get());
    registry_ = std::make_unique<cAdvanceRegistry>();
    scanDir_ = std::make_unique<cScanDirectories>(folderEvents_.get());
    shellLink_ = std::make_unique<cShellLink>();
}

StartupScan::~StartupScan() {
    // Released in the order they were made.
    scanReg_.reset();
    registry_.reset();
    scanDir_.reset();
    shellLink_.reset();
}

void StartupScan::BeginScanning() {
    if (scanning_) return;
    scanning_ = true;
    ScopeExit ended([this]() noexcept { scanning_ = false; });
    stopped_ = false;
    skipped_ = 0;
    scanReg_->CustomScanPath(7);
    scanReg_->ScanSubKeys(false);
    scanReg_->ScanDeep(1);
    scanDir_->CustomScan(true);
    scanDir_->CustomScanPath(7);
    // A startup folder the system cannot name is skipped: an empty start path would walk
    // the current folder instead and count its files as startup entries. The two folders
    // are asked for once per start: every file of the walk is compared with them, and the
    // shell lookup is far dearer than the comparison.
    userFolder_ = SpecialFolder(7);
    allUsersFolder_ = SpecialFolder(24);
    // Each sub-scan on its own: one that fails (a handler that throws) leaves the others
    // to run.
    if (!userFolder_.empty()) Guarded("user startup folder scan", [&] { scanDir_->BeginScanning("", ""); });
    if (!stopped_) {
        scanDir_->CustomScanPath(24);
        if (!allUsersFolder_.empty())
            Guarded("all users startup folder scan", [&] { scanDir_->BeginScanning("", ""); });
    }
    if (!stopped_) Guarded("startup keys scan", [&] { scanReg_->BeginCustomScan(); });
}

void StartupScan::CancelScanning() {
    stopped_ = true;
    scanReg_->CancelScanning();
    scanDir_->CancelScanning();
}

void StartupScan::SCANDIR_CurrentFile(const std::string& File, const std::string& Path) {
    // Files of subfolders and the user's "target.lnk" are counted but not listed.
    if (!((Path == userFolder_ && File != "target.lnk") || Path == allUsersFolder_)) return;
    if (File == "desktop.ini") {
        ++skipped_;
        return;
    }
    StartupRow row;
    row.name = File;
    row.code = scanDir_->CustomScanPath() == 7 ? "UST" : "CST";
    row.location = Path;
    if (GetFileExtension(File) == "lnk") {
        // An unreadable shortcut shows an empty target, never an earlier row's.
        std::string target, workDir, args, iconFile;
        int32_t iconIndex = 0, showCmd = 0;
        bool ok = false;
        // A shortcut the shell cannot read at all (no shell link object: COM is missing)
        // is a fault worth knowing about, not just an empty target.
        Guarded("reading a startup shortcut", [&] {
            ok = shellLink_->GetShellLinkInfo(Path + "\\" + File, target, workDir, args, iconFile, iconIndex, showCmd);
        });
        if (!ok) target.clear();
        row.command = target;
        row.lookupName = fso_.GetFileName(target);
    } else {
        row.command = File;
        row.lookupName = GetCommandProgramPath(File);
    }
    row.disabled = StartupRowDisabled(row.code, File);
    row.impostor = IsImpostorFile(StartupProgramPath(row));
    if (events_) events_->RowFound(row);
}

void StartupScan::SCANREG_CurrentData(const std::string& Value, const std::string& Key, int32_t Root) {
    if (Value.empty()) {
        ++skipped_;
        return;
    }
    // The scanner reads the view of the key it walks: the program's own, or the other one
    // of a 64-bit system; the data is read in that view, never a namesake's of the other.
    const int32_t view = scanReg_->RegistryView();
    std::string data;
    Guarded("reading a startup value", [&] {
        RegistryViewScope<cAdvanceRegistry> inView(*registry_, view);
        data = registry_->ValueEx(Root, Key, Value).ToText();
    });
    const std::string program = GetCommandFileName(StripQuotes(data));
    // A data such as "1" names no program: counted, not listed.
    if (IsNumericText(program)) return;
    StartupRow row;
    row.name = Value;
    row.command = data;
    row.code = RegistryEntryCode(Root, Key, view);
    row.location = std::string(RootAbbreviation(Root)) + "\\" + Key;
    row.view = ViewName(view);
    row.disabled = StartupRowDisabled(row.code, Value);
    row.lookupName = fso_.GetFileName(program);
    row.impostor = IsImpostorFile(StartupProgramPath(row));
    if (events_) events_->RowFound(row);
}

void StartupScan::SCANDIR_DoneScanning(int32_t TotalFiles) {
    if (events_) events_->Counted(TotalFiles);
}

void StartupScan::SCANREG_DoneScanning(int32_t TotalData) {
    if (events_) events_->Counted(static_cast<int64_t>(TotalData) - skipped_);
}

}  // namespace vt
