#include <gtest/gtest.h>

#include <climits>
#include <limits>

#include "scanners/pure/ScanRules.h"

namespace {

using namespace vt::scan;

TEST(ScanRules, PatternListsLowerSplitAndJoin) {
    EXPECT_TRUE(SplitPatterns("").empty());
    EXPECT_EQ(SplitPatterns("Run*|X"), (std::vector<std::string>{"run*", "x"}));
    // A trailing bar leaves an empty pattern that only the empty name matches.
    EXPECT_EQ(SplitPatterns(".*|"), (std::vector<std::string>{".*", ""}));
    EXPECT_EQ(JoinPatterns(SplitPatterns("A|b|")), "a|b|");
    EXPECT_TRUE(MatchesAny("", SplitPatterns(".*|")));
    EXPECT_FALSE(MatchesAny("", SplitPatterns(".*")));
    EXPECT_TRUE(MatchesAny("RUNONCE", SplitPatterns("run*|x")));
    EXPECT_TRUE(MatchesAny("X", SplitPatterns("run*|x")));
    EXPECT_FALSE(MatchesAny("xrun", SplitPatterns("run*|x")));
    // Every script reads back lowered.
    EXPECT_EQ(JoinPatterns(SplitPatterns("\xD0\x9F\xD0\xA3\xD0\xA1\xD0\x9A*|"
                                         "\xCE\x95\xCE\x9A\xCE\x9A\xCE\x99\xCE\x9D\xCE\x97\xCE\xA3\xCE\x97|\xC4\xB0?")),
              "\xD0\xBF\xD1\x83\xD1\x81\xD0\xBA*|\xCE\xB5\xCE\xBA\xCE\xBA\xCE\xB9\xCE\xBD\xCE\xB7\xCF\x83\xCE\xB7|i?");
}

TEST(ScanRules, ValidateKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"Software\\\\Classes\\", "Software\\Classes"},
        {"\\\\", ""},
        {"\\Software\\", "Software"},
        {"a\\\\\\\\\\b", "a\\b"},
        {"", ""},
        {"\\", ""},
        {"Software", "Software"},
    };
    for (auto [in, out] : cases) {
        std::string key = in;
        ValidateKey(key);
        EXPECT_EQ(key, out) << in;
    }
}

TEST(ScanRules, KeyAndFolderPaths) {
    EXPECT_EQ(SplitKeyPath("a\\b\\c"), (std::pair<std::string, std::string>{"a\\b", "c"}));
    EXPECT_EQ(SplitKeyPath("c"), (std::pair<std::string, std::string>{"", "c"}));
    EXPECT_EQ(JoinKeyPath("", "Software"), "Software");
    EXPECT_EQ(JoinKeyPath("a", "b"), "a\\b");
    EXPECT_EQ(JoinFolderPath("C:\\", "x"), "C:\\x");
    EXPECT_EQ(JoinFolderPath("C:\\t", "x"), "C:\\t\\x");
    EXPECT_EQ(FolderBaseDepth("C:\\"), 1);
    EXPECT_EQ(FolderBaseDepth("C:"), 1);
    EXPECT_EQ(FolderBaseDepth("C:\\t\\"), 2);
}

TEST(ScanRules, DepthAndKeyFilterGate) {
    std::vector<std::string> keys = SplitPatterns("run*|x");
    const long base = 2;  // start key "Software\Test"
    EXPECT_TRUE(PassesDepthAndKeyFilter("Software\\Test", base, 0, &keys));
    EXPECT_TRUE(PassesDepthAndKeyFilter("Software\\Test\\RunOnce", base, 0, &keys));
    EXPECT_TRUE(PassesDepthAndKeyFilter("Software\\Test\\x", base, 0, &keys));
    EXPECT_FALSE(PassesDepthAndKeyFilter("Software\\Test\\other", base, 0, &keys));
    // Below a kept key every name passes.
    EXPECT_TRUE(PassesDepthAndKeyFilter("Software\\Test\\Run\\anything", base, 0, &keys));
    // Depth limit 1: the start and its children only.
    EXPECT_TRUE(PassesDepthAndKeyFilter("Software\\Test\\Run", base, 1, nullptr));
    EXPECT_FALSE(PassesDepthAndKeyFilter("Software\\Test\\Run\\a", base, 1, nullptr));
    // The root as start key: its children have no leading backslash.
    EXPECT_FALSE(PassesDepthAndKeyFilter(".txt", 0, 1, &keys));
    std::vector<std::string> dots = SplitPatterns(".*|");
    EXPECT_TRUE(PassesDepthAndKeyFilter("", 0, 1, &dots));
    EXPECT_TRUE(PassesDepthAndKeyFilter(".txt", 0, 1, &dots));
    EXPECT_FALSE(PassesDepthAndKeyFilter("CLSID", 0, 1, &dots));
    EXPECT_FALSE(PassesDepthAndKeyFilter(".txt\\shell", 0, 1, &dots));
    EXPECT_TRUE(WithinDepth(5, 3, 0));
    EXPECT_TRUE(WithinDepth(4, 3, 1));
    EXPECT_FALSE(WithinDepth(5, 3, 1));
}

TEST(ScanRules, SixteenBitDepthAndCountOverflow) {
    EXPECT_EQ(ToDepth(32767), std::optional<int16_t>(32767));
    EXPECT_FALSE(ToDepth(32768).has_value());
    EXPECT_FALSE(ToDepth(LONG_MAX).has_value());
    int32_t n = std::numeric_limits<int32_t>::max() - 1;
    EXPECT_TRUE(CheckedIncrement(n));
    EXPECT_FALSE(CheckedIncrement(n));
    EXPECT_EQ(n, std::numeric_limits<int32_t>::max());
}

TEST(ScanRules, LocationSets) {
    auto run = LocationSet(7);
    ASSERT_EQ(run.size(), 8u);
    EXPECT_EQ(run[0].root, kHkeyCurrentUser);
    EXPECT_EQ(run[0].path, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(run[3].path, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce");
    EXPECT_EQ(run[4].root, kHkeyLocalMachine);
    EXPECT_EQ(run[7].path, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce");
    for (const Location& loc : run) EXPECT_EQ(loc.view, 0);
    // The other view of a 64-bit system: the same eight keys again, after the first eight.
    auto both = LocationSet(7, 32);
    ASSERT_EQ(both.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(both[i].root, run[i % 8].root) << i;
        EXPECT_EQ(both[i].path, run[i % 8].path) << i;
        EXPECT_EQ(both[i].view, i < 8 ? 0 : 32) << i;
    }
    EXPECT_EQ(LocationSet(0, 32).size(), 1u);  // only the startup set has a second view
    EXPECT_EQ(LocationSet(2).size(), 1u);
    EXPECT_EQ(LocationSet(2)[0].path, "");
    EXPECT_EQ(LocationSet(8)[1].path, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
    for (int32_t n = 0; n <= 8; ++n) EXPECT_FALSE(LocationSet(n).empty()) << n;
    EXPECT_TRUE(LocationSet(-1).empty());
    EXPECT_TRUE(LocationSet(9).empty());
}

TEST(ScanRules, FolderPropertyRules) {
    EXPECT_EQ(NormaliseFileFilter(""), "*");
    EXPECT_EQ(NormaliseFileFilter("   "), "*");
    EXPECT_EQ(NormaliseFileFilter("*.LNK"), "*.LNK");
    EXPECT_EQ(NormaliseStartPath("c"), "c:");
    EXPECT_EQ(NormaliseStartPath("C:\\x\\"), "C:\\x\\");
    // Default attributes pass everything, even a plain file (128) that shares no bit.
    EXPECT_TRUE(PassesAttributes(39, 0x80));
    EXPECT_FALSE(PassesAttributes(1, 0x80));
    EXPECT_TRUE(PassesAttributes(1, 0x21));
}

}  // namespace
