#include "platform/FileRemoval.h"

#include <shellapi.h>

#include <vector>

#include "core/Wildcard.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "core/SystemFiles.h"

namespace vt {

namespace {

std::wstring Expanded(const std::string& path) {
    std::wstring w = Widen(path);
    if (w.find(L'%') == std::wstring::npos) return w;
    std::vector<wchar_t> buf(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD n = ::ExpandEnvironmentStringsW(w.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return w;
        if (n <= buf.size()) return std::wstring(buf.data());
        buf.resize(n);
    }
    return w;
}

bool IsAbsolute(const std::wstring& p) {
    return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
           (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\');
}

std::wstring WideFullPath(const std::string& path) {
    // Registry data names files as "%SystemRoot%\..." too.
    std::wstring w = Expanded(path);
    if (w.empty()) return w;
    std::vector<wchar_t> buf(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD n = ::GetFullPathNameW(w.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
        if (n == 0) return w;
        if (n < buf.size()) {
            w.assign(buf.data(), n);
            break;
        }
        buf.resize(n + 1);
    }
    // Short names (C:\PROGRA~1) would pass a comparison of folder names.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD n = ::GetLongPathNameW(w.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) break;
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(n + 1);
    }
    return w;
}

}  // namespace

std::string WindowsFolderPath() {
    wchar_t buf[MAX_PATH + 1] = {};
    UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return NormalizePath(FullFilePath(Narrow(buf)));
}

std::string FullFilePath(const std::string& path) { return Narrow(WideFullPath(path)); }

bool IsSystemFile(const std::string& path) {
    if (path.empty()) return false;
    const std::string full = FullFilePath(path);
    if (IsInWindowsFolder(full, WindowsFolderPath())) return true;
    const std::string self = FullFilePath(ModulePath());
    return !self.empty() && LowerAscii(NormalizePath(full)) == LowerAscii(NormalizePath(self));
}

bool IsImpostorFile(const std::string& path) {
    // A name without its folder is found by the system's search: no place to judge.
    if (!IsAbsolute(Expanded(path))) return false;
    return IsImpostor(FullFilePath(path), WindowsFolderPath());
}

bool CanRecycle(const std::string& path) {
    const std::wstring full = WideFullPath(path);
    wchar_t root[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameW(full.c_str(), root, MAX_PATH + 1)) return false;
    if (::GetDriveTypeW(root) != DRIVE_FIXED) return false;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(::SHQueryRecycleBinW(root, &info));
}

bool IsInUseError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_USER_MAPPED_FILE;
}

bool FileInUse(const std::string& path) {
    // Opening for deletion while sharing everything fails only where someone else's
    // handle does not share deletion.
    UniqueFileHandle h(::CreateFileW(Widen(path).c_str(), DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) return false;
    DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool RecycleFile(const std::string& path, DWORD& error) {
    std::wstring from = WideFullPath(path);
    from.push_back(L'\0');  // the list ends with a second NUL
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
    int rc = ::SHFileOperationW(&op);
    DWORD attributes = ::GetFileAttributesW(from.c_str());
    if (rc == 0 && !op.fAnyOperationsAborted && attributes == INVALID_FILE_ATTRIBUTES) return true;
    // The shell's codes are its own; ask the plain call why the file cannot go.
    error = rc == 0 ? ERROR_CANCELLED : static_cast<DWORD>(rc);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        UniqueFileHandle h(::CreateFileW(from.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) error = ::GetLastError();
    }
    return false;
}

bool DeleteFileForGood(const std::string& path, DWORD& error) {
    if (::DeleteFileW(Widen(path).c_str())) return true;
    error = ::GetLastError();
    return false;
}

bool DeleteAtRestart(const std::string& path, DWORD& error) {
    if (::MoveFileExW(WideFullPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    error = ::GetLastError();
    return false;
}

}  // namespace vt
