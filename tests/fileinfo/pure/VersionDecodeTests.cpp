#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fileinfo/pure/VersionDecode.h"

namespace {

using namespace std::string_literals;

TEST(VersionDecode, StripAtNullAndPadHex) {
    EXPECT_EQ(vt::StripAtNull("abc"), "abc");
    EXPECT_EQ(vt::StripAtNull("ab\0cd"s), "ab");
    EXPECT_EQ(vt::StripAtNull("\0cd"s), "");
    EXPECT_EQ(vt::StripAtNull(""), "");
    EXPECT_EQ(vt::PadHex("9", 2), "09");
    EXPECT_EQ(vt::PadHex("", 2), "00");
    EXPECT_EQ(vt::PadHex("E4", 2), "E4");
    EXPECT_EQ(vt::PadHex("1E4", 2), "E4");  // a longer text keeps its tail
}

TEST(VersionDecode, TranslationKeyIsLanguageThenCodePageHighByteFirst) {
    const uint8_t usAnsi[] = {0x09, 0x04, 0xE4, 0x04};
    EXPECT_EQ(vt::TranslationKey(usAnsi, 4), "040904E4");
    const uint8_t italianUtf8[] = {0x10, 0x04, 0xE9, 0xFD, 0x99, 0x99};  // only the first entry counts
    EXPECT_EQ(vt::TranslationKey(italianUtf8, 6), "0410FDE9");
    const uint8_t zero[] = {0, 0, 0, 0};
    EXPECT_EQ(vt::TranslationKey(zero, 4), "00000000");
    // A value shorter than one entry must not be read past its end.
    EXPECT_EQ(vt::TranslationKey(usAnsi, 3), "");
    EXPECT_EQ(vt::TranslationKey(nullptr, 4), "");
}

TEST(VersionDecode, LanguageAndCodePageWidenSigned16Bit) {
    struct Case {
        const char* key;
        int32_t language, codePage;
    } cases[] = {
        {"040904E4", 1033, 1252}, {"0409FDE9", 1033, -535},
        {"FFFF8000", -1, -32768}, {"7FFF0000", 32767, 0},
        {"0409fde9", 1033, -535}, {"040904E", 0, 0},  // not eight characters
        {"040904E40", 0, 0},      {"", 0, 0},
        {"04G904E4", 0, 1252},  // a bad digit spoils only its own half
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vt::KeyLanguage(c.key), c.language) << c.key;
        EXPECT_EQ(vt::KeyCodePage(c.key), c.codePage) << c.key;
    }
}

TEST(VersionDecode, FlagsTextInListingOrder) {
    EXPECT_EQ(vt::FileFlagsText(0), "");
    EXPECT_EQ(vt::FileFlagsText(0x01), "Debug ");
    EXPECT_EQ(vt::FileFlagsText(0x03), "Debug Pre-release ");
    EXPECT_EQ(vt::FileFlagsText(0x10), "");  // info-inferred adds nothing
    EXPECT_EQ(vt::FileFlagsText(0x3F), "Debug Patched Pre-release Private Special ");
    EXPECT_EQ(vt::FileFlagsText(0xFFFFFFC0), "");
}

TEST(VersionDecode, OsTypeAndSubtypeTexts) {
    struct OsCase {
        uint32_t os;
        const char* text;
    } oses[] = {
        {0x40004, "Win32 API on Windows NT"},
        {0x4, "Win32 API"},
        {0, "Unknown API"},
        {0x10001, "Win16 API on DOS"},
        {0x20002, "PM16 API on OS2/16"},
        {0x30003, "PM32 API on OS2/32"},
        {0x40000, "Unknown API on Windows NT"},
        {0x50004, "Win32 API"},
    };
    for (const auto& c : oses) EXPECT_EQ(vt::FileOSText(c.os), c.text) << std::hex << c.os;

    const char* types[] = {"Unknown", "Application", "DLL", "Driver", "Font", "VXD", "", "Static-link library", ""};
    for (uint32_t t = 0; t < 9; ++t) EXPECT_EQ(vt::FileTypeText(t), types[t]) << t;
    EXPECT_EQ(vt::FileTypeText(0xFFFFFFFF), "");

    struct SubCase {
        uint32_t type, subtype;
        const char* text;
    } subs[] = {
        {3, 0, "Unknown"}, {3, 1, "Printer"},  {3, 7, "System"},  {3, 11, "Input Method"}, {3, 12, "Unknown"},
        {4, 1, "Raster"},  {4, 3, "TrueType"}, {4, 4, "Unknown"}, {5, 0x27, "39"},         {5, 0, "0"},
        {1, 7, "Unknown"}, {2, 3, "Unknown"},  {0, 0, "Unknown"},
    };
    for (const auto& c : subs) EXPECT_EQ(vt::FileSubTypeText(c.type, c.subtype), c.text) << c.type << "/" << c.subtype;
}

TEST(VersionDecode, ExeKindFromPackedShellAnswer) {
    struct Case {
        uint32_t packed;
        int32_t kind;
    } cases[] = {
        {0, 0},          {0x05024550, 1},  // GUI, expects Windows 5.2
        {0x04004550, 1}, {0x00004550, 3},  // console
        {0x00005A4D, 2},                   // MS-DOS
        {0x00004D5A, 2},                   // the same with the signature bytes swapped
        {0x00001234, 0}, {0x80004550, 3},  // negative high word: not a Windows version, decided by the low word
    };
    for (const auto& c : cases) EXPECT_EQ(vt::ExeKind(c.packed), c.kind) << std::hex << c.packed;
}

}  // namespace
