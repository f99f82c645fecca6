// Lower case for every script, from the Unicode character database (one code point for
// one, the same in every locale), for the scanners' filters and name matching.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// The simple lower-case mapping: "İ" (U+0130) becomes a plain "i", the dotless "ı" stays.
char32_t LowerCodePoint(char32_t c) noexcept;

// UTF-8 text with every letter lowered; bytes that are not valid UTF-8 stay as they are.
std::string LowerText(std::string_view utf8);

}  // namespace vt
