#pragma once
// The one way a page or dialog runs a printer operation: the blocking engine
// call runs on its own thread with a stop token, and its result comes back to
// the GUI thread through a queued call. A page that closes stops its worker
// and never receives a result afterwards; it does not wait for the thread.
//
//   worker_.Run(
//       [copy](const TaskControl& task) { return GetLabelSettings(copy, task.Token()); },
//       [this](const LabelReadResult& result) { ApplyResult(result); });
//
// The work function must not touch widgets or the page: it gets copies of
// what it needs. From the worker thread, `TaskControl::Post` runs a step on
// the GUI thread (progress) and `TaskControl::Ask` waits for an answer from
// it (the synchronous window messages the pages send each other).
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

#include <QObject>

namespace printune {

namespace task_detail {

// The bridge between one worker thread and the GUI thread. Posting happens
// under the mutex while the receiver exists, so a receiver deleted after
// Close() can never be posted to; events already queued die with it.
class Bridge {
public:
    explicit Bridge(QObject* receiver) : receiver_(receiver) {}

    bool Post(std::function<void()> step) {
        std::lock_guard lock(mutex_);
        if (!receiver_)
            return false;
        QMetaObject::invokeMethod(receiver_, std::move(step), Qt::QueuedConnection);
        return true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }

private:
    std::mutex mutex_;
    QObject* receiver_;
};

// Threads whose page closed while they still ran. They were asked to stop
// and are joined as they end; the program waits for the rest at exit.
void Abandon(std::jthread thread, std::shared_ptr<std::atomic<bool>> finished);
// Counts worker threads that have not yet returned.
void CountLive(int delta);

} // namespace task_detail

// What the work function may use: the stop token and the two ways back to
// the GUI thread.
class TaskControl {
public:
    TaskControl(std::stop_token token, std::shared_ptr<task_detail::Bridge> bridge)
        : token_(std::move(token)), bridge_(std::move(bridge)) {}

    const std::stop_token& Token() const { return token_; }
    bool StopRequested() const { return token_.stop_requested(); }

    // Runs `step` on the GUI thread later; dropped when the page has closed.
    void Post(std::function<void()> step) const { bridge_->Post(std::move(step)); }

    // Runs `question` on the GUI thread and waits for its answer. Empty when
    // the page closed or a stop was requested before it answered.
    template <class R>
    std::optional<R> Ask(std::function<R()> question) const {
        auto promise = std::make_shared<std::promise<R>>();
        std::future<R> answer = promise->get_future();
        const bool posted = bridge_->Post(
            [promise, question = std::move(question)] { promise->set_value(question()); });
        if (!posted)
            return std::nullopt;
        promise.reset(); // a discarded event now breaks the promise
        while (answer.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
            if (token_.stop_requested())
                return std::nullopt;
        }
        try {
            return answer.get();
        } catch (const std::future_error&) {
            return std::nullopt;
        }
    }

private:
    std::stop_token token_;
    std::shared_ptr<task_detail::Bridge> bridge_;
};

// One operation slot of a page: at most one worker at a time.
class AsyncTask {
public:
    AsyncTask();
    ~AsyncTask();
    AsyncTask(const AsyncTask&) = delete;
    AsyncTask& operator=(const AsyncTask&) = delete;

    // Starts `work(const TaskControl&)` on a new thread and, when it returns,
    // `then(result)` on the GUI thread (`then()` for work returning void).
    // Refuses (returns false) while the previous operation still runs.
    template <class Work, class Then>
    bool Run(Work work, Then then) {
        if (busy_)
            return false;
        Reap();
        busy_ = true;
        auto finished = std::make_shared<std::atomic<bool>>(false);
        finished_ = finished;
        auto bridge = bridge_;
        auto* self = this;
        task_detail::CountLive(+1);
        thread_ = std::jthread([bridge, finished, self, work = std::move(work),
                                then = std::move(then)](std::stop_token token) mutable {
            TaskControl control(token, bridge);
            using Result = std::invoke_result_t<Work&, const TaskControl&>;
            if constexpr (std::is_void_v<Result>) {
                work(control);
                bridge->Post([self, then = std::move(then)]() mutable {
                    self->busy_ = false;
                    then();
                });
            } else {
                auto result = work(control);
                bridge->Post([self, then = std::move(then), result = std::move(result)]() mutable {
                    self->busy_ = false;
                    then(std::move(result));
                });
            }
            finished->store(true, std::memory_order_release);
            task_detail::CountLive(-1);
        });
        return true;
    }

    // A worker runs, or its result has not been applied yet.
    bool Busy() const { return busy_; }
    void RequestStop() { thread_.request_stop(); }

    // Workers still running anywhere in the program, abandoned ones included.
    static int LiveWorkers();
    // At exit: asks every abandoned worker to stop and waits up to `bound`
    // for them. Returns whether all ended.
    static bool WaitForAbandoned(std::chrono::milliseconds bound);

private:
    void Reap();

    std::unique_ptr<QObject> receiver_;
    std::shared_ptr<task_detail::Bridge> bridge_;
    std::jthread thread_;
    std::shared_ptr<std::atomic<bool>> finished_;
    bool busy_ = false;
};

} // namespace printune
