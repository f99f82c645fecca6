// Wildcard matching of any name against any pattern, checked against a slow reference
// matcher written the plain way (a table over pattern tokens and name characters).
#include "FuzzCheck.h"
#include "core/Wildcard.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// UTF-8 to code points; a byte that starts no valid sequence (overlong forms and
// surrogates included) stands for itself.
std::u32string Decode(std::string_view s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && cp >= kLeast[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!ok) {
            out.push_back(b);
            ++i;
        } else {
            out.push_back(cp);
            i += len;
        }
    }
    return out;
}

struct Token {
    enum Kind { Star, One, Digit, List, Literal } kind;
    char32_t c = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

std::vector<Token> Tokens(const std::u32string& p) {
    std::vector<Token> out;
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == U'*') out.push_back({Token::Star});
        else if (p[i] == U'?') out.push_back({Token::One});
        else if (p[i] == U'#') out.push_back({Token::Digit});
        else if (p[i] == U'[' && p.find(U']', i + 1 + (i + 1 < p.size() && p[i + 1] == U'!')) != std::u32string::npos) {
            Token t{Token::List};
            size_t j = i + 1;
            if (p[j] == U'!') t.negate = true, ++j;
            while (p[j] != U']') {
                if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
                    t.ranges.emplace_back(p[j], p[j + 2]);
                    j += 3;
                } else {
                    t.ranges.emplace_back(p[j], p[j]);
                    ++j;
                }
            }
            out.push_back(t);
            i = j;
        } else {
            out.push_back({Token::Literal, p[i]});
        }
    }
    return out;
}

bool TakesOne(const Token& t, char32_t c) {
    switch (t.kind) {
    case Token::One: return true;
    case Token::Digit: return c >= U'0' && c <= U'9';
    case Token::Literal: return c == t.c;
    case Token::List: {
        bool in = false;
        for (auto [lo, hi] : t.ranges) in = in || (lo <= c && c <= hi);
        return t.negate ? !in : in;
    }
    default: return false;
    }
}

bool Reference(const std::u32string& name, const std::u32string& pattern) {
    const std::vector<Token> tokens = Tokens(pattern);
    // m[j]: the first i name characters are matched by the first j tokens.
    std::vector<char> m(tokens.size() + 1, 0);
    m[0] = 1;
    for (size_t j = 0; j < tokens.size() && tokens[j].kind == Token::Star; ++j) m[j + 1] = 1;
    for (char32_t c : name) {
        std::vector<char> next(tokens.size() + 1, 0);
        for (size_t j = 0; j < tokens.size(); ++j) {
            if (tokens[j].kind == Token::Star) next[j + 1] = next[j] || m[j + 1] || m[j];
            else next[j + 1] = m[j] && TakesOne(tokens[j], c);
        }
        m.swap(next);
    }
    return m[tokens.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;  // the reference is quadratic
    const auto fields = vt::fuzz::Fields(vt::fuzz::AsText(data, size), 2);
    const std::string_view name = fields[0], pattern = fields[1];

    FUZZ_CHECK(vt::WildcardMatch(name, pattern) == Reference(Decode(name), Decode(pattern)));
    FUZZ_CHECK(vt::WildcardMatch(name, "*"));
    FUZZ_CHECK(vt::WildcardMatchNoCase(name, vt::LowerAscii(name)) ||
               name.find_first_of("*?#[") != std::string_view::npos);
    // Lowering both sides first is what the no-case form means, for ASCII letters at least.
    FUZZ_CHECK(vt::WildcardMatchNoCase(name, pattern) == vt::WildcardMatchNoCase(vt::LowerAscii(name), pattern));
    FUZZ_CHECK(vt::PathDepth(name) ==
               (name.empty() ? 0 : 1 + static_cast<long>(std::count(name.begin(), name.end(), '\\'))));
    return 0;
}
