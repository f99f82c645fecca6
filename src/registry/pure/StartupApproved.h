// How the system's startup manager records an entry it has turned off: a binary value of
// the entry's name in a StartupApproved list of the entry's root, whose first byte is odd
// while the entry is disabled.
#pragma once

#include <cstdint>
#include <string_view>

namespace vt::reg {

inline constexpr const char* kStartupApprovedKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
// The lists: Run entries of the 64-bit view, Run entries of the 32-bit view, startup
// folder files.
inline constexpr const char* kApprovedRun = "Run";
inline constexpr const char* kApprovedRun32 = "Run32";
inline constexpr const char* kApprovedStartupFolder = "StartupFolder";

// True only for binary data holding at least its 4-byte flag word with the lowest bit of
// the first byte set. Anything else (even byte, no data, a shorter or differently typed
// value) leaves the entry enabled: a record the system cannot have written must not hide
// an entry that does start.
bool ApprovedDataDisabled(uint32_t type, std::string_view data) noexcept;

}  // namespace vt::reg
