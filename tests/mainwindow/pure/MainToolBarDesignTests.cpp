// The main window's stored toolbar design, read back through the toolbar's own model.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "mainwindow/pure/MainToolBarDesign.h"
#include "toolbar/pure/ToolBarModel.h"

namespace {

using vt::ToolBarModel;

struct FakePicture : vt::PictureObject {
    int32_t w, h;
    FakePicture(int32_t w_, int32_t h_) : w(w_), h(h_) {}
    int32_t Width() const override { return w; }
    int32_t Height() const override { return h; }
};

TEST(MainToolBarDesign, LoadsTheStoredValues) {
    std::vector<int32_t> loaded;
    vt::PropertyBag bag;
    vt::FillBag(bag, vt::MainToolBarDesign({21, 22, 23}), [&](int32_t id) -> vt::PictureHandle {
        loaded.push_back(id);
        return std::make_shared<FakePicture>(32, 32);
    });
    EXPECT_EQ(loaded, (std::vector<int32_t>{21, 22, 23}));  // the resources passed in, in button order
    EXPECT_EQ(bag.ReadInt("_ExtentX", 0), 14817);
    ToolBarModel m;
    m.ReadProperties(bag, vt::FontDesc{}, /*runMode=*/true);
    EXPECT_EQ(m.Appearance(), 1);
    EXPECT_EQ(m.BackColor(), 0x80000000u);
    EXPECT_EQ(m.BorderStyle(), 1);
    EXPECT_EQ(m.Font(), (vt::FontDesc{"MS Sans Serif", 9.75, 400, false, false, false, 0}));
    EXPECT_EQ(m.ButtonsWidth(), 80);
    EXPECT_EQ(m.ButtonsHeight(), 55);
    EXPECT_EQ(m.ButtonsPerRow(), 7);
    EXPECT_EQ(m.ButtonsStyle(), 2);
    EXPECT_EQ(m.TooTipStyle(), 1);
    EXPECT_EQ(m.HoverColor(), 0x80000003u);
    EXPECT_EQ(m.BackGradientCol(), 0x80000004u);
    EXPECT_EQ(m.BackGradient(), 0);
    EXPECT_EQ(m.Button_Index(), -1);
    ASSERT_EQ(m.Button_Count(), 3);
    const char* captions[] = {"Processi", "Avvio", "Guida"};
    const char* tips[] = {"Scansione dei processi attivi", "Scansione file in avvio automatico",
                          "Come utilizzare il software"};
    const int32_t tipIcons[] = {3, 1, 1};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(m.Buttons()[i].caption, captions[i]);
        EXPECT_EQ(m.Buttons()[i].toolTip, tips[i]);
        EXPECT_EQ(m.Buttons()[i].toolTipIcon, tipIcons[i]);
        EXPECT_TRUE(m.Buttons()[i].icon);
        EXPECT_TRUE(m.Buttons()[i].enabled);
    }
}

}  // namespace
