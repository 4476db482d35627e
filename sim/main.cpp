// printune-sim: the simulated printer (endpoints come in next).
#include <csignal>
#include <cstdio>
#include <string>

#include "net_printers.h"

int main(int argc, char** argv) {
    // Block the stop signals before any thread starts, so that only
    // sigwait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::string error;
    auto network = printune_sim::StartNetworkPrinters(argc, argv, error);
    if (!error.empty()) {
        std::fprintf(stderr, "printune-sim: %s\n%s", error.c_str(),
                     printune_sim::NetworkPrintersUsage());
        return 2;
    }
    if (network) {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        network->Stop();
        return 0;
    }
    std::puts("printune-sim: no endpoints yet");
    return 0;
}
