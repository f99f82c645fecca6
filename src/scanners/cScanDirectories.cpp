#include "scanners/cScanDirectories.h"

#include <windows.h>

#include <memory>
#include <optional>

#include "core/AppError.h"
#include "core/ScopeExit.h"
#include "core/Wildcard.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/SpecialFolder.h"
#include "platform/WinText.h"
#include "scanners/pure/ScanRules.h"

namespace vt {

namespace {

[[noreturn]] void RaiseOverflow() { throw AppError(6, ProgramBaseName() + ".cScanDirectories", "Overflow"); }

// Paths past MAX_PATH cannot go through the plain calls (and the 8.3 short form of a
// deep folder is itself often too long, or absent on volumes without short names), so
// they take the extended-length form.
std::wstring SystemPath(const std::string& path) {
    std::wstring w = Widen(path);
    if (w.size() < MAX_PATH || w.rfind(L"\\\\?\\", 0) == 0) return w;
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string TextUpToNul(const wchar_t* buf) { return Narrow(std::wstring_view(buf)); }

std::string CurrentDirectoryText() {
    DWORD n = ::GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring buf(n, L'\0');
    n = ::GetCurrentDirectoryW(n, buf.data());
    buf.resize(n);
    return Narrow(buf);
}

}  // namespace

cScanDirectories::cScanDirectories(IScanDirectoriesEvents* events)
    : events_(events),
      startPath_(CurrentDirectoryText()) {}

std::string cScanDirectories::Filter() const { return scan::JoinPatterns(patterns_); }

void cScanDirectories::Filter(const std::string& value) {
    patterns_ = scan::SplitPatterns(scan::NormaliseFileFilter(value));
}

void cScanDirectories::StartPath(const std::string& value) {
    startPath_ = value.empty() ? CurrentDirectoryText() : scan::NormaliseStartPath(value);
}

void cScanDirectories::Reset() noexcept {
    scanning_ = false;
    cancel_ = false;
}

void cScanDirectories::BeginScanning(const std::string& StartPath, const std::string& Filter) {
    if (!Filter.empty()) this->Filter(Filter);
    if (!StartPath.empty()) this->StartPath(StartPath);

    std::optional<std::string> remembered;
    if (customScan_) {
        remembered = startPath_;
        this->StartPath(GetDirectory(customScanPath_));
    }
    totalFiles_ = 0;
    totalFolders_ = 0;
    cancel_ = false;
    // However the walk ends (a handler may throw), the scanner is idle afterwards and a
    // special folder's start path is the caller's again (it was stored normalised).
    ScopeExit restore([&]() noexcept {
        Reset();
        if (remembered) startPath_ = std::move(*remembered);
    });
    // A copy: a handler that sets StartPath during the walk must not move the walk.
    const std::string start = startPath_;
    if (FolderExists(start)) RunFolderScan(start);
}

bool cScanDirectories::FolderExists(const std::string& path) {
    // The "nul device inside every folder" probe is not answered alike by every system
    // (it also finds nothing for folders whose path needs the extended form), so ask for
    // the attributes: an existing folder, not a file.
    if (path.empty()) return false;
    DWORD a = ::GetFileAttributesW(SystemPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void cScanDirectories::RunFolderScan(const std::string& start) {
    if (attributes_ & FILE_ATTRIBUTE_DIRECTORY) attributes_ -= FILE_ATTRIBUTE_DIRECTORY;
    std::optional<int16_t> base = scan::ToDepth(scan::FolderBaseDepth(start));
    if (!base) RaiseOverflow();
    baseDepth_ = *base;
    scanning_ = true;
    ScanFolder(start);
    scanning_ = false;
    if (events_) events_->DoneScanning(totalFolders_, totalFiles_);
}

// One folder being listed: its path and its open listing, positioned on the entry that
// is handled next.
struct cScanDirectories::Listing {
    std::string path;
    UniqueFindHandle find;
    WIN32_FIND_DATAW entry{};
};

std::unique_ptr<cScanDirectories::Listing> cScanDirectories::EnterFolder(const std::string& path) {
    if (cancel_) return nullptr;
    long depth = PathDepth(path);
    if (!scan::ToDepth(depth)) RaiseOverflow();
    if (!scan::WithinDepth(depth, baseDepth_, scanDeep_)) return nullptr;

    if (!scan::CheckedIncrement(totalFolders_)) RaiseOverflow();
    currentFolder_ = path;
    bool del = false;
    if (events_) {
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the handler gets its own copy, safe from what it changes while it runs
        std::string copy = path;
        events_->CurrentFolder(copy, cancel_, del);
    }
    if (del && ::RemoveDirectoryW(SystemPath(path).c_str())) return nullptr;

    auto listing = std::make_unique<Listing>();
    listing->path = path;
    std::wstring pattern = SystemPath(scan::JoinFolderPath(path, "*"));
    listing->find.reset(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &listing->entry, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!listing->find) return nullptr;
    return listing;
}

void cScanDirectories::ScanFolder(const std::string& start) {
    // The folders on the way down to the current one, each with its listing open: a
    // subfolder is walked to its end before its parent's next entry. Held on the heap, not
    // as nested calls, because a tree reached through long paths can be thousands of
    // levels deep, more than the thread's stack would hold at a frame per level.
    std::vector<std::unique_ptr<Listing>> open;
    if (auto first = EnterFolder(start)) open.push_back(std::move(first));
    bool advance = false;  // false: the top listing's current entry is still to be handled
    while (!open.empty()) {
        Listing& top = *open.back();
        if (advance && !::FindNextFileW(top.find.get(), &top.entry)) {
            open.pop_back();  // this folder is done; its parent goes on with its next entry
            continue;
        }
        advance = true;
        DoEvents();
        if (cancel_) return;
        const wchar_t* w = top.entry.cFileName;
        if (w[0] == L'.' && (w[1] == 0 || (w[1] == L'.' && w[2] == 0))) continue;
        std::string name = TextUpToNul(w);
        if (!(top.entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (!scan::PassesAttributes(attributes_, top.entry.dwFileAttributes)) continue;
            if (!scan::MatchesAny(name, patterns_)) continue;
            if (!scan::CheckedIncrement(totalFiles_)) RaiseOverflow();
            bool delFile = false;
            if (events_) {
                // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the handler gets its own copy, safe from what it changes while it runs
                std::string file = name, folder = top.path;
                events_->CurrentFile(file, folder, delFile);
            }
            if (delFile) ::DeleteFileW(SystemPath(scan::JoinFolderPath(top.path, name)).c_str());
        } else if (subDirectories_) {
            if (auto child = EnterFolder(scan::JoinFolderPath(top.path, name))) {
                open.push_back(std::move(child));
                advance = false;
            }
        }
    }
}

std::string cScanDirectories::GetDirectory(int32_t CustomScanPath) const { return SpecialFolder(CustomScanPath); }

}  // namespace vt
