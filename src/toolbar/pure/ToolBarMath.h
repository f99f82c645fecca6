// The toolbar's arithmetic, free of any window: colour blending and ramps, caption
// wrapping with a caller-supplied text measure, the button grid and hit testing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// 0x00BBGGRR, or 0x80000000 + n for system colour n (resolved by the window code).
using OleColor = uint32_t;

constexpr uint32_t ToolBarRgb(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

// Nearest integer, halves to even: how the drawing rounds every computed coordinate.
int32_t RoundHalfEven(double v);

// Per channel (255 - alpha) * to / 255 + alpha * from / 255, rounded; both plain RGB.
uint32_t BlendColor(uint32_t colorFrom, uint32_t colorTo, int alpha);

// A word character is A-Z, a-z, "_" or any non-ASCII code point (accented letters
// must not split Italian words); everything else is a place to break a line.
bool IsDelim(char32_t c);
// The first code point of a UTF-8 text; an empty text is a delimiter.
bool IsDelim(std::string_view utf8Char);

// Pixel width of a UTF-8 text in the caption font.
using MeasureText = std::function<int32_t(std::string_view)>;

// Wraps UTF-8 text into lines narrower than length pixels, breaking after the last
// delimiter where possible. filterLines removes CR LF pairs first. Always at least one line.
std::vector<std::string> SplitToLines(std::string_view text, int32_t length, bool filterLines,
                                      const MeasureText& measure);

// Linear per-channel ramp of n colours (integer arithmetic) from `from` to `to`; one
// step is the mean of the two.
std::vector<uint32_t> ColourRamp(uint32_t from, uint32_t to, int32_t n);

enum class GradientDirection {
    Horizontal,    // colours[i] fills column i
    Vertical,      // colours[i] fills row i
    DiagonalDown,  // colours[col + row]: starts at the top-left corner
    DiagonalUp,    // colours[col + (h - 1 - row)]: starts at the bottom-left corner
};
struct GradientPart {
    int32_t x, y, w, h;
    GradientDirection direction;
    std::vector<uint32_t> colours;  // plain RGB
};
// The painted pieces of background gradient `mode` (1..6) over (x, y, w, h); empty for
// mode 0, unknown modes and empty areas.
std::vector<GradientPart> GradientParts(int32_t mode, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t backColor,
                                        uint32_t gradientColor);

struct ToolBarLayoutInput {
    int32_t surfaceWidth = 0, surfaceHeight = 0;  // client pixels
    int32_t buttonCount = 1;
    int32_t buttonsWidth = 90, buttonsHeight = 40;  // already scaled to the window's DPI
    int32_t buttonsPerRow = 3;
    bool autoSize = true, warpSize = true;
    int32_t align = 0;  // 0 free, 1 top, 2 bottom, 3 left, 4 right
    int32_t buttonsStyle = 0, borderStyle = 0;
};
struct ToolBarLayout {
    int32_t buttonsPerRow = 1;
    int32_t rows = 1;
    double cellWidth = 0, cellHeight = 0;
    int32_t inset = 0;  // frame inset s
    // The size the control should take (WarpSize); equal to the surface when it fits.
    int32_t wantWidth = 0, wantHeight = 0;
};
ToolBarLayout ComputeToolBarLayout(const ToolBarLayoutInput& in);

// Top-left corner of button i's cell.
void CellOrigin(const ToolBarLayout& layout, int32_t index, double& x, double& y);

// The enabled button under (x, y), or -1.
int32_t HitTestButton(const ToolBarLayout& layout, int32_t buttonCount, double x, double y,
                      const std::function<bool(int32_t)>& buttonEnabled);

// Caption and icon rectangles of one button (pixels, before rounding).
struct ButtonRects {
    double captionX = 0, captionY = 0, captionW = 0;
    double iconX = 0, iconY = 0, iconW = 0, iconH = 0;
};
// iconBoxWidth is the icon's width plus the padding; textHeight the caption height;
// letterHeight the height of "A".
ButtonRects ComputeButtonRects(int32_t alignment, double x, double y, double cellW, double cellH, double textHeight,
                               double iconBoxWidth, double letterHeight, bool hasIcon, bool hasCaption, double lift);

}  // namespace vt
