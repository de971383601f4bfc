// The pass worker: one thread, jobs in order, one at a time, and a stop that
// lets the running job finish and drops the rest. Nothing here waits on time:
// every ordering is forced by the jobs themselves.
#include "shell/pass_worker.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zumaset {
namespace {

TEST(PassWorker, JobsFromManyThreadsRunInOrderOneAtATimeOnItsOwnThread) {
    PassWorker worker;
    std::atomic<int> inside = 0;
    std::atomic<int> overlaps = 0;
    std::vector<std::vector<int>> order(4); // touched by the worker only, read after Run
    std::set<std::thread::id> threads;
    std::vector<std::thread> posters;
    for (std::size_t t = 0; t < order.size(); ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                worker.Post([&, t, i] {
                    if (++inside > 1) ++overlaps;
                    order[t].push_back(i);
                    threads.insert(std::this_thread::get_id());
                    --inside;
                });
            }
        });
    }
    for (auto& poster : posters) poster.join();
    ASSERT_TRUE(worker.Run([] {})); // runs after every job posted before it
    EXPECT_EQ(overlaps, 0);
    for (const auto& jobs : order) {
        ASSERT_EQ(jobs.size(), 100u);
        EXPECT_TRUE(std::is_sorted(jobs.begin(), jobs.end()));
    }
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST(PassWorker, RunHandsBackTheJobsExceptionAndTheWorkerGoesOn) {
    PassWorker worker;
    EXPECT_THROW(worker.Run([] { throw std::runtime_error("pass failed"); }), std::runtime_error);
    worker.Post([] { throw std::runtime_error("lost"); });
    bool ran = false;
    EXPECT_TRUE(worker.Run([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST(PassWorker, RunFromInsideAJobRunsAtOnce) {
    PassWorker worker;
    bool inner = false;
    EXPECT_TRUE(worker.Run([&] { EXPECT_TRUE(worker.Run([&] { inner = worker.OnWorkerThread(); })); }));
    EXPECT_TRUE(inner);
}

TEST(PassWorker, StopLetsTheRunningJobFinishAndDropsTheQueuedAndLaterOnes) {
    PassWorker worker;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> stopperFinished;
    bool queuedRan = false;
    worker.Post([released] { released.wait(); }); // holds the queue until the two below are in it
    worker.Post([&] {
        worker.Stop(); // from the running job: drops the one queued behind it
        stopperFinished.set_value();
    });
    worker.Post([&] { queuedRan = true; });
    release.set_value();
    stopperFinished.get_future().wait(); // the running job finished after its Stop
    worker.Stop();                       // joins
    EXPECT_FALSE(queuedRan);
    worker.Post([&] { queuedRan = true; });
    EXPECT_FALSE(worker.Run([&] { queuedRan = true; }));
    EXPECT_FALSE(queuedRan);
}

// The exit stops the worker on a thread of its own while the owner may
// already be destroying it: both stops return, and only after the job ended.
TEST(PassWorker, TwoThreadsStoppingAtOnceBothReturnAfterTheRunningJob) {
    for (int round = 0; round < 50; ++round) {
        PassWorker worker;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::promise<void> started;
        std::atomic<bool> jobDone = false;
        worker.Post([&, released] {
            started.set_value();
            released.wait();
            jobDone = true;
        });
        started.get_future().wait();
        std::atomic<int> doneWhenStopped = 0;
        auto stop = [&] {
            worker.Stop();
            if (jobDone) ++doneWhenStopped;
        };
        std::thread first(stop);
        std::thread second(stop);
        release.set_value();
        first.join();
        second.join();
        ASSERT_EQ(doneWhenStopped, 2) << "round " << round;
    }
}

} // namespace
} // namespace zumaset
