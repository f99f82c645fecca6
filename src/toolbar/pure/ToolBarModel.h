// The toolbar's data: control-wide properties with their defaults, the button records,
// adding, removing and moving buttons, and saving to and reading from a property bag.
// The window class derives from it and repaints through the hooks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolbar/pure/PropertyBag.h"
#include "toolbar/pure/ToolBarMath.h"

namespace vt {

inline constexpr const char* kToolBarProgId = "Vantorile.VtToolBar";

// The most buttons a stored count may ask for: more than any toolbar has room to draw,
// and few enough that a damaged count cannot demand gigabytes of button records.
inline constexpr int32_t kMaxStoredButtons = 1024;

inline constexpr OleColor kSysColorBit = 0x80000000u;
constexpr OleColor SystemColour(int n) { return kSysColorBit + static_cast<OleColor>(n); }

struct ToolBarButton {
    std::string caption;
    PictureHandle icon;
    bool enabled = true;
    std::string toolTip;
    int32_t toolTipIcon = 0;  // 0 none, 1 information, 2 warning, 3 error
    bool pressed = false;
    int32_t iconAlignment = 0;  // 0 above, 1 below, 2 left, 3 right of the caption
    // The owner's key for the same action ("Ctrl+1"), told to assistive technology; set
    // at run time, never persisted.
    std::string shortcut;
};

class ToolBarModel {
public:
    ToolBarModel();
    virtual ~ToolBarModel() = default;
    ToolBarModel(const ToolBarModel&) = delete;
    ToolBarModel& operator=(const ToolBarModel&) = delete;

    // A control just placed on a form: every default, balloon tooltips, one button.
    void InitProperties(const FontDesc& ambientFont);
    // Reads every persisted key (missing keys take their defaults). In run mode the
    // current button becomes -1 (none), in design mode 0.
    void ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont, bool runMode);
    // Writes every persisted key, then each button's keys.
    void WriteProperties(PropertyBag& bag) const;

    int16_t Appearance() const { return appearance_; }
    void Appearance(int16_t v) { Set(appearance_, v, "Appearance"); }
    OleColor BackColor() const { return backColor_; }
    void BackColor(OleColor v) { Set(backColor_, v, "BackColor"); }
    int16_t BorderStyle() const { return borderStyle_; }
    void BorderStyle(int16_t v) { Set(borderStyle_, v, "BorderStyle"); }
    bool Enabled() const { return enabled_; }
    void Enabled(bool v) { Set(enabled_, v, "Enabled"); }
    const FontDesc& Font() const { return font_; }
    void Font(const FontDesc& v) { Set(font_, v, "Font"); }
    OleColor ForeColor() const { return foreColor_; }
    void ForeColor(OleColor v) { Set(foreColor_, v, "ForeColor"); }
    PictureHandle ButtonIcon() const;
    void ButtonIcon(PictureHandle v);
    int32_t ButtonsHeight() const { return buttonsHeight_; }
    void ButtonsHeight(int32_t v) { Set(buttonsHeight_, v, "ButtonsHeight"); }
    int32_t ButtonsPerRow() const { return buttonsPerRow_; }
    void ButtonsPerRow(int32_t v) { Set(buttonsPerRow_, v, "ButtonsPerRow"); }
    int32_t ButtonsWidth() const { return buttonsWidth_; }
    void ButtonsWidth(int32_t v) { Set(buttonsWidth_, v, "ButtonsWidth"); }
    bool AutoSize() const { return autoSize_; }
    void AutoSize(bool v) { Set(autoSize_, v, "AutoSize"); }
    std::string ButtonCaption() const;
    void ButtonCaption(std::string_view v);
    PictureHandle BackGround() const { return backGround_; }
    void BackGround(PictureHandle v) { Set(backGround_, std::move(v), "BackGround"); }
    int32_t Button_Count() const { return static_cast<int32_t>(buttons_.size()); }
    void Button_Count(int32_t n);
    int32_t Button_Index() const { return buttonIndex_; }
    void Button_Index(int32_t v);  // clamped to 0 .. Button_Count - 1
    OleColor HoverColor() const { return hoverColor_; }
    void HoverColor(OleColor v) { Set(hoverColor_, v, "HoverColor"); }
    bool WarpSize() const { return warpSize_; }
    void WarpSize(bool v) { Set(warpSize_, v, "WarpSize"); }
    std::string ButtonToolTip() const;
    void ButtonToolTip(std::string_view v);
    OleColor ToolTipBackCol() const { return toolTipBackCol_; }
    void ToolTipBackCol(OleColor v) { SetQuiet(toolTipBackCol_, v, "ToolTipBackCol"); }
    OleColor ToolTipForeCol() const { return toolTipForeCol_; }
    void ToolTipForeCol(OleColor v) { SetQuiet(toolTipForeCol_, v, "ToolTipForeCol"); }
    int32_t TooTipStyle() const { return tooTipStyle_; }
    void TooTipStyle(int32_t v) { SetQuiet(tooTipStyle_, v, "TooTipStyle"); }
    int32_t ButtonToolTipIcon() const;
    void ButtonToolTipIcon(int32_t v);
    int32_t BackGradient() const { return backGradient_; }
    void BackGradient(int32_t v) { Set(backGradient_, v, "BackGradient"); }
    OleColor BackGradientCol() const { return backGradientCol_; }
    void BackGradientCol(OleColor v) { Set(backGradientCol_, v, "BackGradientCol"); }
    int32_t ButtonsStyle() const { return buttonsStyle_; }
    void ButtonsStyle(int32_t v) { Set(buttonsStyle_, v, "ButtonsStyle"); }
    bool ButtonEnabled() const;
    void ButtonEnabled(bool v);
    OleColor BorderColor() const { return borderColor_; }
    void BorderColor(OleColor v) { Set(borderColor_, v, "BorderColor"); }
    bool HoverIconShadow() const { return hoverIconShadow_; }
    void HoverIconShadow(bool v) { Set(hoverIconShadow_, v, "HoverIconShadow"); }
    bool ButtonPressed() const;
    void ButtonPressed(bool v);
    int32_t ButtonIconAllignment() const;
    void ButtonIconAllignment(int32_t v);
    // Removes the current button (throws AppError 9 when there is none).
    int32_t ButtonRemove() const { return 0; }
    void ButtonRemove(int32_t vNewValue);
    // Swaps the current button with the one at position p (throws AppError 9 when there is none).
    int32_t ButtonMoveTo() const { return -1; }
    void ButtonMoveTo(int32_t p);

    // Read access to every button record, whatever the current button is.
    const std::vector<ToolBarButton>& Buttons() const { return buttons_; }

protected:
    // A property changed for the host's property bag.
    virtual void PropertyChanged(std::string_view /*name*/) {}
    // The control must be drawn again.
    virtual void Repaint() {}

    // The run-time "current button" follows the pointer and may be -1; no clamping.
    void SetHoverIndex(int32_t index) { buttonIndex_ = index; }
    // ButtonsPerRow is overwritten by the automatic layout without marking it.
    void SetLayoutButtonsPerRow(int32_t v) { buttonsPerRow_ = v; }
    // The record the per-button properties address, or null (none or out of range).
    ToolBarButton* Current();
    const ToolBarButton* Current() const;
    std::vector<ToolBarButton>& MutableButtons() { return buttons_; }

private:
    template <typename T, typename V>
    void Set(T& field, V&& v, const char* name) {
        field = std::forward<V>(v);
        PropertyChanged(name);
        Repaint();
    }
    template <typename T, typename V>
    void SetQuiet(T& field, V&& v, const char* name) {
        field = std::forward<V>(v);
        PropertyChanged(name);
    }
    void SetDefaults(const FontDesc& ambientFont);
    static ToolBarButton NewButton(int32_t index);

    int16_t appearance_ = 0;
    OleColor backColor_ = SystemColour(15);
    int16_t borderStyle_ = 0;
    bool enabled_ = true;
    FontDesc font_;
    OleColor foreColor_ = 0;
    PictureHandle backGround_;
    int32_t buttonsWidth_ = 90;
    int32_t buttonsHeight_ = 40;
    int32_t buttonsPerRow_ = 3;
    bool autoSize_ = true;
    bool warpSize_ = true;
    OleColor hoverColor_ = SystemColour(15);
    int32_t backGradient_ = 0;
    OleColor backGradientCol_ = 12632319;
    int32_t buttonsStyle_ = 0;
    OleColor borderColor_ = SystemColour(10);
    bool hoverIconShadow_ = true;
    int32_t tooTipStyle_ = 0;
    OleColor toolTipBackCol_ = 15138301;
    OleColor toolTipForeCol_ = 0;
    int32_t buttonIndex_ = 0;
    std::vector<ToolBarButton> buttons_;
};

}  // namespace vt
