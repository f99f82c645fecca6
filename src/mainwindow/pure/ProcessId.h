// The process list's ID column read back as the number the process scanner reported.
#pragma once

#include <cstdint>
#include <string_view>

namespace vt {

// The whole text as a 32-bit integer (an optional "-", digits, nothing else); false and
// id untouched for any other text.
bool ParseProcessId(std::string_view text, int32_t& id);

}  // namespace vt
