#include "toolbar/pure/ToolBarModel.h"

#include <algorithm>
#include <utility>

#include "core/AppError.h"

namespace vt {

namespace {

constexpr int32_t kErrSubscriptOutOfRange = 9;

[[noreturn]] void ThrowNoCurrentButton() {
    throw AppError(kErrSubscriptOutOfRange, kToolBarProgId, "Subscript out of range");
}

// Persisted defaults that differ from what a newly placed control starts with.
constexpr int32_t kBagTooTipStyle = 2;

int32_t AsInt(OleColor c) { return static_cast<int32_t>(c); }
OleColor AsColour(int32_t v) { return static_cast<OleColor>(v); }

}  // namespace

ToolBarModel::ToolBarModel() { buttons_.push_back(NewButton(0)); }

ToolBarButton ToolBarModel::NewButton(int32_t index) {
    ToolBarButton b;
    b.caption = "Button " + std::to_string(index);
    return b;
}

void ToolBarModel::SetDefaults(const FontDesc& ambientFont) {
    appearance_ = 0;
    backColor_ = SystemColour(15);
    borderStyle_ = 0;
    enabled_ = true;
    font_ = ambientFont;
    foreColor_ = 0;
    backGround_.reset();
    buttonsWidth_ = 90;
    buttonsHeight_ = 40;
    buttonsPerRow_ = 3;
    autoSize_ = true;
    warpSize_ = true;
    hoverColor_ = SystemColour(15);
    backGradient_ = 0;
    backGradientCol_ = 12632319;
    buttonsStyle_ = 0;
    borderColor_ = SystemColour(10);
    hoverIconShadow_ = true;
    tooTipStyle_ = 0;
    toolTipBackCol_ = 15138301;
    toolTipForeCol_ = 0;
}

void ToolBarModel::InitProperties(const FontDesc& ambientFont) {
    SetDefaults(ambientFont);
    buttons_.assign(1, NewButton(0));
    buttonIndex_ = 0;
    Repaint();
}

void ToolBarModel::ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont, bool runMode) {
    appearance_ = static_cast<int16_t>(bag.ReadInt("Appearance", 0));
    backColor_ = AsColour(bag.ReadInt("BackColor", AsInt(SystemColour(15))));
    borderStyle_ = static_cast<int16_t>(bag.ReadInt("BorderStyle", 0));
    enabled_ = bag.ReadBool("Enabled", true);
    foreColor_ = AsColour(bag.ReadInt("ForeColor", 0));
    // A stored count below one would leave no button to draw or address.
    const int32_t count = std::clamp(bag.ReadInt("Button_Count", 1), 1, kMaxStoredButtons);
    buttonIndex_ = bag.ReadInt("Button_Index", 0);
    buttonsWidth_ = bag.ReadInt("ButtonsWidth", 90);
    autoSize_ = bag.ReadBool("AutoSize", true);
    buttonsHeight_ = bag.ReadInt("ButtonsHeight", 40);
    buttonsPerRow_ = bag.ReadInt("ButtonsPerRow", 3);
    hoverColor_ = AsColour(bag.ReadInt("HoverColor", AsInt(SystemColour(15))));
    warpSize_ = bag.ReadBool("WarpSize", true);
    tooTipStyle_ = bag.ReadInt("TooTipStyle", kBagTooTipStyle);
    toolTipBackCol_ = AsColour(bag.ReadInt("ToolTipBackCol", 15138301));
    toolTipForeCol_ = AsColour(bag.ReadInt("ToolTipForeCol", 0));
    backGradient_ = bag.ReadInt("BackGradient", 0);
    backGradientCol_ = AsColour(bag.ReadInt("BackGradientCol", 12632319));
    buttonsStyle_ = bag.ReadInt("ButtonsStyle", 0);
    borderColor_ = AsColour(bag.ReadInt("BorderColor", AsInt(SystemColour(10))));
    hoverIconShadow_ = bag.ReadBool("HoverIconShadow", true);
    font_ = bag.ReadFont("Font", ambientFont);
    backGround_ = bag.ReadPicture("BackGround");

    buttons_.assign(static_cast<size_t>(count), ToolBarButton{});
    for (int32_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        ToolBarButton& b = buttons_[static_cast<size_t>(i)];
        b.caption = bag.ReadString("ButtonCaption" + n, "Button ");
        b.icon = bag.ReadPicture("ButtonPicture" + n);
        b.toolTip = bag.ReadString("ButtonToolTipText" + n, "");
        b.toolTipIcon = bag.ReadInt("ButtonToolTipIcon" + n, 0);
        b.enabled = bag.ReadBool("ButtonEnabled" + n, true);
        b.pressed = bag.ReadBool("ButtonPressed" + n, false);
        b.iconAlignment = bag.ReadInt("ButtonIconAllignment" + n, 0);
    }
    buttonIndex_ = runMode ? -1 : 0;
    Repaint();
}

void ToolBarModel::WriteProperties(PropertyBag& bag) const {
    bag.Write("Appearance", int32_t{appearance_});
    bag.Write("BackColor", AsInt(backColor_));
    bag.Write("BorderStyle", int32_t{borderStyle_});
    bag.Write("Enabled", enabled_);
    bag.Write("Font", font_);
    bag.Write("ForeColor", AsInt(foreColor_));
    bag.Write("Button_Count", Button_Count());
    bag.Write("Button_Index", buttonIndex_);
    bag.Write("BackGround", backGround_);
    bag.Write("ButtonsWidth", buttonsWidth_);
    bag.Write("AutoSize", autoSize_);
    bag.Write("ButtonsHeight", buttonsHeight_);
    bag.Write("ButtonsPerRow", buttonsPerRow_);
    bag.Write("HoverColor", AsInt(hoverColor_));
    bag.Write("WarpSize", warpSize_);
    bag.Write("TooTipStyle", tooTipStyle_);
    bag.Write("ToolTipBackCol", AsInt(toolTipBackCol_));
    bag.Write("ToolTipForeCol", AsInt(toolTipForeCol_));
    bag.Write("BackGradient", backGradient_);
    bag.Write("BackGradientCol", AsInt(backGradientCol_));
    bag.Write("ButtonsStyle", buttonsStyle_);
    bag.Write("BorderColor", AsInt(borderColor_));
    bag.Write("HoverIconShadow", hoverIconShadow_);
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const std::string n = std::to_string(i);
        const ToolBarButton& b = buttons_[i];
        bag.Write("ButtonCaption" + n, b.caption);
        bag.Write("ButtonPicture" + n, b.icon);
        bag.Write("ButtonToolTipText" + n, b.toolTip);
        bag.Write("ButtonToolTipIcon" + n, b.toolTipIcon);
        bag.Write("ButtonEnabled" + n, b.enabled);
        bag.Write("ButtonPressed" + n, b.pressed);
        bag.Write("ButtonIconAllignment" + n, b.iconAlignment);
    }
}

ToolBarButton* ToolBarModel::Current() {
    // After the count shrank the index may point past the end: treat that as "none"
    // rather than touching a record that no longer exists.
    if (buttonIndex_ < 0 || buttonIndex_ >= Button_Count()) return nullptr;
    return &buttons_[static_cast<size_t>(buttonIndex_)];
}

const ToolBarButton* ToolBarModel::Current() const {
    if (buttonIndex_ < 0 || buttonIndex_ >= Button_Count()) return nullptr;
    return &buttons_[static_cast<size_t>(buttonIndex_)];
}

PictureHandle ToolBarModel::ButtonIcon() const { return Current() ? Current()->icon : nullptr; }
void ToolBarModel::ButtonIcon(PictureHandle v) {
    if (ToolBarButton* b = Current()) Set(b->icon, std::move(v), "ButtonIcon");
}
std::string ToolBarModel::ButtonCaption() const { return Current() ? Current()->caption : std::string(); }
void ToolBarModel::ButtonCaption(std::string_view v) {
    if (ToolBarButton* b = Current()) Set(b->caption, std::string(v), "ButtonCaption");
}
std::string ToolBarModel::ButtonToolTip() const { return Current() ? Current()->toolTip : std::string(); }
void ToolBarModel::ButtonToolTip(std::string_view v) {
    if (ToolBarButton* b = Current()) SetQuiet(b->toolTip, std::string(v), "ButtonToolTip");
}
int32_t ToolBarModel::ButtonToolTipIcon() const { return Current() ? Current()->toolTipIcon : 0; }
void ToolBarModel::ButtonToolTipIcon(int32_t v) {
    if (ToolBarButton* b = Current()) SetQuiet(b->toolTipIcon, v, "ButtonToolTipIcon");
}
bool ToolBarModel::ButtonEnabled() const { return Current() ? Current()->enabled : false; }
void ToolBarModel::ButtonEnabled(bool v) {
    if (ToolBarButton* b = Current()) Set(b->enabled, v, "ButtonEnabled");
}
bool ToolBarModel::ButtonPressed() const { return Current() ? Current()->pressed : false; }
void ToolBarModel::ButtonPressed(bool v) {
    if (ToolBarButton* b = Current()) Set(b->pressed, v, "ButtonPressed");
}
int32_t ToolBarModel::ButtonIconAllignment() const { return Current() ? Current()->iconAlignment : 0; }
void ToolBarModel::ButtonIconAllignment(int32_t v) {
    if (ToolBarButton* b = Current()) Set(b->iconAlignment, v, "ButtonIconAllignment");
}

void ToolBarModel::Button_Count(int32_t n) {
    const int32_t old = Button_Count();
    if (n == old || n < 1) return;
    buttons_.resize(static_cast<size_t>(n));
    for (int32_t k = old; k < n; ++k) buttons_[static_cast<size_t>(k)] = NewButton(k);
    PropertyChanged("Button_Count");
    Repaint();
}

void ToolBarModel::Button_Index(int32_t v) {
    v = std::clamp(v, 0, Button_Count() - 1);
    if (v == buttonIndex_) return;
    buttonIndex_ = v;
    PropertyChanged("Button_Index");
    Repaint();
}

void ToolBarModel::ButtonRemove(int32_t /*vNewValue*/) {
    if (Button_Count() <= 1) return;
    if (!Current()) ThrowNoCurrentButton();
    buttons_.erase(buttons_.begin() + buttonIndex_);
    if (buttonIndex_ >= Button_Count() - 1) buttonIndex_ = Button_Count() - 1;
    Repaint();
}

void ToolBarModel::ButtonMoveTo(int32_t p) {
    if (!Current()) ThrowNoCurrentButton();
    p = std::clamp(p, 0, Button_Count() - 1);
    std::swap(buttons_[static_cast<size_t>(buttonIndex_)], buttons_[static_cast<size_t>(p)]);
    buttonIndex_ = p;
    Repaint();
}

}  // namespace vt
