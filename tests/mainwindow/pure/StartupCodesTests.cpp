#include <gtest/gtest.h>

#include "mainwindow/pure/StartupCodes.h"

namespace {

using vt::kRootCurrentUser;
using vt::kRootLocalMachine;

TEST(StartupCodes, BuiltFromRootAndExactKey) {
    struct Case {
        int32_t root;
        const char* key;
        const char* code;
    } cases[] = {
        {kRootCurrentUser, vt::kKeyRun, "CUR"},
        {kRootCurrentUser, vt::kKeyRunServicesOnce, "CURSO"},
        {kRootLocalMachine, vt::kKeyRunOnce, "LMRO"},
        {kRootLocalMachine, vt::kKeyRunServices, "LMRS"},
        {kRootLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub", "LM"},
        {kRootCurrentUser, "software\\microsoft\\windows\\currentversion\\run", "CU"},  // exact paths only
        {static_cast<int32_t>(0x80000003u), vt::kKeyRun, "R"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::RegistryEntryCode(c.root, c.key), c.code) << c.key;
}

TEST(StartupCodes, DecodeEveryCode) {
    struct Case {
        const char* code;
        int32_t folder, root;
        const char* key;
    } cases[] = {
        {"CUR", 0, kRootCurrentUser, vt::kKeyRun},          {"CURO", 0, kRootCurrentUser, vt::kKeyRunOnce},
        {"CURS", 0, kRootCurrentUser, vt::kKeyRunServices}, {"CURSO", 0, kRootCurrentUser, vt::kKeyRunServicesOnce},
        {"LMR", 0, kRootLocalMachine, vt::kKeyRun},         {"LMRSO", 0, kRootLocalMachine, vt::kKeyRunServicesOnce},
        {"CU", 0, kRootCurrentUser, ""},                    {"LM", 0, kRootLocalMachine, ""},
        {"UST", 7, 0, ""},                                  {"CST", 24, 0, ""},
        {"", 0, 0, ""},
    };
    for (const auto& c : cases) {
        auto d = vt::DecodeStartupCode(c.code);
        EXPECT_EQ(d.folderId, c.folder) << c.code;
        EXPECT_EQ(d.root, c.root) << c.code;
        EXPECT_EQ(d.key, c.key) << c.code;
    }
}

TEST(StartupCodes, NumericTextIsStrict) {
    for (const char* yes : {"1", "0", "-2", "+3", "1.5", ".5", "5.", "1e3", "1E-3", " 42 ", "-0.25e+2"})
        EXPECT_TRUE(vt::IsNumericText(yes)) << yes;
    for (const char* no : {"", " ", ".", "e3", "1e", "1.2.3", "app.exe", "1,5", "0x10", "12a", "--1", "&H10"})
        EXPECT_FALSE(vt::IsNumericText(no)) << no;
}

}  // namespace
