#include <gtest/gtest.h>

#include "reputation/pure/GradeBook.h"

namespace vt {
namespace {

TEST(GradeBook, OneAnswerFillsEveryRowOfItsNameWhateverTheCase) {
    GradeBook book;
    book.Wait("svch0st.exe", 0);
    book.Wait("services.exe", 1);
    book.Wait("SVCH0ST.EXE", 2);
    EXPECT_EQ(book.Waiting(), 2u);
    EXPECT_FALSE(book.Grade("svch0st.exe"));

    EXPECT_EQ(book.Answer("Svch0st.exe", 2), (std::vector<int>{0, 2}));
    EXPECT_EQ(book.Waiting(), 1u);
    // Rows listed later take the grade at once; a second answer has no rows left.
    EXPECT_EQ(book.Grade("SVCH0ST.exe"), 2);
    EXPECT_TRUE(book.Answer("svch0st.exe", 2).empty());
    // An answer of no verdict is an answer all the same.
    EXPECT_EQ(book.Answer("services.exe", 0), (std::vector<int>{1}));
    EXPECT_EQ(book.Grade("services.exe"), 0);
    EXPECT_EQ(book.Waiting(), 0u);

    book.Clear();
    EXPECT_FALSE(book.Grade("svch0st.exe"));
    EXPECT_TRUE(book.Answer("svch0st.exe", 2).empty());
}

}  // namespace
}  // namespace vt
