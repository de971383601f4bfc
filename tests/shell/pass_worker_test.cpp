// The pass worker: one thread, jobs in order, one at a time, and a stop that
// lets the running job finish and drops the rest. Nothing here waits on time:
// every ordering is forced by the jobs themselves.
#include "shell/pass_worker.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace zumaset {
namespace {

TEST(PassWorker, RunsJobsInOrderOnItsOwnThread) {
    PassWorker worker;
    std::vector<int> order; // touched by the worker only, read after Run
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 5; ++i) {
        worker.Post([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    }
    EXPECT_TRUE(worker.Run([&] { order.push_back(5); }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (const auto id : threads) {
        EXPECT_EQ(id, threads[0]);
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(PassWorker, JobsPostedFromManyThreadsRunOneAtATime) {
    PassWorker worker;
    std::atomic<int> inside = 0;
    std::atomic<int> overlaps = 0;
    int ran = 0; // touched by the worker only
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                worker.Post([&] {
                    if (++inside > 1) ++overlaps;
                    ++ran;
                    --inside;
                });
            }
        });
    }
    for (auto& poster : posters) poster.join();
    ASSERT_TRUE(worker.Run([] {})); // runs after every job posted before it
    EXPECT_EQ(ran, 400);
    EXPECT_EQ(overlaps, 0);
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

TEST(PassWorker, StopLetsTheRunningJobFinishAndDropsTheQueuedOnes) {
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

TEST(PassWorker, AfterStopJobsAreDroppedAndRunSaysSo) {
    PassWorker worker;
    worker.Stop();
    bool ran = false;
    worker.Post([&] { ran = true; });
    EXPECT_FALSE(worker.Run([&] { ran = true; }));
    EXPECT_FALSE(ran);
    worker.Stop(); // a second stop is harmless
}

} // namespace
} // namespace zumaset
