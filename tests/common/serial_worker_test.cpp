#include "common/serial_worker.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly {
namespace {

TEST(SerialWorker, RunsEveryJobInTheOrderPostedThroughAFullQueue) {
    // Jobs record i, their look-aheads -1 - i (every other job has one).
    std::vector<int> done;  // written by the worker only, read after wait()
    SerialWorker worker(8, 100);
    for (int i = 0; i < 1000; ++i) {
        SerialWorker::Job ahead;
        if (i % 2 == 1) ahead = [&done, i] { done.push_back(-1 - i); };
        worker.post([&done, i] { done.push_back(i); }, i % 7 == 0 ? 1000 : 10, ahead);
    }
    worker.wait();
    std::vector<int> jobs;
    int aheads = 0;
    for (std::size_t at = 0; at < done.size(); ++at) {
        if (done[at] >= 0) {
            jobs.push_back(done[at]);
            continue;
        }
        // A look-ahead runs just before the job in front of its own.
        ++aheads;
        ASSERT_LT(at + 1, done.size());
        EXPECT_EQ(done[at + 1], -1 - done[at] - 1) << at;
    }
    ASSERT_EQ(jobs.size(), 1000u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(jobs[i], i);
    EXPECT_GT(aheads, 0);
    EXPECT_FALSE(worker.failed());
    EXPECT_EQ(worker.failure(), nullptr);
}

TEST(SerialWorker, TheFirstJobThatThrowsIsKeptAndNothingAfterItRuns) {
    std::vector<int> done;
    SerialWorker worker(8, 1 << 20);
    for (int i = 0; i < 50; ++i)
        worker.post([&done, i] {
            if (i == 20 || i == 30) throw std::runtime_error("job " + std::to_string(i));
            done.push_back(i);
        }, 1);
    worker.wait();
    EXPECT_TRUE(worker.failed());
    worker.post([&done] { done.push_back(-1); }, 1);
    worker.wait();
    ASSERT_EQ(done.size(), 20u);
    EXPECT_EQ(done.back(), 19);
    try {
        std::rethrow_exception(worker.failure());
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "job 20");
    }
}

TEST(SerialWorker, ClosingDropsWhatIsQueuedAndFinishesTheRunningJob) {
    std::atomic<int> started{0}, finished{0};
    {
        SerialWorker worker(4, 1 << 20);
        for (int i = 0; i < 8; ++i)
            worker.post([&] {
                ++started;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++finished;
            }, 1);
    }
    EXPECT_EQ(started.load(), finished.load());
    EXPECT_GE(started.load(), 4);  // the queue holds four: the fifth post waited for the first to end
    EXPECT_LT(started.load(), 8);
}

}  // namespace
}  // namespace tessaly
