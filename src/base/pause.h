#pragma once
// The one cancellable pause: sleeps, and wakes early when the stop token is
// asked to stop.
#include <chrono>
#include <stop_token>

namespace printune {

// Sleeps for ms milliseconds; true when the whole pause passed, false when a
// stop was requested (before or during it).
bool PauseFor(int ms, std::stop_token stop);

// Sleeps until the time point; same result.
bool PauseUntil(std::chrono::steady_clock::time_point until, std::stop_token stop);

} // namespace printune
