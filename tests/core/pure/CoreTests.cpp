#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CaseMap.h"
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
        {"a[c", "a[c", true},  // unclosed "[" is a literal
        {"ab", "a[b", false},
        {"a", "[]", false},  // empty list matches nothing
        {"a", "[!]", true},  // negated empty list matches any one character
        {"", "[!]", false},
        {"desktop.ini", "*.ini", true},
        {"x.lnk.txt", "*.lnk", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*b", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*a*b", false},
        {"a*b", "a[*]b", true},
        {"axb", "a[*]b", false},
        {"caff\xc3\xa8.exe", "caff?.exe", true},  // "?" is one character, not one byte
        {"caff\xc3\xa8.exe", "caff??.exe", false},
        {"\xc3\xa8", "[\xc3\xa0-\xc3\xac]", true},  // a range of accented letters
        {"\xc3\xa8", "[!\xc3\xa8]", false},
        {"\xff\xfe", "??", true},   // invalid bytes stand for themselves
        {"1", "\xc0\xa3", false},   // an overlong "#" is two plain bytes, not a digit test
        {"ab", "\xc1\xaa", false},  // nor is an overlong "*" a run
        {"\xc1\xaa", "??", true},
        {"\xed\xa0\x80", "?", false},  // a surrogate is three bytes, not one character
    };
    for (const auto& c : cases)
        EXPECT_EQ(vt::WildcardMatch(c.name, c.pattern), c.expected) << c.name << " ~ " << c.pattern;
}

TEST(WildcardMatch, NoCaseLowersBothSides) {
    EXPECT_TRUE(vt::WildcardMatchNoCase("SOFTWARE", "soft*"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("software", "SOFT*"));
    EXPECT_FALSE(vt::WildcardMatchNoCase("hardware", "SOFT*"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("\xc3\x89T\xc3\x89.TXT", "\xc3\xa9t\xc3\xa9.*"));  // É vs é
    EXPECT_TRUE(vt::WildcardMatchNoCase("\xD0\x94\xD0\x9E\xD0\x9A\xD0\xA3\xD0\x9C\xD0\x95\xD0\x9D\xD0\xA2.TXT",
                                        "\xD0\xB4\xD0\xBE\xD0\xBA\xD1\x83\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82.*"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("\xCE\x91\xCE\xA1\xCE\xA7\xCE\x95\xCE\x99\xCE\x9F",
                                        "\xCE\xB1\xCF\x81\xCF\x87\xCE\xB5\xCE\xB9?"));
    EXPECT_TRUE(vt::WildcardMatchNoCase("\xC4\xB0zmir", "IZMIR"));
    EXPECT_FALSE(vt::WildcardMatchNoCase("Irmak", "\xC4\xB1*"));
    // Lowering never turns an overlong form into the wildcard it spells.
    EXPECT_FALSE(vt::WildcardMatchNoCase("ab", "\xC1\xAA"));
    EXPECT_EQ(vt::LowerText("\xC1\xAA\xC3\x89"), "\xC1\xAA\xC3\xA9");
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

TEST(CaseMap, LowersEveryScriptOneCodePointForOne) {
    const struct {
        const char* text;
        const char* lowered;
    } cases[] = {
        {"\xD0\x9F\xD0\xA0\xD0\x98\xD0\x92\xD0\x95\xD0\xA2, \xD0\x81\xD0\xB6\xD0\xB8\xD0\xBA",
         "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD1\x91\xD0\xB6\xD0\xB8\xD0\xBA"},  // Cyrillic
        {"\xCE\x91\xCE\x92\xCE\x93 \xCE\x86\xCE\x88\xCE\x89 \xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91",
         "\xCE\xB1\xCE\xB2\xCE\xB3 \xCE\xAC\xCE\xAD\xCE\xAE \xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1"},  // Greek with
                                                                                                         // accents
        {"\xC4\xB0STANBUL", "istanbul"},  // dotted capital I: a plain i
        {"I\xC4\x9E"
         "DIR",
         "i\xC4\x9F"
         "dir"},                                                                   // capital I: i, never the dotless i
        {"\xC4\xB1l\xC4\xB1k", "\xC4\xB1l\xC4\xB1k"},                              // dotless small i stays
        {"\xD4\xB1\xD5\x90\xD4\xB5\xD5\x8E", "\xD5\xA1\xD6\x80\xD5\xA5\xD5\xBE"},  // Armenian
        {"\xC4\x80\xC4\x9E\xC5\x81\xC5\x90\xC5\xBD \xC7\x85",
         "\xC4\x81\xC4\x9F\xC5\x82\xC5\x91\xC5\xBE \xC7\x86"},                     // Latin Extended, titlecase digraph
        {"\xE1\xBA\x9E \xEF\xBC\xA1", "\xC3\x9F \xEF\xBD\x81"},                    // capital sharp s, full-width
        {"\xF0\x90\x90\x80\xF0\x90\x90\x81", "\xF0\x90\x90\xA8\xF0\x90\x90\xA9"},  // outside the basic plane
        {"d\xC3\xA9j\xC3\xA0 vu", "d\xC3\xA9j\xC3\xA0 vu"},                        // already lower
        {"A\xff\xc3", "a\xff\xc3"},                                                // bytes that are not UTF-8 stay
    };
    for (const auto& c : cases) EXPECT_EQ(vt::LowerText(c.text), c.lowered) << c.text;
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
