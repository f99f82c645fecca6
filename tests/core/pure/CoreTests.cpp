#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Text.h"
#include "core/Twips.h"
#include "core/Wildcard.h"

namespace {

struct MatchCase {
    const char* name;
    const char* pattern;
    bool expected;
};

TEST(WildcardMatch, Table) {
    const MatchCase cases[] = {
        {"", "", true},
        {"", "*", true},
        {"a", "", false},
        {"run", "run", true},
        {"Run", "run", false},  // case-sensitive form
        {"runonce", "run*", true},
        {"run", "run*", true},
        {"xrun", "run*", false},  // whole-name match, not a search
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"a1c", "a#c", true},
        {"abc", "a#c", false},
        {"abc", "a[bx]c", true},
        {"abc", "a[!bx]c", false},
        {"ayc", "a[!bx]c", true},
        {"a-c", "a[a-]c", true},   // "-" before "]" is a literal
        {"amc", "a[a-z]c", true},  // range
        {"aMc", "a[a-z]c", false},
        {"a[c", "a[c", true},      // unclosed "[" is a literal
        {"ab", "a[b", false},
        {"a", "[]", false},        // empty list matches nothing
        {"a", "[!]", true},        // negated empty list matches any one character
        {"", "[!]", false},
        {"desktop.ini", "*.ini", true},
        {"x.lnk.txt", "*.lnk", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*b", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*a*b", false},
        {"a*b", "a[*]b", true},
        {"axb", "a[*]b", false},
        {"caff\xc3\xa8.exe", "caff?.exe", true},     // "?" is one character, not one byte
        {"caff\xc3\xa8.exe", "caff??.exe", false},
        {"\xc3\xa8", "[\xc3\xa0-\xc3\xac]", true},  // a range of accented letters
        {"\xc3\xa8", "[!\xc3\xa8]", false},
        {"\xff\xfe", "??", true},                    // invalid bytes stand for themselves
    };
    for (const auto& c : cases)
        EXPECT_EQ(vt::WildcardMatch(c.name, c.pattern), c.expected) << c.name << " ~ " << c.pattern;
}

TEST(WildcardMatch, NoCaseLowersBothSides) {
    EXPECT_TRUE(vt::WildcardMatchNoCase("SOFTWARE", "soft*"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("software", "SOFT*"));
    EXPECT_FALSE(vt::WildcardMatchNoCase("hardware", "SOFT*"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("\xc3\x89T\xc3\x89.TXT", "\xc3\xa9t\xc3\xa9.*"));  // É vs é
}

TEST(SplitText, KeepsEveryPieceBetweenSeparators) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(vt::SplitText("", "\r\n"), V{""});
    EXPECT_EQ(vt::SplitText("one", "\r\n"), V{"one"});
    EXPECT_EQ(vt::SplitText("a\r\nb\r\n", "\r\n"), (V{"a", "b", ""}));
    EXPECT_EQ(vt::SplitText("\r\n\r\n", "\r\n"), (V{"", "", ""}));
    // A lone CR or LF is part of a line, not a break.
    EXPECT_EQ(vt::SplitText("a\rb\nc\r\nd", "\r\n"), (V{"a\rb\nc", "d"}));
    // "\r\r\n": the break is the last two characters.
    EXPECT_EQ(vt::SplitText("a\r\r\nb", "\r\n"), (V{"a\r", "b"}));
    EXPECT_EQ(vt::SplitText(";a;;b;", ";"), (V{"", "a", "", "b", ""}));
    EXPECT_EQ(vt::SplitText("a;b", ""), V{"a;b"});
}

TEST(PathDepth, CountsComponents) {
    EXPECT_EQ(vt::PathDepth(""), 0);
    EXPECT_EQ(vt::PathDepth("Software"), 1);
    EXPECT_EQ(vt::PathDepth("Software\\Microsoft\\Windows"), 3);
    EXPECT_EQ(vt::PathDepth("C:\\"), 2);
    EXPECT_EQ(vt::PathDepth("\\\\"), 3);
}

TEST(Twips, ConvertsAtDpi) {
    EXPECT_EQ(vt::TwipsToPixels(7080, 96), 472);
    EXPECT_EQ(vt::TwipsToPixels(7815, 96), 521);
    EXPECT_EQ(vt::TwipsToPixels(1440, 144), 144);
    EXPECT_EQ(vt::TwipsToPixels(-15, 96), -1);
    EXPECT_EQ(vt::PixelsToTwips(472, 96), 7080);
}

}  // namespace
