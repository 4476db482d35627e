#pragma once
// The simulator's single poll() loop: descriptors with handlers, one-shot
// timers, and a hook that runs after every round (capture flushing). Other
// services (UDP network printers, ...) register their sockets here too.
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace printune_sim {

class EventLoop {
public:
    using FdHandler = std::function<void(short revents)>;

    // Replaces any earlier registration of fd.
    void Watch(int fd, short events, FdHandler handler);
    void SetEvents(int fd, short events);
    void Unwatch(int fd);

    // Runs fn once, delayMs from now. Returns an id for Cancel.
    uint64_t After(int delayMs, std::function<void()> fn);
    void Cancel(uint64_t id);

    void AfterEachRound(std::function<void()> fn) { afterRound_.push_back(std::move(fn)); }

    // Runs until Stop(); returns false when poll() failed.
    bool Run();
    void Stop() { stop_ = true; }

private:
    struct Watched {
        short events;
        FdHandler handler;
    };
    struct Timer {
        int64_t due;
        std::function<void()> fn;
    };
    std::map<int, Watched> fds_;
    std::map<uint64_t, Timer> timers_;
    std::vector<std::function<void()>> afterRound_;
    uint64_t nextTimer_ = 1;
    bool stop_ = false;
};

} // namespace printune_sim
