#include "reputation/HttpClient.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <utility>

#include "platform/Handles.h"
#include "platform/WinText.h"

namespace vt {

namespace {

constexpr char kSource[] = "WinHTTP";

HttpResponse Failure(HttpStage stage, DWORD error) {
    HttpResponse r;
    r.stage = stage;
    r.error = error;
    r.errorSource = kSource;
    return r;
}

}  // namespace

struct WinHttpClient::State {
    UniqueHInternet session;
    // The connect handle of the last host; WinHTTP pools the sockets under the session.
    UniqueHInternet connection;
    std::wstring host;
    INTERNET_PORT port = 0;
};

WinHttpClient::WinHttpClient(HttpSettings settings) : settings_(settings), state_(std::make_unique<State>()) {}

WinHttpClient::~WinHttpClient() = default;

HttpResponse WinHttpClient::Get(const std::string& url) {
    const ULONGLONG started = ::GetTickCount64();
    std::wstring wurl = Widen(url);
    URL_COMPONENTS uc{};
    uc.dwStructSize = sizeof(uc);
    uc.dwSchemeLength = static_cast<DWORD>(-1);
    uc.dwHostNameLength = static_cast<DWORD>(-1);
    uc.dwUrlPathLength = static_cast<DWORD>(-1);
    uc.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wurl.c_str(), static_cast<DWORD>(wurl.size()), 0, &uc))
        return Failure(HttpStage::Setup, ::GetLastError());
    std::wstring host(uc.lpszHostName, uc.dwHostNameLength);
    std::wstring pathAndQuery =
        std::wstring(uc.lpszUrlPath, uc.dwUrlPathLength) + std::wstring(uc.lpszExtraInfo, uc.dwExtraInfoLength);
    if (pathAndQuery.empty()) pathAndQuery = L"/";
    bool secure = uc.nScheme == INTERNET_SCHEME_HTTPS;

    State& st = *state_;
    if (!st.session) {
        st.session.reset(::WinHttpOpen(L"Vantorile/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
        if (!st.session) return Failure(HttpStage::Setup, ::GetLastError());
        ::WinHttpSetTimeouts(st.session.get(), settings_.resolveMs, settings_.connectMs, settings_.sendMs,
                             settings_.receiveMs);
    }
    if (!st.connection || st.host != host || st.port != uc.nPort) {
        st.connection.reset(::WinHttpConnect(st.session.get(), host.c_str(), uc.nPort, 0));
        if (!st.connection) return Failure(HttpStage::Setup, ::GetLastError());
        st.host = host;
        st.port = uc.nPort;
    }

    UniqueHInternet request(::WinHttpOpenRequest(st.connection.get(), L"GET", pathAndQuery.c_str(), nullptr,
                                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                 secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return Failure(HttpStage::Setup, ::GetLastError());
    // Without this a server that accepts and never answers blocks the send under Wine,
    // whatever the time-outs above say.
    DWORD responseMs = static_cast<DWORD>(settings_.responseMs);
    ::WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs, sizeof(responseMs));

    if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return Failure(HttpStage::Send, ::GetLastError());
    if (!::WinHttpReceiveResponse(request.get(), nullptr)) return Failure(HttpStage::Receive, ::GetLastError());

    HttpResponse r;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Failure(HttpStage::Receive, ::GetLastError());
    r.status = static_cast<int>(status);

    char buf[16384];
    for (;;) {
        size_t room = settings_.maxBody - r.body.size();
        if (room == 0) {
            // Closing the request with data unread drops that one connection; the next
            // lookup opens a fresh one.
            r.truncated = true;
            break;
        }
        if (::GetTickCount64() - started > static_cast<ULONGLONG>(settings_.totalMs))
            return Failure(HttpStage::Read, ERROR_WINHTTP_TIMEOUT);
        // Read only what has arrived: a read asked for more waits until it has it all,
        // which a service that trickles its body could stretch out past any deadline.
        DWORD available = 0;
        if (!::WinHttpQueryDataAvailable(request.get(), &available)) return Failure(HttpStage::Read, ::GetLastError());
        if (available == 0) break;
        DWORD got = 0;
        const size_t want = std::min({room, sizeof(buf), static_cast<size_t>(available)});
        if (!::WinHttpReadData(request.get(), buf, static_cast<DWORD>(want), &got))
            return Failure(HttpStage::Read, ::GetLastError());
        if (got == 0) break;
        r.body.append(buf, got);
    }
    r.ok = true;
    return r;
}

namespace {

IHttpClient* g_client = nullptr;

WinHttpClient& DefaultClient() {
    static WinHttpClient client;
    return client;
}

}  // namespace

IHttpClient& CurrentHttpClient() { return g_client ? *g_client : DefaultClient(); }

IHttpClient* SetHttpClient(IHttpClient* c) { return std::exchange(g_client, c); }

}  // namespace vt
