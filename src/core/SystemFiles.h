// The system's own files: whether a path lies in the Windows folder, and whether a file
// carries the name of a system program while it lives somewhere else (an impostor).
#pragma once

#include <string>
#include <string_view>

namespace vt {

// "/" as "\", runs of "\" as one, "." and ".." resolved, a "\\?\" or "\??\" prefix and a
// trailing "\" dropped; letter case kept. Text only: the caller makes the path full.
std::string NormalizePath(std::string_view path);

// Whether `path` is the Windows folder or lies below it at any depth; letter case is
// ignored, whole folder names are compared. False when either path is empty.
bool IsInWindowsFolder(std::string_view path, std::string_view windowsFolder);

// svchost.exe, lsass.exe, csrss.exe, winlogon.exe, services.exe, smss.exe, explorer.exe,
// rundll32.exe, spoolsv.exe, taskhostw.exe, dllhost.exe, conhost.exe; any letter case.
bool IsSystemProgramName(std::string_view fileName);

// A file (full path) named as a system program whose folder is neither the Windows folder
// nor its System32 or SysWOW64. A path without a folder names no place and is no impostor.
bool IsImpostor(std::string_view path, std::string_view windowsFolder);

}  // namespace vt
