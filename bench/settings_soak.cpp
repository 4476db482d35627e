// Soak: label settings read/write cycles against printune-sim, over TCP and
// over a pty serial port, each cycle a Send Settings with a changed print
// speed and a Get Printer Settings that must read it back (or the value
// before it, which a printer may still report right after a set; after a
// settle time at the end the last value must be there). Prints failures,
// cycles per second and resident memory after the warm-up, half-way and at
// the end; exits 1 on any failure or when the resident memory grew by more
// than 1 MiB between warm-up and end.
//
//   settings_soak [CYCLES] [tcp|pty]   (default 10000, both transports)
// A pty cycle takes about a second: the serial read waits out the port's
// 1000 ms interval time-out behind the reply, as the printers' ports do.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "port/printer_port.h"
#include "settings/label_operations.h"
#include "settings/settings_operations.h"
#include "support/sim_process.h"

using namespace printune;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kGrowthLimitKiB = 1024;
constexpr int kWarmUp = 100;

long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

struct SoakFigures {
    int cycles = 0;
    int failures = 0;
    double perSecond = 0;
    long rssStart = 0, rssMiddle = 0, rssEnd = 0;
};

SoakFigures Soak(const PortSettings& settings, int cycles) {
    SoakFigures f;
    CPrinterPort port;
    PortSettings copy = settings;
    const auto started = Clock::now();
    Clock::time_point measured = started;
    // A short run warms up for a tenth of its cycles.
    const int warmUp = std::min(kWarmUp, std::max(1, cycles / 10));
    for (int i = 0; i < warmUp + cycles; ++i) {
        if (i == warmUp) {
            f.rssStart = ResidentKiB();
            measured = Clock::now();
        }
        if (i == warmUp + cycles / 2)
            f.rssMiddle = ResidentKiB();
        const int speed = i % 3;
        const ExchangeResult sent =
            SendLabelSettings(port, copy, {{LS_PRINT_SPEED, LabelValue::Choice(speed)}});
        const LabelReadResult read = ReadLabelSettings(port, copy);
        // A get right behind a set may still see the value before it (a
        // printer stores its settings a moment later; the page's read-back
        // waits VERIFY_SETTLE_MS for that): either is right, nothing else.
        const int readSpeed = read.settings.values[LS_PRINT_SPEED].choice;
        const bool ok = sent.outcome == ExchangeOutcome::Sent && read.decoded &&
                        (readSpeed == speed || (i > 0 && readSpeed == (i - 1) % 3)) &&
                        port.OpenHandleCount() == 0 && port.socket == CPrinterPort::NO_HANDLE;
        if (!ok && ++f.failures <= 5)
            std::fprintf(stderr, "cycle %d failed: send %d, read %d (port error %d), speed %d\n", i,
                         static_cast<int>(sent.outcome), static_cast<int>(read.exchange.outcome),
                         read.exchange.portError, read.settings.values[LS_PRINT_SPEED].choice);
        f.cycles += i >= warmUp;
    }
    // After the settle time the last value must be the one stored.
    const int last = (warmUp + cycles - 1) % 3;
    std::this_thread::sleep_for(std::chrono::milliseconds(VERIFY_SETTLE_MS));
    const LabelReadResult final = ReadLabelSettings(port, copy);
    if (!final.decoded || final.settings.values[LS_PRINT_SPEED].choice != last) {
        ++f.failures;
        std::fprintf(stderr, "the last value sent was not stored\n");
    }
    f.rssEnd = ResidentKiB();
    const double seconds = std::chrono::duration<double>(Clock::now() - measured).count();
    f.perSecond = seconds > 0 ? f.cycles / seconds : 0;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string only = argc > 2 ? argv[2] : "";
    if (cycles <= 0 || (only != "" && only != "tcp" && only != "pty")) {
        std::fprintf(stderr, "usage: settings_soak [CYCLES] [tcp|pty]\n");
        return 2;
    }
    printune_test::SimProcess sim({"--model", "KP-520", "--com", "1"});
    sim.ExportEnvironment();
    bool failed = false;
    std::printf("transport  cycles  failures  cycles/s  rss-start-KiB  rss-middle-KiB  "
                "rss-end-KiB  growth-KiB\n");
    for (const int32_t type : {PORT_LAN, PORT_COM}) {
        if (only != "" && only != (type == PORT_LAN ? "tcp" : "pty"))
            continue;
        PortSettings s = CurrentPortSettings();
        s.printerModel = "KP-520";
        s.portType = type;
        s.comPortName = "COM1";
        s.ipAddr = sim.TcpAddress();
        s.listenPort = sim.TcpPort();
        SetCurrentPortSettings(s);
        const SoakFigures f = Soak(s, cycles);
        const long growth = f.rssEnd - f.rssStart;
        std::printf("soak: %-9s %6d  %8d  %8.0f  %13ld  %14ld  %11ld  %10ld\n",
                    type == PORT_LAN ? "tcp" : "pty", f.cycles, f.failures, f.perSecond, f.rssStart,
                    f.rssMiddle, f.rssEnd, growth);
        std::fflush(stdout);
        failed = failed || f.failures > 0 || growth > kGrowthLimitKiB;
    }
    return failed ? 1 : 0;
}
