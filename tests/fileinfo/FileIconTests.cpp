#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileinfo/VersionInfo.h"
#include "fileinfo/cGetFileIcon.h"
#include "fixtures/Fixtures.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "support/TestSupport.h"

namespace {

using vt::cGetFileIcon;
using vt::PicturePtr;
using vt::test::FixturePath;

bool IconAlive(HICON icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return false;
    vt::UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
    return true;
}

// Width in pixels of a picture's icon, 0 when there is none.
int IconWidth(const PicturePtr& picture) {
    ICONINFO info{};
    if (!::GetIconInfo(vt::PictureIcon(picture.get()), &info)) return 0;
    vt::UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(color ? color.get() : mask.get(), sizeof(bm), &bm);
    return bm.bmWidth;
}

// Wine's shell does not recognise batch files as programs (it answers 0).
bool RunningOnWine() { return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

class FileIcon : public ::testing::Test {
protected:
    vt::ComScope com_;
    vt::test::TempDir dir_;
};

TEST_F(FileIcon, MissingPathGivesNothing) {
    cGetFileIcon gi;
    const std::string missing = dir_ / "missing.exe";
    for (int viaProperty = 0; viaProperty < 2; ++viaProperty) {
        SCOPED_TRACE(viaProperty);
        std::optional<std::string> arg;
        if (viaProperty) gi.File(missing);
        else arg = missing;
        EXPECT_EQ(gi.DisplayName(arg), "");
        EXPECT_EQ(gi.TypeName(arg), "");
        EXPECT_EQ(gi.ExeType(arg), 0);
        EXPECT_FALSE(gi.Icon(arg));
        EXPECT_FALSE(gi.Icon(arg, 1));
    }
}

TEST_F(FileIcon, NamesOfAnExistingFile) {
    cGetFileIcon gi;
    gi.File(FixturePath("vi_full.exe"));
    EXPECT_EQ(gi.DisplayName().rfind("vi_full", 0), 0u) << gi.DisplayName();
    EXPECT_FALSE(gi.TypeName().empty());
    ASSERT_TRUE(vt::test::WriteFile(dir_ / "notes.txt", "text"));
    // The argument wins over the property.
    EXPECT_EQ(gi.DisplayName(dir_ / "notes.txt").rfind("notes", 0), 0u);
    EXPECT_NE(gi.TypeName(dir_ / "notes.txt"), gi.TypeName());
}

TEST_F(FileIcon, ExeTypeByKindOfProgram) {
    ASSERT_TRUE(vt::test::WriteFile(dir_ / "run.bat", "@echo off\r\nexit /b 0\r\n"));
    ASSERT_TRUE(vt::test::WriteFile(dir_ / "notes.txt", "text"));
    // The smallest MS-DOS program: an MZ header and "mov ax,4C00h / int 21h".
    std::string dos = "MZ" + std::string(62, '\0') + std::string("\xB8\x00\x4C\xCD\x21", 5);
    dos[8] = 4;  // header size in paragraphs
    ASSERT_TRUE(vt::test::WriteFile(dir_ / "dos.exe", dos));
    struct Case {
        std::string path;
        int32_t kind;
    } cases[] = {
        {FixturePath("vi_full.exe"), 1}, {FixturePath("vi_console.exe"), 3},
        {dir_ / "dos.exe", 2},           {dir_ / "run.bat", RunningOnWine() ? 0 : 2},
        {dir_ / "notes.txt", 0},         {FixturePath("vi_zero.dll"), 0},
    };
    cGetFileIcon gi;
    for (const auto& c : cases) EXPECT_EQ(gi.ExeType(c.path), c.kind) << c.path;
}

TEST_F(FileIcon, IconTypeArgumentOverridesTheProperty) {
    const std::string exe = FixturePath("vi_full.exe");
    const int large = ::GetSystemMetrics(SM_CXICON);
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    ASSERT_NE(large, small);
    cGetFileIcon gi;
    gi.File(exe);
    EXPECT_EQ(IconWidth(gi.Icon()), large);
    EXPECT_EQ(IconWidth(gi.Icon(exe, 1)), small);
    gi.IconType(1);
    EXPECT_EQ(IconWidth(gi.Icon()), small);
    EXPECT_EQ(IconWidth(gi.Icon(exe, 0)), large);
    gi.LinkOverlay(true);
    gi.Selected(true);
    gi.OpenState(true);
    EXPECT_EQ(IconWidth(gi.Icon(std::nullopt, 0)), large);
}

TEST_F(FileIcon, IconExWrapsTheHandlePropertyOrTheArgument) {
    cGetFileIcon gi;
    HICON h = nullptr;
    EXPECT_FALSE(gi.IconEx(h));  // Handle 0 too
    EXPECT_EQ(h, nullptr);

    HICON mine = ::CopyIcon(::LoadIconA(nullptr, IDI_APPLICATION));
    ASSERT_TRUE(mine);
    gi.Handle(mine);
    {
        PicturePtr picture = gi.IconEx(h);
        ASSERT_TRUE(picture);
        EXPECT_EQ(h, mine);  // the caller learns which handle was used
        EXPECT_TRUE(IconAlive(vt::PictureIcon(picture.get())));
        PicturePtr again = gi.IconEx(h = nullptr);
        ASSERT_TRUE(again);
    }
    // The pictures owned copies: the property's icon is still the caller's.
    EXPECT_TRUE(IconAlive(mine));

    // A handle passed in is adopted and destroyed with the picture.
    HICON adopted = mine;
    PicturePtr picture = gi.IconEx(adopted);
    ASSERT_TRUE(picture);
    EXPECT_EQ(vt::PictureIcon(picture.get()), mine);
    picture.reset();
    EXPECT_FALSE(IconAlive(mine));
}

TEST_F(FileIcon, ReleasedPicturesFreeTheirIcons) {
    cGetFileIcon gi;
    gi.File(FixturePath("vi_full.exe"));
    {
        PicturePtr warm = gi.Icon();  // the shell's own caches fill on first use
        ASSERT_TRUE(warm);
    }
    const HANDLE self = ::GetCurrentProcess();
    const DWORD gdiBefore = vt::test::GdiObjectCount();
    const DWORD userBefore = ::GetGuiResources(self, GR_USEROBJECTS);
    HICON last = nullptr;
    for (int i = 0; i < 50; ++i) {
        PicturePtr picture = gi.Icon(std::nullopt, i % 2);
        ASSERT_TRUE(picture);
        last = vt::PictureIcon(picture.get());
        ASSERT_TRUE(IconAlive(last));
    }
    EXPECT_FALSE(IconAlive(last));
    // An icon's bitmaps are GDI objects: fifty kept icons would show here. Wine counts no
    // USER objects (0 both times); there the handle check above does that work.
    EXPECT_LE(vt::test::GdiObjectCount(), gdiBefore);
    EXPECT_LE(::GetGuiResources(self, GR_USEROBJECTS), userBefore);
}

TEST_F(FileIcon, ReadingLeavesTheFileFreeToDelete) {
    const std::string path = dir_ / "victim.exe";
    vt::test::CopyFixture("vi_full.exe", path);
    vt::VersionInfo vi;
    vi.FileName(path);
    EXPECT_EQ(vi.ProductName(), "Fixture Product");
    cGetFileIcon gi;
    PicturePtr picture = gi.Icon(path, 0);  // still held while the file goes
    EXPECT_TRUE(picture);
    EXPECT_EQ(gi.ExeType(path), 1);
    EXPECT_FALSE(gi.TypeName(path).empty());
    EXPECT_TRUE(::DeleteFileA(path.c_str())) << ::GetLastError();
    EXPECT_FALSE(vt::test::FileExists(path));
}

TEST_F(FileIcon, PathLongerThanMaxPath) {
    vt::test::LongPathDir deep(dir_.path());
    const std::string path = deep.Place("vi_full.exe", "long.exe");
    ASSERT_GT(path.size(), 260u);
    cGetFileIcon gi;
    // The shell may refuse such a path; what it does answer must be right.
    const int32_t kind = gi.ExeType(path);
    EXPECT_TRUE(kind == 0 || kind == 1) << kind;
    const std::string name = gi.DisplayName(path);
    EXPECT_TRUE(name.empty() || name.rfind("long", 0) == 0) << name;
    PicturePtr picture = gi.Icon(path);
    if (picture) { EXPECT_TRUE(IconAlive(vt::PictureIcon(picture.get()))); }
}

}  // namespace
