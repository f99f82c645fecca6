// Shell links written and read back through cShellLink, in throwaway folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/AppError.h"
#include "fileinfo/cShellLink.h"
#include "fileinfo/mShellLink.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace {

using vt::cShellLink;

std::string ReadBytes(const std::string& path) {
    std::string out;
    vt::UniqueFileHandle h(
        ::CreateFileW(vt::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) return out;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(h.get(), buf, sizeof(buf), &got, nullptr) && got) out.append(buf, got);
    return out;
}

// What the caller holds before a call, to see which out-parameters it touched.
struct LinkFields {
    std::string exe = "exe?", dir = "dir?", args = "args?", icon = "icon?";
    int32_t iconIdx = -7, show = -8;
    bool Read(cShellLink& l, const std::string& lnk) {
        return l.GetShellLinkInfo(lnk, exe, dir, args, icon, iconIdx, show);
    }
    bool Untouched() const {
        return exe == "exe?" && dir == "dir?" && args == "args?" && icon == "icon?" && iconIdx == -7 && show == -8;
    }
};

class ShellLink : public ::testing::Test {
protected:
    vt::ComScope com;
    vt::test::TempDir dir;
    cShellLink link;

    void SetUp() override { ASSERT_TRUE(com.ok()); }
    std::string Target(const std::string& name) {
        std::string p = dir / name;
        EXPECT_TRUE(vt::test::WriteFile(p, "MZ"));
        return p;
    }
};

TEST_F(ShellLink, CreateThenReadEveryField) {
    const std::string target = Target("target.exe");
    const std::string icon = Target("icons.dll");
    const std::string lnk = dir / "full.lnk";
    ASSERT_TRUE(link.CreateShellLink(lnk, target, dir.path(), "-a \"b c\"", icon, 3, SW_SHOWMAXIMIZED));
    LinkFields f;
    ASSERT_TRUE(f.Read(link, lnk));
    EXPECT_EQ(f.exe, target);
    EXPECT_EQ(f.dir, dir.path());
    EXPECT_EQ(f.args, "-a \"b c\"");
    EXPECT_EQ(f.icon, icon);
    EXPECT_EQ(f.iconIdx, 3);
    // Wine's link reader does not restore the show command (it reads back 1); the saved
    // file is checked directly below.
    EXPECT_TRUE(f.show == SW_SHOWMAXIMIZED || f.show == SW_SHOWNORMAL) << f.show;
    const std::string bytes = ReadBytes(lnk);
    ASSERT_GE(bytes.size(), 0x40u);
    uint32_t saved = 0;
    memcpy(&saved, bytes.data() + 0x3C, sizeof(saved));
    EXPECT_EQ(saved, static_cast<uint32_t>(SW_SHOWMAXIMIZED));
}

// Removal tests save a shortcut and delete it moments later; no other process may open it
// in between, or the removal finds it in use. Wine's menu builder opens every saved
// shortcut unless the test runner turns it off.
TEST_F(ShellLink, NoOtherProcessOpensASavedShortcut) {
    const std::string target = Target("quiet.exe");
    std::vector<std::wstring> links;
    for (int i = 0; i < 16; ++i) {
        const std::string lnk = dir / ("quiet" + std::to_string(i) + ".lnk");
        ASSERT_TRUE(link.CreateShellLink(lnk, target, "", "", "", 0, SW_SHOWNORMAL));
        links.push_back(vt::Widen(lnk));
    }
    // The builder opens a shortcut a few hundred milliseconds after it is saved, and only
    // for a moment: look without pause.
    int held = 0;
    for (const ULONGLONG until = ::GetTickCount64() + 1500; ::GetTickCount64() < until;) {
        for (const std::wstring& l : links) {
            HANDLE h = ::CreateFileW(l.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
            else if (::GetLastError() == ERROR_SHARING_VIOLATION) ++held;
        }
    }
    EXPECT_EQ(held, 0) << "scripts/test starts Wine with winemenubuilder.exe disabled";
}

TEST_F(ShellLink, NonAsciiTargetRoundTrips) {
    const std::string target = Target("citt\xC3\xA0 \xE6\x97\xA5.exe");
    const std::string lnk = dir / "perch\xC3\xA9.lnk";
    ASSERT_TRUE(link.CreateShellLink(lnk, target, "", "", "", 0, SW_SHOWNORMAL));
    LinkFields f;
    ASSERT_TRUE(f.Read(link, lnk));
    EXPECT_EQ(f.exe, target);
}

TEST_F(ShellLink, OptionalFieldsStayUnsetAndDescriptionIsWritten) {
    const std::string target = Target("plain.exe");
    const std::string lnk = dir / "plain.lnk";
    ASSERT_TRUE(link.CreateShellLink(lnk, target, "", "", "", 5, SW_SHOWNORMAL));
    LinkFields f;
    ASSERT_TRUE(f.Read(link, lnk));
    EXPECT_EQ(f.exe, target);
    EXPECT_EQ(f.show, SW_SHOWNORMAL);
    // The saved link itself says which optional fields it carries (the reader may fill in
    // defaults, such as the target as icon file): no working folder, arguments or icon.
    const std::string bytes = ReadBytes(lnk);
    ASSERT_GE(bytes.size(), 0x18u);
    uint32_t flags = 0;
    memcpy(&flags, bytes.data() + 0x14, sizeof(flags));
    const uint32_t kHasWorkingDir = 0x10, kHasArguments = 0x20;
    EXPECT_EQ(flags & (kHasWorkingDir | kHasArguments), 0u);
    EXPECT_EQ(f.dir, "");
    EXPECT_EQ(f.args, "");
    // Resolving may give the link its target as icon (Wine does); nothing else may.
    EXPECT_TRUE(f.icon.empty() || f.icon == target) << f.icon;

    vt::ComPtr<IShellLinkA> sl;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, sl.put_void()));
    auto pf = sl.As<IPersistFile>(IID_IPersistFile);
    ASSERT_TRUE(pf);
    ASSERT_HRESULT_SUCCEEDED(pf->Load(vt::Widen(lnk).c_str(), STGM_READ));
    char desc[256] = {};
    ASSERT_HRESULT_SUCCEEDED(sl->GetDescription(desc, sizeof(desc)));
    EXPECT_STREQ(desc, "ShellLink Sample");
}

TEST_F(ShellLink, EmptyNamesDoNothing) {
    const std::string target = Target("t.exe");
    EXPECT_FALSE(link.CreateShellLink("", target, "", "", "", 0, 1));
    EXPECT_FALSE(link.CreateShellLink(dir / "none.lnk", "", "", "", "", 0, 1));
    EXPECT_FALSE(vt::test::FileExists(dir / "none.lnk"));
    LinkFields f;
    EXPECT_FALSE(f.Read(link, ""));
    EXPECT_TRUE(f.Untouched());
}

TEST_F(ShellLink, FilesThatAreNotLinksLeaveTheFieldsAlone) {
    const std::string good = dir / "good.lnk";
    ASSERT_TRUE(link.CreateShellLink(good, Target("g.exe"), dir.path(), "x", "", 0, 1));
    const std::string bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 80u);
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"text.lnk", "this is not a shortcut\r\n"},
        {"empty.lnk", ""},
        {"header.lnk", bytes.substr(0, 30)},
        {"garbage.lnk", std::string(200, '\xff')},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(vt::test::WriteFile(dir / c.name, c.content));
        LinkFields f;
        EXPECT_FALSE(f.Read(link, dir / c.name)) << c.name;
        EXPECT_TRUE(f.Untouched()) << c.name;
    }
    LinkFields missing;
    EXPECT_FALSE(missing.Read(link, dir / "missing.lnk"));
    EXPECT_TRUE(missing.Untouched());
}

TEST_F(ShellLink, SystemFolderPath) {
    std::string path = "before";
    ASSERT_TRUE(link.GetSystemFolderPath(nullptr, CSIDL_STARTUP, path));
    char expected[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, 0, expected), S_OK);
    EXPECT_EQ(path, expected);
    EXPECT_EQ(path.find('\0'), std::string::npos);

    std::string untouched = "keep";
    EXPECT_FALSE(link.GetSystemFolderPath(nullptr, 0x7ffe, untouched));
    EXPECT_EQ(untouched, "keep");
}

TEST(ShellLinkWithoutCom, ReadRaisesWhenTheObjectCannotBeMade) {
    // A thread that never initialised COM: creating the object fails, and that one
    // failure reaches the caller as an error; creating a link just answers False.
    bool raised = false, created = true;
    int32_t number = 0;
    std::thread t([&] {
        cShellLink link;
        LinkFields f;
        try {
            f.Read(link, "C:\\whatever.lnk");
        } catch (const vt::AppError& e) {
            raised = true;
            number = e.Number();
        }
        created = link.CreateShellLink("C:\\whatever.lnk", "C:\\x.exe", "", "", "", 0, 1);
    });
    t.join();
    EXPECT_TRUE(raised);
    EXPECT_EQ(number, static_cast<int32_t>(CO_E_NOTINITIALIZED));
    EXPECT_FALSE(created);
}

}  // namespace
