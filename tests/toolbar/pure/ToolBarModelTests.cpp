#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AppError.h"
#include "toolbar/pure/ToolBarModel.h"

namespace {

using vt::ToolBarModel;

// Counts repaints and records property-change names, as the window would see them.
class Recorder : public ToolBarModel {
public:
    int repaints = 0;
    std::vector<std::string> changed;

protected:
    void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
    void Repaint() override { ++repaints; }
};

struct FakePicture : vt::PictureObject {
    int32_t w, h;
    FakePicture(int32_t w_, int32_t h_) : w(w_), h(h_) {}
    int32_t Width() const override { return w; }
    int32_t Height() const override { return h; }
};

std::vector<std::string> Captions(const ToolBarModel& m) {
    std::vector<std::string> out;
    for (const auto& b : m.Buttons()) out.push_back(b.caption);
    return out;
}

TEST(ToolBarModel, CountGrowsWithDefaultButtonsAndIgnoresBadValues) {
    Recorder m;
    m.InitProperties(vt::FontDesc{});
    m.Button_Count(3);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button 0", "Button 1", "Button 2"}));
    for (const auto& b : m.Buttons()) {
        EXPECT_TRUE(b.enabled);
        EXPECT_FALSE(b.pressed);
        EXPECT_EQ(b.iconAlignment, 0);
        EXPECT_EQ(b.toolTipIcon, 0);
        EXPECT_TRUE(b.toolTip.empty());
        EXPECT_FALSE(b.icon);
    }
    EXPECT_EQ(m.changed, std::vector<std::string>{"Button_Count"});
    const int repaints = m.repaints;
    m.Button_Count(3);
    m.Button_Count(0);
    m.Button_Count(-4);
    EXPECT_EQ(m.Button_Count(), 3);
    EXPECT_EQ(m.repaints, repaints) << "ignored values neither mark nor repaint";
}

TEST(ToolBarModel, RemoveCurrentLastButtonSelectsNewLast) {
    ToolBarModel m;
    m.Button_Count(3);
    m.Button_Index(2);
    m.ButtonRemove(0);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button 0", "Button 1"}));
    EXPECT_EQ(m.Button_Index(), 1);

    m.Button_Index(0);
    m.ButtonRemove(0);
    EXPECT_EQ(Captions(m), std::vector<std::string>{"Button 1"});
    m.ButtonRemove(0);  // the only button stays
    EXPECT_EQ(m.Button_Count(), 1);
    EXPECT_EQ(m.ButtonRemove(), 0);
}

TEST(ToolBarModel, MoveToSwapsAndClamps) {
    ToolBarModel m;
    m.Button_Count(3);
    m.Button_Index(2);
    m.ButtonMoveTo(0);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button 2", "Button 1", "Button 0"}));
    EXPECT_EQ(m.Button_Index(), 0);
    m.ButtonMoveTo(50);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button 0", "Button 1", "Button 2"}));
    EXPECT_EQ(m.Button_Index(), 2);
    EXPECT_EQ(m.ButtonMoveTo(), -1);
}

TEST(ToolBarModel, IndexIsClampedAndOnlyRealChangesMark) {
    Recorder m;
    m.Button_Count(3);
    m.changed.clear();
    m.Button_Index(99);
    EXPECT_EQ(m.Button_Index(), 2);
    m.Button_Index(7);
    EXPECT_EQ(m.changed, std::vector<std::string>{"Button_Index"});
    m.Button_Index(-5);
    EXPECT_EQ(m.Button_Index(), 0);
}

TEST(ToolBarModel, NoCurrentButtonReadsEmptyIgnoresWritesAndRefusesEdits) {
    ToolBarModel m;
    vt::PropertyBag bag;
    bag.Write("Button_Count", 3);
    m.ReadProperties(bag, vt::FontDesc{}, /*runMode=*/true);
    ASSERT_EQ(m.Button_Index(), -1);
    EXPECT_EQ(m.ButtonCaption(), "");
    EXPECT_FALSE(m.ButtonEnabled());
    EXPECT_EQ(m.ButtonIconAllignment(), 0);
    m.ButtonCaption("x");
    m.ButtonEnabled(false);
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button ", "Button ", "Button "}));
    EXPECT_TRUE(m.Buttons()[0].enabled);

    try {
        m.ButtonRemove(0);
        FAIL() << "remove without a current button must fail";
    } catch (const vt::AppError& e) { EXPECT_EQ(e.Number(), 9); }
    EXPECT_THROW(m.ButtonMoveTo(1), vt::AppError);
    EXPECT_EQ(m.Button_Count(), 3);
}

TEST(ToolBarModel, IndexLeftBeyondAShrunkCountTouchesNothing) {
    ToolBarModel m;
    m.Button_Count(4);
    m.Button_Index(3);
    m.Button_Count(2);  // the index is deliberately left at 3
    EXPECT_EQ(m.Button_Index(), 3);
    EXPECT_EQ(m.ButtonCaption(), "");
    m.ButtonCaption("ghost");
    EXPECT_EQ(Captions(m), (std::vector<std::string>{"Button 0", "Button 1"}));
    EXPECT_THROW(m.ButtonMoveTo(0), vt::AppError);
}

TEST(ToolBarPropertyBag, EmptyBagGivesPersistedDefaultsNewControlBalloonTips) {
    vt::FontDesc ambient{"Tahoma", 8, 400, false, false, false, 0};
    ToolBarModel fresh, loaded;
    fresh.InitProperties(ambient);
    loaded.ReadProperties(vt::PropertyBag{}, ambient, /*runMode=*/false);

    EXPECT_EQ(fresh.TooTipStyle(), 0);
    EXPECT_EQ(loaded.TooTipStyle(), 2);
    for (const ToolBarModel* m : {&fresh, &loaded}) {
        EXPECT_EQ(m->Appearance(), 0);
        EXPECT_EQ(m->BackColor(), 0x8000000Fu);
        EXPECT_EQ(m->BorderStyle(), 0);
        EXPECT_TRUE(m->Enabled());
        EXPECT_EQ(m->Font(), ambient);
        EXPECT_EQ(m->ForeColor(), 0u);
        EXPECT_FALSE(m->BackGround());
        EXPECT_EQ(m->ButtonsWidth(), 90);
        EXPECT_EQ(m->ButtonsHeight(), 40);
        EXPECT_EQ(m->ButtonsPerRow(), 3);
        EXPECT_TRUE(m->AutoSize());
        EXPECT_TRUE(m->WarpSize());
        EXPECT_EQ(m->HoverColor(), 0x8000000Fu);
        EXPECT_EQ(m->BackGradient(), 0);
        EXPECT_EQ(m->BackGradientCol(), 12632319u);
        EXPECT_EQ(m->ButtonsStyle(), 0);
        EXPECT_EQ(m->BorderColor(), 0x8000000Au);
        EXPECT_TRUE(m->HoverIconShadow());
        EXPECT_EQ(m->ToolTipBackCol(), 15138301u);
        EXPECT_EQ(m->ToolTipForeCol(), 0u);
        EXPECT_EQ(m->Button_Count(), 1);
        EXPECT_EQ(m->Button_Index(), 0);
    }
    EXPECT_EQ(fresh.Buttons()[0].caption, "Button 0");
    EXPECT_EQ(loaded.Buttons()[0].caption, "Button ") << "the stored default lacks the index";
}

TEST(ToolBarModel, StoredButtonCountsOutsideTheRangeAreBounded) {
    for (int32_t stored : {0, -5, vt::kMaxStoredButtons + 1, 2147483647}) {
        vt::PropertyBag bag;
        bag.Write("Button_Count", stored);
        bag.Write("ButtonCaption0", std::string("Processi"));
        vt::ToolBarModel m;
        m.ReadProperties(bag, vt::FontDesc{}, /*runMode=*/false);
        EXPECT_EQ(m.Button_Count(), stored < 1 ? 1 : vt::kMaxStoredButtons) << stored;
        EXPECT_EQ(m.ButtonCaption(), "Processi");
    }
}

TEST(ToolBarPropertyBag, EveryKeyRoundTripsInOrderAndCaseInsensitively) {
    auto icon = std::make_shared<FakePicture>(32, 32);
    auto tile = std::make_shared<FakePicture>(8, 8);
    ToolBarModel a;
    a.Appearance(1);
    a.BackColor(0x123456);
    a.BorderStyle(2);
    a.Enabled(false);
    a.Font(vt::FontDesc{"Arial", 12, 700, true, true, false, 0});
    a.ForeColor(0xFF);
    a.BackGround(tile);
    a.ButtonsWidth(70);
    a.AutoSize(false);
    a.ButtonsHeight(33);
    a.ButtonsPerRow(5);
    a.HoverColor(0x80000003u);
    a.WarpSize(false);
    a.TooTipStyle(1);
    a.ToolTipBackCol(0x010203);
    a.ToolTipForeCol(0x040506);
    a.BackGradient(4);
    a.BackGradientCol(0x0A0B0C);
    a.ButtonsStyle(1);
    a.BorderColor(0x0D0E0F);
    a.HoverIconShadow(false);
    a.Button_Count(2);
    a.Button_Index(1);
    a.ButtonCaption("Avvio");
    a.ButtonIcon(icon);
    a.ButtonToolTip("Suggerimento");
    a.ButtonToolTipIcon(2);
    a.ButtonEnabled(false);
    a.ButtonPressed(true);
    a.ButtonIconAllignment(3);

    vt::PropertyBag bag;
    a.WriteProperties(bag);
    const std::vector<std::string> expected = {"appearance",
                                               "backcolor",
                                               "borderstyle",
                                               "enabled",
                                               "font",
                                               "forecolor",
                                               "button_count",
                                               "button_index",
                                               "background",
                                               "buttonswidth",
                                               "autosize",
                                               "buttonsheight",
                                               "buttonsperrow",
                                               "hovercolor",
                                               "warpsize",
                                               "tootipstyle",
                                               "tooltipbackcol",
                                               "tooltipforecol",
                                               "backgradient",
                                               "backgradientcol",
                                               "buttonsstyle",
                                               "bordercolor",
                                               "hovericonshadow",
                                               "buttoncaption0",
                                               "buttonpicture0",
                                               "buttontooltiptext0",
                                               "buttontooltipicon0",
                                               "buttonenabled0",
                                               "buttonpressed0",
                                               "buttoniconallignment0",
                                               "buttoncaption1",
                                               "buttonpicture1",
                                               "buttontooltiptext1",
                                               "buttontooltipicon1",
                                               "buttonenabled1",
                                               "buttonpressed1",
                                               "buttoniconallignment1"};
    EXPECT_EQ(bag.Keys(), expected);
    EXPECT_EQ(bag.ReadInt("BUTTONTOOLTIPICON1", 0), 2);

    ToolBarModel b;
    b.ReadProperties(bag, vt::FontDesc{}, /*runMode=*/false);
    EXPECT_EQ(b.Appearance(), 1);
    EXPECT_EQ(b.BackColor(), 0x123456u);
    EXPECT_EQ(b.BorderStyle(), 2);
    EXPECT_FALSE(b.Enabled());
    EXPECT_EQ(b.Font(), a.Font());
    EXPECT_EQ(b.ForeColor(), 0xFFu);
    EXPECT_EQ(b.BackGround(), tile);
    EXPECT_EQ(b.ButtonsWidth(), 70);
    EXPECT_FALSE(b.AutoSize());
    EXPECT_EQ(b.ButtonsHeight(), 33);
    EXPECT_EQ(b.ButtonsPerRow(), 5);
    EXPECT_EQ(b.HoverColor(), 0x80000003u);
    EXPECT_FALSE(b.WarpSize());
    EXPECT_EQ(b.TooTipStyle(), 1);
    EXPECT_EQ(b.ToolTipBackCol(), 0x010203u);
    EXPECT_EQ(b.ToolTipForeCol(), 0x040506u);
    EXPECT_EQ(b.BackGradient(), 4);
    EXPECT_EQ(b.BackGradientCol(), 0x0A0B0Cu);
    EXPECT_EQ(b.ButtonsStyle(), 1);
    EXPECT_EQ(b.BorderColor(), 0x0D0E0Fu);
    EXPECT_FALSE(b.HoverIconShadow());
    ASSERT_EQ(b.Button_Count(), 2);
    EXPECT_EQ(b.Button_Index(), 0) << "design mode starts at the first button";
    const auto& saved = b.Buttons()[1];
    EXPECT_EQ(saved.caption, "Avvio");
    EXPECT_EQ(saved.icon, icon);
    EXPECT_EQ(saved.toolTip, "Suggerimento");
    EXPECT_EQ(saved.toolTipIcon, 2);
    EXPECT_FALSE(saved.enabled);
    EXPECT_TRUE(saved.pressed);
    EXPECT_EQ(saved.iconAlignment, 3);
    EXPECT_EQ(b.Buttons()[0].caption, "Button 0");

    vt::PropertyBag again;
    b.WriteProperties(again);
    EXPECT_EQ(again.Keys(), expected);
}

TEST(ToolBarPropertyBag, StoredCountBelowOneStillGivesOneButton) {
    vt::PropertyBag bag;
    bag.Write("button_count", 0);
    ToolBarModel m;
    m.ReadProperties(bag, vt::FontDesc{}, true);
    EXPECT_EQ(m.Button_Count(), 1);
}

}  // namespace
