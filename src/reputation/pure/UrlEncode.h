// Percent-encoding of a query value, so a file name with spaces, "&", "#", "+" or
// non-ASCII letters reaches the service as it is instead of breaking the query.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// Every byte of the UTF-8 text except the unreserved characters (A-Z a-z 0-9 - . _ ~)
// becomes %XX with upper-case hex digits.
std::string PercentEncode(std::string_view utf8);

}  // namespace vt
