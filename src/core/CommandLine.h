// Command lines as the system reads them: the program and its arguments split the way a
// started program's argument vector is built, the script and library hosts, and the
// argument of a host that names the file it really runs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

struct CommandLine {
    std::string program;
    std::vector<std::string> args;
};

// The program token ends at its closing quote (no backslash escapes) or at the first blank;
// the arguments follow the usual rules: blanks outside quotes separate, 2n backslashes
// before a quote give n and the quote toggles quoting, 2n+1 give n and a literal quote,
// three quotes in a row give one literal quote, other backslashes stay as they are.
CommandLine SplitCommandLine(std::string_view line);

// wscript, cscript, mshta, powershell, pwsh, cmd, regsvr32 or rundll32, in any letter case,
// with or without a folder and ".exe".
bool IsScriptHost(std::string_view program);

// The host's arguments that may name the file it runs, in order: switches and the values
// of the switches that take one are left out, PowerShell's single quotes and a
// library's ",Entry" are cut off, and only full paths (a drive or a share) are kept.
std::vector<std::string> ScriptCandidates(const CommandLine& command);

// The first candidate that `usable` accepts (typically: exists, and is no system file).
std::optional<std::string> PickScriptFile(const CommandLine& command,
                                          const std::function<bool(const std::string&)>& usable);

}  // namespace vt
