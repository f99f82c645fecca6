// The registry views of the prefix: Wine keeps HKEY_LOCAL_MACHINE\Software apart for the
// 32-bit view (under Wow6432Node) and shares HKEY_CURRENT_USER\Software, as Windows does.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "support/TestSupport.h"

namespace {

vt::UniqueHKey Open(HKEY root, const std::string& path, REGSAM view) {
    vt::UniqueHKey k;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS) k.release();
    return k;
}

TEST(RegistryViews, ViewNumbersAndTheirFlags) {
    EXPECT_EQ(vt::ViewAccess(0), 0u);
    EXPECT_EQ(vt::ViewAccess(32), static_cast<REGSAM>(KEY_WOW64_32KEY));
    EXPECT_EQ(vt::ViewAccess(64), static_cast<REGSAM>(KEY_WOW64_64KEY));
    for (int32_t v : {0, 32, 64}) EXPECT_TRUE(vt::IsRegistryView(v)) << v;
    for (int32_t v : {-1, 1, 16, 33, 63, 128}) EXPECT_FALSE(vt::IsRegistryView(v)) << v;
    // The x64 build: its own view is the 64-bit one, the other the 32-bit one.
    EXPECT_EQ(vt::ProgramRegistryView(), 64);
    EXPECT_EQ(vt::OtherRegistryView(), 32);
    EXPECT_TRUE(vt::Is32BitView(32));
    EXPECT_FALSE(vt::Is32BitView(0));
    EXPECT_FALSE(vt::Is32BitView(64));
}

TEST(RegistryViews, SharedKeysAreOneKeyAndRedirectedOnesTwo) {
    vt::test::TestRegKey user;
    vt::test::TestRegKey machine(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(
        vt::test::PutRegValue(HKEY_LOCAL_MACHINE, machine.path(), "v", REG_SZ, std::string("x\0", 2), KEY_WOW64_32KEY));
    auto user64 = Open(HKEY_CURRENT_USER, user.path(), 0);
    auto user32 = Open(HKEY_CURRENT_USER, user.path(), KEY_WOW64_32KEY);
    auto machine64 = Open(HKEY_LOCAL_MACHINE, machine.path(), 0);
    auto machine32 = Open(HKEY_LOCAL_MACHINE, machine.path(), KEY_WOW64_32KEY);
    ASSERT_TRUE(user64 && user32 && machine64 && machine32);
    EXPECT_TRUE(vt::SameRegistryKey(user64.get(), user32.get()));
    EXPECT_FALSE(vt::SameRegistryKey(machine64.get(), machine32.get()));
    EXPECT_NE(vt::KernelKeyName(machine32.get()).find(L"Wow6432Node"), std::wstring::npos);
    // A name the system cannot give is never taken for a match.
    EXPECT_FALSE(vt::SameRegistryKey(nullptr, nullptr));
    EXPECT_EQ(vt::KernelKeyName(nullptr), L"");
}

}  // namespace
