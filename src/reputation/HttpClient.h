// The HTTP seam of the reputation lookup: one GET in, status and body (or the failing
// error) out. The program uses WinHTTP; tests and benchmarks may install another client.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vt {

// Where a request failed. One error number can mean different things at different
// stages: a time-out while sending is a service that cannot be reached, a time-out while
// waiting for the answer is a service that does not answer.
enum class HttpStage { None, Setup, Send, Receive, Read };

struct HttpResponse {
    bool ok = false;  // an answer arrived: status and body hold it
    int status = 0;
    std::string body;
    bool truncated = false;   // the body was longer than the client reads
    uint32_t error = 0;       // when !ok: the error number of the component that failed
    std::string errorSource;  // when !ok: that component's name
    HttpStage stage = HttpStage::None;
};

struct HttpSettings {
    // Every stage is bounded, so a dead or silent service costs seconds, not forever.
    int resolveMs = 5000;
    int connectMs = 5000;
    int sendMs = 5000;
    int receiveMs = 5000;
    int responseMs = 5000;
    // The whole answer, body included, must be in by then: each read waits at most
    // receiveMs, but a service that trickles its body a byte at a time would otherwise
    // hold the window for as long as it likes.
    int totalMs = 30000;
    // More than any real answer; the grade comes from the first lines anyway.
    size_t maxBody = size_t{2} * 1024 * 1024;
};

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    virtual HttpResponse Get(const std::string& url) = 0;
};

// WinHTTP client: one session for its whole life, connections kept alive and reused.
class WinHttpClient final : public IHttpClient {
public:
    explicit WinHttpClient(HttpSettings settings = {});
    ~WinHttpClient() override;
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    HttpResponse Get(const std::string& url) override;

private:
    struct State;
    HttpSettings settings_;
    std::unique_ptr<State> state_;
};

// The client the reputation lookup uses.
IHttpClient& CurrentHttpClient();
// Installs c (nullptr restores the WinHTTP client); returns the one installed before, or
// nullptr when that was the WinHTTP client.
IHttpClient* SetHttpClient(IHttpClient* c);

}  // namespace vt
