// Folder scanner: walks a folder tree from StartPath and reports every folder and every
// file whose name matches Filter through IScanDirectoriesEvents, yielding to the message
// loop before each folder entry. Also resolves special folders by number (GetDirectory).
//
// Event contract:
//  - CurrentFolder(Path, Cancel, Delete) once per folder entered, the start folder first,
//    before any of its entries. Cancel is the scanner's own cancellation flag: setting it
//    stops the whole scan. Delete asks for the folder to be removed; that only works on an
//    empty folder, and a removed folder is not scanned further.
//  - CurrentFile(File, Path, Delete) once per file of that folder whose name matches one
//    of the patterns (ignoring case), at most once per file. Path is the folder, with no
//    trailing "\" unless StartPath has one. Delete removes the file after the handler.
//  - A subfolder is walked completely as soon as it is listed, before its parent's next
//    entry. Arguments are copies.
//  - DoneScanning(TotalFolders, TotalFiles) exactly once per BeginScanning whose start
//    folder exists, cancelled or not, with Scanning already False. When the start folder
//    does not exist there is no event at all.
//  - A count past 2^31-1 or a depth past 32767 ends BeginScanning with a vt::AppError
//    (number 6, "Overflow") and no DoneScanning; the instance is idle again and StartPath
//    is restored after a CustomScan.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vt {

class IScanDirectoriesEvents {
public:
    virtual ~IScanDirectoriesEvents() = default;
    virtual void CurrentFile(const std::string& File, const std::string& Path, bool& Delete) = 0;
    virtual void CurrentFolder(const std::string& Path, bool& Cancel, bool& Delete) = 0;
    virtual void DoneScanning(int32_t TotalFolders, int32_t TotalFiles) = 0;
};

class cScanDirectories {
public:
    explicit cScanDirectories(IScanDirectoriesEvents* events = nullptr);
    cScanDirectories(const cScanDirectories&) = delete;
    cScanDirectories& operator=(const cScanDirectories&) = delete;
    ~cScanDirectories() = default;

    // File attribute bits a file must share to be reported. The default (39) reports every
    // file; the directory bit is dropped before each scan.
    int32_t Attributes() const { return attributes_; }
    void Attributes(int32_t value) { attributes_ = value; }
    const std::string& CurrentDirectory() const { return currentFolder_; }
    // When True, BeginScanning walks GetDirectory(CustomScanPath) and restores StartPath.
    bool CustomScan() const { return customScan_; }
    void CustomScan(bool value) { customScan_ = value; }
    int32_t CustomScanPath() const { return customScanPath_; }
    void CustomScanPath(int32_t value) { customScanPath_ = value; }
    // "|"-separated patterns held in lower case; empty or blank text means "*".
    std::string Filter() const;
    void Filter(const std::string& value);
    // Levels below the start folder that are reported; 0 means no limit.
    int16_t ScanDeep() const { return scanDeep_; }
    void ScanDeep(int16_t value) { scanDeep_ = value; }
    bool Scanning() const { return scanning_; }
    // One character is taken as a drive letter ("c" -> "c:"); "" is the current directory.
    const std::string& StartPath() const { return startPath_; }
    void StartPath(const std::string& value);
    bool SubDirectories() const { return subDirectories_; }
    void SubDirectories(bool value) { subDirectories_ = value; }
    int32_t TotalFiles() const { return totalFiles_; }
    int32_t TotalFolders() const { return totalFolders_; }

    // Non-empty arguments are stored into the properties first.
    void BeginScanning(const std::string& StartPath = "", const std::string& Filter = "");
    void CancelScanning() { cancel_ = true; }
    // Special folder number (7, 24 startup folders; 36 Windows; 37 system; 38 program
    // files; 255 temporary folder; any shell folder id) to its path, "" when unresolved.
    std::string GetDirectory(int32_t CustomScanPath) const;

private:
    static bool FolderExists(const std::string& path);
    struct Listing;
    void RunFolderScan(const std::string& start);
    // Counts and reports a folder and opens its listing; null when it is not to be listed
    // (cancelled, too deep, removed by the handler, or unreadable).
    std::unique_ptr<Listing> EnterFolder(const std::string& path);
    void ScanFolder(const std::string& start);
    void Reset() noexcept;

    IScanDirectoriesEvents* events_;
    int32_t attributes_ = 39;
    bool cancel_ = false;
    std::string currentFolder_;
    bool customScan_ = false;
    int32_t customScanPath_ = 0;
    std::vector<std::string> patterns_{"*"};
    int16_t scanDeep_ = 0;
    bool scanning_ = false;
    int16_t baseDepth_ = 0;
    std::string startPath_;
    bool subDirectories_ = true;
    int32_t totalFiles_ = 0;
    int32_t totalFolders_ = 0;
};

}  // namespace vt
