#pragma once
// Simulated network printers on a loopback address of their own, with the
// engines pointed at them: nothing leaves the machine, and every socket
// uses a free port so that suites may run side by side.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "net_printers.h"
#include "network/htnet_client.h"
#include "network/netcfg.h"

namespace printune_test {

inline constexpr const char* SIM_ADDRESS = "127.0.0.2";

// Label printers: the state's reply socket on 127.0.0.1:<free>, the
// printers on 127.0.0.2:<free> answering to it.
inline std::unique_ptr<printune_sim::NetworkPrinters>
StartLabelPrinters(printune::NetCfgState& state,
                   std::vector<printune_sim::NetLabelSetup> printers) {
    printune::NetCfgAddresses addresses;
    addresses.bind = {0x7F000001, 0};
    addresses.destination = {0x7F000002, 0}; // fixed below, once the port is known
    addresses.everyInterface = false;
    EXPECT_EQ(state.Open(addresses), 0);
    const auto bound = state.ReceiveEndpoint();
    EXPECT_TRUE(bound.has_value());
    printune_sim::NetworkPrintersOptions options;
    options.bindAddress = SIM_ADDRESS;
    options.netcfgPort = 0;
    options.netcfgReplyPort = bound ? bound->port : 0;
    options.label = std::move(printers);
    std::string error;
    auto sim = printune_sim::NetworkPrinters::Start(options, error);
    EXPECT_TRUE(sim) << error;
    if (!sim)
        return sim;
    addresses.destination = sim->NetcfgEndpoint();
    addresses.bind = *bound; // the port the printers answer to
    EXPECT_EQ(state.Open(addresses), 0);
    return sim;
}

inline std::vector<printune_sim::NetLabelSetup> LabelPrinters(int count, unsigned faults = 0) {
    std::vector<printune_sim::NetLabelSetup> result;
    for (int i = 1; i <= count; ++i) {
        result.push_back(printune_sim::DefaultLabelSetup(i));
        result.back().faults = faults;
    }
    return result;
}

inline std::unique_ptr<printune_sim::NetworkPrinters>
StartHtPrinters(std::vector<printune_sim::NetHtSetup> printers) {
    printune_sim::NetworkPrintersOptions options;
    options.bindAddress = SIM_ADDRESS;
    options.htPort = 0;
    options.ht = std::move(printers);
    std::string error;
    auto sim = printune_sim::NetworkPrinters::Start(options, error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

inline printune::HtNetOptions HtOptionsFor(const printune_sim::NetworkPrinters& sim) {
    printune::HtNetOptions options;
    options.destination = sim.HtEndpoint();
    options.bind = {0x7F000001, 0};
    options.everyInterface = false;
    return options;
}

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace printune_test
