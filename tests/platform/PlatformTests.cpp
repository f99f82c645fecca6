#include <gtest/gtest.h>

#include <windows.h>

#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace {

TEST(Platform, RunsWithUtf8CodePage) {
    // The manifest's active code page: narrow calls carry UTF-8.
    EXPECT_EQ(::GetACP(), 65001u);
    vt::test::TempDir dir;
    std::string name = dir / "caff\xc3\xa8.txt";
    ASSERT_TRUE(vt::test::WriteFile(name, "x"));
    WIN32_FIND_DATAW fd;
    vt::UniqueFindHandle f(::FindFirstFileW(vt::Widen(dir.path() + "\\*.txt").c_str(), &fd));
    ASSERT_TRUE(f);
    EXPECT_STREQ(fd.cFileName, L"caff\u00e8.txt");
}

TEST(Platform, WidenNarrowRoundTrip) {
    const std::string s = "Citt\xc3\xa0 \xe2\x82\xac";
    EXPECT_EQ(vt::Narrow(vt::Widen(s)), s);
    EXPECT_EQ(vt::Widen(""), L"");
}

TEST(Platform, PumpsDispatchPendingAndKeepQuit) {
    struct Counter : vt::IMessageFilter {
        int seen = 0;
        bool PreTranslate(MSG& m) override {
            if (m.message == WM_APP + 7) ++seen;
            return m.message == WM_APP + 7;
        }
    } counter;
    vt::AddMessageFilter(&counter);
    auto postTwoAndQuit = [] {
        ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 7, 0, 0);
        ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP + 7, 0, 0);
        ::PostQuitMessage(3);
    };
    auto quitReposted = [] {
        MSG m;
        return ::PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && m.wParam == 3u;
    };
    postTwoAndQuit();
    vt::PumpPending();
    EXPECT_EQ(counter.seen, 2);
    EXPECT_TRUE(quitReposted());

    // The scanners' yield looks at the queue at most once a millisecond (a few apart when
    // looking is dear), but a yield made after that has passed handles everything waiting.
    postTwoAndQuit();
    ::Sleep(10);
    vt::DoEvents();
    EXPECT_EQ(counter.seen, 4);
    EXPECT_TRUE(quitReposted());
    vt::RemoveMessageFilter(&counter);
}

TEST(Platform, ProgramBaseNameIsTheExeWithoutExtension) { EXPECT_EQ(vt::ProgramBaseName(), "platform_tests"); }

TEST(TestHarness, ReferenceServiceAnswersAndLogs) {
    ASSERT_FALSE(vt::test::ServiceUrl().empty()) << "the test runner starts the reference service";
    ASSERT_TRUE(vt::test::SetServiceMode("normal"));
    EXPECT_NE(vt::test::ClosedPort(), 0);
}

}  // namespace
