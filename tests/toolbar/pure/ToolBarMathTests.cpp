#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolbar/pure/ToolBarMath.h"

namespace {

using vt::ToolBarRgb;

// A font where every character is 7 pixels wide (multi-byte characters count once).
int32_t FixedWidth(std::string_view s) {
    int32_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n * 7;
}

TEST(ToolBarMath, BlendColor) {
    const uint32_t white = ToolBarRgb(255, 255, 255), black = 0;
    EXPECT_EQ(vt::BlendColor(white, black, 100), ToolBarRgb(100, 100, 100));
    EXPECT_EQ(vt::BlendColor(ToolBarRgb(12, 200, 7), white, 255), ToolBarRgb(12, 200, 7));
    EXPECT_EQ(vt::BlendColor(ToolBarRgb(12, 200, 7), ToolBarRgb(1, 2, 3), 0), ToolBarRgb(1, 2, 3));
    // Channels blend independently: 70 * 200 / 255 + 185 * 10 / 255 = 62.16
    EXPECT_EQ(vt::BlendColor(ToolBarRgb(200, 0, 0), ToolBarRgb(10, 0, 255), 70), ToolBarRgb(62, 0, 185));
}

TEST(ToolBarMath, RoundHalfEven) {
    EXPECT_EQ(vt::RoundHalfEven(2.5), 2);
    EXPECT_EQ(vt::RoundHalfEven(3.5), 4);
    EXPECT_EQ(vt::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(vt::RoundHalfEven(2.6), 3);
}

TEST(ToolBarMath, IsDelim) {
    struct Case {
        const char* ch;
        bool delim;
    } cases[] = {{"7", true},
                 {"_", false},
                 {" ", true},
                 {"-", true},
                 {"a", false},
                 {"Z", false},
                 {"\xc3\xa0", false} /* a grave: part of Italian words */,
                 {"", true}};
    for (const auto& c : cases) EXPECT_EQ(vt::IsDelim(std::string_view(c.ch)), c.delim) << c.ch;
}

TEST(ToolBarMath, SplitToLines) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* text;
        int32_t width;
        bool filter;
        Lines lines;
    } cases[] = {
        {" Processi", 70, true, {"Processi"}},
        {" Scansione file", 80, true, {"Scansione", "file"}},
        {" Scansione", 70, true, {"Scansion", "e"}},            // the leading blank is no break point
        {" Abcdefghijklmn", 70, true, {"Abcdefgh", "ijklmn"}},  // no break point: cut at the character
        {" a\r\nb", 70, true, {"ab"}},
        {" a\r\nb", 70, false, {"a\r\nb"}},
        {" Citt\xc3\xa0"
         "dimare",
         60,
         true,
         {"Citt\xc3\xa0"
          "di",
          "mare"}},  // no break inside the word
        {"", 70, true, {""}},
        {"   ", 70, true, {""}},
        {" x", 1, true, {"x"}},  // narrower than one character: still ends
    };
    for (const auto& c : cases) EXPECT_EQ(vt::SplitToLines(c.text, c.width, c.filter, FixedWidth), c.lines) << c.text;
}

TEST(ToolBarMath, GradientModeTwoSplitsIntoMirroredHalves) {
    const uint32_t back = ToolBarRgb(200, 100, 0), grad = ToolBarRgb(0, 0, 255);
    auto parts = vt::GradientParts(2, 0, 0, 100, 20, back, grad);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].x, 0);
    EXPECT_EQ(parts[0].w, 50);
    ASSERT_EQ(parts[0].colours.size(), 50u);
    EXPECT_EQ(parts[0].colours.front(), grad);
    EXPECT_EQ(parts[0].colours.back(), back);
    EXPECT_EQ(parts[1].x, 49);
    EXPECT_EQ(parts[1].w, 50);  // 49..98
    EXPECT_EQ(parts[1].colours.front(), back);
    EXPECT_EQ(parts[1].colours.back(), grad);
    EXPECT_EQ(parts[0].direction, vt::GradientDirection::Horizontal);
    // Integer interpolation: red 0 -> 200 over 50 steps, step 1 is 200 * 1 / 49 = 4.
    EXPECT_EQ(parts[0].colours[1] & 0xFF, 4u);
}

TEST(ToolBarMath, GradientModesAndDegenerateAreas) {
    const uint32_t back = ToolBarRgb(255, 255, 255), grad = 0;
    EXPECT_TRUE(vt::GradientParts(0, 0, 0, 10, 10, back, grad).empty());
    EXPECT_TRUE(vt::GradientParts(7, 0, 0, 10, 10, back, grad).empty());
    EXPECT_TRUE(vt::GradientParts(1, 0, 0, 0, 10, back, grad).empty());
    EXPECT_TRUE(vt::GradientParts(3, 0, 0, 10, -1, back, grad).empty());
    auto four = vt::GradientParts(4, 0, 0, 10, 100, back, grad);
    ASSERT_EQ(four.size(), 2u);
    EXPECT_EQ(four[1].y, 49);
    EXPECT_EQ(four[1].h, 51);
    auto diag = vt::GradientParts(6, 0, 0, 30, 20, back, grad);
    ASSERT_EQ(diag.size(), 1u);
    EXPECT_EQ(diag[0].colours.size(), 49u);
    EXPECT_EQ(diag[0].direction, vt::GradientDirection::DiagonalUp);
    auto one = vt::GradientParts(1, 0, 0, 1, 5, ToolBarRgb(100, 0, 0), ToolBarRgb(50, 0, 0));
    ASSERT_EQ(one[0].colours.size(), 1u);
    EXPECT_EQ(one[0].colours[0], ToolBarRgb(75, 0, 0)) << "one step is the mean";
}

TEST(ToolBarLayout, ThreeButtonsFillOneRowOfA560PixelControl) {
    vt::ToolBarLayoutInput in;
    in.surfaceWidth = 560;
    in.surfaceHeight = 55;
    in.buttonCount = 3;
    in.buttonsWidth = 80;
    in.buttonsHeight = 55;
    in.buttonsPerRow = 7;
    in.buttonsStyle = 2;
    in.borderStyle = 1;
    auto l = vt::ComputeToolBarLayout(in);
    EXPECT_EQ(l.buttonsPerRow, 7);
    EXPECT_EQ(l.rows, 1);
    EXPECT_EQ(l.cellWidth, 80);
    EXPECT_EQ(l.cellHeight, 55);
    EXPECT_EQ(l.inset, 2);
    EXPECT_EQ(l.wantWidth, 560);
    EXPECT_EQ(l.wantHeight, 55);

    // A taller host area keeps the width and shrinks the height to one row.
    in.surfaceHeight = 300;
    in.surfaceWidth = 600;
    l = vt::ComputeToolBarLayout(in);
    EXPECT_EQ(l.wantWidth, 560);
    EXPECT_EQ(l.wantHeight, 55);
    // Docked to the top: the width is the host's.
    in.align = 1;
    EXPECT_EQ(vt::ComputeToolBarLayout(in).wantWidth, 600);
    // Docked left: the height is the host's.
    in.align = 3;
    EXPECT_EQ(vt::ComputeToolBarLayout(in).wantHeight, 300);
}

TEST(ToolBarLayout, EightButtonsThreePerRowWithoutAutoSize) {
    vt::ToolBarLayoutInput in;
    in.surfaceWidth = 270;
    in.surfaceHeight = 120;
    in.buttonCount = 8;
    in.buttonsWidth = 90;
    in.buttonsHeight = 40;
    in.buttonsPerRow = 3;
    in.autoSize = false;
    in.warpSize = false;
    auto l = vt::ComputeToolBarLayout(in);
    EXPECT_EQ(l.rows, 3);
    const int32_t rowOf[] = {0, 0, 0, 1, 1, 1, 2, 2};
    for (int32_t i = 0; i < 8; ++i) {
        double x = 0;
        double y = 0;
        vt::CellOrigin(l, i, x, y);
        EXPECT_EQ(y, rowOf[i] * 40.0) << i;
        EXPECT_EQ(x, (i % 3) * 90.0) << i;
        EXPECT_EQ(vt::HitTestButton(l, 8, x + 45, y + 20, nullptr), i);
    }
    EXPECT_EQ(vt::HitTestButton(l, 8, 200, 100, nullptr), -1) << "the ninth cell is empty";
}

TEST(ToolBarLayout, HitTestRejectsDisabledOutsideAndNegative) {
    vt::ToolBarLayoutInput in;
    in.surfaceWidth = 240;
    in.surfaceHeight = 40;
    in.buttonCount = 3;
    in.buttonsWidth = 80;
    in.buttonsHeight = 40;
    auto l = vt::ComputeToolBarLayout(in);
    auto enabled = [](int32_t i) { return i != 1; };
    EXPECT_EQ(vt::HitTestButton(l, 3, 10, 10, enabled), 0);
    EXPECT_EQ(vt::HitTestButton(l, 3, 100, 10, enabled), -1);
    EXPECT_EQ(vt::HitTestButton(l, 3, 200, 10, enabled), 2);
    EXPECT_EQ(vt::HitTestButton(l, 3, 250, 10, enabled), -1);
    EXPECT_EQ(vt::HitTestButton(l, 3, -5, 10, enabled), -1);
    EXPECT_EQ(vt::HitTestButton(l, 3, 10, -1, enabled), -1);
    EXPECT_EQ(vt::HitTestButton(l, 3, 10, 45, enabled), -1) << "below the only row";
}

TEST(ToolBarLayout, StretchedCellsStayClickableToTheirRightEdge) {
    // Five buttons, three per row, no warping: cells stretch to 100 pixels.
    vt::ToolBarLayoutInput in;
    in.surfaceWidth = 300;
    in.surfaceHeight = 80;
    in.buttonCount = 5;
    in.buttonsWidth = 90;
    in.buttonsHeight = 40;
    in.warpSize = false;
    auto l = vt::ComputeToolBarLayout(in);
    ASSERT_EQ(l.cellWidth, 100);
    EXPECT_EQ(vt::HitTestButton(l, 5, 285, 10, nullptr), 2);
    EXPECT_EQ(vt::HitTestButton(l, 5, 150, 50, nullptr), 4);
}

TEST(ToolBarLayout, ZeroMetricsDoNotDivideByZero) {
    vt::ToolBarLayoutInput in;
    in.surfaceWidth = 100;
    in.surfaceHeight = 30;
    in.buttonsWidth = 0;
    in.buttonsHeight = 0;
    in.buttonsPerRow = 0;
    in.autoSize = false;
    auto l = vt::ComputeToolBarLayout(in);
    EXPECT_GE(l.buttonsPerRow, 1);
    EXPECT_GT(l.cellWidth, 0);
    EXPECT_EQ(vt::HitTestButton(l, 1, 0.5, 0.5, nullptr), 0);
}

TEST(ToolBarLayout, ButtonRectsByIconAlignment) {
    // Cell 80 x 55, caption 16 high, icon box 42 wide, "A" 16 high.
    auto above = vt::ComputeButtonRects(0, 0, 0, 80, 55, 16, 42, 16, true, true, 2);
    EXPECT_EQ(above.captionY, 39);
    EXPECT_EQ(above.iconH, 39);
    auto left = vt::ComputeButtonRects(2, 0, 0, 80, 55, 16, 42, 16, true, true, 2);
    EXPECT_EQ(left.captionX, 42);
    EXPECT_EQ(left.captionW, 38);
    EXPECT_EQ(left.captionY, 19.5);
    auto right = vt::ComputeButtonRects(3, 0, 0, 80, 55, 16, 42, 16, true, true, 2);
    EXPECT_EQ(right.iconX, 38);
    auto textOnly = vt::ComputeButtonRects(0, 0, 0, 80, 55, 16, 42, 16, false, true, 2);
    EXPECT_EQ(textOnly.captionY, 17.5);
}

}  // namespace
