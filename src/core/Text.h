// Small text helpers shared by the pure logic.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// Left-to-right replacement of every `what` by `with` that never rescans what it has
// inserted. An empty `what` leaves the text as it is.
std::string ReplaceAll(std::string_view s, std::string_view what, std::string_view with);

}  // namespace vt
