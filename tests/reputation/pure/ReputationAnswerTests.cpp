#include <gtest/gtest.h>

#include <string>

#include "reputation/pure/ReputationAnswer.h"
#include "reputation/pure/UrlEncode.h"

namespace {

struct AnswerCase {
    const char* what;
    std::string answer;
    int32_t grade;
};

TEST(ReputationAnswer, Table) {
    const std::string h = "Service header\r\n";
    const AnswerCase cases[] = {
        {"safe on the second line", h + "a.exe;This file is usually safe.\r\n", 1},
        {"safe marker without its semicolon still counts", h + "a.exe This file is usually safe.\r\n", 1},
        {"trojan", h + "a.exe;This is a trojan / virus.\r\n", 2},
        {"malware", h + "a.exe;This is malware/adware\r\n", 2},
        {"target", h + "a.exe;Known to be a target for infections.\r\n", 3},
        {"verdict at the start of the next line joins the name's line", h + "a.exe\r\n;This is malware/adware\r\n", 2},
        {"joined target verdict", h + "a.exe\r\n;Known to be a target for infections.\r\n", 3},
        {"No results", h + "No results\r\n", 4},
        {"No results anywhere wins over a verdict", h + "a.exe;This file is usually safe.\r\nNo results\r\n", 4},
        {"only the first match line decides",
         h + "a.exe;This is malware/adware\r\nb.exe;This file is usually safe.\r\n", 2},
        {"verdict in the middle of the third line is ignored",
         h + "a.exe something\r\nb.exe x;This is malware/adware\r\n", 4},
        {"blank line pair between header and match is dropped", h + "\r\n\r\na.exe;This is a trojan / virus.", 2},
        {"other letter case is not recognised", h + "a.exe;this is malware/adware\r\n", 4},
        {"empty answer", "", 0},
        {"only line breaks", "\r\n\r\n\n\r", 0},
        {"header alone", "Service header\r\n", 0},
        {"no CR LF at all keeps the whole text", "a.exe;This file is usually safe.", 1},
        {"plain text without verdict", "Internal Server Error", 4},
        {"garbage with NULs", std::string("\x00\xff\xfe garbage \r\r\n\n;;;\x01", 20), 4},
        {"bare LF lines are one line", "x\ny;This is malware/adware", 2},
        {"first line ends at CR LF even when the next holds a verdict mid-line",
         h + "a.exe\r\nb.exe;This file is usually safe.", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::GradeFromAnswer(c.answer), c.grade) << c.what;
}

TEST(UrlEncode, KeepsUnreservedAndEncodesTheRestAsUtf8) {
    EXPECT_EQ(vt::PercentEncode("notepad.exe"), "notepad.exe");
    EXPECT_EQ(vt::PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(vt::PercentEncode("my app&x.exe"), "my%20app%26x.exe");
    EXPECT_EQ(vt::PercentEncode("a+b#c=d?e/f%g"), "a%2Bb%23c%3Dd%3Fe%2Ff%25g");
    EXPECT_EQ(vt::PercentEncode("caff\xc3\xa8.exe"), "caff%C3%A8.exe");  // U+00E8 in UTF-8
    EXPECT_EQ(vt::PercentEncode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(vt::PercentEncode(""), "");
}

}  // namespace
