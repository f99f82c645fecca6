// Small text helpers shared by the pure logic.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Left-to-right replacement of every `what` by `with` that never rescans what it has
// inserted. An empty `what` leaves the text as it is.
std::string ReplaceAll(std::string_view s, std::string_view what, std::string_view with);

// The pieces between separators, empty ones included: "a;;b" gives "a", "", "b" and ""
// gives one empty piece. The pieces point into s. An empty separator gives s whole.
std::vector<std::string_view> SplitText(std::string_view s, std::string_view separator);

}  // namespace vt
