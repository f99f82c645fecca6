// Registry scanner: walks a start key, or each key of a predefined location set, and
// reports every key and value name through IScanRegistryEvents, yielding to the message
// loop between items so the window stays live and CancelScanning can reach the walk.
//
// Event contract:
//  - CurrentKey(Key, Root, Delete) once per key reported, before its values; Key is the
//    path relative to Root ("" for the root itself). Delete set by the handler removes the
//    key (a key with subkeys may be refused); when that succeeds its values are skipped.
//  - CurrentData(Value, Key, Root, Delete) once per value name that passes FilterData,
//    after its key's CurrentKey, in enumeration order ("" is the default value). Delete
//    set by the handler removes that value; the walk goes on either way.
//  - Depth first: a key, its values, then each subkey with its own subtree.
//  - DoneScanning(TotalData, TotalKeys) exactly once per BeginScanning / BeginCustomScan
//    call, cancelled or not, with Scanning already False.
//  - All names of a key are read and the key closed before its events run, so handlers may
//    delete keys and values freely. Arguments are copies.
//  - RegistryView (0 the program's own view, 32, 64) applies to every open, enumeration
//    and delete. On a 64-bit system with the view left at 0, location set 7 lists its
//    eight keys and then those of them that exist in the other view, leaving out a key
//    that is one physical key in both (HKEY_CURRENT_USER's, on current Windows). While
//    a location set runs, RegistryView reads the view of the location being walked (as
//    ClassRoot and ScanPath read its root and key); afterwards it reads its setting again.
//  - A start key deeper than 32767 levels, or a count past 2^31-1, ends the call with a
//    vt::AppError (number 6, "Overflow") and no DoneScanning; the instance is idle again
//    and the properties BeginCustomScan changes are restored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct HKEY__;  // the system's registry key handle, without the system headers

namespace vt {

class IScanRegistryEvents {
public:
    virtual ~IScanRegistryEvents() = default;
    virtual void CurrentData(const std::string& Value, const std::string& Key, int32_t Root, bool& Delete) = 0;
    virtual void CurrentKey(const std::string& Key, int32_t Root, bool& Delete) = 0;
    virtual void DoneScanning(int32_t TotalData, int32_t TotalKeys) = 0;
};

class cScanRegistry {
public:
    explicit cScanRegistry(IScanRegistryEvents* events = nullptr);
    cScanRegistry(const cScanRegistry&) = delete;
    cScanRegistry& operator=(const cScanRegistry&) = delete;
    ~cScanRegistry() = default;

    // Root as a 32-bit predefined key value (0x80000001 is HKEY_CURRENT_USER).
    int32_t ClassRoot() const { return root_; }
    void ClassRoot(int32_t value) { root_ = value; }
    // Location set 0 to 8 for BeginCustomScan (7: the eight Run keys).
    int32_t CustomScanPath() const { return customScanPath_; }
    void CustomScanPath(int32_t value) { customScanPath_ = value; }
    // "|"-separated wildcard patterns, held in lower case; "" turns the filter off.
    std::string FilterData() const;
    void FilterData(const std::string& value);
    std::string FilterKeys() const;
    void FilterKeys(const std::string& value);
    const std::string& ScanPath() const { return scanPath_; }
    void ScanPath(const std::string& value) { scanPath_ = value; }
    // Levels below the start key that are reported; 0 means no limit.
    int16_t ScanDeep() const { return scanDeep_; }
    void ScanDeep(int16_t value) { scanDeep_ = value; }
    bool Scanning() const { return scanning_; }
    bool ScanSubKeys() const { return scanSubKeys_; }
    void ScanSubKeys(bool value) { scanSubKeys_ = value; }
    // 0 (the program's own view), 32 or 64; any other number is refused (error 5).
    int32_t RegistryView() const { return view_; }
    void RegistryView(int32_t value);
    std::string TotalData() const { return std::to_string(totalData_); }
    int32_t TotalKeys() const { return totalKeys_; }

    // Scans every location of the chosen set (ScanSubKeys is on for the duration); a number
    // outside 0 to 8 scans nothing and still raises DoneScanning(0, 0).
    void BeginCustomScan(std::optional<int32_t> CustomScanPath = std::nullopt);
    void BeginScanning(std::optional<int32_t> ClassRoot = std::nullopt,
                       std::optional<std::string> ScanPath = std::nullopt);
    void CancelScanning() { cancel_ = true; }
    // Collapses doubled backslashes and drops one trailing and one leading backslash.
    void ValidateKey(std::string& Key) const;
    bool DeleteValue(int32_t Root, const std::string& Path, const std::string& Value);
    bool DeleteKey(int32_t Root, const std::string& Path);

private:
    void ScanPredefinedLocations(int32_t ownView);
    // True when root\path exists in `view` and is not the physical key `ownView` shows.
    static bool OnlyInItsView(int32_t root, const std::string& path, int32_t view, int32_t ownView);
    bool DeleteValueIn(int32_t view, int32_t Root, const std::string& Path, const std::string& Value);
    bool DeleteKeyIn(int32_t view, int32_t Root, const std::string& Path);
    void ScanOneStartKey();
    void PrepareScan();
    void FinishScan();
    // Reports path and its values, then, when `walk`, its subkeys the same way, depth first.
    void VisitKey(const std::string& path, bool walk);
    // The value names (or subkey names) of an open key, read with a yield between names;
    // false when the scan is cancelled meanwhile.
    bool ReadNames(::HKEY__* key, bool subKeys, std::vector<std::string>& names);
    bool Passes(const std::string& path) const;
    void Count(int32_t& counter) const;
    void Reset() noexcept;

    IScanRegistryEvents* events_;
    bool cancel_ = false;
    int32_t customScanPath_ = 0;
    bool customScanning_ = false;
    std::vector<std::string> dataPatterns_;
    std::vector<std::string> keyPatterns_;
    int32_t root_;
    int16_t scanDeep_ = 0;
    bool scanning_ = false;
    bool scanSubKeys_ = false;
    int16_t baseDepth_ = 0;
    std::string scanPath_ = "Software";
    int32_t totalData_ = 0;
    int32_t totalKeys_ = 0;
    int32_t view_ = 0;
    int32_t walkRoot_ = 0;  // the root of the start key being walked
    int32_t walkView_ = 0;  // and its view
};

}  // namespace vt
