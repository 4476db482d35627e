#include "app/ui/async_task.h"

#include <vector>

namespace printune {

namespace {

struct Abandoned {
    std::jthread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

std::mutex abandonedMutex;
std::vector<Abandoned> abandoned; // guarded by abandonedMutex
std::atomic<int> liveWorkers{0};

// Joins the abandoned threads that have ended; the caller holds the mutex.
void SweepLocked() {
    std::erase_if(abandoned, [](Abandoned& entry) {
        if (!entry.finished->load(std::memory_order_acquire))
            return false;
        entry.thread.join();
        return true;
    });
}

} // namespace

namespace task_detail {

void Abandon(std::jthread thread, std::shared_ptr<std::atomic<bool>> finished) {
    std::lock_guard lock(abandonedMutex);
    SweepLocked();
    abandoned.push_back({std::move(thread), std::move(finished)});
}

void CountLive(int delta) {
    liveWorkers.fetch_add(delta, std::memory_order_acq_rel);
}

} // namespace task_detail

AsyncTask::AsyncTask()
    : receiver_(std::make_unique<QObject>()),
      bridge_(std::make_shared<task_detail::Bridge>(receiver_.get())) {}

AsyncTask::~AsyncTask() {
    // No result may reach a closed page, and closing must not wait for a
    // printer: the thread is asked to stop and left to end on its own.
    bridge_->Close();
    receiver_.reset();
    if (!thread_.joinable())
        return;
    thread_.request_stop();
    if (finished_ && finished_->load(std::memory_order_acquire))
        thread_.join();
    else
        task_detail::Abandon(std::move(thread_), finished_);
}

void AsyncTask::Reap() {
    // The previous worker has delivered its result; it only has to return.
    if (thread_.joinable())
        thread_.join();
}

int AsyncTask::LiveWorkers() {
    {
        std::lock_guard lock(abandonedMutex);
        SweepLocked();
    }
    return liveWorkers.load(std::memory_order_acquire);
}

bool AsyncTask::WaitForAbandoned(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::unique_lock lock(abandonedMutex);
    for (auto& entry : abandoned)
        entry.thread.request_stop();
    for (;;) {
        SweepLocked();
        if (abandoned.empty())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lock.lock();
    }
}

} // namespace printune
