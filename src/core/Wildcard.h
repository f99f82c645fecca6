// Whole-name wildcard matching shared by the scanners and the startup-entry removal,
// and the component count of key and folder paths.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// "*" any run, "?" one character, "#" one digit, "[abc]" / "[a-c]" one of the list,
// "[!abc]" one not in it; anything else matches itself. Case-sensitive.
bool WildcardMatch(std::string_view name, std::string_view pattern);

// The scanners' form: both sides lowered (every script, LowerCodePoint) before matching.
bool WildcardMatchNoCase(std::string_view name, std::string_view pattern);

// 1 for a non-empty path plus one per "\"; 0 for the empty path.
long PathDepth(std::string_view path);

std::string LowerAscii(std::string_view s);

}  // namespace vt
