// The signature checks of a window's rows, off the window's thread: paths are checked by
// a small pool of worker threads (one FileSignature each) and the answers wait until the
// owner's thread takes them, as the reputation lookups do. A result is kept for the life
// of the engine while the file's size and last-write time stay as they were, so a
// rescan costs one look at each file's attributes.
//
// How a window uses it: one engine for the window's life, made with a sink that posts the
// window a message. Filling a list: NewBatch(lane), then Ask(row's path, lane) for each
// row that has a path. On the message: TakeAnswers(), and every row of answer.path (letter
// case ignored) gets SignatureColumnText(answer.result). Clearing a list or leaving its
// panel: NewBatch(lane); closing: Shutdown(). Late answers then go nowhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileinfo/pure/SignatureStatus.h"
#include "platform/LaneWorkers.h"

namespace vt {

struct SignatureAnswer {
    int lane = 0;
    uint64_t batch = 0;
    std::string path;  // as it was asked
    SignatureResult result;
};

struct SignatureCheckSettings {
    // Disk and hashing bound: more threads than this only take turns at the same disk.
    int workers = 4;
    // Checks one path, on a worker thread; empty: a FileSignature of the thread's own.
    // Tests count the checks through it.
    std::function<SignatureResult(const std::string& path)> check;
    // Starts a worker thread; empty: a detached std::thread. A path that no thread can
    // take is answered at once as "unknown".
    ThreadStarter startThread;
};

class SignatureChecks {
public:
    // sink may be null: the owner then polls TakeAnswers.
    explicit SignatureChecks(IAnswerSink* sink, SignatureCheckSettings settings = {});
    // Returns at once: a worker still reading a file ends on its own, its answer unheard.
    ~SignatureChecks();
    SignatureChecks(const SignatureChecks&) = delete;
    SignatureChecks& operator=(const SignatureChecks&) = delete;
    SignatureChecks(SignatureChecks&&) = delete;
    SignatureChecks& operator=(SignatureChecks&&) = delete;

    // A new batch of a lane forgets the old one's checks not yet started and its answers
    // still due. Returns the new batch's number.
    uint64_t NewBatch(int lane = 0);
    // Checks path in the lane's current batch unless the batch already holds it (letter
    // case ignored); true when a check was queued. Environment strings in it are
    // expanded and a bare file name is looked for where the system looks for programs
    // (a startup entry's "notepad.exe"). An empty path (a row that names no file) is
    // never checked: false.
    bool Ask(const std::string& path, int lane = 0);
    // The answers waiting, of current batches only, oldest first.
    std::vector<SignatureAnswer> TakeAnswers();
    // Paths asked in the lane's current batch whose answers have not been taken yet.
    size_t Outstanding(int lane = 0) const;
    // Forgets every batch and detaches the sink: nothing is reported from now on.
    void Shutdown();

private:
    struct Cache;
    struct Job {
        std::string path;
    };
    std::shared_ptr<Cache> cache_;
    LaneWorkers<Job, SignatureAnswer> workers_;
};

}  // namespace vt
