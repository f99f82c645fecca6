#include "mainwindow/pure/ProcessId.h"

#include <charconv>

namespace vt {

bool ParseProcessId(std::string_view text, int32_t& id) {
    const char* first = text.data();
    const char* last = first + text.size();
    int32_t value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return false;
    id = value;
    return true;
}

}  // namespace vt
