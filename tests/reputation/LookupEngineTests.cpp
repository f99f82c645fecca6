// The asynchronous lookups on their own, without any window: what a console program
// that grades a list and waits for the answers relies on.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "core/AppError.h"
#include "core/Wildcard.h"
#include "platform/ErrorBoundary.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"
#include "reputation/ReputationLookups.h"
#include "support/TestSupport.h"

namespace vt::test {
namespace {

// Takes answers until none of the lane's is due or the time is up.
std::vector<LookupAnswer> Collect(ReputationLookups& lookups, WaitingLookupSink& sink, int lane = 0,
                                  DWORD timeoutMs = 20000) {
    std::vector<LookupAnswer> got;
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (lookups.Outstanding(lane) > 0 && ::GetTickCount64() < end) {
        sink.Wait(100);
        for (LookupAnswer& a : lookups.TakeAnswers()) got.push_back(std::move(a));
    }
    return got;
}

class LookupEngine : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServiceUrl().empty()) GTEST_SKIP() << "no reference service";
        ASSERT_TRUE(SetServiceMode("normal"));
        LookupErrorShown = false;
    }
    void TearDown() override { SetServiceMode("normal"); }
    ScriptedPrompt prompt;
    WaitingLookupSink sink;
};

TEST_F(LookupEngine, EachNameIsAskedOncePerBatchWhateverItsCase) {
    ReputationLookups lookups(&sink);
    const size_t mark = ServiceQueries().size();
    struct Case {
        const char* name;
        bool asked;
    } cases[] = {
        {"services.exe", true},  {"SERVICES.EXE", false},         {"svch0st.exe", true},  {"userinit.exe", true},
        {"Services.Exe", false}, {"vt_engine_unknown.exe", true}, {"svch0st.exe", false},
    };
    for (const Case& c : cases) EXPECT_EQ(lookups.Ask(c.name), c.asked) << c.name;
    EXPECT_EQ(lookups.Outstanding(), 4u);

    std::map<std::string, int32_t> grades;
    for (const LookupAnswer& a : Collect(lookups, sink)) grades[a.name] += a.grade * 10 + 1;  // counts doubles
    EXPECT_EQ(grades,
              (std::map<std::string, int32_t>{
                  {"services.exe", 11}, {"svch0st.exe", 21}, {"userinit.exe", 31}, {"vt_engine_unknown.exe", 41}}));
    auto queries = ServiceQueries();
    ASSERT_GE(queries.size(), mark);
    std::vector<std::string> sent(queries.begin() + static_cast<long>(mark), queries.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"services.exe", "svch0st.exe", "userinit.exe", "vt_engine_unknown.exe"}));

    // A new batch asks again.
    lookups.NewBatch();
    EXPECT_TRUE(lookups.Ask("SERVICES.EXE"));
    auto again = Collect(lookups, sink);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].grade, 1);
    EXPECT_TRUE(prompt.asked.empty());  // the engine never speaks to the user
}

TEST_F(LookupEngine, AtMostEightRequestsInFlightEachOnItsOwnConnection) {
    ASSERT_TRUE(SetServiceMode("slow:0.3"));
    ReputationLookups lookups(&sink);
    const int before = ServiceConnections();
    for (int i = 0; i < 24; ++i) lookups.Ask("vt_many_" + std::to_string(i) + ".exe");
    auto got = Collect(lookups, sink);
    EXPECT_EQ(got.size(), 24u);
    for (const LookupAnswer& a : got) EXPECT_EQ(a.grade, 4) << a.name;
    const int opened = ServiceConnections() - before;
    EXPECT_GE(opened, 2);  // side by side, not one after another
    EXPECT_LE(opened, 8);
}

TEST_F(LookupEngine, ANewBatchDropsTheAnswersStillDue) {
    ASSERT_TRUE(SetServiceMode("slow:1"));
    ReputationLookups lookups(&sink);
    const uint64_t first = lookups.NewBatch(3);
    for (const char* n : {"services.exe", "svch0st.exe", "userinit.exe"}) lookups.Ask(n, 3);
    lookups.Ask("svch0st.exe", 4);  // another lane keeps its own
    const uint64_t second = lookups.NewBatch(3);
    EXPECT_NE(first, second);
    EXPECT_EQ(lookups.Outstanding(3), 0u);
    ASSERT_TRUE(SetServiceMode("normal"));
    lookups.Ask("adbooster.exe", 3);
    std::vector<LookupAnswer> lane3, lane4;
    auto sort = [&](std::vector<LookupAnswer> got) {
        for (LookupAnswer& a : got) (a.lane == 3 ? lane3 : lane4).push_back(std::move(a));
    };
    sort(Collect(lookups, sink, 3));
    sort(Collect(lookups, sink, 4));
    // Past the time the dropped answers were due.
    ::Sleep(1500);
    sort(lookups.TakeAnswers());
    ASSERT_EQ(lane3.size(), 1u);
    EXPECT_EQ(lane3[0].name, "adbooster.exe");
    EXPECT_EQ(lane3[0].batch, second);
    EXPECT_EQ(lane3[0].grade, 2);
    ASSERT_EQ(lane4.size(), 1u);
    EXPECT_EQ(lane4[0].grade, 2);
}

TEST_F(LookupEngine, AnUnreachableServiceIsFlaggedForTheOwnerToTell) {
    const std::string saved = GetEnv("VANTORILE_REPUTATION_URL");
    ::SetEnvironmentVariableA("VANTORILE_REPUTATION_URL", ("http://127.0.0.1:" + std::to_string(ClosedPort())).c_str());
    ReputationLookups lookups(&sink);
    lookups.Ask("services.exe");
    lookups.Ask("svch0st.exe");
    ::SetEnvironmentVariableA("VANTORILE_REPUTATION_URL", saved.c_str());
    auto got = Collect(lookups, sink);
    ASSERT_EQ(got.size(), 2u);
    for (const LookupAnswer& a : got) {
        EXPECT_EQ(a.grade, 0);
        EXPECT_TRUE(a.serviceNotFound);
        EXPECT_EQ(a.errorSource, "WinHTTP");
    }
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(LookupErrorShown);
}

TEST_F(LookupEngine, GoingAwayWithRequestsOnASilentServiceNeitherWaitsNorReports) {
    struct CountingSink : ILookupSink {
        std::atomic<int> calls{0};
        void AnswersWaiting() override { ++calls; }
    } counting;
    ASSERT_TRUE(SetServiceMode("silent"));
    {
        Watchdog dog(5000, "the lookups' destructor");
        ReputationLookups lookups(&counting);
        for (int i = 0; i < 12; ++i) lookups.Ask("vt_silent_" + std::to_string(i) + ".exe");
        PumpUntil([] { return false; }, 300);  // the requests are out
        EXPECT_EQ(lookups.Outstanding(), 12u);
    }
    EXPECT_EQ(counting.calls, 0);
}

// What the error boundary reported, from whichever thread.
std::mutex g_reportedLock;
std::vector<std::string> g_reported;
void KeepReport(const std::string& line) {
    std::lock_guard lock(g_reportedLock);
    g_reported.push_back(line);
}
void ClearReports() {
    std::lock_guard lock(g_reportedLock);
    g_reported.clear();
}
bool Reported(const std::string& line) {
    std::lock_guard lock(g_reportedLock);
    return std::find(g_reported.begin(), g_reported.end(), line) != g_reported.end();
}

class RaisingClient : public IHttpClient {
public:
    HttpResponse Get(const std::string&) override { throw AppError(5, "test", "broken client"); }
};

// A lookup whose client raises (or cannot be made) gives no grade and no warning, and the
// failure is reported instead of swallowed.
TEST(LookupFailures, ALookupThatRaisesLeavesNoGradeAndIsReported) {
    ScriptedPrompt prompt;
    LookupErrorShown = false;
    ClearReports();
    const FailureSink previous = SetFailureSink(&KeepReport);

    RaisingClient raising;
    IHttpClient* const current = SetHttpClient(&raising);
    EXPECT_EQ(QueryReputation("a.exe"), 0);
    SetHttpClient(current);
    EXPECT_TRUE(Reported("Vantorile: reputation lookup: test 5: broken client\n"));

    struct Case {
        const char* kind;
        std::function<std::unique_ptr<IHttpClient>()> make;
        const char* line;
    };
    const Case cases[] = {
        {"a client that raises", [] { return std::make_unique<RaisingClient>(); },
         "Vantorile: reputation lookup: test 5: broken client\n"},
        {"no client", []() -> std::unique_ptr<IHttpClient> { throw std::runtime_error("no client"); },
         "Vantorile: making a lookup client: no client\n"},
    };
    for (const Case& c : cases) {
        ClearReports();
        WaitingLookupSink sink;
        LookupSettings settings;
        settings.workers = 1;
        settings.makeClient = c.make;
        ReputationLookups lookups(&sink, settings);
        ASSERT_TRUE(lookups.Ask("a.exe"));
        std::vector<LookupAnswer> got = Collect(lookups, sink);
        ASSERT_EQ(got.size(), 1u) << c.kind;
        EXPECT_EQ(got[0].grade, 0) << c.kind;
        EXPECT_FALSE(got[0].serviceNotFound) << c.kind;
        EXPECT_TRUE(Reported(c.line)) << c.kind;
    }
    SetFailureSink(previous);
    EXPECT_TRUE(prompt.asked.empty());
}

// Where no worker thread can be had, every name is answered at once with no grade,
// instead of waiting forever for a worker that never comes.
TEST(LookupFailures, WithoutThreadsEveryNameIsAnsweredAtOnceWithNoGrade) {
    ScriptedPrompt prompt;
    WaitingLookupSink sink;
    LookupSettings settings;
    int made = 0;
    settings.makeClient = [&made]() -> std::unique_ptr<IHttpClient> {
        ++made;
        return std::make_unique<RaisingClient>();
    };
    settings.startThread = [](const std::function<void()>&) { return false; };
    ReputationLookups lookups(&sink, settings);
    EXPECT_TRUE(lookups.Ask("services.exe"));
    EXPECT_TRUE(lookups.Ask("svch0st.exe"));
    EXPECT_FALSE(lookups.Ask("SERVICES.EXE"));
    EXPECT_TRUE(sink.Wait(0));
    std::vector<LookupAnswer> got = lookups.TakeAnswers();
    ASSERT_EQ(got.size(), 2u);
    for (const LookupAnswer& a : got) {
        EXPECT_EQ(a.grade, 0) << a.name;
        EXPECT_FALSE(a.serviceNotFound) << a.name;
    }
    EXPECT_EQ(lookups.Outstanding(), 0u);
    EXPECT_EQ(made, 0);
    EXPECT_TRUE(prompt.asked.empty());
}

}  // namespace
}  // namespace vt::test
