// A search of both protocols at once: 10 simulated label printers and 40
// simulated HT-740 printers, listed through the engine's operations as the
// command line lists them. Prints how long each reply took from leaving the
// printer to its row in the output, and the engine's CPU over the whole
// window. The printers run in a child process, so getrusage of this process
// counts the engine alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "net_bench_util.h"
#include "net_printers.h"
#include "network/htnet_setup.h"
#include "network/netcfg_setup.h"

using namespace printune;
using printune_bench::CpuSeconds;
using printune_bench::FreeLoopbackPort;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int LABEL_PRINTERS = 10;
constexpr int HT_PRINTERS = 40;

bool ReadAll(int fd, void* data, size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, p, size);
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The child: serves the printers until told to stop, then sends when each
// reply went out (nanoseconds of the shared monotonic clock).
[[noreturn]] void RunPrinters(uint16_t replyPort, int toParent, int fromParent) {
    printune_sim::NetworkPrintersOptions options;
    options.bindAddress = "127.0.0.2";
    options.netcfgPort = 0;
    options.htPort = 0;
    options.netcfgReplyPort = replyPort;
    for (int i = 1; i <= LABEL_PRINTERS; ++i)
        options.label.push_back(printune_sim::DefaultLabelSetup(i));
    for (int i = 1; i <= HT_PRINTERS; ++i)
        options.ht.push_back(printune_sim::DefaultHtSetup(i));
    std::string error;
    auto sim = printune_sim::NetworkPrinters::Start(options, error);
    if (!sim) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        _exit(1);
    }
    const uint16_t bound[2] = {sim->NetcfgEndpoint().port, sim->HtEndpoint().port};
    [[maybe_unused]] ssize_t n = write(toParent, bound, sizeof bound);
    char stop;
    n = read(fromParent, &stop, 1);
    for (bool label : {true, false}) {
        std::vector<int64_t> ns;
        for (auto t : sim->SentTimes(label))
            ns.push_back(
                std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
        const uint32_t count = static_cast<uint32_t>(ns.size());
        n = write(toParent, &count, sizeof count);
        n = write(toParent, ns.data(), ns.size() * sizeof(int64_t));
    }
    sim->Stop();
    _exit(0);
}

std::vector<Clock::time_point> ReadTimes(int fd) {
    uint32_t count = 0;
    if (!ReadAll(fd, &count, sizeof count))
        return {};
    std::vector<int64_t> ns(count);
    if (!ReadAll(fd, ns.data(), ns.size() * sizeof(int64_t)))
        return {};
    std::vector<Clock::time_point> times;
    for (int64_t v : ns)
        times.emplace_back(std::chrono::nanoseconds(v));
    return times;
}

struct Latency {
    std::vector<double> ms;
    void Print(const char* what) {
        if (ms.empty()) {
            std::printf("%s: no rows\n", what);
            return;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%s: %zu rows, reply to row min %.3f ms, median %.3f ms, max %.3f ms\n", what,
                    ms.size(), ms.front(), ms[ms.size() / 2], ms.back());
    }
};

} // namespace

int main() {
    const uint16_t replyPort = FreeLoopbackPort();
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(up[0]);
        close(down[1]);
        RunPrinters(replyPort, up[1], down[0]);
    }
    close(up[1]);
    close(down[0]);
    uint16_t bound[2] = {};
    if (!ReadAll(up[0], bound, sizeof bound)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    NetCfgAddresses addresses;
    addresses.destination = {0x7F000002, bound[0]};
    addresses.bind = {0x7F000001, replyPort};
    addresses.everyInterface = false;
    NetCfgState state;
    if (state.Open(addresses) != 0) {
        std::fprintf(stderr, "%s\n", state.OpenErrorMessage(1033).c_str());
        return 1;
    }
    HtNetOptions options;
    options.destination = {0x7F000002, bound[1]};
    options.bind = {0x7F000001, 0};
    options.everyInterface = false;
    HtNetClient client(options);

    // Row times by position: the simulated printers answer in their order.
    std::vector<Clock::time_point> labelRows, htRows;
    std::mutex output;
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    NetCfgSearchResult label;
    std::jthread labelSearch([&] {
        label = RunNetCfgSearch(state, "WINDOWS-1252", {}, [&](const NetProgress& p) {
            if (p.step != NetStep::Found)
                return;
            const auto devices = state.Devices();
            std::lock_guard<std::mutex> lock(output);
            while (labelRows.size() < devices.size()) {
                const NetCfgDevice& d = devices[labelRows.size()];
                std::printf("label %-13s %-21s %s\n", d.mac, d.serial, d.ip);
                labelRows.push_back(Clock::now());
            }
        });
    });
    HtSearchResult ht;
    {
        // Rows as RunHtSearch reports them, printed as they come.
        ht = RunHtSearch(client, "WINDOWS-1252", {}, [&](const NetProgress& p) {
            if (p.step != NetStep::Found)
                return;
            std::lock_guard<std::mutex> lock(output);
            std::printf("ht    announcement %d\n", p.count);
            htRows.push_back(Clock::now());
        });
    }
    labelSearch.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuBefore;
    state.Close();

    [[maybe_unused]] ssize_t n = write(down[1], "x", 1);
    const auto labelSent = ReadTimes(up[0]);
    const auto htSent = ReadTimes(up[0]);
    waitpid(child, nullptr, 0);

    Latency labelLatency, htLatency;
    for (size_t i = 0; i < labelRows.size() && i < labelSent.size(); ++i)
        labelLatency.ms.push_back(
            std::chrono::duration<double, std::milli>(labelRows[i] - labelSent[i]).count());
    for (size_t i = 0; i < htRows.size() && i < htSent.size(); ++i)
        htLatency.ms.push_back(
            std::chrono::duration<double, std::milli>(htRows[i] - htSent[i]).count());
    std::printf("\nlisted: %zu label printers of %d, %zu HT-740 printers of %d\n",
                label.rows.size(), LABEL_PRINTERS, ht.rows.size(), HT_PRINTERS);
    labelLatency.Print("label");
    htLatency.Print("HT-740");
    std::printf("window %.3f s, engine CPU %.4f s = %.3f %%\n", wall, cpu, 100.0 * cpu / wall);
    const bool ok = label.rows.size() == LABEL_PRINTERS && ht.rows.size() == HT_PRINTERS &&
                    100.0 * cpu / wall <= 1.0;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
