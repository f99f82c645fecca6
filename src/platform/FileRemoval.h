// What the removals need to know about a file before they touch it, and the ways a file
// can go: to the Recycle Bin, for good, or at the next restart of the computer.
#pragma once

#include <windows.h>

#include <string>

namespace vt {

// The Windows folder without a trailing "\", "" when the system cannot name it.
std::string WindowsFolderPath();
// The path made full and normalised by the system, long names where the file exists.
std::string FullFilePath(const std::string& path);
// A file in the Windows folder (any depth) or this program's own file: never deleted.
bool IsSystemFile(const std::string& path);
// A file named as a system program outside the Windows folder, System32 and SysWOW64.
bool IsImpostorFile(const std::string& path);

// Whether the file's volume keeps a Recycle Bin.
bool CanRecycle(const std::string& path);
// Whether another program holds the file open so that it cannot be deleted now.
bool FileInUse(const std::string& path);
// The failures that mean "in use" rather than "gone" or "not allowed to look".
bool IsInUseError(DWORD error);

// Each returns false with the system's error code on failure. RecycleFile shows nothing
// and asks nothing of its own.
bool RecycleFile(const std::string& path, DWORD& error);
bool DeleteFileForGood(const std::string& path, DWORD& error);
bool DeleteAtRestart(const std::string& path, DWORD& error);

}  // namespace vt
