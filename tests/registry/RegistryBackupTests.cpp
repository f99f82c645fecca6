#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/Handles.h"
#include "platform/WinText.h"
#include "registry/RegistryBackup.h"
#include "registry/pure/RegistryData.h"
#include "support/TestSupport.h"

namespace vt::test {
namespace {

struct Stored {
    DWORD type = 0;
    std::string bytes;
    bool present = false;
};

Stored Read(HKEY root, const std::string& key, const std::wstring& name, REGSAM view) {
    Stored s;
    UniqueHKey k;
    if (::RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS) return s;
    std::vector<BYTE> buf(70000);
    DWORD size = static_cast<DWORD>(buf.size());
    if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &s.type, buf.data(), &size) != ERROR_SUCCESS) return s;
    s.present = true;
    s.bytes.assign(reinterpret_cast<const char*>(buf.data()), size);
    return s;
}

void Write(HKEY root, const std::string& key, const std::wstring& name, DWORD type, const std::string& bytes,
           REGSAM view) {
    UniqueHKey k;
    ASSERT_EQ(
        ::RegCreateKeyExW(root, Widen(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, k.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

TEST(RegistryBackup, EveryTypeComesBackByteForByteThroughRegImport) {
    TempDir dir;
    LocalAppData local(dir.path());
    TestRegKey key;
    struct Case {
        std::wstring name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {L"Sz", REG_SZ, WideBytes(L"\"C:\\Program Files\\a b\\x.exe\" /min")},
        {L"Caff\u00e8 \"quoted\" back\\slash", REG_SZ, WideBytes(L"Citt\u00e0 \u20ac \\\\server\\\"x\"")},
        {L"EmptySz", REG_SZ, WideBytes(L"")},
        {L"NoBytesSz", REG_SZ, ""},
        {L"LinesSz", REG_SZ, WideBytes(L"one\r\ntwo")},
        {L"Expand", REG_EXPAND_SZ, WideBytes(L"%SystemRoot%\\system32\\x.exe \u00e8")},
        {L"Multi", REG_MULTI_SZ, WideBytes(std::wstring(L"one\0t\u00e9o\0\0", 9), false)},
        {L"Dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {L"Qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
        {L"Binary", REG_BINARY, std::string(300, '\xA5') + std::string("\0\x01\xff", 3)},
        {L"EmptyBinary", REG_BINARY, ""},
    };
    std::string file;
    for (const Case& c : cases) {
        Write(key.root(), key.path(), c.name, c.type, c.bytes, 0);
        std::string reason;
        ASSERT_EQ(BackupRegistryValue(reg::kCurrentUser, key.path(), false, Narrow(c.name), file, reason),
                  BackupResult::Saved)
            << Narrow(c.name) << ": " << reason;
        UniqueHKey k;
        ASSERT_EQ(::RegOpenKeyExW(key.root(), Widen(key.path()).c_str(), 0, KEY_SET_VALUE, k.put()), ERROR_SUCCESS);
        ASSERT_EQ(::RegDeleteValueW(k.get(), c.name.c_str()), ERROR_SUCCESS);
    }
    EXPECT_EQ(file.rfind(dir.path() + "\\Vantorile\\Backup\\removed-", 0), 0u) << file;

    // One file for the day, UTF-16LE with its byte-order mark and the editor's header.
    HANDLE raw = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    UniqueFileHandle f(raw);
    ASSERT_TRUE(f);
    char head[100] = {};
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(f.get(), head, sizeof head, &got, nullptr));
    f.reset();
    const std::string expected = WideBytes(L"\uFEFFWindows Registry Editor Version 5.00\r\n", false);
    ASSERT_EQ(std::string(head, got).substr(0, expected.size()), expected);

    ASSERT_EQ(RegImport(file), 0u);
    for (const Case& c : cases) {
        Stored back = Read(key.root(), key.path(), c.name, 0);
        EXPECT_TRUE(back.present) << Narrow(c.name);
        EXPECT_EQ(back.type, c.type) << Narrow(c.name);
        EXPECT_EQ(back.bytes, c.bytes) << Narrow(c.name);
    }
}

TEST(RegistryBackup, TheMachinesThirtyTwoBitViewIsRestoredInThatView) {
    TempDir dir;
    LocalAppData local(dir.path());
    const std::string key = "Software\\VantorileTests32_" + std::to_string(::GetCurrentProcessId());
    const std::wstring name = L"vt32";
    const std::string bytes = WideBytes(L"C:\\x86\\app.exe");
    Write(HKEY_LOCAL_MACHINE, key, name, REG_SZ, bytes, KEY_WOW64_32KEY);
    std::string file, reason;
    bool saved = BackupRegistryValue(reg::kLocalMachine, key, true, "vt32", file, reason) == BackupResult::Saved;
    {
        UniqueHKey k;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, k.put());
        ::RegDeleteValueW(k.get(), name.c_str());
    }
    EXPECT_TRUE(saved) << reason;
    EXPECT_EQ(RegImport(file), 0u);
    Stored back32 = Read(HKEY_LOCAL_MACHINE, key, name, KEY_WOW64_32KEY);
    Stored back64 = Read(HKEY_LOCAL_MACHINE, key, name, KEY_WOW64_64KEY);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Widen(key).c_str(), KEY_WOW64_64KEY, 0);
    EXPECT_TRUE(back32.present);
    EXPECT_EQ(back32.bytes, bytes);
    EXPECT_FALSE(back64.present);
}

TEST(RegistryBackup, FailsWithAReasonWhereTheFolderCannotBeMadeAndKnowsAMissingValue) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "Vantorile", "a file where the folder should be"));
    LocalAppData local(dir.path());
    TestRegKey key;
    Write(key.root(), key.path(), L"v", REG_SZ, WideBytes(L"x"), 0);
    std::string file, reason;
    EXPECT_EQ(BackupRegistryValue(reg::kCurrentUser, key.path(), false, "v", file, reason), BackupResult::Failed);
    EXPECT_NE(reason.find(dir.path()), std::string::npos) << reason;
    EXPECT_EQ(BackupRegistryValue(reg::kCurrentUser, key.path(), false, "missing", file, reason),
              BackupResult::Missing);
    EXPECT_EQ(BackupRegistryValue(reg::kCurrentUser, key.path() + "\\none", false, "v", file, reason),
              BackupResult::Missing);
}

}  // namespace
}  // namespace vt::test
