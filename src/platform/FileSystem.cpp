#include "platform/FileSystem.h"

#include <windows.h>

#include "platform/WinText.h"

namespace vt {

bool FileSystemObject::FileExists(const std::string& path) const {
    if (path.empty()) return false;
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFileWithReason(const std::string& path, std::string* reason) {
    if (::DeleteFileA(path.c_str())) return true;
    DWORD err = ::GetLastError();
    if (reason) *reason = SystemErrorText(err);
    return false;
}

}  // namespace vt
