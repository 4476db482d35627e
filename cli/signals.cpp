#include "signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "base/pause.h"

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
