// cAdvanceRegistry in a chosen registry view, over a throwaway key under
// HKEY_LOCAL_MACHINE\Software, which the prefix keeps apart for the 32-bit view.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "core/AppError.h"
#include "platform/WinText.h"
#include "registry/cAdvanceRegistry.h"
#include "support/TestSupport.h"

namespace {

using vt::cAdvanceRegistry;
using vt::Variant;
using vt::test::GetRegValue;
using vt::test::PutRegValue;
using vt::test::RegKeyExists;
using vt::test::RegValueExists;

constexpr int32_t kMachine = vt::reg::kLocalMachine;
std::string Sz(const char* text) { return std::string(text) + '\0'; }

class RegistryView : public ::testing::Test {
protected:
    vt::test::TestRegKey key{HKEY_LOCAL_MACHINE};
    const std::string T = key.path();
    cAdvanceRegistry reg;
};

TEST_F(RegistryView, EveryOperationStaysInTheChosenView) {
    EXPECT_EQ(reg.RegistryView(), 0);
    // The same names in both views, with different data.
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T, "v", REG_SZ, Sz("native")));
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T + "\\sub", "s", REG_SZ, Sz("native")));
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T, "v", REG_SZ, Sz("wow"), KEY_WOW64_32KEY));
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T, "only32", REG_SZ, Sz("wow"), KEY_WOW64_32KEY));

    reg.RegistryView(32);
    EXPECT_EQ(reg.ValueEx(kMachine, T, "v").Text(), "wow");
    EXPECT_TRUE(reg.ValueNameExists(kMachine, T, "only32"));
    std::vector<std::string> names;
    ASSERT_TRUE(reg.EnumerateData(names, kMachine, T));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"only32", "v"}));
    EXPECT_FALSE(reg.HasSubKey(kMachine, T));  // "sub" is a native key only
    std::vector<std::string> keys{"kept"};
    EXPECT_FALSE(reg.EnumerateKeys(keys, kMachine, T));
    EXPECT_EQ(keys, (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(reg.KeyExists(kMachine, T + "\\sub"));

    // Writes, creation and deletion land in the 32-bit view and leave the native one alone.
    reg.ValueEx(kMachine, T, "w", Variant("written"));
    EXPECT_TRUE(reg.CreateKey(kMachine, T + "\\made\\deeper"));
    EXPECT_TRUE(reg.DeleteData(kMachine, T, "v"));
    std::string bytes;
    EXPECT_TRUE(GetRegValue(HKEY_LOCAL_MACHINE, T, "w", bytes, KEY_WOW64_32KEY));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, T, "w"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\made\\deeper", KEY_WOW64_32KEY));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\made"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, T, "v", KEY_WOW64_32KEY));
    ASSERT_TRUE(GetRegValue(HKEY_LOCAL_MACHINE, T, "v", bytes));
    EXPECT_EQ(bytes, Sz("native"));
    EXPECT_TRUE(reg.DeleteTree(kMachine, T + "\\made"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\made", KEY_WOW64_32KEY));

    // A key of the same name in both views: deleting it in one keeps the other.
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T + "\\twin", "t", REG_SZ, Sz("a"), KEY_WOW64_32KEY));
    ASSERT_TRUE(PutRegValue(HKEY_LOCAL_MACHINE, T + "\\twin", "t", REG_SZ, Sz("b")));
    EXPECT_TRUE(reg.DeleteKey(kMachine, T + "\\twin"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\twin", KEY_WOW64_32KEY));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\twin"));

    // Back to the program's own view: the native data again.
    reg.RegistryView(0);
    EXPECT_EQ(reg.ValueEx(kMachine, T, "v").Text(), "native");
    EXPECT_FALSE(reg.ValueNameExists(kMachine, T, "only32"));
    EXPECT_TRUE(reg.DeleteKey(kMachine, T + "\\twin"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\twin"));
    // 64 names the native view of this build.
    reg.RegistryView(64);
    EXPECT_EQ(reg.ValueEx(kMachine, T, "v").Text(), "native");
}

TEST_F(RegistryView, OnlyTheThreeViewsAreAccepted) {
    reg.RegistryView(32);
    for (int32_t bad : {-1, 1, 33, 128}) {
        try {
            reg.RegistryView(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const vt::AppError& e) {
            EXPECT_EQ(e.Number(), 5);
            EXPECT_EQ(e.Description(), "Invalid registry view value.");
            EXPECT_EQ(e.Source(), vt::ProgramBaseName() + ".cAdvanceRegistry");
        }
        EXPECT_EQ(reg.RegistryView(), 32);
    }
}

}  // namespace
