// The program's shared module: the reputation lookup that grades a file by its name, and
// the little state the windows share. The path helpers its callers use beside it come with
// it from core/PathText.h.
#pragma once

#include <cstdint>
#include <string>

#include "core/PathText.h"
#include "platform/Prompt.h"
#include "reputation/HttpClient.h"
#include "reputation/pure/ReputationAnswer.h"

namespace vt {

// True once the "service cannot be reached" warning has been shown; the windows clear it
// when a new scan starts, so the warning appears at most once per scan.
extern bool LookupErrorShown;
// "1" or "2": which list's selected row the details dialog shows.
extern std::string DetailsSource;

// The reliability grade (0 to 4) of a bare file name, from the reputation service. A
// synchronous request: it blocks until the answer arrives or a time-out ends it.
int32_t QueryReputation(const std::string& name);

// What one answer of the service (or the failure to get one) means.
struct LookupOutcome {
    int32_t grade = 0;
    bool serviceNotFound = false;  // the failure the user is told about
};
LookupOutcome JudgeLookup(const HttpResponse& r);

// The "service cannot be reached" warning, unless it has been shown since LookupErrorShown
// was last cleared. On the user-interface thread; the message box pumps messages.
void ReportServiceNotFound(IPrompt& prompt, HWND owner, uint32_t error, const std::string& errorSource);

// The URL that QueryReputation asks for name: the service's base address (environment
// variable VANTORILE_REPUTATION_URL, else http://127.0.0.1:8399), "/api.php?q=" and the
// name percent-encoded as UTF-8.
std::string ReputationUrl(const std::string& name);

// True for the client failures that mean the service cannot be found or reached (the
// only ones the user is told about).
bool MeansServiceNotFound(const HttpResponse& failure);

}  // namespace vt
