// Startup entry codes: where a startup entry lives ("CUR", "LMRO", "UST" ...), built from
// a registry root and key or a startup folder, and decoded again for the removal.
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

// "CU"/"LM"/"" followed by "R"/"RO"/"RS"/"RSO"/"" (exact key paths only).
std::string RegistryEntryCode(int32_t root, std::string_view key);

struct DecodedCode {
    int32_t folderId = 0;   // 7 (user startup folder) or 24 (all users), 0 for a registry entry
    int32_t root = 0;       // HKEY_CURRENT_USER / HKEY_LOCAL_MACHINE, 0 when the code names none
    std::string key;        // one of the four Run keys, "" when the code names none
};
DecodedCode DecodeStartupCode(std::string_view code);

// Strict number syntax: optional sign, digits with an optional decimal point (digits on at
// least one side), optional exponent. Surrounding blanks are allowed, nothing else.
bool IsNumericText(std::string_view s);

}  // namespace vt
