// CPU cost of the discovery engines over a whole search window. The
// simulated printers run in a child process, so getrusage of this process
// counts the engine alone (its intake and receiver threads included).
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "net_bench_util.h"
#include "net_printers.h"
#include "network/htnet_client.h"
#include "network/netcfg.h"

using namespace printune;
using printune_bench::CpuSeconds;
using printune_bench::FreeLoopbackPort;

namespace {

struct Measure {
    double wall = 0, cpu = 0;
    void Start() {
        cpu = CpuSeconds();
        start = std::chrono::steady_clock::now();
    }
    void Stop() {
        wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu = CpuSeconds() - cpu;
    }
    double Percent() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
    std::chrono::steady_clock::time_point start;
};

} // namespace

int main() {
    constexpr int PRINTERS = 10;
    const uint16_t replyPort = FreeLoopbackPort();
    int ports[2];
    if (pipe(ports) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(ports[0]);
        printune_sim::NetworkPrintersOptions options;
        options.bindAddress = "127.0.0.2";
        options.netcfgPort = 0;
        options.htPort = 0;
        options.netcfgReplyPort = replyPort;
        for (int i = 1; i <= PRINTERS; ++i) {
            options.label.push_back(printune_sim::DefaultLabelSetup(i));
            options.ht.push_back(printune_sim::DefaultHtSetup(i));
        }
        std::string error;
        auto sim = printune_sim::NetworkPrinters::Start(options, error);
        if (!sim) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            _exit(1);
        }
        const uint16_t bound[2] = {sim->NetcfgEndpoint().port, sim->HtEndpoint().port};
        [[maybe_unused]] ssize_t n = write(ports[1], bound, sizeof bound);
        pause(); // until the parent ends it
        _exit(0);
    }
    close(ports[1]);
    uint16_t bound[2] = {};
    if (read(ports[0], bound, sizeof bound) != sizeof bound) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    NetCfgAddresses addresses;
    addresses.destination = {0x7F000002, bound[0]};
    addresses.bind = {0x7F000001, replyPort};
    addresses.everyInterface = false;
    NetCfgState state;
    if (state.Open(addresses) != 0) {
        std::fprintf(stderr, "cannot open the label protocol: %d\n", state.OpenError());
        kill(child, SIGTERM);
        return 1;
    }
    Measure label;
    label.Start();
    std::vector<NetCfgDevice> devices;
    state.RunSearch(devices); // the full 4000 ms window
    label.Stop();
    state.Close();

    HtNetOptions options;
    options.destination = {0x7F000002, bound[1]};
    options.bind = {0x7F000001, 0};
    options.everyInterface = false;
    HtNetClient client(options);
    Measure ht;
    ht.Start();
    client.Search();
    client.WaitIdle(std::chrono::seconds(10));
    ht.Stop();
    int announcements = 0;
    HtDeviceRecord record;
    while (client.PopAnnouncement(record))
        ++announcements;

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);

    std::printf(
        "label search: %zu of %d printers listed, %.3f s window, engine CPU %.4f s = %.3f %%\n",
        devices.size(), PRINTERS, label.wall, label.cpu, label.Percent());
    std::printf("HT search:    %d of %d printers announced, %.3f s, engine CPU %.4f s = %.3f %%\n",
                announcements, PRINTERS, ht.wall, ht.cpu, ht.Percent());
    const bool ok =
        devices.size() == PRINTERS && announcements == PRINTERS && label.Percent() <= 1.0;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
