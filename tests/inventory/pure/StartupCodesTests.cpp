#include <gtest/gtest.h>

#include "inventory/pure/StartupCodes.h"

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

TEST(StartupCodes, TheOtherViewAppendsItsNumberAndDecodesBack) {
    struct Case {
        int32_t root;
        const char* key;
        int32_t view;
        const char* code;
    } cases[] = {
        {kRootLocalMachine, vt::kKeyRun, 32, "LMR32"},
        {kRootLocalMachine, vt::kKeyRunOnce, 32, "LMRO32"},
        {kRootLocalMachine, vt::kKeyRunServices, 32, "LMRS32"},
        {kRootLocalMachine, vt::kKeyRunServicesOnce, 32, "LMRSO32"},
        {kRootLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub", 32, "LM32"},
        {kRootCurrentUser, vt::kKeyRun, 32, "CUR32"},
        {kRootLocalMachine, vt::kKeyRun, 64, "LMR64"},  // the other view of a 32-bit build
        {kRootLocalMachine, vt::kKeyRun, 0, "LMR"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vt::RegistryEntryCode(c.root, c.key, c.view), c.code);
        auto d = vt::DecodeStartupCode(c.code);
        EXPECT_EQ(d.root, c.root) << c.code;
        EXPECT_EQ(d.view, c.view) << c.code;
        EXPECT_EQ(d.folderId, 0) << c.code;
        EXPECT_EQ(d.key, std::string(c.key).find("Sub") == std::string::npos ? c.key : "") << c.code;
    }
}

TEST(StartupCodes, ApprovalRecordsOnlyForRunEntriesAndFolderFiles) {
    struct Case {
        const char* code;
        bool in32;
        int32_t root;
        const char* list;
    } cases[] = {
        {"CUR", false, kRootCurrentUser, "Run"},
        {"LMR", false, kRootLocalMachine, "Run"},
        {"LMR32", true, kRootLocalMachine, "Run32"},
        {"LMR", true, kRootLocalMachine, "Run32"},  // a 32-bit build's own view on a 64-bit system
        {"UST", false, kRootCurrentUser, "StartupFolder"},
        {"CST", false, kRootLocalMachine, "StartupFolder"},
        {"LMRO", false, 0, ""},
        {"LMRO32", true, 0, ""},
        {"CURS", false, 0, ""},
        {"CURSO", false, 0, ""},
        {"LM", false, 0, ""},
        {"LM32", true, 0, ""},
        {"", false, 0, ""},
    };
    for (const auto& c : cases) {
        auto place = vt::ApprovalPlaceFor(vt::DecodeStartupCode(c.code), c.in32);
        EXPECT_EQ(place.list, c.list) << c.code;
        if (*c.list) { EXPECT_EQ(place.root, c.root) << c.code; }
    }
}

TEST(StartupCodes, DecodeEveryCode) {
    struct Case {
        const char* code;
        int32_t folder, root;
        const char* key;
    } cases[] = {
        {"CUR", 0, kRootCurrentUser, vt::kKeyRun},
        {"CURO", 0, kRootCurrentUser, vt::kKeyRunOnce},
        {"CURS", 0, kRootCurrentUser, vt::kKeyRunServices},
        {"CURSO", 0, kRootCurrentUser, vt::kKeyRunServicesOnce},
        {"LMR", 0, kRootLocalMachine, vt::kKeyRun},
        {"LMRSO", 0, kRootLocalMachine, vt::kKeyRunServicesOnce},
        {"CU", 0, kRootCurrentUser, ""},
        {"LM", 0, kRootLocalMachine, ""},
        {"UST", 7, 0, ""},
        {"CST", 24, 0, ""},
        {"LMRO32", 0, kRootLocalMachine, vt::kKeyRunOnce},
        {"32", 0, 0, ""},
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
