// Applying a profile to 20 simulated network printers, 8 at once: the total
// time against the time one printer takes alone (each printer answers
// after a known delay). Target: total <= 1.2 x (20 / 8) x per printer.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "port/printer_port.h"
#include "settings/profile_operations.h"
#include "support/sim_process.h"

using namespace printune;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PRINTERS = 20;
constexpr int PARALLEL = 8;
constexpr int REPLY_DELAY_MS = 200;

SettingsProfile SpeedProfile(int speedPosition) {
    SettingsProfile p{ProfileFamily::Label, "KP-520", "bench", {}};
    p.values = {{LS_PRINT_SPEED, LabelValue::Choice(speedPosition)}};
    return p;
}

std::vector<ProfileTarget> Targets(const printune_test::SimProcess& sim, int count) {
    std::vector<ProfileTarget> targets;
    for (int i = 0; i < count; ++i) {
        const std::string endpoint = i == 0 ? "tcp" : "tcp" + std::to_string(i + 1);
        ProfileTarget t;
        t.copy.portType = PORT_LAN;
        t.copy.printerModel = "KP-520";
        t.address = sim.TcpAddress(endpoint) + ":" + std::to_string(sim.TcpPort(endpoint));
        targets.push_back(t);
    }
    return targets;
}

int Verified(const std::vector<ProfileApplyResult>& results) {
    int n = 0;
    for (const auto& r : results)
        n += r.outcome == ApplyOutcome::Verified;
    return n;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main() {
    std::vector<std::string> args = {"--reply-delay", std::to_string(REPLY_DELAY_MS)};
    for (int i = 0; i < PRINTERS; ++i) {
        args.push_back("--tcp");
        args.push_back("127.0.0.1:0");
    }
    printune_test::SimProcess sim(args);
    std::vector<ProfileTarget> all = Targets(sim, PRINTERS);

    // One printer alone: read, send, settle, read back.
    std::vector<ProfileTarget> first(all.begin(), all.begin() + 1);
    auto start = Clock::now();
    const auto alone = ApplyProfileToTargets(first, SpeedProfile(3), {}, 1);
    const double perPrinter = Seconds(start);

    start = Clock::now();
    const auto results = ApplyProfileToTargets(all, SpeedProfile(3), {}, PARALLEL);
    const double total = Seconds(start);
    const double target = 1.2 * (static_cast<double>(PRINTERS) / PARALLEL) * perPrinter;
    const int verified = Verified(results);
    std::printf("profile apply: one printer %.3f s (reply delay %d ms, settle %d ms); "
                "%d printers with --parallel %d: %.3f s total, %.3f s per printer, "
                "target <= %.3f s; %d verified\n",
                perPrinter, REPLY_DELAY_MS, VERIFY_SETTLE_MS, PRINTERS, PARALLEL, total,
                total / PRINTERS, target, verified);
    // The first printer already had the profile's value: equal, not verified.
    const bool ok = Verified(alone) == 1 && verified == PRINTERS - 1 && total <= target;
    return ok ? 0 : 1;
}
