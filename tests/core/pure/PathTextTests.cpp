#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PathText.h"

namespace {

struct Case {
    const char* in;
    const char* out;
};

TEST(PathText, StripQuotes) {
    const Case cases[] = {
        {"\"C:\\Program Files\\x.exe\" -s", "C:\\Program Files\\x.exe"},
        {"abc", "abc"},
        {"ab\"c", "abc"},
        {"", ""},
        {"\"", ""},
        {"\"\"", ""},
        {"a\"b\"c\"d", "ab"},
        {"\"C:\\a.exe", "C:\\a.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::StripQuotes(c.in), c.out) << c.in;
}

TEST(PathText, StripQuotesBeyond16BitPositions) {
    std::string longText(40000, 'x');
    EXPECT_EQ(vt::StripQuotes(longText + "\"y\"z"), longText + "y");
}

TEST(PathText, GetCommandProgramPath) {
    const Case cases[] = {
        {"C:\\Tools\\app.exe /min", "C:\\Tools\\app.exe"},
        {"rundll32.exe shell32.dll,Control_RunDLL main", "rundll32.exe shell32.dll"},
        {"C:\\Program Files\\x.exe", "C:\\Program Files\\x.exe"},
        {"C:\\Program Files\\app", "C:\\Program"},
        {"x.dll,Entry", "x.dll,Entry"},
        {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", "rundll32.exe shell32.dll,Control_RunDLL desk.cpl"},
        {"a.exe x,y", "a.exe"},
        {"a.exe,x y", "a.exe"},
        {"", ""},
        {"noext", "noext"},
        {"app.exe ", "app.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::GetCommandProgramPath(c.in), c.out) << c.in;
}

TEST(PathText, GetCommandFileName) {
    const Case cases[] = {
        {"C:\\Tools\\app.exe /min", "app.exe"},
        {"C:\\Tools\\app.exe", "app.exe"},
        {"app.exe", "app.exe"},
        {"C:\\Program Files\\app", "Program"},
        {"a.exe,x y", "a.exe,x"},  // a comma does not cut the file name
        {"C:\\dir\\", ""},
        {"", ""},
        {"rundll32.exe C:\\w\\shell32.dll,Control_RunDLL", "shell32.dll,Control_RunDLL"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::GetCommandFileName(c.in), c.out) << c.in;
}

TEST(PathText, GetFileExtensionAndFolder) {
    const Case ext[] = {
        {"C:\\a\\b.lnk", "lnk"}, {"README", "README"}, {"C:\\a.b\\file", "b\\file"}, {"", ""}, {"a.", ""}};
    for (const auto& c : ext) EXPECT_EQ(vt::GetFileExtension(c.in), c.out) << c.in;
    const Case folder[] = {{"C:\\a\\b.exe", "C:\\a\\"}, {"b.exe", ""}, {"", ""}, {"\\", "\\"}};
    for (const auto& c : folder) EXPECT_EQ(vt::GetFolderPath(c.in), c.out) << c.in;
}

TEST(PathText, FileNamePartAndBuildPath) {
    EXPECT_EQ(vt::FileNamePart("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(vt::FileNamePart("b.exe"), "b.exe");
    EXPECT_EQ(vt::FileNamePart("C:\\a\\"), "");
    EXPECT_EQ(vt::FileNamePart(""), "");
    EXPECT_EQ(vt::BuildPath("C:\\a", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(vt::BuildPath("C:\\a\\", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(vt::BuildPath("", "b.exe"), "b.exe");
}

TEST(PathText, SearchPathFolders) {
    using V = std::vector<std::string>;
    EXPECT_EQ(vt::SearchPathFolders(""), V{});
    EXPECT_EQ(vt::SearchPathFolders(";;"), V{});
    EXPECT_EQ(vt::SearchPathFolders("C:\\windows"), V{"C:\\windows"});
    EXPECT_EQ(vt::SearchPathFolders(";C:\\a;;C:\\b\\;"), (V{"C:\\a", "C:\\b\\"}));
    // Blanks and quotes are part of a folder's text.
    EXPECT_EQ(vt::SearchPathFolders(" C:\\a ;\"C:\\b\""), (V{" C:\\a ", "\"C:\\b\""}));
}

TEST(PathText, ProgramFilesFallback) {
    EXPECT_EQ(vt::ProgramFilesFallback("", "C:\\windows"), "C:\\Program Files");
    EXPECT_EQ(vt::ProgramFilesFallback("   ", "D:\\windows"), "D:\\Program Files");
    EXPECT_EQ(vt::ProgramFilesFallback("  D:\\Apps ", "C:\\windows"), "D:\\Apps");
}

}  // namespace
