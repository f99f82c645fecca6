#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/Variant.h"
#include "registry/pure/RegistryData.h"

namespace {

using vt::Variant;
using namespace vt::reg;
using namespace std::string_literals;

TEST(Variant, KindsAndText) {
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_EQ(Variant().ToText(), "");
    EXPECT_EQ(Variant(-5).ToText(), "-5");
    EXPECT_EQ(Variant(1.0).ToText(), "1");
    EXPECT_EQ(Variant(1.5).ToText(), "1.5");
    EXPECT_EQ(Variant(1e20).ToText(), "1e+20");
    EXPECT_EQ(Variant("a\0b"s).ToText(), "a\0b"s);  // embedded NULs survive
    EXPECT_EQ(Variant(Variant::ByteArray{'h', 'i'}).ToText(), "hi");
    EXPECT_EQ(Variant(3).kind(), Variant::Kind::Long);
    EXPECT_EQ(Variant(3.0).kind(), Variant::Kind::Double);
    EXPECT_NE(Variant(3), Variant(3.0));  // same number, different kinds
    EXPECT_EQ(Variant("x"), Variant("x"s));
    EXPECT_THROW(Variant(3).Text(), std::bad_variant_access);
}

TEST(RegistryData, KeyPathsAndNames) {
    EXPECT_EQ(GetParentKey("A\\B\\C"), "A\\B");
    EXPECT_EQ(GetParentKey("A"), "");
    EXPECT_EQ(GetParentKey("A\\"), "A");  // used as given: no rewriting
    EXPECT_EQ(ChildKeyName("A\\B\\C"), "C");
    EXPECT_EQ(ChildKeyName("A"), "A");
    EXPECT_EQ(ChildKeyName("A\\B\\"), "");
    EXPECT_EQ(ChildKeyName("A\\\\B"), "B");
    EXPECT_EQ(FormatMachineName("pc1"), "\\\\pc1");
    EXPECT_EQ(FormatMachineName("\\\\pc1"), "\\\\pc1");
    EXPECT_EQ(FormatMachineName("x\\\\y"), "x\\\\y");
    EXPECT_EQ(FormatMachineName("a\\b"), "\\\\a\\b");  // one backslash is not "\\"
    EXPECT_EQ(FormatMachineName(""), "");
    EXPECT_EQ(TrimSpaces("  C:\\t.reg  "), "C:\\t.reg");
    EXPECT_EQ(TrimSpaces("\tx "), "\tx");
    EXPECT_EQ(SwapEndian(0x11223344u), 0x44332211u);
}

TEST(RegistryData, MultiSzFromText) {
    const struct {
        std::string text, bytes;
    } cases[] = {
        {"a\r\n\r\nb\r\n", "a\0b\0\0"s},
        {"a\r\nb", "a\0b\0\0"s},
        {"a\0\0\0b"s, "a\0b\0\0"s},
        {"a\0"s, "a\0\0"s},
        {"", "\0\0"s},
        {"\r\n\r\n", "\0\0"s},
        {"\r\na", "a\0\0"s},          // no empty first item that would hide the rest
        {"a\rb\nc", "a\rb\nc\0\0"s},  // lone CR and LF are text
        {"Citt\xc3\xa0\r\nx", "Citt\xc3\xa0\0x\0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildMultiSz(c.text), c.bytes) << c.text;
}

TEST(RegistryData, RoundingHalfToEvenAndRanges) {
    EXPECT_EQ(ToInt32(2.5), 2);
    EXPECT_EQ(ToInt32(3.5), 4);
    EXPECT_EQ(ToInt32(-2.5), -2);
    EXPECT_EQ(ToInt32(2.4), 2);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_FALSE(ToInt32(2147483648.0));
    EXPECT_FALSE(ToInt32(std::nan("")));
    EXPECT_EQ(ToInt64(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
    EXPECT_FALSE(ToInt64(9223372036854775808.0));
    EXPECT_FALSE(ToInt64(INFINITY));
}

TEST(RegistryData, EncodeForWrite) {
    using S = EncodeStatus;
    const Variant::ByteArray bytes{1, 0, 255};
    const struct {
        Variant value;
        int32_t type;
        S status;
        std::string stored;
    } cases[] = {
        {Variant("abc"), kSz, S::Ok, "abc\0"s},
        {Variant(), kSz, S::Ok, "\0"s},
        {Variant(42), kExpandSz, S::Ok, "42\0"s},
        {Variant(1.5), kSz, S::Ok, "1.5\0"s},
        {Variant(bytes), kSz, S::UnsuitableKind, ""},
        {Variant("a\r\nb"), kMultiSz, S::Ok, "a\0b\0\0"s},
        {Variant(bytes), kMultiSz, S::UnsuitableKind, ""},
        {Variant(bytes), kBinary, S::Ok, "\x01\x00\xff"s},
        {Variant(), kBinary, S::Ok, ""},
        {Variant("abc"), kBinary, S::UnsuitableKind, ""},
        {Variant(7), kBinary, S::UnsuitableKind, ""},
        {Variant(0x01020304), kDword, S::Ok, "\x04\x03\x02\x01"s},
        {Variant(-1), kDword, S::Ok, "\xff\xff\xff\xff"s},
        {Variant(1), kDwordBigEndian, S::Ok, "\0\0\0\x01"s},
        {Variant(2.5), kDword, S::Ok, "\x02\0\0\0"s},
        {Variant(3e9), kDword, S::Overflow, ""},
        {Variant(-3e9), kDwordBigEndian, S::Overflow, ""},
        {Variant("12"), kDword, S::UnsuitableKind, ""},
        {Variant(), kDword, S::Ok, "\0\0\0\0"s},
        {Variant(bytes), kDword, S::Ok, "\x01\x00\xff"s},  // byte arrays go as they are
        {Variant(bytes), kDwordBigEndian, S::Ok, "\x01\x00\xff"s},
        {Variant(bytes), kQword, S::Ok, "\x01\x00\xff"s},
        {Variant(5e9), kQword, S::Ok, "\x00\xf2\x05\x2a\x01\0\0\0"s},
        {Variant(-2), kQword, S::Ok, "\xfe\xff\xff\xff\xff\xff\xff\xff"s},
        {Variant(1e19), kQword, S::Overflow, ""},
        {Variant("1"), kQword, S::UnsuitableKind, ""},
        {Variant("abc"), kNone, S::UnsupportedType, ""},
        {Variant("abc"), kLink, S::UnsupportedType, ""},
        {Variant(1), 8, S::UnsupportedType, ""},
        {Variant(1), 12, S::UnsupportedType, ""},
        {Variant(1), -1, S::UnsupportedType, ""},
    };
    for (const auto& c : cases) {
        std::string out = "junk";
        EXPECT_EQ(EncodeForWrite(c.value, c.type, out), c.status) << c.value << " type " << c.type;
        EXPECT_EQ(out, c.stored) << c.value << " type " << c.type;
    }
}

TEST(RegistryData, DecodeRead) {
    const struct {
        uint32_t type;
        std::string data;
        Variant value;
    } cases[] = {
        {1, "abc\0"s, Variant("abc")},
        {1, "", Variant()},          // REG_SZ without data: empty
        {1, "abc", Variant("abc")},  // missing terminator: nothing lost
        {1, "\0"s, Variant("")},
        {2, "", Variant("")},           // REG_EXPAND_SZ without data: ""
        {2, "%X%\0"s, Variant("%X%")},  // expanded by the caller
        {7, "a\0b\0\0"s, Variant("a\0b\0"s)},
        {7, "", Variant()},
        {4, "\x04\x03\x02\x01"s, Variant(0x01020304)},
        {4, "\xff\xff\xff\xff"s, Variant(-1)},
        {4, "\x05"s, Variant(5)},  // short data padded
        {5, "\0\0\0\x01"s, Variant(1)},
        {5, "\x80\0\0\0"s, Variant(std::numeric_limits<int32_t>::min())},
        {11, "\x00\xf2\x05\x2a\x01\0\0\0"s, Variant(5e9)},
        {11, "\xfe\xff\xff\xff\xff\xff\xff\xff"s, Variant(-2.0)},
        {3, "\x01\x00"s, Variant(Variant::ByteArray{1, 0})},
        {3, "", Variant(Variant::ByteArray{})},
        {0, "x", Variant(Variant::ByteArray{'x'})},
        {6, "l", Variant(Variant::ByteArray{'l'})},
        {99, "z", Variant(Variant::ByteArray{'z'})},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeRead(c.type, c.data), c.value) << "type " << c.type;
}

TEST(RegistryData, ExportRootNameAndParameters) {
    using S = RootNameStatus;
    // NOLINTNEXTLINE(clang-analyzer-optin.performance.Padding): the table reads in the order of the call's results
    const struct {
        Variant root;
        S status;
        std::string name;
        int32_t number;
    } cases[] = {
        {Variant(kCurrentUser), S::Ok, "HKEY_CURRENT_USER", 0},
        {Variant(kClassesRoot), S::Ok, "HKEY_CLASSES_ROOT", 0},
        {Variant(kLocalMachine), S::Ok, "HKEY_LOCAL_MACHINE", 0},
        {Variant(kUsers), S::Ok, "HKEY_USERS", 0},
        {Variant("-2147483646"), S::Ok, "HKEY_LOCAL_MACHINE", 0},
        {Variant(" 2147483649 "), S::Ok, "HKEY_CURRENT_USER", 0},  // written unsigned
        {Variant("&H80000003"), S::Ok, "HKEY_USERS", 0},
        {Variant(2147483650.0), S::Ok, "HKEY_LOCAL_MACHINE", 0},
        {Variant("HKLM"), S::Ok, "HKLM", 0},
        {Variant("12abc"), S::Ok, "12abc", 0},
        {Variant(0), S::NotAccepted, "", 0},
        {Variant(), S::NotAccepted, "", 0},
        {Variant("0"), S::NotAccepted, "", 0},
        {Variant(static_cast<int32_t>(0x80000005u)), S::NotSupported, "", -2147483643},
        {Variant(5), S::NotSupported, "", 5},
        {Variant(1e12), S::Overflow, "", 0},
    };
    for (const auto& c : cases) {
        std::string name;
        int32_t number = 0;
        EXPECT_EQ(ExportRootName(c.root, name, number), c.status) << c.root;
        if (c.status == S::Ok) { EXPECT_EQ(name, c.name) << c.root; }
        if (c.status == S::NotSupported) { EXPECT_EQ(number, c.number) << c.root; }
    }
    EXPECT_EQ(ExportParameters("C:\\t.reg", "HKEY_CURRENT_USER", "Software\\Test"),
              "/e \"C:\\t.reg\" HKEY_CURRENT_USER\\Software\\Test");
    EXPECT_EQ(ExportParameters("C:\\t.reg", "HKLM", "Software"), "/e \"C:\\t.reg\" HKLM\\Software");
    EXPECT_EQ(ImportParameters("C:\\t.reg"), "/s \"C:\\t.reg\"");
    EXPECT_FALSE(ParseNumber(""));
    EXPECT_FALSE(ParseNumber("++1"));
    EXPECT_FALSE(ParseNumber("&H"));
    EXPECT_EQ(ParseNumber("+1.5e1"), 15.0);
}

}  // namespace
