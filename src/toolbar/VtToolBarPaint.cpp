// VtToolBar's drawing: background, gradients, frames, icons and captions, all into the
// off-screen DC that WM_PAINT hands over.
#include <algorithm>
#include <cmath>
#include <ranges>
#include <vector>

#include "platform/WinText.h"
#include "toolbar/VtToolBar.h"

namespace vt {

namespace {

constexpr OleColor kWhite = 0xFFFFFF;
constexpr OleColor kBlack = 0;
constexpr OleColor kDisabledText = SystemColour(17);

// COLORREF (0x00BBGGRR) to a 32-bit DIB pixel (0x00RRGGBB).
uint32_t DibPixel(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

}  // namespace

HFONT VtToolBar::CaptionFont() {
    if (!font_ || !(fontDesc_ == Font()) || fontDpi_ != dpi_) {
        const FontDesc& d = Font();
        LOGFONTW lf{};
        lf.lfHeight = -RoundHalfEven(d.size * dpi_ / 72.0);
        lf.lfWeight = d.weight;
        lf.lfItalic = d.italic;
        lf.lfUnderline = d.underline;
        lf.lfStrikeOut = d.strikethrough;
        lf.lfCharSet = static_cast<BYTE>(d.charset);
        std::wstring face = Widen(d.name);
        face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
        std::copy(face.begin(), face.end(), lf.lfFaceName);
        font_.reset(::CreateFontIndirectW(&lf));
        fontDesc_ = d;
        fontDpi_ = dpi_;
    }
    return font_ ? font_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

bool VtToolBar::TileBitmap(const PictureHandle& Picture, HDC dc, int left, int top, int right, int bottom) {
    auto pic = std::dynamic_pointer_cast<ToolBarPicture>(Picture);
    if (!pic || !pic->Bitmap() || ::GetObjectType(pic->Bitmap()) != OBJ_BITMAP) return false;
    BITMAP bm{};
    if (!::GetObjectA(pic->Bitmap(), sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    // A packed 24-bit DIB: header, then rows padded to four bytes.
    const size_t stride = (static_cast<size_t>(bm.bmWidth) * 3 + 3) & ~size_t{3};
    std::vector<unsigned char> packed(sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(bm.bmHeight));
    auto* info = reinterpret_cast<BITMAPINFO*>(packed.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = bm.bmWidth;
    info->bmiHeader.biHeight = bm.bmHeight;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    if (!::GetDIBits(dc, pic->Bitmap(), 0, static_cast<UINT>(bm.bmHeight), packed.data() + sizeof(BITMAPINFOHEADER),
                     info, DIB_RGB_COLORS))
        return false;
    UniqueHBrush brush(::CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS));
    if (!brush) return false;
    POINT old{};
    ::SetBrushOrgEx(dc, left, top, &old);
    RECT r{left, top, right, bottom};
    ::FillRect(dc, &r, brush.get());
    ::SetBrushOrgEx(dc, old.x, old.y, nullptr);
    return true;
}

void VtToolBar::FillBackground(HDC dc, int x, int y, int w, int h, OleColor back, OleColor gradient,
                               int32_t mode) const {
    for (const GradientPart& part : GradientParts(mode, x, y, w, h, TranslateColor(back), TranslateColor(gradient))) {
        int srcW = 1, srcH = 1;
        std::vector<uint32_t> pixels;
        switch (part.direction) {
        case GradientDirection::Horizontal:
            srcW = part.w;
            for (uint32_t c : part.colours) pixels.push_back(DibPixel(c));
            break;
        case GradientDirection::Vertical:
            // Bottom-up rows: the last colour is the first row in memory.
            srcH = part.h;
            for (auto c = part.colours.rbegin(); c != part.colours.rend(); ++c) pixels.push_back(DibPixel(*c));
            break;
        case GradientDirection::DiagonalDown:
        case GradientDirection::DiagonalUp:
            srcW = part.w;
            srcH = part.h;
            pixels.resize(static_cast<size_t>(srcW) * static_cast<size_t>(srcH));
            for (int row = 0; row < srcH; ++row) {
                const int top = srcH - 1 - row;  // memory row `row` is screen row `top`
                const int offset = part.direction == GradientDirection::DiagonalDown ? top : srcH - 1 - top;
                for (int col = 0; col < srcW; ++col)
                    pixels[static_cast<size_t>(row) * srcW + col] =
                        DibPixel(part.colours[static_cast<size_t>(col) + static_cast<size_t>(offset)]);
            }
            break;
        }
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = srcW;
        bi.bmiHeader.biHeight = srcH;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        ::StretchDIBits(dc, part.x, part.y, part.w, part.h, 0, 0, srcW, srcH, pixels.data(), &bi, DIB_RGB_COLORS,
                        SRCCOPY);
    }
}

void VtToolBar::DrawEdge3D(HDC dc, OleColor colour, int x, int y, int w, int h, bool sunken, bool deep) const {
    UniqueHPen light(::CreatePen(PS_SOLID, 1, BlendColor(colour, kWhite, 70)));
    UniqueHPen dark(::CreatePen(PS_SOLID, 1, BlendColor(colour, kBlack, 70)));
    HPEN topLeft = sunken ? dark.get() : light.get();
    HPEN bottomRight = sunken ? light.get() : dark.get();
    {
        SelectObjectScope sel(dc, topLeft);
        Line(dc, x, y, x + w, y);
        Line(dc, x, y, x, y + h);
    }
    {
        SelectObjectScope sel(dc, bottomRight);
        Line(dc, x + w - 1, y, x + w - 1, y + h);
        Line(dc, x, y + h - 1, x + w, y + h - 1);
    }
    if (deep) {
        UniqueHPen deepPen(::CreatePen(PS_SOLID, 1, BlendColor(colour, kBlack, 250)));
        SelectObjectScope sel(dc, deepPen.get());
        Line(dc, x + w - 2, y + 1, x + w - 2, y + h - 2);
        Line(dc, x + 1, y + h - 2, x + w - 2, y + h - 2);
    }
}

void VtToolBar::DrawButtonIcon(HDC dc, const PictureHandle& picture, int x, int y, int w, int h, int mode) const {
    auto pic = std::dynamic_pointer_cast<ToolBarPicture>(picture);
    if (!pic || mode < -1) return;
    const int pw = pic->Width(), ph = pic->Height();
    const int px = RoundHalfEven(x + (w - pw) / 2.0), py = RoundHalfEven(y + (h - ph) / 2.0);
    if (mode == 1) {
        if (pic->Icon()) {
            ::DrawIconEx(dc, px, py, pic->Icon(), pw, ph, 0, nullptr, DI_NORMAL);
        } else if (pic->Bitmap()) {
            UniqueMemDC mem(::CreateCompatibleDC(dc));
            if (!mem) return;
            SelectObjectScope sel(mem.get(), pic->Bitmap());
            ::BitBlt(dc, px, py, pw, ph, mem.get(), 0, 0, SRCCOPY);
        }
        return;
    }
    // The grey silhouette of shadows and disabled buttons.
    UniqueHBrush grey(::CreateSolidBrush(RGB(128, 128, 128)));
    if (pic->Icon())
        ::DrawStateA(dc, grey.get(), nullptr, reinterpret_cast<LPARAM>(pic->Icon()), 0, px, py, pw, ph,
                     DST_ICON | DSS_MONO);
    else if (pic->Bitmap())
        ::DrawStateA(dc, grey.get(), nullptr, reinterpret_cast<LPARAM>(pic->Bitmap()), 0, px, py, pw, ph,
                     DST_BITMAP | DSS_MONO);
}

void VtToolBar::DrawCaptionText(HDC dc, const std::string& text, int x, int y, int w, int h) const {
    std::wstring wide = Widen(text);
    RECT r{x, y, x + w, y + h};
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_CENTER);
}

void VtToolBar::Paint(HDC dc, const RECT& client) {
    if (events_) events_->OnRedrawing(Button_Index());
    const int w = client.right - client.left, h = client.bottom - client.top;
    {
        UniqueHBrush back(::CreateSolidBrush(TranslateColor(BackColor())));
        ::FillRect(dc, &client, back.get());
    }
    ::SetBkColor(dc, TranslateColor(BackColor()));
    ::SetBkMode(dc, TRANSPARENT);
    SelectObjectScope fontSel(dc, CaptionFont());

    if (BackGround() && BackGradient() == 0) TileBitmap(BackGround(), dc, 0, 0, w, h);
    FillBackground(dc, 0, 0, w, h, BackColor(), BackGradientCol(), BackGradient());
    if (BorderStyle() == 1 || BorderStyle() == 2)
        DrawEdge3D(dc, BorderColor(), 0, 0, w, h, BorderStyle() == 2, Appearance() != 0);

    SIZE letter{};
    ::GetTextExtentPoint32W(dc, L"A", 1, &letter);
    const int inset = layout_.inset;
    for (int32_t i = 0; i < Button_Count(); ++i) {
        double x = 0;
        double y = 0;
        CellOrigin(layout_, i, x, y);
        PaintButton(dc, i, x, y, inset, letter.cy);
    }

    // Keyboard users need to see which button Enter would press.
    if (::GetFocus() == hwnd() && Button_Index() >= 0 && Button_Index() < Button_Count()) {
        double x = 0;
        double y = 0;
        CellOrigin(layout_, Button_Index(), x, y);
        const int pad = inset + 2;
        RECT fr{RoundHalfEven(x) + pad, RoundHalfEven(y) + pad, RoundHalfEven(x + layout_.cellWidth) - pad - 1,
                RoundHalfEven(y + layout_.cellHeight) - pad - 1};
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::DrawFocusRect(dc, &fr);
    }
}

void VtToolBar::PaintButton(HDC dc, int32_t i, double x, double y, int s, int letterHeight) {
    const ToolBarButton& b = Buttons()[static_cast<size_t>(i)];
    const double cw = layout_.cellWidth, ch = layout_.cellHeight;
    const bool hasIcon = b.icon != nullptr;
    const int iconWidth = hasIcon ? b.icon->Width() : 0;
    const int pad = Scale(10);

    std::string caption;
    double textHeight = 1;
    if (!b.caption.empty()) {
        double wrap = cw - pad;
        if (hasIcon && (b.iconAlignment == 2 || b.iconAlignment == 3)) wrap = cw - iconWidth - pad;
        std::vector<std::string> lines = SplitToLines(" " + b.caption, RoundHalfEven(wrap), true);
        textHeight = static_cast<double>(letterHeight) * static_cast<double>(lines.size());
        for (size_t k = 0; k < lines.size(); ++k) {
            if (k) caption += "\r\n";
            caption += lines[k];
        }
    }

    // Frame and highlight.
    int lift = 0;
    const int edgeW = RoundHalfEven(cw - 2.5 * s), edgeH = RoundHalfEven(ch - 2.5 * s);
    const int ex = RoundHalfEven(x + s), ey = RoundHalfEven(y + s);
    if (b.pressed) {
        DrawEdge3D(dc, BorderColor(), ex, ey, edgeW, edgeH, true, false);
    } else if (i == Button_Index()) {
        if (ButtonsStyle() == 2) {
            UniqueHBrush fill(::CreateSolidBrush(BlendColor(HoverColor(), kWhite, 100)));
            UniqueHPen outline(::CreatePen(PS_SOLID, 1, BlendColor(HoverColor(), kBlack, 250)));
            SelectObjectScope selBrush(dc, fill.get());
            SelectObjectScope selPen(dc, outline.get());
            ::Rectangle(dc, ex, ey, RoundHalfEven(x + cw - 2 * s), RoundHalfEven(y + ch - s));
        } else {
            const COLORREF hover = TranslateColor(HoverColor());
            UniqueHBrush fill(::CreateSolidBrush(hover));
            UniqueHPen outline(::CreatePen(PS_SOLID, 1, hover));
            {
                SelectObjectScope selBrush(dc, fill.get());
                SelectObjectScope selPen(dc, outline.get());
                ::Rectangle(dc, ex, ey, RoundHalfEven(x + cw - 3 * s + 2), RoundHalfEven(y + ch - 2 * s + 1));
            }
            DrawEdge3D(dc, BorderColor(), ex, ey, edgeW, edgeH, mouseDown_, false);
        }
        lift = mouseDown_ ? 0 : Scale(2);
    } else if (ButtonsStyle() == 1 && b.enabled) {
        DrawEdge3D(dc, BorderColor(), ex, ey, edgeW, edgeH, false, false);
    }

    const bool active = b.enabled && Enabled();
    ::SetTextColor(dc, TranslateColor(active ? ForeColor() : kDisabledText));

    const ButtonRects r = ComputeButtonRects(b.iconAlignment, x, y, cw, ch, textHeight, iconWidth + pad, letterHeight,
                                             hasIcon, !b.caption.empty(), lift);
    if (hasIcon) {
        const int iw = RoundHalfEven(r.iconW), ih = RoundHalfEven(r.iconH);
        const int ix = RoundHalfEven(r.iconX), iy = RoundHalfEven(r.iconY);
        if (active) {
            if (HoverIconShadow() && i == Button_Index()) DrawButtonIcon(dc, b.icon, ix + lift, iy + lift, iw, ih, 0);
            DrawButtonIcon(dc, b.icon, ix - lift, iy - lift, iw, ih, 1);
        } else {
            DrawButtonIcon(dc, b.icon, ix, iy, iw, ih, 0);
        }
    }
    DrawCaptionText(dc, " " + caption + " ", RoundHalfEven(r.captionX), RoundHalfEven(r.captionY - s),
                    RoundHalfEven(r.captionW), RoundHalfEven(textHeight));
}

}  // namespace vt
