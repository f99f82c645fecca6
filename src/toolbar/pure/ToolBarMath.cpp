#include "toolbar/pure/ToolBarMath.h"

#include <algorithm>
#include <cmath>

namespace vt {

int32_t RoundHalfEven(double v) {
    double r = std::round(v);
    // std::round sends halves away from zero; pull the odd ones back.
    if (std::fabs(v - std::trunc(v)) == 0.5 && std::fmod(r, 2.0) != 0.0) r -= (v > 0 ? 1.0 : -1.0);
    return static_cast<int32_t>(r);
}

uint32_t BlendColor(uint32_t colorFrom, uint32_t colorTo, int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int from = static_cast<int>((colorFrom >> shift) & 0xFF);
        int to = static_cast<int>((colorTo >> shift) & 0xFF);
        // The exact value is n / 255 with an odd denominator, so it is never a half:
        // plain nearest rounding equals halves-to-even here.
        int n = (255 - alpha) * to + alpha * from;
        out |= static_cast<uint32_t>((n + 127) / 255) << shift;
    }
    return out;
}

bool IsDelim(char32_t c) {
    if (c >= 0x80) return false;
    return !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_');
}

namespace {

// Length in bytes of the UTF-8 sequence starting at s[i] (1 for stray bytes).
size_t CodePointLength(std::string_view s, size_t i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
    if (i + n > s.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

char32_t DecodeAt(std::string_view s, size_t i, size_t n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (n == 1) return b;
    char32_t c = b & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return c;
}

std::string TrimBlanks(std::string_view s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

}  // namespace

bool IsDelim(std::string_view utf8Char) {
    if (utf8Char.empty()) return true;
    return IsDelim(DecodeAt(utf8Char, 0, CodePointLength(utf8Char, 0)));
}

std::vector<std::string> SplitToLines(std::string_view text, int32_t length, bool filterLines,
                                      const MeasureText& measure) {
    std::string source(text);
    if (filterLines) {
        std::string filtered;
        filtered.reserve(source.size());
        for (size_t i = 0; i < source.size(); ++i) {
            if (source[i] == '\r' && i + 1 < source.size() && source[i + 1] == '\n') {
                ++i;
                continue;
            }
            filtered += source[i];
        }
        source.swap(filtered);
    }

    std::vector<std::string> lines;
    std::string line;
    size_t breakAt = 0;  // byte offset in `line` just before the last delimiter; 0 = none
    for (size_t i = 0; i < source.size();) {
        size_t n = CodePointLength(source, i);
        std::string_view ch(source.data() + i, n);
        if (!line.empty() && measure(line + std::string(ch)) >= length) {
            // A break point at the very start would cut nothing and loop forever.
            size_t cut = breakAt > 0 ? breakAt : line.size();
            std::string head = TrimBlanks(std::string_view(line).substr(0, cut));
            if (!head.empty()) lines.push_back(std::move(head));
            line.erase(0, cut);
            breakAt = 0;
        }
        if (IsDelim(DecodeAt(source, i, n))) breakAt = line.size();
        line.append(ch);
        i += n;
    }
    std::string last = TrimBlanks(line);
    if (!last.empty() || lines.empty()) lines.push_back(std::move(last));
    return lines;
}

std::vector<uint32_t> ColourRamp(uint32_t from, uint32_t to, int32_t n) {
    std::vector<uint32_t> out;
    if (n <= 0) return out;
    out.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        uint32_t c = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int a = static_cast<int>((from >> shift) & 0xFF);
            int b = static_cast<int>((to >> shift) & 0xFF);
            int v = n == 1 ? (a + b) / 2 : a + (b - a) * i / (n - 1);
            c |= static_cast<uint32_t>(v) << shift;
        }
        out[static_cast<size_t>(i)] = c;
    }
    return out;
}

std::vector<GradientPart> GradientParts(int32_t mode, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t backColor,
                                        uint32_t gradientColor) {
    std::vector<GradientPart> parts;
    auto add = [&](int32_t px, int32_t py, int32_t pw, int32_t ph, GradientDirection d, uint32_t from, uint32_t to,
                   int32_t steps) {
        if (pw <= 0 || ph <= 0) return;
        parts.push_back({px, py, pw, ph, d, ColourRamp(from, to, steps)});
    };
    if (w <= 0 || h <= 0) return parts;
    const int32_t halfW = RoundHalfEven(w / 2.0), halfH = RoundHalfEven(h / 2.0);
    switch (mode) {
    case 1: add(x, y, w, h, GradientDirection::Horizontal, gradientColor, backColor, w); break;
    case 2:
        add(x, y, halfW, h, GradientDirection::Horizontal, gradientColor, backColor, halfW);
        add(RoundHalfEven(x + w / 2.0 - 1), y, halfW, h, GradientDirection::Horizontal, backColor, gradientColor,
            halfW);
        break;
    case 3: add(x, y, w, h, GradientDirection::Vertical, gradientColor, backColor, h); break;
    case 4:
        add(x, y, w, halfH, GradientDirection::Vertical, gradientColor, backColor, halfH);
        add(x, RoundHalfEven(y + h / 2.0 - 1), w, RoundHalfEven(h / 2.0 + 1), GradientDirection::Vertical, backColor,
            gradientColor, RoundHalfEven(h / 2.0 + 1));
        break;
    case 5: add(x, y, w, h, GradientDirection::DiagonalDown, gradientColor, backColor, w + h - 1); break;
    case 6: add(x, y, w, h, GradientDirection::DiagonalUp, gradientColor, backColor, w + h - 1); break;
    default: break;
    }
    return parts;
}

ToolBarLayout ComputeToolBarLayout(const ToolBarLayoutInput& in) {
    // Zero widths, heights or columns would divide by zero below; a control is never
    // narrower than one pixel per button.
    const int32_t bw = std::max(in.buttonsWidth, 1), bh = std::max(in.buttonsHeight, 1);
    const int32_t count = std::max(in.buttonCount, 1);
    ToolBarLayout out;
    out.buttonsPerRow = std::max(in.buttonsPerRow, 1);
    out.rows = (count - 1) / out.buttonsPerRow + 1;
    out.inset = in.borderStyle != 0 ? 2 : in.buttonsStyle != 2 ? 1 : 0;
    if (in.autoSize) {
        out.buttonsPerRow = std::max(in.surfaceWidth / bw, 1);
        out.rows = (count - 1) / out.buttonsPerRow + 1;
        out.cellWidth =
            (out.buttonsPerRow >= count || in.warpSize) ? bw : static_cast<double>(in.surfaceWidth) / out.buttonsPerRow;
        out.cellHeight = std::max(static_cast<double>(in.surfaceHeight) / out.rows, static_cast<double>(bh));
    } else {
        out.cellWidth = bw;
        out.cellHeight = bh;
    }
    out.wantWidth = in.surfaceWidth;
    out.wantHeight = in.surfaceHeight;
    if (in.warpSize) {
        if (in.surfaceWidth < bw) out.wantWidth = bw;
        if (in.align != 3 && in.align != 4) out.wantHeight = bh * out.rows;
        if (in.align != 1 && in.align != 2) out.wantWidth = RoundHalfEven(out.buttonsPerRow * out.cellWidth);
    }
    return out;
}

void CellOrigin(const ToolBarLayout& layout, int32_t index, double& x, double& y) {
    const int32_t perRow = std::max(layout.buttonsPerRow, 1);
    const int32_t column = index % perRow;
    const int32_t row = index / perRow;
    x = column * layout.cellWidth;
    y = row * layout.cellHeight;
}

int32_t HitTestButton(const ToolBarLayout& layout, int32_t buttonCount, double x, double y,
                      const std::function<bool(int32_t)>& buttonEnabled) {
    // Negative positions arrive while the mouse is captured; they lie outside every cell.
    if (x < 0 || y < 0 || layout.cellWidth <= 0 || layout.cellHeight <= 0) return -1;
    const double column = std::floor(x / layout.cellWidth);
    const double row = std::floor(y / layout.cellHeight);
    // The column test uses the cell width, not the nominal button width: stretched cells
    // must stay clickable up to their right edge.
    if (column >= layout.buttonsPerRow) return -1;
    const double index = column + row * layout.buttonsPerRow;
    if (index < 0 || index >= buttonCount) return -1;
    const auto i = static_cast<int32_t>(index);
    if (buttonEnabled && !buttonEnabled(i)) return -1;
    return i;
}

ButtonRects ComputeButtonRects(int32_t alignment, double x, double y, double cellW, double cellH, double textHeight,
                               double iconBoxWidth, double letterHeight, bool hasIcon, bool hasCaption, double lift) {
    ButtonRects r;
    if (hasIcon && !hasCaption) {
        r.captionX = x;
        r.captionY = y + (cellH - textHeight) / 2;
        r.captionW = cellW;
        r.iconX = x, r.iconY = y, r.iconW = cellW, r.iconH = cellH;
        return r;
    }
    if (!hasIcon) {
        r.captionX = x;
        r.captionY = y + (cellH - textHeight) / 2 - lift;
        r.captionW = cellW;
        return r;
    }
    switch (alignment) {
    case 1:
        r.captionX = x, r.captionY = y, r.captionW = cellW;
        r.iconX = x, r.iconY = y + letterHeight, r.iconW = cellW, r.iconH = cellH - letterHeight;
        break;
    case 2:
        r.captionX = x + iconBoxWidth, r.captionY = y + (cellH - textHeight) / 2, r.captionW = cellW - iconBoxWidth;
        r.iconX = x, r.iconY = y, r.iconW = iconBoxWidth, r.iconH = cellH;
        break;
    case 3:
        r.captionX = x, r.captionY = y + (cellH - textHeight) / 2, r.captionW = cellW - iconBoxWidth;
        r.iconX = x + cellW - iconBoxWidth, r.iconY = y, r.iconW = iconBoxWidth, r.iconH = cellH;
        break;
    default:  // 0, and anything unknown: icon above the caption
        r.captionX = x, r.captionY = y + (cellH - textHeight), r.captionW = cellW;
        r.iconX = x, r.iconY = y, r.iconW = cellW, r.iconH = cellH - letterHeight;
        break;
    }
    return r;
}

}  // namespace vt
