#include "scanners/cScanRegistry.h"

#include <windows.h>

#include "core/AppError.h"
#include "core/ScopeExit.h"
#include "core/Wildcard.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "scanners/pure/ScanRules.h"

namespace vt {

namespace {

// The roots are 32-bit values; on x64 the predefined HKEYs are their sign extension.
HKEY RootKey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

[[noreturn]] void RaiseOverflow() { throw AppError(6, ProgramBaseName() + ".cScanRegistry", "Overflow"); }

UniqueHKey OpenKey(int32_t root, const std::string& path, REGSAM access, int32_t view) {
    UniqueHKey key;
    std::wstring wpath = Widen(path);
    if (::RegOpenKeyExW(RootKey(root), wpath.c_str(), 0, access | ViewAccess(view), key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

// Reads one name by index into buf, growing it when the key gained a longer name since
// it was sized; false at the end of the list or on any other failure.
template <typename EnumFn>
bool ReadName(std::wstring& buf, EnumFn enumerate, std::string& out) {
    for (;;) {
        DWORD len = static_cast<DWORD>(buf.size());
        LSTATUS rc = enumerate(buf.data(), &len);
        if (rc == ERROR_SUCCESS) {
            out = Narrow(std::wstring_view(buf.data(), len));
            return true;
        }
        if (rc != ERROR_MORE_DATA || buf.size() >= 32768) return false;
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

cScanRegistry::cScanRegistry(IScanRegistryEvents* events) : events_(events), root_(scan::kHkeyCurrentUser) {}

std::string cScanRegistry::FilterData() const { return scan::JoinPatterns(dataPatterns_); }
void cScanRegistry::FilterData(const std::string& value) { dataPatterns_ = scan::SplitPatterns(value); }
std::string cScanRegistry::FilterKeys() const { return scan::JoinPatterns(keyPatterns_); }
void cScanRegistry::FilterKeys(const std::string& value) { keyPatterns_ = scan::SplitPatterns(value); }

void cScanRegistry::ValidateKey(std::string& Key) const { scan::ValidateKey(Key); }

void cScanRegistry::RegistryView(int32_t value) {
    if (!IsRegistryView(value)) throw AppError(5, ProgramBaseName() + ".cScanRegistry", "Invalid registry view value.");
    view_ = value;
}

void cScanRegistry::Reset() noexcept {
    scanning_ = false;
    customScanning_ = false;
    cancel_ = false;
}

void cScanRegistry::Count(int32_t& counter) const {
    if (!scan::CheckedIncrement(counter)) RaiseOverflow();
}

void cScanRegistry::BeginScanning(std::optional<int32_t> ClassRoot, std::optional<std::string> ScanPath) {
    if (ClassRoot) root_ = *ClassRoot;
    if (ScanPath) scanPath_ = std::move(*ScanPath);
    // However the walk ends (a handler may throw), the scanner is idle afterwards; a walk
    // a handler starts inside a set of keys leaves the set's own state to the set.
    ScopeExit idle([this, inSet = customScanning_]() noexcept {
        if (!inSet) Reset();
    });
    ScanOneStartKey();
}

void cScanRegistry::ScanOneStartKey() {
    PrepareScan();
    // A copy: a handler that sets ScanPath during the walk must not move the walk.
    const std::string start = scanPath_;
    VisitKey(start, scanSubKeys_);
    if (!customScanning_) FinishScan();
}

void cScanRegistry::BeginCustomScan(std::optional<int32_t> CustomScanPath) {
    if (CustomScanPath) customScanPath_ = *CustomScanPath;
    std::vector<std::string> savedKeyPatterns = keyPatterns_;
    bool savedSubKeys = scanSubKeys_;
    const int32_t savedView = view_;
    scanSubKeys_ = true;
    customScanning_ = true;
    {
        // Back before DoneScanning, and on a failure too: the filter and the sub-key choice
        // are the caller's again and the scanner is idle. A later delete or scan must not
        // land in the other view because the set ended there.
        ScopeExit restore([&]() noexcept {
            keyPatterns_ = std::move(savedKeyPatterns);
            scanSubKeys_ = savedSubKeys;
            view_ = savedView;
            Reset();
        });
        ScanPredefinedLocations(savedView);
    }
    FinishScan();
}

void cScanRegistry::ScanPredefinedLocations(int32_t ownView) {
    // The second view only where the program would otherwise see one view alone.
    std::vector<scan::Location> locations =
        scan::LocationSet(customScanPath_, ownView == kOwnRegistryView ? OtherRegistryView() : 0);
    if (customScanPath_ == 2) keyPatterns_ = scan::SplitPatterns(scan::kExtensionKeysFilter);
    totalData_ = 0;
    totalKeys_ = 0;
    cancel_ = false;
    scanning_ = true;
    for (const scan::Location& loc : locations) {
        if (cancel_) break;
        root_ = loc.root;
        scanPath_ = loc.path;
        view_ = loc.view != 0 ? loc.view : ownView;
        // A key both views share was listed already: its entries must not appear twice.
        if (loc.view != 0 && !OnlyInItsView(loc.root, loc.path, loc.view, ownView)) continue;
        ScanOneStartKey();
    }
}

void cScanRegistry::PrepareScan() {
    if (!customScanning_) {
        totalData_ = 0;
        totalKeys_ = 0;
        scanning_ = true;
    }
    cancel_ = false;
    scan::ValidateKey(scanPath_);
    std::optional<int16_t> depth = scan::ToDepth(PathDepth(scanPath_));
    if (!depth) RaiseOverflow();
    baseDepth_ = *depth;
    walkRoot_ = root_;
    walkView_ = view_;
}

void cScanRegistry::FinishScan() {
    scanning_ = false;
    if (events_) events_->DoneScanning(totalData_, totalKeys_);
    cancel_ = false;
}

bool cScanRegistry::Passes(const std::string& path) const {
    return scan::PassesDepthAndKeyFilter(path, baseDepth_, scanDeep_, &keyPatterns_);
}

bool cScanRegistry::ReadNames(HKEY key, bool subKeys, std::vector<std::string>& names) {
    // Read to the end of the list rather than to a count asked for first: one call less
    // per key, and the same names. A subkey name has at most 255 characters; a longer
    // value name grows the buffer.
    std::wstring buf(256, L'\0');
    for (DWORD i = 0;; ++i) {
        DoEvents();
        if (cancel_) return false;
        std::string name;
        auto enumerate = [&](wchar_t* b, DWORD* len) {
            return subKeys ? ::RegEnumKeyExW(key, i, b, len, nullptr, nullptr, nullptr, nullptr)
                           : ::RegEnumValueW(key, i, b, len, nullptr, nullptr, nullptr, nullptr);
        };
        if (!ReadName(buf, enumerate, name)) return true;
        names.push_back(std::move(name));
    }
}

void cScanRegistry::VisitKey(const std::string& path, bool walk) {
    if (cancel_ || !Passes(path)) return;

    Count(totalKeys_);
    bool del = false;
    if (events_) {
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the handler gets its own copy, safe from what it changes while it runs
        std::string key = path;
        events_->CurrentKey(key, walkRoot_, del);
    }
    if (del && DeleteKeyIn(walkView_, walkRoot_, path)) return;

    // One opening serves both lists (a key that lets its values be read but not its
    // subkeys be listed is opened again for the values alone). Every value name is read
    // before any event, so handlers may delete what they like.
    UniqueHKey key = OpenKey(walkRoot_, path, KEY_QUERY_VALUE | (walk ? KEY_ENUMERATE_SUB_KEYS : 0), walkView_);
    std::vector<std::string> names;
    {
        UniqueHKey valuesOnly = key ? UniqueHKey() : OpenKey(walkRoot_, path, KEY_QUERY_VALUE, walkView_);
        HKEY values = key ? key.get() : valuesOnly.get();
        if (values && !ReadNames(values, false, names)) return;
    }
    for (const std::string& name : names) {
        DoEvents();
        if (cancel_) return;
        if (!dataPatterns_.empty() && !scan::MatchesAny(name, dataPatterns_)) continue;
        Count(totalData_);
        bool delValue = false;
        if (events_) {
            std::string value = name, keyPath = path;
            events_->CurrentData(value, keyPath, walkRoot_, delValue);
        }
        if (delValue) DeleteValueIn(walkView_, walkRoot_, path, name);
    }
    if (!walk || cancel_ || !key) return;

    // The subkeys are read after the value events, on the same handle: the ones the
    // handlers left.
    std::vector<std::string> children;
    if (!ReadNames(key.get(), true, children)) return;
    key.reset();
    for (std::string& child : children) child = scan::JoinKeyPath(path, child);

    for (const std::string& child : children) {
        DoEvents();
        if (cancel_) return;
        VisitKey(child, true);
    }
}

bool cScanRegistry::OnlyInItsView(int32_t root, const std::string& path, int32_t view, int32_t ownView) {
    UniqueHKey here = OpenKey(root, path, KEY_QUERY_VALUE, view);
    if (!here) return false;
    UniqueHKey own = OpenKey(root, path, KEY_QUERY_VALUE, ownView);
    return !own || !SameRegistryKey(here.get(), own.get());
}

bool cScanRegistry::DeleteValue(int32_t Root, const std::string& Path, const std::string& Value) {
    return DeleteValueIn(view_, Root, Path, Value);
}

bool cScanRegistry::DeleteKey(int32_t Root, const std::string& Path) { return DeleteKeyIn(view_, Root, Path); }

bool cScanRegistry::DeleteValueIn(int32_t view, int32_t Root, const std::string& Path, const std::string& Value) {
    UniqueHKey key = OpenKey(Root, Path, KEY_ALL_ACCESS, view);
    if (!key) return false;
    std::wstring name = Widen(Value);
    return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS;
}

bool cScanRegistry::DeleteKeyIn(int32_t view, int32_t Root, const std::string& Path) {
    auto [parent, name] = scan::SplitKeyPath(Path);
    // An empty name would make the system delete the opened parent itself.
    if (name.empty()) return false;
    UniqueHKey key = OpenKey(Root, parent, KEY_ALL_ACCESS, view);
    if (!key) return false;
    std::wstring wname = Widen(name);
    // The view goes with the name too: below a root the parent alone does not choose it.
    return ::RegDeleteKeyExW(key.get(), wname.c_str(), ViewAccess(view), 0) == ERROR_SUCCESS;
}

}  // namespace vt
