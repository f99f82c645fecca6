// A registry value's type and stored bytes as the wide calls return them, for the code
// that keeps or judges a value as it is stored (the backups, the StartupApproved records).
#pragma once

#include <windows.h>

#include <string>

namespace vt {

// ERROR_SUCCESS with `type` and `data` set, or the call's own error (ERROR_FILE_NOT_FOUND
// for a missing value). The buffer grows while the data does, a few times only.
LSTATUS QueryValueBytes(HKEY key, const std::wstring& name, DWORD& type, std::string& data);

}  // namespace vt
