#include "base/pause.h"

#include <condition_variable>
#include <mutex>

namespace printune {

bool PauseUntil(std::chrono::steady_clock::time_point until, std::stop_token stop) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_until(lock, stop, until, [] { return false; });
    return !stop.stop_requested();
}

bool PauseFor(int ms, std::stop_token stop) {
    if (ms <= 0)
        return !stop.stop_requested();
    return PauseUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms),
                      std::move(stop));
}

} // namespace printune
