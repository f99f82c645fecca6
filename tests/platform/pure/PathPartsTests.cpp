#include <gtest/gtest.h>

#include "platform/pure/PathParts.h"

namespace {

TEST(PathParts, FileNamePartAndBuildPath) {
    EXPECT_EQ(vt::FileNamePart("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(vt::FileNamePart("b.exe"), "b.exe");
    EXPECT_EQ(vt::FileNamePart("C:\\a\\"), "");
    EXPECT_EQ(vt::FileNamePart(""), "");
    EXPECT_EQ(vt::BuildPath("C:\\a", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(vt::BuildPath("C:\\a\\", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(vt::BuildPath("", "b.exe"), "b.exe");
}

}  // namespace
