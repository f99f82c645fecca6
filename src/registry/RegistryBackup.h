// A copy of every startup value before it is deleted, appended to the day's export file
// under %LOCALAPPDATA%\Vantorile\Backup, so that importing the file puts it back.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

// The folder the backups go to ("" when the system names no local application data).
std::string BackupFolder();

enum class BackupResult {
    Saved,
    Missing,  // no such key or value: there is nothing to save, nor to delete
    Failed,
};

// Reads the value as stored (through the 32-bit view when `view32`) and appends it to
// today's file, which is made with its header when it is new. On failure `reason` says
// why in Italian; `file` is the file that was or would have been written.
BackupResult BackupRegistryValue(int32_t root, const std::string& key, bool view32, const std::string& name,
                                 std::string& file, std::string& reason);

}  // namespace vt
