// Work that never blocks its caller: requests go to a small pool of worker threads and
// their answers wait in a queue until the owner's thread takes them. Requests come in
// lanes (one per list of a window) and batches (one per filling of a list): a new batch
// forgets the old one's requests and answers. The owner learns that answers wait through
// a sink, so a window can post itself a message and a console program can wait on an
// event. The reputation lookups and the signature checks are both built on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/ErrorBoundary.h"

namespace vt {

class IAnswerSink {
public:
    virtual ~IAnswerSink() = default;
    // Runs on a worker thread (or, when no thread could be had, on the asking one) when
    // answers start waiting to be taken; not again until they have been taken. It must
    // return at once and must not touch a window: post a message, set an event.
    virtual void AnswersWaiting() = 0;
};

// A sink for a thread without a window: it waits until answers are there.
class WaitingAnswerSink final : public IAnswerSink {
public:
    void AnswersWaiting() override {
        {
            std::lock_guard lock(m_);
            signalled_ = true;
        }
        cv_.notify_all();
    }
    // True when answers started waiting within timeoutMs, or had since the last Wait.
    bool Wait(unsigned long timeoutMs) {
        std::unique_lock lock(m_);
        const bool ok = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
        signalled_ = false;
        return ok;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// Starts body on a thread of its own that nobody joins; false when no thread can be had.
// Tests put one in that refuses.
using ThreadStarter = std::function<bool(std::function<void()> body)>;

inline bool StartDetachedThread(std::function<void()> body) {
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (...) { return false; }
}

// Answer must have the members `int lane` and `uint64_t batch`; they are filled in here.
template <typename Job, typename Answer>
class LaneWorkers {
public:
    // Turns one request into its answer, on a worker thread. It may raise: the request is
    // then answered by Settings::failed.
    using Worker = std::function<Answer(Job&)>;

    struct Settings {
        int workers = 8;  // threads at most, started as requests wait
        // Makes one thread's worker, on that thread, so each may keep a connection or a
        // handle of its own; it may raise, and every request of that thread then fails.
        std::function<Worker()> makeWorker;
        // The answer to a request that could not be worked: the worker raised, or no
        // thread at all could be had for it.
        std::function<Answer(Job&)> failed;
        const char* what = "background work";  // named in the reports of failures
        ThreadStarter startThread;             // empty: StartDetachedThread
    };

    LaneWorkers(IAnswerSink* sink, Settings settings) : shared_(std::make_shared<Shared>()) {
        shared_->settings = std::move(settings);
        if (shared_->settings.workers < 1) shared_->settings.workers = 1;
        if (!shared_->settings.startThread) shared_->settings.startThread = &StartDetachedThread;
        shared_->sink = sink;
    }
    // Returns at once, whatever is in flight: a worker still busy ends on its own when its
    // request does, and its answer goes nowhere.
    ~LaneWorkers() { Shutdown(); }
    LaneWorkers(const LaneWorkers&) = delete;
    LaneWorkers& operator=(const LaneWorkers&) = delete;
    LaneWorkers(LaneWorkers&&) = delete;
    LaneWorkers& operator=(LaneWorkers&&) = delete;

    // A new batch of a lane forgets the old one: its requests not yet started are dropped
    // and its answers still due are never handed out. Returns the new batch's number.
    uint64_t NewBatch(int lane) {
        Shared& s = *shared_;
        std::lock_guard lock(s.m);
        Lane& l = s.lanes[lane];
        ++l.batch;
        l.asked.clear();
        l.outstanding = 0;
        std::erase_if(s.jobs, [lane](const Queued& q) { return q.lane == lane; });
        std::erase_if(s.answers, [lane](const Answer& a) { return a.lane == lane; });
        return l.batch;
    }

    // Queues job in the lane's current batch unless the batch already holds one of the
    // same key; true when it was queued.
    bool Ask(const std::string& key, Job job, int lane) {
        Shared& s = *shared_;
        std::lock_guard lock(s.m);
        if (s.stopped) return false;
        Lane& l = s.lanes[lane];
        if (!l.asked.insert(key).second) return false;
        ++l.outstanding;
        s.jobs.push_back(Queued{lane, l.batch, std::move(job)});
        if (static_cast<int>(s.jobs.size()) > s.workers - s.busy && s.workers < s.settings.workers) {
            std::shared_ptr<Shared> shared = shared_;
            if (s.settings.startThread([shared] { Work(shared); })) ++s.workers;
        }
        if (s.workers == 0) {
            // Nobody will ever take it: answered now as failed, so nothing waits forever.
            Queued q = std::move(s.jobs.back());
            s.jobs.pop_back();
            Answer answer = Failed(s, q.job);
            Deliver(s, q.lane, q.batch, std::move(answer));
            return true;
        }
        s.work.notify_one();
        return true;
    }

    // The answers waiting, of current batches only, oldest first.
    std::vector<Answer> TakeAnswers() {
        Shared& s = *shared_;
        std::lock_guard lock(s.m);
        std::vector<Answer> taken = std::exchange(s.answers, {});
        for (const Answer& a : taken) --s.lanes[a.lane].outstanding;
        s.notified = false;
        return taken;
    }

    // Requests of the lane's current batch whose answers have not been taken yet.
    size_t Outstanding(int lane) const {
        std::lock_guard lock(shared_->m);
        auto it = shared_->lanes.find(lane);
        return it == shared_->lanes.end() ? 0 : it->second.outstanding;
    }

    // Forgets every batch and detaches the sink: nothing is reported from now on.
    void Shutdown() {
        std::lock_guard lock(shared_->m);
        shared_->stopped = true;
        shared_->sink = nullptr;
        shared_->jobs.clear();
        shared_->answers.clear();
        shared_->lanes.clear();
        shared_->work.notify_all();
    }

private:
    struct Queued {
        int lane;
        uint64_t batch;
        Job job;
    };
    struct Lane {
        uint64_t batch = 0;
        std::unordered_set<std::string> asked;  // keys of the current batch
        size_t outstanding = 0;                 // asked, answer not yet taken
    };
    // Lives as long as the owner or the last worker, whichever is later: a worker blocked
    // on a silent service must not keep the owner's destructor waiting.
    struct Shared {
        Settings settings;
        mutable std::mutex m;
        std::condition_variable work;
        std::deque<Queued> jobs;
        std::vector<Answer> answers;
        std::map<int, Lane> lanes;
        IAnswerSink* sink = nullptr;
        bool notified = false;  // the sink has been told; not again until answers are taken
        bool stopped = false;
        int workers = 0;
        int busy = 0;
    };

    static Answer Failed(Shared& s, Job& job) {
        Answer answer{};
        if (s.settings.failed) Guarded(s.settings.what, [&] { answer = s.settings.failed(job); });
        return answer;
    }

    // Under the lock.
    static void Deliver(Shared& s, int lane, uint64_t batch, Answer answer) {
        auto l = s.lanes.find(lane);
        if (l == s.lanes.end() || l->second.batch != batch) return;
        answer.lane = lane;
        answer.batch = batch;
        s.answers.push_back(std::move(answer));
        // Told under the lock, so Shutdown cannot return while a call into the sink runs.
        if (!s.notified && s.sink) {
            s.notified = true;
            Guarded("telling of waiting answers", [&] { s.sink->AnswersWaiting(); });
        }
    }

    // NOLINTNEXTLINE(performance-unnecessary-value-param): the worker holds its own share, so the state outlives an owner that is gone
    static void Work(std::shared_ptr<Shared> shared) {
        Shared& s = *shared;
        Worker worker;
        // Without a worker every request fails: worth knowing about.
        Guarded(s.settings.what, [&] {
            if (s.settings.makeWorker) worker = s.settings.makeWorker();
        });
        std::unique_lock lock(s.m);
        for (;;) {
            s.work.wait(lock, [&s] { return s.stopped || !s.jobs.empty(); });
            if (s.stopped) break;
            Queued q = std::move(s.jobs.front());
            s.jobs.pop_front();
            ++s.busy;
            lock.unlock();

            Answer answer{};
            const bool worked = worker && Guarded(s.settings.what, [&] { answer = worker(q.job); });
            if (!worked) answer = Failed(s, q.job);

            lock.lock();
            --s.busy;
            if (s.stopped) break;
            Deliver(s, q.lane, q.batch, std::move(answer));
        }
        --s.workers;
    }

    std::shared_ptr<Shared> shared_;
};

}  // namespace vt
