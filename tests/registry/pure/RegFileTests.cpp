#include <gtest/gtest.h>

#include "registry/pure/RegFile.h"
#include "registry/pure/RegistryData.h"

namespace {

using vt::reg::RegValueLine;

// The bytes a wide call stores for a text, with its terminating NUL.
std::string Wide(std::u16string_view s, bool terminate = true) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    if (terminate) out.append(2, '\0');
    return out;
}

TEST(RegFile, ValueLinesInEveryForm) {
    struct Case {
        const char* name;
        uint32_t type;
        std::string data;
        std::u16string line;
    } cases[] = {
        {"App", 1, Wide(u"C:\\Tools\\app.exe /min"), u"\"App\"=\"C:\\\\Tools\\\\app.exe /min\""},
        {"q\"u\\ote", 1, Wide(u"\"C:\\a b\\x.exe\" -s"), u"\"q\\\"u\\\\ote\"=\"\\\"C:\\\\a b\\\\x.exe\\\" -s\""},
        {"", 1, Wide(u"x"), u"@=\"x\""},
        {"Empty", 1, Wide(u""), u"\"Empty\"=\"\""},
        // Text a quoted string cannot give back exactly is written as its bytes.
        {"NoNul", 1, Wide(u"ab", false), u"\"NoNul\"=hex(1):61,00,62,00"},
        {"Bare", 1, "", u"\"Bare\"=hex(1):"},
        {"Lines", 1, Wide(u"a\r\nb"), u"\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"},
        {"Odd", 1, std::string("a\0b", 3), u"\"Odd\"=hex(1):61,00,62"},
        {"Exp", 2, Wide(u"%SystemRoot%"),
         u"\"Exp\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n"
         u"  25,00,00,00"},
        {"Multi", 7, Wide(std::u16string(u"a\0b\0", 4)), u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
        {"Num", 4, std::string("\x78\x56\x34\x12", 4), u"\"Num\"=dword:12345678"},
        {"Zero", 4, std::string(4, '\0'), u"\"Zero\"=dword:00000000"},
        {"ShortNum", 4, std::string("\x01", 1), u"\"ShortNum\"=hex(4):01"},
        {"Big", 5, std::string("\x00\x00\x00\x01", 4), u"\"Big\"=hex(5):00,00,00,01"},
        {"Q", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8), u"\"Q\"=hex(b):01,02,03,04,05,06,07,08"},
        {"Bin", 3, std::string("\x00\xff\x10", 3), u"\"Bin\"=hex:00,ff,10"},
        {"NoBytes", 3, "", u"\"NoBytes\"=hex:"},
        {"None", 0, "\x01", u"\"None\"=hex(0):01"},
        {"Caf\xc3\xa9 \xe2\x82\xac", 1, Wide(u"d\u00e9j\u00e0 \U0001F600"),
         u"\"Caf\u00e9 \u20ac\"=\"d\u00e9j\u00e0 \U0001F600\""},
    };
    for (const auto& c : cases) EXPECT_EQ(RegValueLine(c.name, c.type, c.data), c.line) << c.name;
}

TEST(RegFile, LongDataWrapsAtTheEditorsWidthAndKeepsEveryByte) {
    std::string data;
    for (int i = 0; i < 300; ++i) data += static_cast<char>(i & 0xFF);
    std::u16string line = RegValueLine("B", 3, data);
    size_t start = 0, bytes = 0;
    bool first = true;
    while (start < line.size()) {
        size_t end = line.find(u"\r\n", start);
        std::u16string part = line.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
        EXPECT_LE(part.size(), 80u);
        if (!first) { EXPECT_EQ(part.substr(0, 2), u"  "); }
        if (end != std::u16string::npos) { EXPECT_EQ(part.back(), u'\\'); }
        for (char16_t c : part) bytes += c == u',';
        first = false;
        if (end == std::u16string::npos) break;
        start = end + 2;
    }
    EXPECT_EQ(bytes, data.size() - 1);  // one comma between each two bytes
    EXPECT_EQ(line.substr(line.size() - 5), u"2a,2b");
}

TEST(RegFile, EntriesNameTheStoredPlace) {
    vt::reg::StoredValue v;
    v.root = vt::reg::kCurrentUser;
    v.key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    v.name = "App";
    v.type = 1;
    v.data = Wide(u"a.exe");
    EXPECT_EQ(vt::reg::RegFileEntry(v, "Rimossa il 2026-12-10"),
              u"; Rimossa il 2026-12-10\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
              u"\"App\"=\"a.exe\"\r\n\r\n");
    // The current user's keys are shared by both views; the machine's Software is not.
    v.view32 = true;
    EXPECT_EQ(vt::reg::RegFileEntry(v)->substr(0, 20), u"[HKEY_CURRENT_USER\\S");
    v.root = vt::reg::kLocalMachine;
    EXPECT_EQ(vt::reg::RegFileEntry(v)->substr(0, 68),
              u"[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVe");
    v.key = "SOFTWARE\\WOW6432Node\\X";
    EXPECT_EQ(vt::reg::RegFileEntry(v)->substr(0, 43), u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X]");
    v.key = "System\\X";
    EXPECT_EQ(vt::reg::RegFileEntry(v)->substr(0, 30), u"[HKEY_LOCAL_MACHINE\\System\\X]\r");
    v.view32 = false;
    v.key = "Software\\Caf\xc3\xa9";
    EXPECT_EQ(vt::reg::RegFileEntry(v)->substr(0, 34), u"[HKEY_LOCAL_MACHINE\\Software\\Caf\u00e9]");
    v.root = 0x1234;
    EXPECT_EQ(vt::reg::RegFileEntry(v), std::nullopt);

    EXPECT_EQ(vt::reg::RegFileHeader(), u"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_EQ(vt::reg::BackupFileName(2026, 12, 1), "removed-2026-12-01.reg");
}

TEST(RegFile, ANameWithALineBreakIsNeverWrittenAsLinesOfItsOwn) {
    vt::reg::StoredValue v;
    v.root = vt::reg::kCurrentUser;
    v.key = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    v.type = 1;
    v.data = Wide(u"a.exe");
    // Imported, such a name would add a key and a value of the attacker's choosing.
    for (const char* name : {"x\r\n[HKEY_LOCAL_MACHINE\\Software\\Evil]\r\n\"Run\"=\"evil.exe", "a\nb", "a\rb"}) {
        v.name = name;
        EXPECT_EQ(vt::reg::RegFileEntry(v), std::nullopt) << name;
    }
    v.name = "App";
    v.key = "Software\\Bad\r\nKey";
    EXPECT_EQ(vt::reg::RegFileEntry(v), std::nullopt);
    v.key = "Software";
    EXPECT_EQ(vt::reg::RegFileEntry(v, "one\r\ntwo"),
              u"; one  two\r\n[HKEY_CURRENT_USER\\Software]\r\n\"App\"=\"a.exe\"\r\n\r\n");
}

TEST(RegFile, Utf8ToUtf16KeepsEveryLetterAndReplacesBrokenBytes) {
    EXPECT_EQ(vt::reg::Utf16FromUtf8("a\xc3\xa8\xe2\x82\xac\xf0\x9f\x98\x80"), u"a\u00e8\u20ac\U0001F600");
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xc3"), u"\uFFFD");
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xe2\x82x"), u"\uFFFD\uFFFDx");
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");             // an encoded surrogate
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xc0\xaf"), u"\uFFFD\uFFFD");                       // overlong
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xe0\x80\xaf"), u"\uFFFD\uFFFD\uFFFD");             // overlong, three bytes
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xf0\x8f\xbf\xbf"), std::u16string(4, u'\uFFFD'));  // overlong, four
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xf4\x90\x80\x80"), std::u16string(4, u'\uFFFD'));  // past U+10FFFF
    EXPECT_EQ(vt::reg::Utf16FromUtf8("\xf4\x8f\xbf\xbf"), u"\U0010FFFF");
}

}  // namespace
