#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/WinText.h"
#include "reputation/Module1.h"
#include "support/TestSupport.h"

namespace {

using vt::test::ScriptedPrompt;
using vt::test::ServiceQueries;
using vt::test::SetServiceMode;

constexpr char kUrlVar[] = "VANTORILE_REPUTATION_URL";
const char* const kWarningTail =
    " Impossibile connettersi al database, assicurarsi di essere connessi ad Internet. Libreria:WinHTTP";

// Points the lookup at another base address for one scope.
class ServiceUrlOverride {
public:
    explicit ServiceUrlOverride(const std::string& url) : old_(vt::GetEnv(kUrlVar)) {
        ::SetEnvironmentVariableA(kUrlVar, url.c_str());
    }
    ~ServiceUrlOverride() { ::SetEnvironmentVariableA(kUrlVar, old_.empty() ? nullptr : old_.c_str()); }
    ServiceUrlOverride(const ServiceUrlOverride&) = delete;
    ServiceUrlOverride& operator=(const ServiceUrlOverride&) = delete;

private:
    std::string old_;
};

// Puts the service back to normal answers whatever the test did.
struct NormalModeAtEnd {
    NormalModeAtEnd() = default;
    ~NormalModeAtEnd() { SetServiceMode("normal"); }
    NormalModeAtEnd(const NormalModeAtEnd&) = delete;
    NormalModeAtEnd& operator=(const NormalModeAtEnd&) = delete;
};

// Ends the whole test program when a call it guards hangs, so a hang is a loud failure
// and not a stuck run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(m_);
              if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "watchdog: the lookup hung\n");
                  std::fflush(stderr);
                  ::ExitProcess(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_);
            done_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

class ReputationLookup : public ::testing::Test {
protected:
    void SetUp() override {
        if (vt::test::ServiceUrl().empty()) GTEST_SKIP() << "no reference service";
        ASSERT_EQ(vt::GetEnv(kUrlVar), vt::test::ServiceUrl());
        vt::LookupErrorShown = false;
    }
    ScriptedPrompt prompt;
    NormalModeAtEnd normalAtEnd;
};

TEST_F(ReputationLookup, EachVerdictThroughTheService) {
    struct Case {
        const char* name;
        int32_t grade;
    };
    const Case cases[] = {
        {"services.exe", 1}, {"SERVICES.EXE", 1},  // the service ignores letter case
        {"rpcsvc.exe", 2},   {"adbooster.exe", 2}, {"userinit.exe", 3}, {"no_such_program_1.exe", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::QueryReputation(c.name), c.grade) << c.name;
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(vt::LookupErrorShown);

    // No cache: asking again asks the service again.
    size_t before = ServiceQueries().size();
    vt::QueryReputation("services.exe");
    vt::QueryReputation("services.exe");
    EXPECT_EQ(ServiceQueries().size(), before + 2);
}

TEST_F(ReputationLookup, NamesReachTheServiceUnchanged) {
    const std::string names[] = {"my app&x.exe", "caff\xc3\xa8 #1+2=3?.exe", "100%.exe", "a/b\\c.exe"};
    for (const auto& n : names) {
        EXPECT_EQ(vt::QueryReputation(n), 4) << n;
        auto q = ServiceQueries();
        ASSERT_FALSE(q.empty());
        EXPECT_EQ(q.back(), n);
    }
}

TEST_F(ReputationLookup, ServiceFaultsGiveTheirGradeWithoutWarning) {
    struct Case {
        const char* mode;
        int32_t grade;
    };
    const Case cases[] = {
        {"500", 0},      // an error page is no verdict
        {"close", 0},    // connection dropped without an answer
        {"empty", 0},    // nothing to read a verdict from
        {"garbage", 4},  // an answer, but no verdict in it
        {"huge", 1},     // megabytes: read up to the cap, the first line decides
        {"slow:1", 1},   // slow but within the time-outs
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetServiceMode(c.mode)) << c.mode;
        EXPECT_EQ(vt::QueryReputation("services.exe"), c.grade) << c.mode;
        ASSERT_TRUE(SetServiceMode("normal"));
        // The next lookup works again, whatever state the connection was left in.
        EXPECT_EQ(vt::QueryReputation("services.exe"), 1) << "after " << c.mode;
    }
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(vt::LookupErrorShown);
}

TEST_F(ReputationLookup, SilentServiceEndsByTimeOutWithoutWarning) {
    ASSERT_TRUE(SetServiceMode("silent"));
    auto start = std::chrono::steady_clock::now();
    int32_t grade = -1;
    {
        Watchdog dog(std::chrono::seconds(60));
        grade = vt::QueryReputation("services.exe");
    }
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(grade, 0);
    EXPECT_LE(seconds, 30);
    EXPECT_TRUE(prompt.asked.empty());
    ASSERT_TRUE(SetServiceMode("normal"));
    EXPECT_EQ(vt::QueryReputation("services.exe"), 1);
}

TEST_F(ReputationLookup, UnreachableServiceWarnsOncePerClearedFlag) {
    struct Case {
        std::string url;
        std::string number;
    };
    const Case cases[] = {
        {"http://127.0.0.1:" + std::to_string(vt::test::ClosedPort()), "12029"},
        {"http://nonexistent.invalid", "12007"},
    };
    for (const auto& c : cases) {
        ServiceUrlOverride url(c.url);
        prompt.asked.clear();
        vt::LookupErrorShown = false;

        EXPECT_EQ(vt::QueryReputation("services.exe"), 0);
        ASSERT_EQ(prompt.asked.size(), 1u) << c.url;
        EXPECT_EQ(prompt.asked[0].text, "Errore:" + c.number + kWarningTail);
        EXPECT_EQ(prompt.asked[0].title, "Errore");
        EXPECT_EQ(prompt.asked[0].style, 48u);
        EXPECT_TRUE(vt::LookupErrorShown);

        EXPECT_EQ(vt::QueryReputation("explorer.exe"), 0);
        EXPECT_EQ(vt::QueryReputation("rpcsvc.exe"), 0);
        EXPECT_EQ(prompt.asked.size(), 1u);

        vt::LookupErrorShown = false;  // a new scan
        EXPECT_EQ(vt::QueryReputation("services.exe"), 0);
        EXPECT_EQ(prompt.asked.size(), 2u);
    }
    // Back on the real service, lookups work again.
    EXPECT_EQ(vt::QueryReputation("services.exe"), 1);
}

TEST_F(ReputationLookup, LookupsShareOneKeptAliveConnection) {
    // The count is read with a client of its own, so its connection is not /api.php's.
    vt::WinHttpClient control;
    auto connections = [&] { return std::stoi(control.Get(vt::test::ServiceUrl() + "/_connections").body); };
    vt::QueryReputation("services.exe");  // make sure a connection is open
    int before = connections();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(vt::QueryReputation("services.exe"), 1);
    EXPECT_EQ(connections(), before);
}

// A client that fails the way it is told to.
class FailingClient : public vt::IHttpClient {
public:
    vt::HttpResponse next;
    vt::HttpResponse Get(const std::string&) override { return next; }
};

TEST_F(ReputationLookup, WhichFailuresCountAsServiceNotFound) {
    struct Case {
        uint32_t error;
        vt::HttpStage stage;
        bool warns;
    };
    const Case cases[] = {
        {12007, vt::HttpStage::Send, true},                                              // name not resolved
        {12029, vt::HttpStage::Send, true},                                              // cannot connect
        {12002, vt::HttpStage::Send, true},                                              // connection timed out
        {10060, vt::HttpStage::Send, true},                                              // the same, as Wine reports it
        {10061, vt::HttpStage::Send, true},                                              // refused, raw
        {12002, vt::HttpStage::Receive, false},                                          // connected, then silence
        {10060, vt::HttpStage::Receive, false}, {12030, vt::HttpStage::Receive, false},  // connection dropped
        {12152, vt::HttpStage::Receive, false},                                          // invalid answer
        {12005, vt::HttpStage::Setup, false},                                            // malformed URL
        {12030, vt::HttpStage::Read, false},
    };
    FailingClient failing;
    ASSERT_EQ(vt::SetHttpClient(&failing), nullptr);
    for (const auto& c : cases) {
        failing.next = {};
        failing.next.error = c.error;
        failing.next.stage = c.stage;
        failing.next.errorSource = "WinHTTP";
        vt::LookupErrorShown = false;
        prompt.asked.clear();
        EXPECT_EQ(vt::QueryReputation("a.exe"), 0);
        EXPECT_EQ(prompt.asked.size(), c.warns ? 1u : 0u) << c.error;
        EXPECT_EQ(vt::LookupErrorShown, c.warns) << c.error;
        if (c.warns && !prompt.asked.empty()) {
            EXPECT_EQ(prompt.asked[0].text, "Errore:" + std::to_string(c.error) + kWarningTail);
        }
    }
    // An answer whose status is not a success is no verdict either.
    failing.next = {};
    failing.next.ok = true;
    failing.next.status = 404;
    failing.next.body = "header\r\na.exe;This file is usually safe.\r\n";
    EXPECT_EQ(vt::QueryReputation("a.exe"), 0);
    failing.next.status = 200;
    EXPECT_EQ(vt::QueryReputation("a.exe"), 1);

    EXPECT_EQ(vt::SetHttpClient(nullptr), &failing);
    EXPECT_EQ(vt::QueryReputation("services.exe"), 1);
}

// A loopback server that answers with headers at once and then dribbles its body one
// byte at a time, each byte well within the read time-out.
class TrickleServer {
public:
    TrickleServer() {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        listen_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int len = sizeof(addr);
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 && ::listen(listen_, 1) == 0 &&
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TrickleServer() {
        stop_ = true;
        ::closesocket(listen_);  // ends an accept still waiting
        thread_.join();
        ::WSACleanup();
    }
    TrickleServer(const TrickleServer&) = delete;
    TrickleServer& operator=(const TrickleServer&) = delete;
    int port() const { return port_; }

private:
    void Serve() {
        SOCKET c = ::accept(listen_, nullptr, nullptr);
        if (c == INVALID_SOCKET) return;
        char request[4096];
        ::recv(c, request, sizeof(request), 0);
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\nheader\r\n";
        ::send(c, head.data(), static_cast<int>(head.size()), 0);
        while (!stop_ && ::send(c, "x", 1, 0) == 1) ::Sleep(100);
        ::closesocket(c);
    }

    SOCKET listen_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(ReputationClient, ABodyThatTricklesInEndsAtTheOverallLimit) {
    TrickleServer server;
    ASSERT_NE(server.port(), 0);
    vt::HttpSettings settings;
    settings.totalMs = 1500;
    vt::WinHttpClient client(settings);
    ScriptedPrompt prompt;
    ServiceUrlOverride url("http://127.0.0.1:" + std::to_string(server.port()));
    ASSERT_EQ(vt::SetHttpClient(&client), nullptr);
    vt::LookupErrorShown = false;
    const auto start = std::chrono::steady_clock::now();
    int32_t grade = -1;
    {
        Watchdog dog(std::chrono::seconds(60));
        grade = vt::QueryReputation("a.exe");
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(vt::SetHttpClient(nullptr), &client);
    EXPECT_EQ(grade, 0);
    EXPECT_LE(seconds, 15);
    // A service that answers, however badly, was found: no warning.
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(vt::LookupErrorShown);
}

TEST(ReputationUrl, BaseFromEnvironmentAndEncodedName) {
    {
        ServiceUrlOverride url("http://example.test:81/");
        EXPECT_EQ(vt::ReputationUrl("a b.exe"), "http://example.test:81/api.php?q=a%20b.exe");
    }
    std::string saved = vt::GetEnv(kUrlVar);
    ::SetEnvironmentVariableA(kUrlVar, nullptr);
    EXPECT_EQ(vt::ReputationUrl("x.exe"), "http://127.0.0.1:8399/api.php?q=x.exe");
    if (!saved.empty()) ::SetEnvironmentVariableA(kUrlVar, saved.c_str());
    EXPECT_EQ(vt::DetailsSource, "");
}

}  // namespace
