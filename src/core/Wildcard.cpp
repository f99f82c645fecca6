#include "core/Wildcard.h"

#include <vector>

namespace vt {

namespace {

// Parses the bracket list starting at pattern[pos] == '['. Returns the index just past
// the closing ']' and whether c belongs to the list, or npos when the bracket is
// unclosed (then "[" is matched as a plain character).
size_t MatchBracket(std::string_view pattern, size_t pos, char c, bool& matched) {
    size_t i = pos + 1;
    bool negate = false;
    if (i < pattern.size() && pattern[i] == '!') {
        negate = true;
        ++i;
    }
    bool inList = false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != ']' || first)) {
        // A "]" right after "[" or "[!" would make "[]" / "[!]" unclosable; treat "[]"
        // and "[!]" as empty lists instead, which is what the scanners' callers expect.
        if (pattern[i] == ']' && first) break;
        first = false;
        char lo = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            char hi = pattern[i + 2];
            if (static_cast<unsigned char>(lo) <= static_cast<unsigned char>(c) &&
                static_cast<unsigned char>(c) <= static_cast<unsigned char>(hi))
                inList = true;
            i += 3;
        } else {
            if (lo == c) inList = true;
            ++i;
        }
    }
    if (i >= pattern.size()) return std::string_view::npos;
    matched = negate ? !inList : inList;
    return i + 1;
}

}  // namespace

bool WildcardMatch(std::string_view name, std::string_view pattern) {
    // Iterative matcher with single-star backtracking: linear in practice, no recursion
    // depth to exhaust on long names.
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size()) {
            char pc = pattern[p];
            if (pc == '*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (pc == '?') {
                ++p;
                ++n;
                continue;
            }
            if (pc == '#') {
                if (name[n] >= '0' && name[n] <= '9') {
                    ++p;
                    ++n;
                    continue;
                }
            } else if (pc == '[') {
                bool matched = false;
                size_t next = MatchBracket(pattern, p, name[n], matched);
                if (next == std::string_view::npos) {
                    if (name[n] == '[') {
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
        if (starP == std::string_view::npos) return false;
        p = starP + 1;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool WildcardMatchNoCase(std::string_view name, std::string_view pattern) {
    return WildcardMatch(LowerAscii(name), LowerAscii(pattern));
}

long PathDepth(std::string_view path) {
    if (path.empty()) return 0;
    long depth = 1;
    for (char c : path)
        if (c == '\\') ++depth;
    return depth;
}

}  // namespace vt
