#include "reputation/Module1.h"

#include <windows.h>
#include <winhttp.h>

#include "platform/ErrorBoundary.h"
#include "platform/Prompt.h"
#include "platform/WinText.h"
#include "reputation/pure/UrlEncode.h"

namespace vt {

bool LookupErrorShown = false;
std::string DetailsSource;

namespace {

constexpr char kDefaultServiceUrl[] = "http://127.0.0.1:8399";

// Wine sometimes hands the socket layer's own numbers through instead of WinHTTP's.
constexpr uint32_t kWsaTimedOut = 10060;
constexpr uint32_t kWsaConnRefused = 10061;
constexpr uint32_t kWsaNetUnreach = 10051;
constexpr uint32_t kWsaHostUnreach = 10065;

}  // namespace

std::string ReputationUrl(const std::string& name) {
    std::string base = GetEnv("VANTORILE_REPUTATION_URL");
    if (base.empty()) base = kDefaultServiceUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/api.php?q=" + PercentEncode(name);
}

bool MeansServiceNotFound(const HttpResponse& failure) {
    if (failure.ok) return false;
    switch (failure.error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case kWsaConnRefused:
    case kWsaNetUnreach:
    case kWsaHostUnreach: return true;
    case ERROR_WINHTTP_TIMEOUT:
    case kWsaTimedOut:
        // Sending includes connecting: a time-out there is a host that never answered the
        // connection. Later it is a service that took the request and stayed silent.
        return failure.stage == HttpStage::Send;
    default: return false;
    }
}

LookupOutcome JudgeLookup(const HttpResponse& r) {
    LookupOutcome o;
    if (!r.ok) {
        o.serviceNotFound = MeansServiceNotFound(r);
        return o;
    }
    // An error page is not the service's verdict on the file.
    if (r.status < 200 || r.status > 299) return o;
    o.grade = GradeFromAnswer(r.body);
    return o;
}

void ReportServiceNotFound(IPrompt& prompt, HWND owner, uint32_t error, const std::string& errorSource) {
    if (LookupErrorShown) return;
    // Set first: the message box runs a message loop, and a lookup answered from inside it
    // must not stack a second warning on top.
    LookupErrorShown = true;
    prompt.Show(
        owner,
        "Errore:" + std::to_string(static_cast<int32_t>(error)) +
            " Impossibile connettersi al database, assicurarsi di essere connessi ad Internet. Libreria:" + errorSource,
        "Errore", MB_OK | MB_ICONEXCLAMATION);
}

int32_t QueryReputation(const std::string& name) {
    // A lookup that fails outright (a client that raises, no memory) leaves the row without
    // a grade, and the failure goes to the debugger output.
    int32_t grade = kGradeNone;
    Guarded("reputation lookup", [&] {
        HttpResponse r = CurrentHttpClient().Get(ReputationUrl(name));
        LookupOutcome o = JudgeLookup(r);
        if (o.serviceNotFound) ReportServiceNotFound(CurrentPrompt(), ::GetActiveWindow(), r.error, r.errorSource);
        grade = o.grade;
    });
    return grade;
}

}  // namespace vt
