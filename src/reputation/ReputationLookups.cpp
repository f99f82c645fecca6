#include "reputation/ReputationLookups.h"

#include <utility>

#include "core/Wildcard.h"
#include "platform/ErrorBoundary.h"
#include "reputation/Module1.h"

namespace vt {

namespace {

LookupAnswer NoGrade(const std::string& name) {
    LookupAnswer answer;
    answer.name = name;
    answer.grade = kGradeNone;
    return answer;
}

}  // namespace

ReputationLookups::ReputationLookups(ILookupSink* sink, LookupSettings settings)
    : workers_(sink, [&settings] {
          LaneWorkers<Job, LookupAnswer>::Settings s;
          s.workers = settings.workers;
          s.what = "reputation lookup";
          s.startThread = std::move(settings.startThread);
          s.failed = [](Job& job) { return NoGrade(job.name); };
          // Each worker thread keeps its own client, so its connection stays alive
          // between the names it asks.
          s.makeWorker = [makeClient = std::move(settings.makeClient), http = settings.http] {
              std::shared_ptr<IHttpClient> client;
              // Without a client every answer is "no grade": worth knowing about.
              Guarded("making a lookup client", [&] {
                  client =
                      makeClient ? std::shared_ptr<IHttpClient>(makeClient()) : std::make_shared<WinHttpClient>(http);
              });
              return [client](Job& job) {
                  LookupAnswer answer = NoGrade(job.name);
                  if (!client) return answer;
                  Guarded("reputation lookup", [&] {
                      HttpResponse r = client->Get(job.url);
                      LookupOutcome outcome = JudgeLookup(r);
                      answer.grade = outcome.grade;
                      answer.serviceNotFound = outcome.serviceNotFound;
                      answer.error = r.error;
                      answer.errorSource = r.errorSource;
                  });
                  return answer;
              };
          };
          return s;
      }()) {}

ReputationLookups::~ReputationLookups() { Shutdown(); }

void ReputationLookups::Shutdown() { workers_.Shutdown(); }

uint64_t ReputationLookups::NewBatch(int lane) { return workers_.NewBatch(lane); }

bool ReputationLookups::Ask(const std::string& name, int lane) {
    // Built here, on the owner's thread, which also owns the environment it is read from.
    std::string url = ReputationUrl(name);
    return workers_.Ask(LowerAscii(name), Job{name, std::move(url)}, lane);
}

std::vector<LookupAnswer> ReputationLookups::TakeAnswers() { return workers_.TakeAnswers(); }

size_t ReputationLookups::Outstanding(int lane) const { return workers_.Outstanding(lane); }

}  // namespace vt
