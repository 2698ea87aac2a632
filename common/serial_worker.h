#pragma once
// Runs jobs on a thread of its own, one after another in the order they were
// posted, so that the poster goes on with its own work meanwhile. The queue is
// bounded in jobs and in bytes (the sizes the poster gives): a poster that
// would go past either waits. The thread takes the queue a batch at a time, so
// that the two threads meet once per batch rather than once per job.
//
// A job is destroyed on the posting thread (at a later post or wait), not on
// the worker's: what the poster allocated for it goes back to the poster's own
// heap, where glibc's malloc takes it without a lock the two threads would
// fight over.
//
// The first job that throws ends the work: its exception is kept, the jobs
// queued after it are dropped unrun, and later posts are dropped too. The
// poster learns of it through failed() and failure().

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly {

class SerialWorker {
public:
    using Job = std::function<void()>;

    SerialWorker(std::size_t maxQueuedJobs, std::size_t maxQueuedBytes);
    // Drops the jobs not yet started and waits for the one running; destroys
    // the jobs on this thread.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues `job`, which holds about `bytes` of memory. Waits while the queue
    // is full; a job larger than the whole queue is taken once it is empty.
    // `ahead`, if given, runs on the worker's thread just before the job
    // queued in front of this one (when both are in the same batch): a job
    // can ask there for what it will read, so that it is in the worker's
    // cache by the time the job runs. A look-ahead that throws fails the
    // work as the job in front of it would.
    void post(Job job, std::size_t bytes, Job ahead = {});
    // Waits until every job posted so far has run or been dropped.
    void wait();

    // Whether a job has thrown; cheap enough to ask after every post.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    // The exception of the first job that threw, null while none has.
    std::exception_ptr failure() const;

private:
    void work();
    // Destroys the jobs that have run, on the calling thread.
    void releaseFinished(std::unique_lock<std::mutex>& lock);

    const std::size_t maxQueuedJobs_;
    const std::size_t maxQueuedBytes_;
    const std::size_t wakeJobs_;  // the thread starts on a batch this large
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    struct Queued {
        Job job;
        std::size_t bytes;
        Job ahead;
    };
    std::deque<Queued> queue_;
    std::vector<Queued> finished_;  // run, to be destroyed by the poster
    std::size_t queuedJobs_ = 0;   // queued and running
    std::size_t queuedBytes_ = 0;  // the same in bytes
    bool hurried_ = false;  // a poster waits, for room or for the end: run whatever is queued
    // The two flags are read outside the lock, the one between the jobs of a
    // batch, the other after every post, and written once: each on a cache
    // line of its own, so that those reads do not miss on the lines the lock
    // and the counts keep moving between the two threads' cores.
    alignas(64) std::atomic<bool> closing_{false};
    std::exception_ptr failure_;
    alignas(64) std::atomic<bool> failed_{false};
    std::thread thread_;  // last: it starts once everything above is ready
};

}  // namespace tessaly
