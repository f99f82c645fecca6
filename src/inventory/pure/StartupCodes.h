// Startup entry codes: where a startup entry lives ("CUR", "LMRO", "LMR32", "UST" ...),
// built from a registry root, key and view or a startup folder, and decoded again for the
// removal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

inline constexpr int32_t kRootCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kRootLocalMachine = static_cast<int32_t>(0x80000002u);

inline constexpr const char* kKeyRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kKeyRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kKeyRunServices = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr const char* kKeyRunServicesOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";

// "CU"/"LM"/"" followed by "R"/"RO"/"RS"/"RSO"/"" (exact key paths only), then "32" (or
// "64") for an entry read from the registry view other than the program's own (view 0).
std::string RegistryEntryCode(int32_t root, std::string_view key, int32_t view = 0);

struct DecodedCode {
    int32_t folderId = 0;  // 7 (user startup folder) or 24 (all users), 0 for a registry entry
    int32_t root = 0;      // HKEY_CURRENT_USER / HKEY_LOCAL_MACHINE, 0 when the code names none
    std::string key;       // one of the four Run keys, "" when the code names none
    int32_t view = 0;      // 32 or 64 for a code ending so; 0 the program's own view
};
DecodedCode DecodeStartupCode(std::string_view code);

// Where the system's startup manager would record the entry as turned off: a root and a
// StartupApproved list ("Run", "Run32", "StartupFolder"), or an empty list for entries
// it does not manage (RunOnce, RunServices ..., values of subkeys). `in32BitView`: the
// entry's key lies in the 32-bit view of a 64-bit system.
struct ApprovalPlace {
    int32_t root = 0;
    std::string list;
};
ApprovalPlace ApprovalPlaceFor(const DecodedCode& code, bool in32BitView);

// Strict number syntax: optional sign, digits with an optional decimal point (digits on at
// least one side), optional exponent. Surrounding blanks are allowed, nothing else.
bool IsNumericText(std::string_view s);

}  // namespace vt
