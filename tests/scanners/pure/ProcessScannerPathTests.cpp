#include <gtest/gtest.h>

#include "scanners/pure/ProcessPath.h"

namespace {

struct RewriteCase {
    const char* raw;
    const char* windowsDir;
    const char* full;
    const char* folder;
};

TEST(ProcessModulePath, RewriteAndFolder) {
    const RewriteCase cases[] = {
        {"C:\\Tools\\a.exe", "C:\\Windows", "C:\\Tools\\a.exe", "C:\\Tools\\"},
        {"\\??\\C:\\Tools\\a.exe", "C:\\Windows", "C:\\Tools\\a.exe", "C:\\Tools\\"},
        {"\\SystemRoot\\System32\\smss.exe", "C:\\Windows", "C:\\Windows\\System32\\smss.exe",
         "C:\\Windows\\System32\\"},
        // Only the exact letter case is a prefix to rewrite.
        {"\\systemroot\\System32\\smss.exe", "C:\\Windows", "\\systemroot\\System32\\smss.exe",
         "\\systemroot\\System32\\"},
        // Without a Windows folder the prefix shrinks to a lone backslash.
        {"\\SystemRoot\\System32\\smss.exe", "", "\\System32\\smss.exe", "\\System32\\"},
        // Every occurrence goes, not only a leading one.
        {"C:\\x\\??\\y\\??\\z.exe", "W", "C:\\xyz.exe", "C:\\"},
        // Removal runs first and does not look at what it joined.
        {"\\?\\??\\?\\b.exe", "W", "\\??\\b.exe", "\\??\\"},
        // The Windows folder may itself hold the prefix text: it is not rewritten again.
        {"\\SystemRoot\\a.exe", "\\SystemRoot", "\\SystemRoot\\a.exe", "\\SystemRoot\\"},
        {"a.exe", "W", "a.exe", ""},
        {"", "W", "", ""},
    };
    for (const auto& c : cases) {
        std::string full = vt::RewriteModulePath(c.raw, c.windowsDir);
        EXPECT_EQ(full, c.full) << c.raw;
        EXPECT_EQ(vt::ModuleFolder(full), c.folder) << c.raw;
    }
}

}  // namespace
