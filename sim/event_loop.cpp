#include "event_loop.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>

#include "port/fd_io.h"

namespace printune_sim {

using printune::MonotonicMs;

void EventLoop::Watch(int fd, short events, FdHandler handler) {
    fds_[fd] = Watched{events, std::move(handler)};
}

void EventLoop::SetEvents(int fd, short events) {
    auto it = fds_.find(fd);
    if (it != fds_.end())
        it->second.events = events;
}

void EventLoop::Unwatch(int fd) {
    fds_.erase(fd);
}

uint64_t EventLoop::After(int delayMs, std::function<void()> fn) {
    uint64_t id = nextTimer_++;
    timers_[id] = Timer{MonotonicMs() + std::max(0, delayMs), std::move(fn)};
    return id;
}

void EventLoop::Cancel(uint64_t id) {
    timers_.erase(id);
}

bool EventLoop::Run() {
    std::vector<pollfd> polled;
    while (!stop_) {
        polled.clear();
        for (const auto& [fd, w] : fds_)
            polled.push_back({fd, w.events, 0});
        int timeout = -1;
        if (!timers_.empty()) {
            int64_t due = INT64_MAX;
            for (const auto& [id, t] : timers_)
                due = std::min(due, t.due);
            timeout = static_cast<int>(std::clamp<int64_t>(due - MonotonicMs(), 0, 1 << 30));
        }
        int r = ::poll(polled.data(), polled.size(), timeout);
        if (r < 0 && errno != EINTR)
            return false;
        for (const pollfd& p : polled) {
            if (r <= 0 || p.revents == 0)
                continue;
            // A handler earlier in this round may have removed or replaced it.
            auto it = fds_.find(p.fd);
            if (it == fds_.end())
                continue;
            FdHandler handler = it->second.handler;
            handler(p.revents);
            if (stop_)
                break;
        }
        int64_t now = MonotonicMs();
        std::vector<uint64_t> due;
        for (const auto& [id, t] : timers_)
            if (t.due <= now)
                due.push_back(id);
        for (uint64_t id : due) {
            auto it = timers_.find(id);
            if (it == timers_.end())
                continue;
            std::function<void()> fn = std::move(it->second.fn);
            timers_.erase(it);
            fn();
        }
        for (auto& fn : afterRound_)
            fn();
    }
    return true;
}

} // namespace printune_sim
