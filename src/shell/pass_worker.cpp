#include "shell/pass_worker.h"

#include <exception>
#include <future>
#include <memory>
#include <utility>

namespace zumaset {

PassWorker::PassWorker() : thread_([this] { Loop(); }) {}

PassWorker::~PassWorker() {
    Stop();
}

void PassWorker::Post(Job job) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool PassWorker::Run(Job job) {
    if (OnWorkerThread()) {
        job();
        return true;
    }
    // The promise lives in the queued job: a job dropped by Stop destroys it
    // unfulfilled, and the wait below ends with a broken promise.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    Post([done, job = std::move(job)] {
        try {
            job();
            done->set_value();
        } catch (...) {
            done->set_exception(std::current_exception());
        }
    });
    done.reset();
    try {
        ran.get();
    } catch (const std::future_error&) {
        return false;
    }
    return true;
}

void PassWorker::Stop() {
    std::deque<Job> dropped;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(jobs_);
    }
    wake_.notify_all();
    dropped.clear(); // outside the lock: a dropped Run job wakes its waiter
    // Two threads may stop the worker at once (the exit's and the owner's):
    // one joins, the other waits here until the thread has ended.
    const std::lock_guard joining(joinMutex_);
    if (thread_.joinable() && !OnWorkerThread()) thread_.join();
}

void PassWorker::Loop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job();
        } catch (...) {
            // Jobs report their own failures; the worker goes on.
        }
    }
}

} // namespace zumaset
