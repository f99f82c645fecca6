// UTF-8 sequences one code point at a time, for the pure text logic.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vt {

// The code point that starts at s[i] and its length in bytes; false when s[i] does not
// start a complete, valid sequence (the byte then stands for itself). Overlong forms,
// surrogates and values past U+10FFFF are not valid: read as characters, "\xC0\xAA"
// would be a "*" that no one wrote.
inline bool DecodeUtf8(std::string_view s, size_t i, char32_t& cp, size_t& len) noexcept {
    auto b = static_cast<unsigned char>(s[i]);
    len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= kLeast[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

// Calls f(cp, true) for every code point of s in order, and f(byte, false) for a byte that
// does not start a complete sequence, which then stands for itself.
template <typename F>
void ForEachCodePoint(std::string_view s, F&& f) {
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = 0;
        if (DecodeUtf8(s, i, cp, len)) {
            f(cp, true);
            i += len;
        } else {
            f(static_cast<char32_t>(static_cast<unsigned char>(s[i])), false);
            ++i;
        }
    }
}

inline void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace vt
