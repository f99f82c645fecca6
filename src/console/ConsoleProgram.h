// The console program vantorilec: the process list, the startup list or the other autostart
// places, graded by the reputation service, written as text, CSV or JSON. It changes nothing on the machine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Exit codes.
inline constexpr int kExitDone = 0;
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitOutputFailed = 3;

// args without the program's own name; returns the exit code.
int RunConsole(const std::vector<std::string>& args);

// Writes UTF-8 text to standard output or standard error (STD_OUTPUT_HANDLE /
// STD_ERROR_HANDLE): as characters to a console window, as the bytes themselves to a
// file or pipe. False when it could not all be written.
bool WriteStandard(unsigned long which, std::string_view utf8);

}  // namespace vt
