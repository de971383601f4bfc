#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zumaset {

// The one thread the client's passes run on, so the window stays responsive
// during a long transfer and two passes never overlap: jobs run one at a
// time, in the order they were posted. Thread-safe.
class PassWorker {
public:
    using Job = std::function<void()>;

    PassWorker();
    // Stops the worker (see Stop).
    ~PassWorker();
    PassWorker(const PassWorker&) = delete;
    PassWorker& operator=(const PassWorker&) = delete;

    // Queues a job. An exception a job lets out is dropped; jobs handle their
    // own errors. After Stop the job is dropped without running.
    void Post(Job job);
    // Queues a job and waits until it has run; an exception it lets out is
    // thrown here. False when it was dropped by Stop without running. Called
    // on the worker's own thread (from inside a job), it runs the job at once.
    bool Run(Job job);
    // Lets the running job finish, drops the queued ones and joins the
    // thread. Later posts are dropped. Safe to call more than once, also
    // from two threads at once: each returns once the thread has ended.
    void Stop();

    // True on the worker's own thread.
    bool OnWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::mutex joinMutex_;
    std::thread thread_;
};

} // namespace zumaset
