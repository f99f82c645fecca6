// The details window driven in-process: real lists on a hidden parent, a selected row,
// DetailsSource set as the main window sets it, then Load and the boxes read back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/AppError.h"
#include "core/Twips.h"
#include "details/Dialog.h"
#include "fileinfo/VersionInfo.h"
#include "fileinfo/fixtures/Fixtures.h"
#include "platform/ComPtr.h"
#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "platform/SpecialFolder.h"
#include "reputation/Module1.h"
#include "support/TestSupport.h"

namespace {

using vt::Dialog;
using vt::test::FixturePath;
using vt::test::ScriptedPrompt;

constexpr int kBoxes[] = {2, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17};

// The values of the vi_full fixture, by box.
struct Expected {
    int index;
    const char* text;
};
constexpr Expected kFullValues[] = {
    {2, "Fixture comments"}, {7, "Fixture Product"},
    {10, "Società Fixture"}, {11, "Copyright fixture"},
    {12, "TM zero"},         {13, "TM one"},
    {14, "TM two"},          {15, "Fixture description"},
    {16, "2.5.0.17"},        {17, "2.5"},
};

void ExpectFullFixture(const Dialog& d, const std::string& fileName) {
    EXPECT_EQ(d.InfoText(8), fileName);
    for (const Expected& e : kFullValues) EXPECT_EQ(d.InfoText(e.index), e.text) << "txtInfo(" << e.index << ")";
}

void ExpectOnlyFileName(const Dialog& d, const std::string& fileName) {
    for (int i : kBoxes) EXPECT_EQ(d.InfoText(i), i == 8 ? fileName : "") << "txtInfo(" << i << ")";
}

// Top-level windows of this thread captioned "Dettagli".
int DetailsWindows() {
    int count = 0;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            char text[64] = {};
            ::GetWindowTextA(h, text, sizeof(text));
            if (std::string(text) == "Dettagli" && ::IsWindow(h)) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// A file put in a special folder of the throwaway prefix, removed at the end.
class SpecialFolderFile {
public:
    SpecialFolderFile(int folder, const std::string& fixture, const std::string& name)
        : path_(vt::SpecialFolder(folder) + "\\" + name) {
        ::CreateDirectoryA(vt::SpecialFolder(folder).c_str(), nullptr);
        vt::test::CopyFixture(fixture, path_);
    }
    ~SpecialFolderFile() { ::DeleteFileA(path_.c_str()); }
    SpecialFolderFile(const SpecialFolderFile&) = delete;
    SpecialFolderFile& operator=(const SpecialFolderFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Runs a scope in another current folder, the old one restored at the end.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path) {
        char old[MAX_PATH * 4] = {};
        ::GetCurrentDirectoryA(sizeof(old), old);
        old_ = old;
        ::SetCurrentDirectoryA(path.c_str());
    }
    ~CurrentFolder() { ::SetCurrentDirectoryA(old_.c_str()); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::string old_;
};

class DetailsDialog : public ::testing::Test {
protected:
    void SetUp() override { oldSource_ = vt::DetailsSource; }
    void TearDown() override { vt::DetailsSource = oldSource_; }

    // The records the main window hands over for a selected row of either list.
    void SelectProcess(const std::string& name, const std::string& folder) {
        rows_.process = vt::MakeProcessRow(name, folder, 1234);
        vt::DetailsSource = std::string("1");
    }
    void SelectStartup(const std::string& name, const std::string& command, const std::string& code) {
        vt::StartupRow row;
        row.name = name;
        row.command = command;
        row.code = code;
        if (code == "UST") row.location = vt::SpecialFolder(7);
        else if (code == "CST") row.location = vt::SpecialFolder(24);
        else row.location = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
        rows_.startup = row;
        vt::DetailsSource = std::string("2");
    }
    std::unique_ptr<Dialog> Open() {
        auto d = std::make_unique<Dialog>(rows_, prompt_);
        EXPECT_TRUE(d->Load());
        return d;
    }

    vt::ComScope com_;
    vt::test::TempDir dir_;
    ScriptedPrompt prompt_;
    vt::DetailsRows rows_;
    std::string oldSource_;
};

TEST_F(DetailsDialog, ProcessRowShowsIconAndVersionValues) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "a.exe");
    SelectProcess("a.exe", dir_.path() + "\\");
    auto d = Open();
    ExpectFullFixture(*d, "a.exe");
    EXPECT_NE(d->ImageIcon(), nullptr);
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(DetailsDialog, SystemRowIsLookedUpInTheSystemFolder) {
    const std::string system = vt::SpecialFolder(37);
    ASSERT_FALSE(system.empty());
    vt::VersionInfo reference;
    reference.FileName(system + "\\kernel32.dll");
    ASSERT_FALSE(reference.FileVersion().empty()) << "the system's kernel32.dll has no version values";

    SelectProcess("kernel32.dll", "SYSTEM");
    auto d = Open();
    EXPECT_EQ(d->InfoText(8), "kernel32.dll");
    EXPECT_EQ(d->InfoText(16), reference.FileVersion());
    EXPECT_EQ(d->InfoText(7), reference.ProductName());
    EXPECT_EQ(d->InfoText(15), reference.FileDescription());
    EXPECT_NE(d->ImageIcon(), nullptr);
}

TEST_F(DetailsDialog, StartupRowsShowTheProgramFile) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "prog.exe");
    SpecialFolderFile inStartup(7, "vi_full.exe", "vt_details_test.exe");
    const std::string full = dir_ / "prog.exe";
    struct Case {
        const char* what;
        std::string command, code, fileName;
    } cases[] = {
        {"file of the user's startup folder", "vt_details_test.exe", "UST", "vt_details_test.exe"},
        {"shortcut resolved to its target", full, "UST", "prog.exe"},
        {"quoted command with arguments", "\"" + full + "\" /background -x", "CUR", "prog.exe"},
        {"plain command with arguments", full + " -minimized", "LMR", "prog.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SelectStartup("entry", c.command, c.code);
        auto d = Open();
        ExpectFullFixture(*d, c.fileName);
        EXPECT_NE(d->ImageIcon(), nullptr);
    }
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(DetailsDialog, BareProgramNameIsUsedAsItIs) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "vt_bare.exe");
    // The same name in the startup folder must not be what a registry row shows, even
    // right after a startup-folder row was shown by the same window.
    SpecialFolderFile decoy(7, "vi_console.exe", "vt_bare.exe");
    CurrentFolder here(dir_.path());
    Dialog d(rows_, prompt_);

    SelectStartup("vt_bare.exe", "vt_bare.exe", "UST");
    d.Rows(rows_);
    ASSERT_TRUE(d.Load());
    ExpectOnlyFileName(d, "vt_bare.exe");  // the decoy has no version resource

    SelectStartup("vt_bare.exe", "vt_bare.exe", "CUR");
    d.Rows(rows_);
    ASSERT_TRUE(d.Load());
    ExpectFullFixture(d, "vt_bare.exe");
    EXPECT_NE(d.ImageIcon(), nullptr);
}

TEST_F(DetailsDialog, FileWithoutVersionValuesShowsOnlyItsName) {
    vt::test::CopyFixture("vi_console.exe", dir_ / "plain.exe");
    struct Case {
        const char* what;
        std::string name;
        bool icon;
    } cases[] = {
        {"no version resource", "plain.exe", true},
        {"missing file", "missing.exe", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SelectProcess(c.name, dir_.path() + "\\");
        auto d = Open();
        ExpectOnlyFileName(*d, c.name);
        EXPECT_EQ(d->ImageIcon() != nullptr, c.icon);
    }
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(DetailsDialog, UnknownSourceOrNoSelectionShowsCaptionsOnly) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "a.exe");
    SelectProcess("a.exe", dir_.path() + "\\");
    const struct {
        int index;
        const char* caption;
    } captions[] = {
        {0, "More information about the process"},
        {8, "File Name"},
        {16, "File Version"},
        {17, "Product Version"},
        {2, "Comments"},
        {7, "Product Name"},
        {10, "Company Name"},
        {11, "Legal Copyright"},
        {12, "Legal Trademarks"},
        {13, "Legal Trademarks1"},
        {14, "Legal Trademarks2"},
        {15, "File Description"},
    };
    for (const char* source : {"", "0", "3", "x", "1"}) {
        SCOPED_TRACE(source);
        vt::DetailsSource = std::string(source);
        if (std::string(source) == "1") rows_.process.reset();  // a source but no selected row
        auto d = Open();
        for (const auto& c : captions) EXPECT_EQ(d->LabelText(c.index), c.caption);
        for (int i : kBoxes) EXPECT_EQ(d->InfoText(i), "") << i;
        EXPECT_EQ(d->ImageIcon(), nullptr);
    }
}

TEST_F(DetailsDialog, BoxesAreReadOnlyEditsAndCaptionsFit) {
    auto d = Open();
    std::vector<HWND> children;
    ::EnumChildWindows(
        d->hwnd(),
        [](HWND h, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    size_t edits = 0;
    for (HWND h : children) {
        char cls[32] = {}, text[64] = {};
        ::GetClassNameA(h, cls, sizeof(cls));
        int n = ::GetWindowTextA(h, text, sizeof(text));
        if (std::string(cls) == "Edit") {
            ++edits;
            EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_STYLE) & ES_READONLY);
        } else if (n > 0) {
            // A caption cut short would make "Legal Trademarks1" and "...2" look alike.
            vt::WindowDC dc(h);
            vt::SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(h, WM_GETFONT, 0, 0)));
            SIZE size{};
            ::GetTextExtentPoint32A(dc.get(), text, n, &size);
            RECT r{};
            ::GetClientRect(h, &r);
            EXPECT_LE(size.cx, r.right) << text;
        }
    }
    EXPECT_EQ(edits, std::size(kBoxes));
}

TEST_F(DetailsDialog, OpensTopmostWithItsCornerAtTheScreenCentre) {
    auto d = Open();
    HWND h = d->hwnd();
    ASSERT_TRUE(h);
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT r{};
    ::GetWindowRect(h, &r);
    EXPECT_EQ(r.left, Dialog::HalfToEven(::GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(r.top, Dialog::HalfToEven(::GetSystemMetrics(SM_CYSCREEN)));
    RECT c{};
    ::GetClientRect(h, &c);
    const int dpi = vt::WindowDpi(h);
    EXPECT_EQ(c.right, vt::TwipsToPixels(4695, dpi));
    EXPECT_EQ(c.bottom, vt::TwipsToPixels(4485, dpi));
    char caption[32] = {};
    ::GetWindowTextA(h, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Dettagli");

    const struct {
        int pixels, half;
    } halves[] = {{1024, 512}, {1280, 640}, {1025, 512}, {1023, 512}, {1027, 514}, {801, 400}, {1, 0}, {3, 2}, {0, 0}};
    for (const auto& c2 : halves) EXPECT_EQ(Dialog::HalfToEven(c2.pixels), c2.half) << c2.pixels;
}

TEST_F(DetailsDialog, NextOpeningReplacesTheDialogAndClosingDestroysIt) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "a.exe");
    vt::test::CopyFixture("vi_console.exe", dir_ / "b.exe");
    SelectProcess("a.exe", dir_.path() + "\\");
    // As the main window does it: the earlier instance goes before the new one loads.
    std::unique_ptr<Dialog> d = Open();
    SelectProcess("b.exe", dir_.path() + "\\");
    d.reset();
    d = Open();
    EXPECT_EQ(DetailsWindows(), 1);
    ExpectOnlyFileName(*d, "b.exe");

    // Loading the same object again also leaves one window.
    SelectProcess("a.exe", dir_.path() + "\\");
    d->Rows(rows_);
    ASSERT_TRUE(d->Load());
    EXPECT_EQ(DetailsWindows(), 1);
    ExpectFullFixture(*d, "a.exe");

    // The user closes it: the window goes, the object stays harmless.
    ::SendMessageA(d->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(d->hwnd(), nullptr);
    EXPECT_EQ(DetailsWindows(), 0);
    EXPECT_EQ(d->InfoText(8), "");
    EXPECT_EQ(d->ImageIcon(), nullptr);
    d->Unload();
    d.reset();
    EXPECT_EQ(DetailsWindows(), 0);
}

TEST_F(DetailsDialog, ShownFileCanBeDeletedWhileTheDialogIsOpen) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "a.exe");
    SelectProcess("a.exe", dir_.path() + "\\");
    auto d = Open();
    ASSERT_EQ(d->InfoText(16), "2.5.0.17");
    EXPECT_TRUE(::DeleteFileA((dir_ / "a.exe").c_str())) << ::GetLastError();
}

// Fails while filling one box, as any error raised during the fill would.
class FailingDialog : public Dialog {
public:
    FailingDialog(vt::DetailsRows rows, vt::IPrompt& p, int failAt) : Dialog(std::move(rows), p), failAt_(failAt) {}

protected:
    void SetInfo(int index, const std::string& text) override {
        if (index == failAt_) throw vt::AppError(-2147024891, "test", "Access is denied.");
        Dialog::SetInfo(index, text);
    }

private:
    int failAt_;
};

TEST_F(DetailsDialog, ErrorWhileFillingStopsThereAndIsShown) {
    vt::test::CopyFixture("vi_full.exe", dir_ / "a.exe");
    SelectProcess("a.exe", dir_.path() + "\\");
    FailingDialog d(rows_, prompt_, 10);
    ASSERT_TRUE(d.Load());
    // The fill order is 2, 7, 8, 10 ...: the boxes before the failing one keep their text.
    EXPECT_EQ(d.InfoText(2), "Fixture comments");
    EXPECT_EQ(d.InfoText(7), "Fixture Product");
    EXPECT_EQ(d.InfoText(8), "a.exe");
    for (int i : {10, 11, 12, 13, 14, 15, 16, 17}) EXPECT_EQ(d.InfoText(i), "") << i;
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].text, "Error: Access is denied. (-2147024891)");
    EXPECT_EQ(prompt_.asked[0].title, "Vantorile");
    EXPECT_EQ(prompt_.asked[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(d.hwnd() && ::IsWindowVisible(d.hwnd()));
}

}  // namespace
