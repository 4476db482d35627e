// Settings exchange against printune-sim over TCP: the time of one get
// settings request/reply (target: under 20 ms), and the CPU the tool spends
// while waiting out the 3000 ms time-out of a silent printer (target: at
// most 1 %).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <time.h>

#include "port/exchange.h"
#include "port/printer_port.h"
#include "settings/label_commands.h"
#include "support/sim_process.h"

using namespace printune;
using Clock = std::chrono::steady_clock;

namespace {

void PointAt(const printune_test::SimProcess& sim, CPrinterPort& port) {
    PortSettings current = CurrentPortSettings();
    current.ipAddr = sim.TcpAddress();
    current.listenPort = sim.TcpPort();
    SetCurrentPortSettings(current);
    port.portType = PORT_LAN;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

int main() {
    const Bytes get = BuildLabelRequest(LabelRequest::GetSettings);
    int failures = 0;
    {
        printune_test::SimProcess sim({"--model", "KP-520"});
        CPrinterPort port;
        PointAt(sim, port);
        std::vector<double> ms;
        for (int i = 0; i < 200; ++i) {
            auto start = Clock::now();
            ExchangeResult r = Exchange(port, get);
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            if (r.outcome != ExchangeOutcome::Reply || r.reply.size() < LABEL_REPLY_MIN)
                ++failures;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("settings exchange over TCP, 200 runs: median %.2f ms, p95 %.2f ms, max %.2f "
                    "ms (target < 20 ms), failures %d\n",
                    ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(), failures);
        if (ms[ms.size() * 95 / 100] >= 20.0)
            ++failures;
    }
    {
        printune_test::SimProcess sim({"--model", "KP-520", "--reply-fault", "silent"});
        CPrinterPort port;
        PointAt(sim, port);
        double cpu0 = CpuSeconds();
        auto start = Clock::now();
        ExchangeResult r = Exchange(port, get);
        double wall = std::chrono::duration<double>(Clock::now() - start).count();
        double cpu = CpuSeconds() - cpu0;
        std::printf(
            "time-out wait: outcome %s after %.3f s, CPU %.4f s = %.3f %% (target <= 1 %%)\n",
            r.outcome == ExchangeOutcome::TimedOut ? "time-out" : "UNEXPECTED", wall, cpu,
            100.0 * cpu / wall);
        if (r.outcome != ExchangeOutcome::TimedOut || cpu / wall > 0.01)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
