// The signature checks off the window's thread: each file checked once per batch and
// kept while it is unchanged, late answers dropped by a new batch, a machine without
// threads answered at once, and going away never waiting for a worker.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "fileinfo/SignatureChecks.h"
#include "fileinfo/fixtures/Fixtures.h"
#include "support/TestSupport.h"

namespace vt::test {
namespace {

std::vector<SignatureAnswer> Collect(SignatureChecks& checks, WaitingAnswerSink& sink, int lane = 0,
                                     DWORD timeoutMs = 20000) {
    std::vector<SignatureAnswer> got;
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (checks.Outstanding(lane) > 0 && ::GetTickCount64() < end) {
        sink.Wait(100);
        for (SignatureAnswer& a : checks.TakeAnswers()) got.push_back(std::move(a));
    }
    return got;
}

// Counts the checks each path got, and answers "unsigned" with the path as the signer's
// name; a gate, while closed, holds every check.
class CountingCheck {
public:
    CountingCheck() : open_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}
    std::function<SignatureResult(const std::string&)> Seam() {
        return [this](const std::string& path) {
            ::WaitForSingleObject(open_.get(), 30000);
            {
                std::lock_guard lock(m_);
                ++counts_[path];
            }
            SignatureResult r;
            r.status = SignatureStatus::Unsigned;
            r.signer = path;
            return r;
        };
    }
    int Count(const std::string& path) {
        std::lock_guard lock(m_);
        return counts_[path];
    }
    int Total() {
        std::lock_guard lock(m_);
        int n = 0;
        for (const auto& [path, count] : counts_) n += count;
        return n;
    }
    void Close() { ::ResetEvent(open_.get()); }
    void Open() { ::SetEvent(open_.get()); }

private:
    UniqueHandle open_;
    std::mutex m_;
    std::map<std::string, int> counts_;
};

// Counts how often it was told that answers wait.
struct CountingSink : IAnswerSink {
    std::atomic<int> told{0};
    void AnswersWaiting() override { ++told; }
};

bool SetLastWrite(const std::string& path, uint64_t fileTime) {
    UniqueFileHandle f(
        ::CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME t{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    return f && ::SetFileTime(f.get(), nullptr, nullptr, &t);
}

TEST(SignatureChecks, EachFileIsCheckedOnceAndKeptWhileItsSizeAndTimeStay) {
    TempDir dir;
    const std::string a = dir / "a.exe", b = dir / "b.exe", c = dir / "c.exe";
    for (const std::string& p : {a, b, c}) ASSERT_TRUE(WriteFile(p, "MZ" + p));
    ASSERT_TRUE(SetLastWrite(c, 132000000000000000ull));
    CountingCheck counting;
    WaitingAnswerSink sink;
    SignatureCheckSettings settings;
    settings.check = counting.Seam();
    SignatureChecks checks(&sink, settings);

    // The same file however it is spelt, and a missing one, in one batch.
    std::string upper = a;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char ch) { return static_cast<char>(::toupper(ch)); });
    const std::string missing = dir / "missing.exe";
    const struct {
        std::string path;
        bool queued;
    } asks[] = {{a, true}, {b, true}, {upper, false}, {a, false}, {c, true}, {missing, true}, {"", false}};
    for (const auto& ask : asks) EXPECT_EQ(checks.Ask(ask.path), ask.queued) << ask.path;
    std::map<std::string, SignatureAnswer> got;
    for (SignatureAnswer& answer : Collect(checks, sink)) got[answer.path] = std::move(answer);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[a].result.signer, a);
    EXPECT_EQ(got[missing].result.status, SignatureStatus::Unknown);
    EXPECT_EQ(counting.Count(a), 1);
    EXPECT_EQ(counting.Count(missing), 0);  // nothing there to check
    EXPECT_EQ(counting.Total(), 3);

    // A rescan: b grew, c's last-write time moved, a stayed as it was.
    ASSERT_TRUE(WriteFile(b, "MZ" + b + "!"));
    ASSERT_TRUE(SetLastWrite(c, 132000000000000000ull + 10000000));
    checks.NewBatch();
    for (const std::string& p : {a, b, c}) EXPECT_TRUE(checks.Ask(p));
    std::vector<SignatureAnswer> again = Collect(checks, sink);
    ASSERT_EQ(again.size(), 3u);
    for (const SignatureAnswer& answer : again) {
        EXPECT_EQ(answer.result.status, SignatureStatus::Unsigned) << answer.path;
        EXPECT_EQ(answer.result.signer, answer.path);  // the kept answer is the file's own
    }
    EXPECT_EQ(counting.Count(a), 1);
    EXPECT_EQ(counting.Count(b), 2);
    EXPECT_EQ(counting.Count(c), 2);
}

TEST(SignatureChecks, ANewBatchDropsTheAnswersStillDue) {
    TempDir dir;
    const std::string a = dir / "a.exe", b = dir / "b.exe", d = dir / "d.exe";
    for (const std::string& p : {a, b, d}) ASSERT_TRUE(WriteFile(p, p));
    CountingCheck counting;
    WaitingAnswerSink sink;
    SignatureCheckSettings settings;
    settings.check = counting.Seam();
    settings.workers = 1;
    SignatureChecks checks(&sink, settings);
    counting.Close();
    const uint64_t first = checks.NewBatch(1);
    checks.Ask(a, 1);
    checks.Ask(b, 1);
    checks.Ask(b, 2);  // another lane keeps its own
    ::Sleep(200);      // a is with the worker now
    const uint64_t second = checks.NewBatch(1);
    EXPECT_NE(first, second);
    EXPECT_EQ(checks.Outstanding(1), 0u);
    EXPECT_TRUE(checks.Ask(d, 1));
    counting.Open();
    std::vector<SignatureAnswer> lane1, lane2;
    auto sort = [&](std::vector<SignatureAnswer> got) {
        for (SignatureAnswer& a : got) (a.lane == 1 ? lane1 : lane2).push_back(std::move(a));
    };
    sort(Collect(checks, sink, 1));
    sort(Collect(checks, sink, 2));
    ::Sleep(300);  // past the time the dropped answer was due
    sort(checks.TakeAnswers());
    ASSERT_EQ(lane1.size(), 1u);
    EXPECT_EQ(lane1[0].path, d);
    EXPECT_EQ(lane1[0].batch, second);
    ASSERT_EQ(lane2.size(), 1u);
    EXPECT_EQ(lane2[0].path, b);
    EXPECT_EQ(counting.Count(b), 1);  // lane 1's b was dropped before it started
}

TEST(SignatureChecks, WithoutThreadsEveryFileIsAnsweredUnknownAtOnce) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "a.exe", "MZ"));
    CountingCheck counting;
    CountingSink sink;
    SignatureCheckSettings settings;
    settings.check = counting.Seam();
    settings.startThread = [](const std::function<void()>&) { return false; };
    SignatureChecks checks(&sink, settings);
    EXPECT_TRUE(checks.Ask(dir / "a.exe"));
    EXPECT_TRUE(checks.Ask(dir / "b.exe"));
    EXPECT_EQ(sink.told, 1);
    std::vector<SignatureAnswer> got = checks.TakeAnswers();
    ASSERT_EQ(got.size(), 2u);
    for (const SignatureAnswer& answer : got) {
        EXPECT_EQ(answer.result.status, SignatureStatus::Unknown) << answer.path;
        EXPECT_EQ(answer.result.sha256, "");
    }
    EXPECT_EQ(checks.Outstanding(), 0u);
    EXPECT_EQ(counting.Total(), 0);
}

TEST(SignatureChecks, GoingAwayWithAChecksBlockedNeitherWaitsNorReports) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "a.exe", "MZ"));
    // Outlives the engine: the blocked worker still holds the seam when the engine is gone.
    auto counting = std::make_shared<CountingCheck>();
    CountingSink sink;
    counting->Close();
    {
        Watchdog dog(5000, "the signature checks' destructor");
        SignatureCheckSettings settings;
        settings.check = [counting, seam = counting->Seam()](const std::string& p) { return seam(p); };
        SignatureChecks checks(&sink, settings);
        checks.Ask(dir / "a.exe");
        ::Sleep(200);
        EXPECT_EQ(checks.Outstanding(), 1u);
    }
    counting->Open();
    ::Sleep(300);
    EXPECT_EQ(sink.told, 0);
}

// The real check behind the engine: the signed fixture and a missing file.
TEST(SignatureChecks, TheRealCheckAnswersWithTheFilesSignatureAndHash) {
    TempDir dir;
    CopyFixture("sig_signed.exe", dir / "firmato.exe");
    WaitingAnswerSink sink;
    SignatureChecks checks(&sink);
    checks.Ask(dir / "firmato.exe");
    checks.Ask(dir / "missing.exe");
    std::map<std::string, SignatureResult> got;
    for (SignatureAnswer& answer : Collect(checks, sink)) got[answer.path] = answer.result;
    ASSERT_EQ(got.size(), 2u);
    // The test root is not in the store here.
    EXPECT_EQ(got[dir / "firmato.exe"].status, SignatureStatus::Untrusted);
    EXPECT_EQ(got[dir / "firmato.exe"].signer, "Società Prova Vantorile");
    EXPECT_EQ(got[dir / "firmato.exe"].sha256.size(), 64u);
    EXPECT_EQ(got[dir / "missing.exe"].status, SignatureStatus::Unknown);
}

}  // namespace
}  // namespace vt::test
