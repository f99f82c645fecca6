#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <thread>

#include "core/AppError.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "registry/cAdvanceRegistry.h"
#include "support/TestSupport.h"

namespace {

using vt::AppError;
using vt::cAdvanceRegistry;
using vt::Variant;
using namespace vt::reg;
using namespace std::string_literals;

const int32_t kBogusRoot = 0x7FFF0000;  // no handle of this process has that value

// Raw access, so the tests see the bytes the class stored and plant bytes it must read.
void SetRaw(const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
    vt::UniqueHKey k;
    ASSERT_EQ(
        ::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

// The value's bytes as stored, or nullopt when there is no such value.
std::optional<std::string> GetRaw(const std::string& key, const std::string& name, DWORD* type = nullptr) {
    vt::UniqueHKey k;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0, t = 0;
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size + 1, '\0');
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    if (type) *type = t;
    return data;
}

bool RawKeyExists(const std::string& key) {
    vt::UniqueHKey k;
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

void MakeKey(const std::string& key) {
    vt::UniqueHKey k;
    ASSERT_EQ(
        ::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
        ERROR_SUCCESS);
}

// Runs f, expecting an AppError with this number and description from the class.
void ExpectError(const std::function<void()>& f, int32_t number, const std::string& description) {
    try {
        f();
        ADD_FAILURE() << "no error; expected " << number << " " << description;
    } catch (const AppError& e) {
        EXPECT_EQ(e.Number(), number);
        EXPECT_EQ(e.Description(), description);
        EXPECT_EQ(e.Source(), vt::ProgramBaseName() + ".cAdvanceRegistry");
    }
}

// Replaces a key's access list: one entry for everyone with `mask`, or no list at all
// (everything allowed) when mask is 0.
bool SetKeyAccess(const std::string& key, DWORD mask) {
    vt::UniqueHKey k;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, k.put()) != ERROR_SUCCESS) return false;
    SECURITY_DESCRIPTOR sd;
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    alignas(DWORD) BYTE aclBuf[256];
    PACL acl = reinterpret_cast<PACL>(aclBuf);
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (mask) {
        if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
        ::InitializeAcl(acl, sizeof(aclBuf), ACL_REVISION);
        ::AddAccessAllowedAce(acl, ACL_REVISION, mask, everyone);
        ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    } else {
        ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    }
    bool ok = ::RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    if (everyone) ::FreeSid(everyone);
    return ok;
}

// Gives a key its rights back before the test key is removed.
struct AccessRestorer {
    explicit AccessRestorer(std::string k) : key(std::move(k)) {}
    std::string key;
    ~AccessRestorer() { SetKeyAccess(key, 0); }
    AccessRestorer(const AccessRestorer&) = delete;
    AccessRestorer& operator=(const AccessRestorer&) = delete;
};

class Registry : public ::testing::Test {
protected:
    vt::test::TestRegKey testKey;
    const std::string T = testKey.path();
    cAdvanceRegistry reg;
};

TEST_F(Registry, FreshInstanceAndProperties) {
    EXPECT_EQ(reg.ClassRoot(), kCurrentUser);
    EXPECT_EQ(reg.DataType(), kSz);
    EXPECT_TRUE(reg.Default().IsEmpty());
    EXPECT_EQ(reg.ValueName(), "");
    EXPECT_EQ(reg.MachineName(), "");
    // From the version data the tests carry, like the program.
    EXPECT_EQ(reg.Key(), "Software\\Vantorile Project\\Vantorile");

    ExpectError([&] { reg.ClassRoot(0); }, -1, "Invalid registry class root value.");
    EXPECT_EQ(reg.ClassRoot(), kCurrentUser);
    reg.ClassRoot(5);
    EXPECT_EQ(reg.ClassRoot(), 5);

    reg.MachineName("pc1");
    EXPECT_EQ(reg.MachineName(), "\\\\pc1");
    reg.MachineName("\\\\pc2");
    EXPECT_EQ(reg.MachineName(), "\\\\pc2");
}

TEST_F(Registry, ReadsEveryType) {
    ASSERT_TRUE(::SetEnvironmentVariableA("VT_REG_TEST_VAR", "expanded"));
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
        Variant expected;
    } cases[] = {
        {"sz", REG_SZ, "abc\0"s, Variant("abc")},
        {"sz empty", REG_SZ, "", Variant()},
        {"sz nonascii", REG_SZ, "Citt\xc3\xa0\0"s, Variant("Citt\xc3\xa0")},
        {"expand", REG_EXPAND_SZ, "%VT_REG_TEST_VAR%\\x\0"s, Variant("expanded\\x")},
        {"expand unknown", REG_EXPAND_SZ, "%VT_NO_SUCH_VARIABLE%\\x\0"s, Variant("%VT_NO_SUCH_VARIABLE%\\x")},
        {"expand empty", REG_EXPAND_SZ, "", Variant("")},
        {"expand nonascii", REG_EXPAND_SZ, "Citt\xc3\xa0 \xe2\x82\xac %VT_REG_TEST_VAR%\0"s,
         Variant("Citt\xc3\xa0 \xe2\x82\xac expanded")},
        {"multi", REG_MULTI_SZ, "a\0b\0\0"s, Variant("a\0b\0"s)},
        {"dword", REG_DWORD, "\xfe\xff\xff\xff"s, Variant(-2)},
        {"big endian", REG_DWORD_BIG_ENDIAN, "\0\0\x01\x02"s, Variant(0x0102)},
        {"qword", REG_QWORD, "\x00\xf2\x05\x2a\x01\0\0\0"s, Variant(5e9)},
        {"binary", REG_BINARY, "\x01\x00\xff"s, Variant(Variant::ByteArray{1, 0, 255})},
        {"binary empty", REG_BINARY, "", Variant(Variant::ByteArray{})},
        {"none", REG_NONE, "zz", Variant(Variant::ByteArray{'z', 'z'})},
        {"type 42", 42, "q", Variant(Variant::ByteArray{'q'})},
    };
    for (const auto& c : cases) SetRaw(T, c.name, c.type, c.bytes);
    for (const auto& c : cases) {
        reg.DataType(-7);
        EXPECT_EQ(reg.ValueEx(kCurrentUser, T, c.name), c.expected) << c.name;
        EXPECT_EQ(reg.DataType(), static_cast<int32_t>(c.type)) << c.name;
    }
    ::SetEnvironmentVariableA("VT_REG_TEST_VAR", nullptr);

    // Missing value, missing key, unusable roots: Default, and DataType stays.
    reg.DataType(4);
    EXPECT_TRUE(reg.ValueEx(kCurrentUser, T, "missing").IsEmpty());
    reg.Default(Variant("fallback"));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, "missing"), Variant("fallback"));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T + "\\nokey", "sz"), Variant("fallback"));
    EXPECT_EQ(reg.ValueEx(0, T, "sz"), Variant("fallback"));
    EXPECT_EQ(reg.ValueEx(kBogusRoot, T, "sz"), Variant("fallback"));
    EXPECT_EQ(reg.DataType(), 4);

    // The stored location is what Value and omitted parameters use.
    reg.Key(T);
    reg.ValueName("dword");
    EXPECT_EQ(reg.Value(), Variant(-2));
    EXPECT_EQ(reg.ValueEx(std::nullopt, std::nullopt, "sz"), Variant("abc"));
}

TEST_F(Registry, WritesStoreExactBytes) {
    const struct {
        int32_t type;
        Variant value;
        std::string bytes;
    } cases[] = {
        {kSz, Variant("abc"), "abc\0"s},
        {kExpandSz, Variant("%PATH%"), "%PATH%\0"s},
        {kMultiSz, Variant("a\r\n\r\nb\r\n"), "a\0b\0\0"s},
        {kMultiSz, Variant("a\r\nb"), "a\0b\0\0"s},
        {kBinary, Variant(Variant::ByteArray{9, 0, 8}), "\x09\x00\x08"s},
        {kDword, Variant(0x01020304), "\x04\x03\x02\x01"s},
        {kDwordBigEndian, Variant(1), "\0\0\0\x01"s},
        {kQword, Variant(5e9), "\x00\xf2\x05\x2a\x01\0\0\0"s},
    };
    int i = 0;
    for (const auto& c : cases) {
        std::string name = std::to_string(i++);
        name.insert(0, 1, 'v');
        reg.DataType(c.type);
        reg.ValueEx(kCurrentUser, T, name, c.value);
        DWORD type = 0;
        EXPECT_EQ(GetRaw(T, name, &type), c.bytes) << name;
        EXPECT_EQ(type, static_cast<DWORD>(c.type)) << name;
    }
    // Big-endian and 64-bit numbers read back as they were written.
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, "v6"), Variant(1));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, "v7"), Variant(5e9));

    // Non-ASCII names and text arrive as the right characters.
    const std::string name = "nome \xc3\xa8", text = "Citt\xc3\xa0 \xe2\x82\xac";
    reg.DataType(kSz);
    reg.ValueEx(kCurrentUser, T, name, Variant(text));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, name), Variant(text));
    vt::UniqueHKey k;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, vt::Widen(T).c_str(), 0, KEY_QUERY_VALUE, k.put()), ERROR_SUCCESS);
    wchar_t wide[32] = {};
    DWORD size = sizeof(wide);
    ASSERT_EQ(::RegQueryValueExW(k.get(), L"nome \u00e8", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(wide, L"Citt\u00e0 \u20ac");

    // Megabytes go through whole. Under Wine such a write is one request of megabytes into
    // the server's pipe, which takes 64 KB at a time; whenever another program reads this
    // process's memory (every process scan does, in the test programs running beside this
    // one) the server stops the process's first thread, and a stop that lands while that
    // thread's request is half written cuts it: "partial write 65536", and the process
    // dies. The megabytes go from a second thread, which those reads never stop.
    Variant::ByteArray big(size_t{3} * 1024 * 1024);
    for (size_t j = 0; j < big.size(); ++j) big[j] = static_cast<uint8_t>(j * 7);
    const std::string bigText(size_t{1024} * 1024, 'x');
    Variant bigRead, bigTextRead;
    std::string error;
    std::thread([&] {
        try {
            reg.DataType(kBinary);
            reg.ValueEx(kCurrentUser, T, "big", Variant(big));
            bigRead = reg.ValueEx(kCurrentUser, T, "big");
            reg.DataType(kSz);
            reg.ValueEx(kCurrentUser, T, "bigtext", Variant(bigText));
            bigTextRead = reg.ValueEx(kCurrentUser, T, "bigtext");
        } catch (const AppError& e) { error = e.Description(); }
    }).join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(bigRead, Variant(big));
    EXPECT_EQ(bigTextRead, Variant(bigText));

    // The stored location is what Value writes to.
    reg.Key(T);
    reg.ValueName("viaValue");
    reg.Value(Variant("p"));
    EXPECT_EQ(GetRaw(T, "viaValue"), "p\0"s);
}

TEST_F(Registry, ByteArraysAreStoredUnchangedUnderNumberTypes) {
    const Variant::ByteArray four{1, 2, 3, 4}, odd{0xAA, 0xBB, 0xCC}, eight{1, 0, 0, 0, 0, 0, 0, 0x80};
    const struct {
        int32_t type;
        Variant::ByteArray bytes;
    } cases[] = {
        {kDword, four}, {kDword, odd}, {kDwordBigEndian, four}, {kDwordBigEndian, {}}, {kQword, eight}, {kQword, four},
    };
    int i = 0;
    for (const auto& c : cases) {
        std::string name = std::to_string(i++);
        name.insert(0, 1, 'b');
        reg.DataType(c.type);
        reg.ValueEx(kCurrentUser, T, name, Variant(c.bytes));
        DWORD type = 0;
        EXPECT_EQ(GetRaw(T, name, &type), std::string(c.bytes.begin(), c.bytes.end())) << name;
        EXPECT_EQ(type, static_cast<DWORD>(c.type)) << name;
    }
    // A full-sized array reads back as the number its bytes make.
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, "b0"), Variant(0x04030201));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, T, "b2"), Variant(0x01020304));
}

TEST_F(Registry, WriteFailuresLeaveNoValue) {
    // A type that cannot be written: the key is created, nothing stored.
    reg.DataType(kLink);
    ExpectError([&] { reg.ValueEx(kCurrentUser, T + "\\t6", "x", Variant("abc")); }, 6,
                "The specified data type is either invalid or not supported for write purpose.");
    EXPECT_TRUE(RawKeyExists(T + "\\t6"));
    EXPECT_FALSE(GetRaw(T + "\\t6", "x"));
    reg.DataType(99);
    ExpectError([&] { reg.ValueEx(kCurrentUser, T, "x", Variant(1)); }, 99,
                "The specified data type is either invalid or not supported for write purpose.");

    // Conversion failures: neither the key nor the value appear, an old value stays.
    SetRaw(T, "keep", REG_DWORD, "\x07\0\0\0"s);
    reg.DataType(kDword);
    ExpectError([&] { reg.ValueEx(kCurrentUser, T + "\\conv", "x", Variant(3e9)); }, 6, "Overflow");
    ExpectError([&] { reg.ValueEx(kCurrentUser, T, "keep", Variant(3e9)); }, 6, "Overflow");
    ExpectError([&] { reg.ValueEx(kCurrentUser, T, "keep", Variant("12")); }, 4,
                "Cannot set the specified value in the registry using the defined data type.");
    reg.DataType(kBinary);
    ExpectError([&] { reg.ValueEx(kCurrentUser, T, "keep", Variant("text")); }, 3,
                "Cannot set the specified value in the registry using the defined data type.");
    EXPECT_FALSE(RawKeyExists(T + "\\conv"));
    EXPECT_EQ(GetRaw(T, "keep"), "\x07\0\0\0"s);

    // A key that cannot be created names the key, the value and the data.
    reg.DataType(kSz);
    ExpectError([&] { reg.ValueEx(kBogusRoot, "A\\B", "n", Variant(42)); }, kBogusRoot,
                "Unable to open/create registry key: 'A\\B' for setting new value of 'n' to '42'");
}

TEST_F(Registry, CreateAndDeleteKeys) {
    EXPECT_TRUE(reg.CreateKey(kCurrentUser, T + "\\A\\B\\C"));
    EXPECT_TRUE(reg.CreateKey(kCurrentUser, T + "\\A\\B\\C"));  // existing is fine
    ExpectError([&] { reg.CreateKey(kBogusRoot, "X"); }, kBogusRoot, "Unable to create registry key: 'X'");

    EXPECT_FALSE(reg.DeleteKey(kCurrentUser, T + "\\A"));  // still has subkeys
    EXPECT_TRUE(reg.DeleteKey(kCurrentUser, T + "\\A\\B\\C"));
    EXPECT_FALSE(RawKeyExists(T + "\\A\\B\\C"));
    EXPECT_TRUE(RawKeyExists(T + "\\A\\B"));
    EXPECT_FALSE(reg.DeleteKey(kCurrentUser, T + "\\A\\B\\C"));  // gone already
    // The message names the parent that could not be opened.
    ExpectError([&] { reg.DeleteKey(kCurrentUser, T + "\\nope\\x"); }, kCurrentUser,
                "Unable to open registry key '" + T + "\\nope' for delete access.");

    // A path without "\" is deleted straight from the root (here an open key as root).
    vt::UniqueHKey base;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, T.c_str(), 0, KEY_ALL_ACCESS, base.put()), ERROR_SUCCESS);
    const int32_t baseRoot = cAdvanceRegistry::RootOf(base.get());
    EXPECT_TRUE(reg.DeleteKey(baseRoot, "A\\B"));
    EXPECT_TRUE(reg.DeleteKey(baseRoot, "A"));
    EXPECT_FALSE(RawKeyExists(T + "\\A"));
    // "" would name the root itself: refused, nothing deleted.
    MakeKey(T + "\\stay");
    EXPECT_FALSE(reg.DeleteKey(baseRoot, ""));
    EXPECT_FALSE(reg.DeleteTree(baseRoot, ""));
    EXPECT_TRUE(RawKeyExists(T + "\\stay"));

    // Doubled and trailing backslashes are handed on as given. The registry here folds an
    // empty key name away (measured: the raw calls take "dbl\\x" as "dbl\x" and "trail\"
    // as "trail"), so the writes succeed, read back through the path as given, and land
    // in the folded key.
    struct Given {
        std::string path, folded;
    };
    for (const Given& g : {Given{T + "\\dbl\\\\x", T + "\\dbl\\x"}, Given{T + "\\trail\\", T + "\\trail"}}) {
        reg.DataType(kSz);
        EXPECT_NO_THROW(reg.ValueEx(kCurrentUser, g.path, "v", Variant("ok"))) << g.path;
        EXPECT_EQ(reg.ValueEx(kCurrentUser, g.path, "v"), Variant("ok")) << g.path;
        EXPECT_TRUE(reg.KeyExists(kCurrentUser, g.path)) << g.path;
        EXPECT_EQ(GetRaw(g.folded, "v"), "ok\0"s) << g.path;
    }
}

TEST_F(Registry, DataDeletionAndEnumeration) {
    std::vector<std::string> keep{"keep"};
    EXPECT_FALSE(reg.EnumerateData(keep, kCurrentUser, T));
    EXPECT_FALSE(reg.EnumerateKeys(keep, kCurrentUser, T));
    EXPECT_EQ(keep, std::vector<std::string>{"keep"});
    EXPECT_FALSE(reg.DeleteAllData(kCurrentUser, T));
    EXPECT_FALSE(reg.HasSubKey(kCurrentUser, T));

    // Long non-ASCII names come back whole.
    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "\xe2\x82\xac";
    std::vector<std::string> values{"", "a", "b", longName};
    for (const auto& v : values) SetRaw(T, v, REG_SZ, "x\0"s);
    std::vector<std::string> keys{"k1", "k2", longName};
    for (const auto& k : keys) MakeKey(T + "\\" + k);

    std::vector<std::string> got;
    ASSERT_TRUE(reg.EnumerateData(got, kCurrentUser, T));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, values);
    ASSERT_TRUE(reg.EnumerateKeys(got, kCurrentUser, T));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, keys);
    EXPECT_TRUE(reg.HasSubKey(kCurrentUser, T));

    EXPECT_TRUE(reg.ValueNameExists(kCurrentUser, T, "a"));
    EXPECT_TRUE(reg.ValueNameExists(kCurrentUser, T, ""));
    EXPECT_FALSE(reg.ValueNameExists(kCurrentUser, T, "zzz"));
    EXPECT_TRUE(reg.DeleteData(kCurrentUser, T, "a"));
    EXPECT_FALSE(reg.DeleteData(kCurrentUser, T, "a"));
    EXPECT_FALSE(reg.ValueNameExists(kCurrentUser, T, "a"));

    EXPECT_TRUE(reg.DeleteAllData(kCurrentUser, T));
    EXPECT_FALSE(reg.EnumerateData(got, kCurrentUser, T));
    EXPECT_TRUE(RawKeyExists(T + "\\k1"));  // keys are not data

    const std::string missing = T + "\\missing";
    ExpectError([&] { reg.EnumerateData(got, kCurrentUser, missing); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for data query access.");
    ExpectError([&] { reg.EnumerateKeys(got, kCurrentUser, missing); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for key query access.");
    ExpectError([&] { reg.ValueNameExists(kCurrentUser, missing, "a"); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for key query access.");
    ExpectError([&] { reg.HasSubKey(kCurrentUser, missing); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for enumerate subkeys access.");
    ExpectError([&] { reg.DeleteData(kCurrentUser, missing, "a"); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for delete access.");
    ExpectError([&] { reg.DeleteAllData(kCurrentUser, missing); }, kCurrentUser,
                "Unable to open registry key '" + missing + "' for data query access.");

    EXPECT_TRUE(reg.KeyExists(kCurrentUser, T));
    EXPECT_FALSE(reg.KeyExists(kCurrentUser, missing));
    EXPECT_FALSE(reg.KeyExists(0, T));
    EXPECT_FALSE(reg.KeyExists(kBogusRoot, T));
}

TEST_F(Registry, DeleteTreeRemovesDeepestFirst) {
    for (const char* k : {"\\Tree\\A\\A1", "\\Tree\\A\\A2\\deep", "\\Tree\\B"}) MakeKey(T + k);
    SetRaw(T + "\\Tree\\A\\A2", "v", REG_SZ, "x\0"s);
    EXPECT_TRUE(reg.DeleteTree(kCurrentUser, T + "\\Tree"));
    EXPECT_FALSE(RawKeyExists(T + "\\Tree"));
    EXPECT_TRUE(RawKeyExists(T));
    ExpectError([&] { reg.DeleteTree(kCurrentUser, T + "\\Tree"); }, kCurrentUser,
                "Unable to open registry key '" + T + "\\Tree' for key query access.");
}

TEST_F(Registry, KeyWithoutQueryRights) {
    const std::string closed = T + "\\closed";
    MakeKey(closed);
    SetRaw(closed, "v", REG_SZ, "x\0"s);
    AccessRestorer restoreClosed{closed};
    ASSERT_TRUE(SetKeyAccess(closed, WRITE_DAC | READ_CONTROL | DELETE));
    vt::UniqueHKey probe;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, closed.c_str(), 0, KEY_QUERY_VALUE, probe.put()) == ERROR_SUCCESS)
        GTEST_SKIP() << "this platform does not enforce key access lists";

    EXPECT_TRUE(reg.KeyExists(kCurrentUser, closed));
    reg.Default(Variant("d"));
    EXPECT_EQ(reg.ValueEx(kCurrentUser, closed, "v"), Variant("d"));
    std::vector<std::string> names;
    ExpectError([&] { reg.EnumerateKeys(names, kCurrentUser, closed); }, kCurrentUser,
                "Unable to open registry key '" + closed + "' for key query access.");

    // DeleteTree's ending when a key refuses deletion is tested on a model tree: the
    // platform here grants deletion whatever a key's access list says.
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A file that the editor has finished writing: present and no longer growing.
bool WaitForFile(const std::string& path) {
    size_t last = 0;
    return vt::test::PumpUntil(
        [&] {
            if (!vt::test::FileExists(path)) return false;
            size_t now = ReadFileBytes(path).size();
            bool done = now > 0 && now == last;
            last = now;
            ::Sleep(50);
            return done;
        },
        15000);
}

TEST_F(Registry, ExportStartsTheEditor) {
    vt::test::TempDir dir;
    SetRaw(T + "\\exp", "marker", REG_SZ, "vt-export-marker\0"s);
    const std::string kept = dir / "kept.reg", out = dir / "out.reg", named = dir / "named.reg",
                      never = dir / "never.reg";
    ASSERT_TRUE(vt::test::WriteFile(kept, "keep"));

    reg.Export(kept, false, kCurrentUser, T + "\\exp");  // existing, not overwritten: nothing
    ExpectError([&] { reg.Export(never, true, 0, T); }, -1, "Registry root class not accepted.");
    ExpectError([&] { reg.Export(never, true, static_cast<int32_t>(0x80000005u), T); }, -2147483643,
                "Registry root class not supported.");
    reg.Export(out, false, kCurrentUser, T + "\\exp");
    reg.Export(named, true, Variant("HKEY_CURRENT_USER"), T + "\\exp");  // a root name written out

    ASSERT_TRUE(WaitForFile(out));
    ASSERT_TRUE(WaitForFile(named));
    for (const auto& file : {out, named}) {
        std::string bytes = ReadFileBytes(file);
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        EXPECT_NE(text.find(L"vt-export-marker"), std::wstring::npos) << file;
        EXPECT_NE(text.find(vt::Widen(T + "\\exp")), std::wstring::npos) << file;
    }
    EXPECT_EQ(ReadFileBytes(kept), "keep");
    EXPECT_FALSE(vt::test::FileExists(never));
}

TEST_F(Registry, ImportStartsTheEditor) {
    vt::test::TempDir dir;
    ExpectError([&] { reg.Import(dir / "missing.reg"); }, 53, vt::kTextFileNotFound);

    const std::string file = dir / "in.reg";
    ASSERT_TRUE(vt::test::WriteFile(
        file, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + T + "\\Imported]\r\n\"v\"=\"from file\"\r\n\r\n"));
    reg.Import("  " + file + "  ");  // surrounding spaces are not part of the name
    EXPECT_TRUE(vt::test::PumpUntil(
        [&] { return reg.ValueEx(kCurrentUser, T + "\\Imported", "v") == Variant("from file"); }, 15000));
}

TEST_F(Registry, RemoteConnectionRedirectsKeyOperations) {
    EXPECT_FALSE(reg.RemoteDisconnect());

    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD len = sizeof(name);
    ASSERT_TRUE(::GetComputerNameA(name, &len));
    reg.MachineName(name);
    ASSERT_TRUE(reg.RemoteConnect(std::nullopt, kCurrentUser));

    // Whatever root is named, the connected root is used.
    EXPECT_TRUE(reg.KeyExists(kLocalMachine, T));
    EXPECT_TRUE(reg.CreateKey(kLocalMachine, T + "\\remote"));
    EXPECT_TRUE(RawKeyExists(T + "\\remote"));
    reg.DataType(kSz);
    reg.ValueEx(kUsers, T, "r", Variant("via remote"));
    EXPECT_EQ(GetRaw(T, "r"), "via remote\0"s);
    EXPECT_EQ(reg.ValueEx(kLocalMachine, T, "r"), Variant("via remote"));
    EXPECT_EQ(reg.ClassRoot(), kCurrentUser);  // properties untouched

    ASSERT_TRUE(reg.RemoteConnect(std::nullopt, kCurrentUser));  // reconnecting replaces the connection
    EXPECT_TRUE(reg.RemoteDisconnect());
    EXPECT_FALSE(reg.RemoteDisconnect());
    EXPECT_FALSE(reg.KeyExists(kLocalMachine, T));

    ExpectError([&] { reg.RemoteConnect("\\\\vt-no-such-host", kLocalMachine); }, kLocalMachine,
                "Unable to establish remote registry connection: '\\\\vt-no-such-host'");
    EXPECT_FALSE(reg.RemoteDisconnect());
}

}  // namespace
