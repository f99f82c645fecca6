// Conversions at the few calls that need UTF-16, and small helpers around the narrow
// (UTF-8 under our manifest) calls.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vt {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemErrorText(DWORD code);

// Full path of this program's executable, and its file name without extension.
std::string ModulePath(HMODULE module = nullptr);
std::string ProgramBaseName();

// An environment variable, or "" when unset.
std::string GetEnv(const char* name);

}  // namespace vt
