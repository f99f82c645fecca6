// Reading and clearing the system's StartupApproved records of startup entries. The
// records live in the 64-bit view, where the system's own startup manager keeps them.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

// True when root's StartupApproved\<list> holds a record for `name` that marks it
// disabled. A missing key or value, or malformed data, reads as enabled.
bool StartupEntryDisabled(int32_t root, const std::string& list, const std::string& name);
// Removes the record; true when there was one and it is gone.
bool DeleteStartupApproval(int32_t root, const std::string& list, const std::string& name);

}  // namespace vt
