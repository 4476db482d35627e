#include "signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <thread>

#include "base/pause.h"
#include "exit_codes.h"
#include "texts.h"

namespace printune::cli {

namespace {

std::atomic<bool> g_stop{false};
std::stop_source g_source;
std::atomic<bool> g_quit{false};
pthread_t g_thread;
bool g_running = false;

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR2); // only used to end the watcher
    return set;
}

// How long a command has to end after the first stop request. Commands
// watch the stop token between calls; a call that blocks without looking at
// it (a device that hangs in open or close, a kernel queue that does not
// drain) must not keep the user waiting, so once this is over the process
// ends the way the command would have.
constexpr long STOP_GRACE_NS = 450L * 1000 * 1000;

void EndNow() {
    const std::string text = std::string(L("Interrupted.", "已中断。")) + "\n";
    const ssize_t ignored = write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
    _exit(EXIT_OTHER);
}

void* Watch(void*) {
    const sigset_t set = WatchedSignals();
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0)
            continue;
        if (g_quit.load())
            return nullptr;
        if (sig == SIGUSR2)
            continue;
        if (g_stop.exchange(true))
            _exit(130); // second interrupt: the user insists
        g_source.request_stop();
        // The command normally ends well within the grace: the destructor
        // then wakes this thread with SIGUSR2.
        timespec grace{0, STOP_GRACE_NS};
        for (;;) {
            siginfo_t info;
            const int got = sigtimedwait(&set, &info, &grace);
            if (got < 0 && errno == EINTR)
                continue;
            if (g_quit.load())
                return nullptr;
            if (got == SIGINT || got == SIGTERM)
                _exit(130);
            if (got < 0)
                EndNow();
        }
    }
}

} // namespace

SignalWatcher::SignalWatcher() {
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    g_running = pthread_create(&g_thread, nullptr, Watch, nullptr) == 0;
}

SignalWatcher::~SignalWatcher() {
    if (!g_running)
        return;
    g_quit.store(true);
    pthread_kill(g_thread, SIGUSR2);
    pthread_join(g_thread, nullptr);
    g_running = false;
}

std::atomic<bool>& StopFlag() {
    return g_stop;
}

std::stop_token StopToken() {
    return g_source.get_token();
}

bool StopRequested() {
    return g_stop.load();
}

bool SleepUnlessStopped(int ms) {
    return PauseFor(ms, StopToken());
}

} // namespace printune::cli
