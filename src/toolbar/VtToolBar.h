// VtToolBar: an owner-drawn toolbar control with its own window class. Buttons sit in
// rows of cells; the one under the pointer is highlighted, a tooltip appears when the
// pointer rests, and clicks, keys and mouse activity go to the owner's event sink.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/Window.h"
#include "toolbar/ToolBarPicture.h"
#include "toolbar/pure/ToolBarModel.h"

namespace vt {

// The owner's side. Button indices are zero-based, -1 for none. X and Y are in the
// control's pixels; Button and Shift are the mouse-button and shift-key masks
// (1 left / shift, 2 right / ctrl, 4 middle / alt).
class IVtToolBarEvents {
public:
    virtual ~IVtToolBarEvents() = default;
    virtual void MouseEnter() = 0;
    virtual void MouseLeave() = 0;
    virtual void Click(int32_t vButton_Index) = 0;
    virtual void DblClick(int32_t vButton_Index) = 0;
    virtual void OnRedrawing(int32_t vButton_Index) = 0;
    virtual void OnButtonHover(int32_t vButton_Index) = 0;
    virtual void KeyDown(int32_t vButton_Index, int16_t& KeyCode, int16_t& Shift) = 0;
    virtual void KeyUp(int32_t vButton_Index, int16_t& KeyCode, int16_t& Shift) = 0;
    virtual void MouseUp(int32_t vButton_Index, int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    virtual void MouseDown(int32_t vButton_Index, int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    virtual void MouseMove(int32_t vButton_Index, int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
};

// For owners that care about a few events only.
class VtToolBarEventsBase : public IVtToolBarEvents {
public:
    void MouseEnter() override {}
    void MouseLeave() override {}
    void Click(int32_t) override {}
    void DblClick(int32_t) override {}
    void OnRedrawing(int32_t) override {}
    void OnButtonHover(int32_t) override {}
    void KeyDown(int32_t, int16_t&, int16_t&) override {}
    void KeyUp(int32_t, int16_t&, int16_t&) override {}
    void MouseUp(int32_t, int16_t&, int16_t&, float&, float&) override {}
    void MouseDown(int32_t, int16_t&, int16_t&, float&, float&) override {}
    void MouseMove(int32_t, int16_t&, int16_t&, float&, float&) override {}
};

// NOLINTNEXTLINE(cppcoreguidelines-virtual-class-destructor): a COM object ends its own life in Release
class VtToolBarAccessible;

class VtToolBar : public Window, public ToolBarModel {
public:
    static constexpr const char* kClassName = "VantorileVtToolBar";

    explicit VtToolBar(IVtToolBarEvents* events);
    ~VtToolBar() override;
    VtToolBar(const VtToolBar&) = delete;
    VtToolBar& operator=(const VtToolBar&) = delete;

    // Creates the control as child `controlId` of parent at r (client pixels of the
    // parent). With a bag the stored properties are loaded (run mode: no current button
    // until the pointer comes); without one the control starts with a new control's
    // defaults. dpi 0 takes the parent's. With WarpSize the control then fits itself to
    // its buttons.
    bool Create(HWND parent, const RECT& r, int controlId, const PropertyBag* bag, int dpi = 0);

    // The DPI the control scales its pixel metrics (button sizes, font, icons) to. The
    // owner calls it on WM_DPICHANGED, then moves the control.
    int Dpi() const { return dpi_; }
    void Dpi(int dpi);

    // Docking to the host's edge (0 none, 1 top, 2 bottom, 3 left, 4 right): a docked
    // side keeps the size the host gives it. Not persisted.
    int16_t Align() const { return align_; }
    void Align(int16_t v);

    void RedrawControl();
    std::vector<std::string> SplitToLines(std::string_view sText, int32_t lLength, bool bFilterLines) const;
    static bool IsDelim(std::string_view Char) { return vt::IsDelim(Char); }
    // Both colours may be system colours; the result is plain RGB.
    static OleColor BlendColor(OleColor oColorFrom, OleColor oColorTo, int Alpha);
    // RGB of an OLE colour (system colours resolved); 0 on failure.
    static COLORREF TranslateColor(OleColor oClr, HPALETTE hPal = nullptr);
    // Fills the rectangle with a bitmap picture repeated; false (nothing drawn) for
    // anything but a bitmap.
    static bool TileBitmap(const PictureHandle& Picture, HDC dc, int left, int top, int right, int bottom);
    // The pointer tracking: movement, rest timer and leaving; never answers in place of
    // the window's own handling.
    void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND lng_hWnd, UINT uMsg, WPARAM wParam,
                        LPARAM lParam);

    // The grid of the last layout.
    const ToolBarLayout& Layout() const { return layout_; }
    // The tooltip window while one is shown, else null.
    HWND ToolTipWindow() const { return toolTip_.get(); }

    // What assistive technology asks of the control (its accessible object answers
    // WM_GETOBJECT). The owner's keyboard shortcut for a button, e.g. "Ctrl+1"; run time
    // only, it travels with the button when buttons move.
    void SetButtonShortcut(int32_t index, std::string text);
    std::string ButtonShortcut(int32_t index) const;
    bool PointerInside() const { return inside_; }
    // A button's cell in client pixels.
    RECT ButtonRect(int32_t index) const;
    // The button whose cell holds the client point (disabled ones too), or -1.
    int32_t ButtonAt(POINT client) const;
    // Whether a click on the button would do anything (it and the control are enabled).
    bool CanPress(int32_t index) const;
    // Queues a click of the button, the same as the mouse's; false when it cannot be pressed.
    bool PressButton(int32_t index);
    // Takes the keyboard focus with the button as the current one; false for a disabled one.
    bool FocusButton(int32_t index);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void PropertyChanged(std::string_view name) override;
    void Repaint() override;

private:
    int Scale(int designPixels) const { return ::MulDiv(designPixels, dpi_, 96); }
    void Relayout();
    void Paint(HDC dc, const RECT& client);
    // False when the repaint failed part way.
    bool PaintQuietly(HDC dc, const RECT& client);
    void PaintButton(HDC dc, int32_t i, double x, double y, int inset, int letterHeight);
    void FillBackground(HDC dc, int x, int y, int w, int h, OleColor back, OleColor gradient, int32_t mode) const;
    void DrawEdge3D(HDC dc, OleColor colour, int x, int y, int w, int h, bool sunken, bool deep) const;
    void DrawButtonIcon(HDC dc, const PictureHandle& picture, int x, int y, int w, int h, int mode) const;
    void DrawCaptionText(HDC dc, const std::string& text, int x, int y, int w, int h) const;
    HFONT CaptionFont();
    void ShowToolTip();
    void DestroyToolTip();
    void RequestMouseLeave();
    // Moves the current button to the enabled button under (x, y); true when it changed.
    bool TrackHover(double x, double y);
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void OnButtonDown(UINT msg, WPARAM wp, LPARAM lp);
    void OnButtonUp(UINT msg, WPARAM wp, LPARAM lp);
    void OnKey(UINT msg, WPARAM wp, LPARAM lp);
    void StepCurrent(int direction);
    // Makes the button current and tells the owner and assistive technology.
    void MoveCurrent(int32_t index);
    // Makes the button (-1 none) current and tells assistive technology of the change.
    void SetCurrent(int32_t index);
    void ClickFromAccessibility(int32_t index);
    void DisconnectAccessible() noexcept;

    IVtToolBarEvents* events_;
    int dpi_ = 96;
    int16_t align_ = 0;
    bool runMode_ = true;
    ToolBarLayout layout_;
    bool resizing_ = false;
    UniqueHFont font_;
    FontDesc fontDesc_;
    int fontDpi_ = 0;
    // Pointer state.
    bool mouseDown_ = false;
    bool inside_ = false;
    // A left press began on us and its release has not come yet: only such a release
    // is a click (not the release ending a double click, nor one dragged in from
    // elsewhere, nor one after a dialog took the mouse away).
    bool leftPressed_ = false;
    int lastX_ = -1, lastY_ = -1;
    int ticks_ = 0;
    UniqueHWnd toolTip_;
    std::wstring toolTipText_;
    // Made at the first WM_GETOBJECT; disconnected when the window goes.
    ComPtr<VtToolBarAccessible> accessible_;
};

}  // namespace vt
