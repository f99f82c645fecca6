#include "core/Wildcard.h"

#include <string>

#include "core/CaseMap.h"
#include "core/Utf8.h"

namespace vt {

namespace {

// Names arrive as UTF-8: matching works on characters, so "?" takes one accented letter
// and a bracket list holds whole characters. A byte that does not start a valid sequence
// stands for itself.
std::u32string Decode(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    ForEachCodePoint(s, [&out](char32_t c, bool) { out.push_back(c); });
    return out;
}

// Parses the bracket list starting at pattern[pos] == '['. Returns the index just past
// the closing ']' and whether c belongs to the list, or npos when the bracket is
// unclosed (then "[" is matched as a plain character).
size_t MatchBracket(const std::u32string& pattern, size_t pos, char32_t c, bool& matched) {
    size_t i = pos + 1;
    bool negate = false;
    if (i < pattern.size() && pattern[i] == U'!') {
        negate = true;
        ++i;
    }
    bool inList = false;
    // "[]" and "[!]" are empty lists: nothing, or any one character.
    while (i < pattern.size() && pattern[i] != U']') {
        char32_t lo = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == U'-' && pattern[i + 2] != U']') {
            if (lo <= c && c <= pattern[i + 2]) inList = true;
            i += 3;
        } else {
            if (lo == c) inList = true;
            ++i;
        }
    }
    if (i >= pattern.size()) return std::u32string::npos;
    matched = negate ? !inList : inList;
    return i + 1;
}

bool Match(const std::u32string& name, const std::u32string& pattern) {
    // Iterative matcher with single-star backtracking: linear in practice, no recursion
    // depth to exhaust on long names.
    size_t n = 0, p = 0;
    size_t starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            char32_t pc = pattern[p];
            if (pc == U'*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (pc == U'?') {
                ++p;
                ++n;
                continue;
            }
            if (pc == U'#') {
                if (name[n] >= U'0' && name[n] <= U'9') {
                    ++p;
                    ++n;
                    continue;
                }
            } else if (pc == U'[') {
                bool matched = false;
                size_t next = MatchBracket(pattern, p, name[n], matched);
                if (next == std::u32string::npos) {
                    if (name[n] == U'[') {
                        ++p;
                        ++n;
                        continue;
                    }
                } else if (matched) {
                    p = next;
                    ++n;
                    continue;
                }
            } else if (pc == name[n]) {
                ++p;
                ++n;
                continue;
            }
        }
        if (starP == std::u32string::npos) return false;
        p = starP + 1;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view pattern) { return Match(Decode(name), Decode(pattern)); }

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool WildcardMatchNoCase(std::string_view name, std::string_view pattern) {
    std::u32string n = Decode(name), p = Decode(pattern);
    for (char32_t& c : n) c = LowerCodePoint(c);
    for (char32_t& c : p) c = LowerCodePoint(c);
    return Match(n, p);
}

long PathDepth(std::string_view path) {
    if (path.empty()) return 0;
    long depth = 1;
    for (char c : path)
        if (c == '\\') ++depth;
    return depth;
}

}  // namespace vt
