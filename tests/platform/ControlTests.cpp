// The thin control views and the font maker, on real (hidden) controls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/Control.h"
#include "platform/Handles.h"

namespace {

struct HiddenControl {
    explicit HiddenControl(const char* cls, DWORD style = 0)
        : window(::CreateWindowExA(0, cls, "", WS_POPUP | style, 0, 0, 200, 30, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr)),
          hwnd(window.get()) {}
    vt::UniqueHWnd window;
    HWND hwnd;
};

TEST(ControlRef, TextFontAndCheckState) {
    EXPECT_EQ(vt::ControlRef().Text(), "");
    EXPECT_FALSE(vt::ControlRef().Checked());
    vt::ControlRef().Text("ignored");  // no control: nothing happens

    HiddenControl edit("EDIT");
    ASSERT_TRUE(edit.hwnd);
    const vt::ControlRef box(edit.hwnd);
    const std::string accented = "Societ\xc3\xa0 " + std::string(3000, 'x');
    box.Text(accented);
    EXPECT_EQ(box.Text(), accented);
    box.Text("");
    EXPECT_EQ(box.Text(), "");

    vt::UniqueHFont font = vt::MakeFont("Tahoma", 8.25, FW_BOLD, 96);
    ASSERT_TRUE(font);
    box.Font(font.get());
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(edit.hwnd, WM_GETFONT, 0, 0)), font.get());

    HiddenControl check("BUTTON", BS_AUTOCHECKBOX);
    const vt::ControlRef option(check.hwnd);
    EXPECT_FALSE(option.Checked());
    option.Checked(true);
    EXPECT_TRUE(option.Checked());
    option.Checked(false);
    EXPECT_FALSE(option.Checked());
}

TEST(MakeFont, PointsBecomeCharacterHeightAtTheDpi) {
    struct Case {
        double points;
        int dpi, width, height;
    };
    // Character height (negative: without the internal leading), rounded half up.
    const Case cases[] = {{8.25, 96, 0, -11}, {8.25, 144, 0, -17}, {14.25, 96, 0, -19}, {8.25, 120, 4, -14}};
    for (const Case& c : cases) {
        vt::UniqueHFont font = vt::MakeFont("MS Sans Serif", c.points, FW_BOLD, c.dpi, c.width);
        ASSERT_TRUE(font);
        LOGFONTA lf{};
        ASSERT_EQ(::GetObjectA(font.get(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
        EXPECT_EQ(lf.lfHeight, c.height) << c.points << " pt at " << c.dpi;
        EXPECT_EQ(lf.lfWidth, c.width);
        EXPECT_EQ(lf.lfWeight, FW_BOLD);
        EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    }
}

}  // namespace
