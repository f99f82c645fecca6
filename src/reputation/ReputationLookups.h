// Reputation lookups that never block their caller: names are asked by a small pool of
// worker threads, each with its own kept-alive connection, and the answers wait in a queue
// until the owner's thread takes them. The owner learns that answers wait through a sink,
// so a window can post itself a message and a console program can wait on an event.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/LaneWorkers.h"
#include "reputation/HttpClient.h"

namespace vt {

struct LookupAnswer {
    int lane = 0;
    uint64_t batch = 0;
    std::string name;  // as it was asked
    int32_t grade = 0;
    // The failure means the service cannot be found or reached (the case the user is
    // told about); error and errorSource are then the client's.
    bool serviceNotFound = false;
    uint32_t error = 0;
    std::string errorSource;
};

// Told when answers wait (see IAnswerSink).
using ILookupSink = IAnswerSink;

struct LookupSettings {
    int workers = 8;  // requests in flight at most, one connection each
    // Nothing waits on a request any more, so a slow service may take its time, within
    // bounds: 15 s to connect, 30 s for the whole answer.
    HttpSettings http{15000, 15000, 30000, 30000, 30000, 30000, size_t{2} * 1024 * 1024};
    // Makes one worker's client; empty: WinHTTP with the settings above.
    std::function<std::unique_ptr<IHttpClient>()> makeClient;
    // Starts a worker thread; empty: a detached std::thread. A name that no thread can
    // take is answered at once with no grade.
    ThreadStarter startThread;
};

class ReputationLookups {
public:
    // sink may be null: the owner then polls TakeAnswers.
    explicit ReputationLookups(ILookupSink* sink, LookupSettings settings = {});
    // Returns at once, whatever is in flight: a worker still waiting on the network ends
    // on its own when its request does, and its answer goes nowhere.
    ~ReputationLookups();
    ReputationLookups(const ReputationLookups&) = delete;
    ReputationLookups& operator=(const ReputationLookups&) = delete;

    // A lane is one list of names (one per list view of a window). A new batch of a lane
    // forgets the old one: its requests not yet sent are dropped and its answers still
    // due are never handed out. Returns the new batch's number.
    uint64_t NewBatch(int lane = 0);
    // Asks for name's grade in the lane's current batch, unless the batch has already
    // asked for it (letter case ignored); true when a request was queued.
    bool Ask(const std::string& name, int lane = 0);
    // The answers waiting, of current batches only, oldest first.
    std::vector<LookupAnswer> TakeAnswers();
    // Names asked in the lane's current batch whose answers have not been taken yet.
    size_t Outstanding(int lane = 0) const;
    // Forgets every batch and detaches the sink: nothing is reported from now on.
    void Shutdown();

private:
    struct Job {
        std::string name;
        std::string url;
    };
    LaneWorkers<Job, LookupAnswer> workers_;
};

// A sink for a thread without a window: it waits until answers are there.
using WaitingLookupSink = WaitingAnswerSink;

}  // namespace vt
