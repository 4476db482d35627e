#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask the running operation to stop; a second
// one ends the process at once, and so does the first when the command has
// not ended within half a second (exit code 1, "Interrupted."). Signals are taken by a watcher
// thread with sigwait, so the stop request can be any ordinary call.
#include <atomic>
#include <stop_token>

namespace printune::cli {

class SignalWatcher {
public:
    // Blocks the signals in the calling thread (and so in every thread
    // started later) and starts the watcher.
    SignalWatcher();
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;
};

// Set once a stop was requested.
std::atomic<bool>& StopFlag();
std::stop_token StopToken();
bool StopRequested();

// Sleeps up to ms milliseconds; returns early (false) when a stop comes.
bool SleepUnlessStopped(int ms);

} // namespace printune::cli
