#include "reputation/ReputationLookups.h"

#include <chrono>
#include <deque>
#include <map>
#include <thread>
#include <unordered_set>
#include <utility>

#include "core/Wildcard.h"
#include "platform/ErrorBoundary.h"
#include "reputation/Module1.h"

namespace vt {

namespace {

struct Job {
    int lane;
    uint64_t batch;
    std::string name;
    std::string url;
};

struct Lane {
    uint64_t batch = 0;
    std::unordered_set<std::string> asked;  // lowered names
    size_t outstanding = 0;                 // asked, answer not yet taken
};

}  // namespace

// Lives as long as the owner or the last worker, whichever is later: a worker blocked on
// a silent service must not keep the owner's destructor waiting.
struct ReputationLookups::Shared {
    LookupSettings settings;
    std::mutex m;
    std::condition_variable work;
    std::deque<Job> jobs;
    std::vector<LookupAnswer> answers;
    std::map<int, Lane> lanes;
    ILookupSink* sink = nullptr;
    bool notified = false;  // the sink has been told; not again until answers are taken
    bool stopped = false;
    int workers = 0;
    int busy = 0;
};

ReputationLookups::ReputationLookups(ILookupSink* sink, LookupSettings settings) : shared_(std::make_shared<Shared>()) {
    shared_->settings = std::move(settings);
    if (shared_->settings.workers < 1) shared_->settings.workers = 1;
    shared_->sink = sink;
}

ReputationLookups::~ReputationLookups() { Shutdown(); }

void ReputationLookups::Shutdown() {
    std::lock_guard lock(shared_->m);
    shared_->stopped = true;
    shared_->sink = nullptr;
    shared_->jobs.clear();
    shared_->answers.clear();
    shared_->lanes.clear();
    shared_->work.notify_all();
}

uint64_t ReputationLookups::NewBatch(int lane) {
    Shared& s = *shared_;
    std::lock_guard lock(s.m);
    Lane& l = s.lanes[lane];
    ++l.batch;
    l.asked.clear();
    l.outstanding = 0;
    std::erase_if(s.jobs, [lane](const Job& j) { return j.lane == lane; });
    std::erase_if(s.answers, [lane](const LookupAnswer& a) { return a.lane == lane; });
    return l.batch;
}

bool ReputationLookups::Ask(const std::string& name, int lane) {
    // Built here, on the owner's thread, which also owns the environment it is read from.
    std::string url = ReputationUrl(name);
    Shared& s = *shared_;
    std::lock_guard lock(s.m);
    if (s.stopped) return false;
    Lane& l = s.lanes[lane];
    if (!l.asked.insert(LowerAscii(name)).second) return false;
    ++l.outstanding;
    s.jobs.push_back(Job{lane, l.batch, name, std::move(url)});
    if (static_cast<int>(s.jobs.size()) > s.workers - s.busy && s.workers < s.settings.workers) {
        try {
            std::function<void()> work = [shared = shared_] { Work(shared); };
            if (s.settings.startWorker) s.settings.startWorker(std::move(work));
            else std::thread(std::move(work)).detach();
            ++s.workers;
        } catch (...) {
            // No thread to be had: the workers there are take the request in turn.
        }
    }
    if (s.workers == 0) {
        // Not one worker to take it: waiting would never end (a console program would
        // wait for ever, a window keep the grade pending). It is a lookup that failed.
        Job job = std::move(s.jobs.back());
        s.jobs.pop_back();
        LookupAnswer answer;
        answer.lane = job.lane;
        answer.batch = job.batch;
        answer.name = std::move(job.name);
        answer.grade = kGradeNone;
        s.answers.push_back(std::move(answer));
        if (!s.notified && s.sink) {
            s.notified = true;
            Guarded("telling of lookup answers", [&] { s.sink->AnswersWaiting(); });
        }
        return true;
    }
    s.work.notify_one();
    return true;
}

std::vector<LookupAnswer> ReputationLookups::TakeAnswers() {
    Shared& s = *shared_;
    std::lock_guard lock(s.m);
    std::vector<LookupAnswer> taken = std::exchange(s.answers, {});
    for (const LookupAnswer& a : taken) --s.lanes[a.lane].outstanding;
    s.notified = false;
    return taken;
}

size_t ReputationLookups::Outstanding(int lane) const {
    std::lock_guard lock(shared_->m);
    auto it = shared_->lanes.find(lane);
    return it == shared_->lanes.end() ? 0 : it->second.outstanding;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): the worker holds its own share, so the state outlives an engine that is gone
void ReputationLookups::Work(std::shared_ptr<Shared> shared) {
    Shared& s = *shared;
    std::unique_ptr<IHttpClient> client;
    // Without a client every answer is "no grade": worth knowing about.
    Guarded("making a lookup client", [&] {
        client = s.settings.makeClient ? s.settings.makeClient() : std::make_unique<WinHttpClient>(s.settings.http);
    });
    std::unique_lock lock(s.m);
    for (;;) {
        s.work.wait(lock, [&s] { return s.stopped || !s.jobs.empty(); });
        if (s.stopped) break;
        Job job = std::move(s.jobs.front());
        s.jobs.pop_front();
        ++s.busy;
        lock.unlock();

        LookupAnswer answer;
        answer.lane = job.lane;
        answer.batch = job.batch;
        answer.name = std::move(job.name);
        const bool asked = client && Guarded("reputation lookup", [&] {
                               HttpResponse r = client->Get(job.url);
                               LookupOutcome outcome = JudgeLookup(r);
                               answer.grade = outcome.grade;
                               answer.serviceNotFound = outcome.serviceNotFound;
                               answer.error = r.error;
                               answer.errorSource = r.errorSource;
                           });
        if (!asked) answer.grade = kGradeNone;

        lock.lock();
        --s.busy;
        if (s.stopped) break;
        auto lane = s.lanes.find(answer.lane);
        if (lane == s.lanes.end() || lane->second.batch != answer.batch) continue;
        s.answers.push_back(std::move(answer));
        // Told under the lock, so Shutdown cannot return while a call into the sink runs.
        if (!s.notified && s.sink) {
            s.notified = true;
            Guarded("telling of lookup answers", [&] { s.sink->AnswersWaiting(); });
        }
    }
    --s.workers;
}

void WaitingLookupSink::AnswersWaiting() {
    {
        std::lock_guard lock(m_);
        signalled_ = true;
    }
    cv_.notify_all();
}

bool WaitingLookupSink::Wait(unsigned long timeoutMs) {
    std::unique_lock lock(m_);
    bool ok = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
    signalled_ = false;
    return ok;
}

}  // namespace vt
