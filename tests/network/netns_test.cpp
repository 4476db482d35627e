// Real broadcasts between hosts in private network namespaces: the
// engines with their default addresses (255.255.255.255, 0.0.0.0:22094)
// find printers on every segment the machine is attached to.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>

#include "net_printers.h"
#include "netns_lab.h"
#include "network/htnet_setup.h"
#include "network/netcfg.h"
#include "network/netcfg_setup.h"
#include "support/test_paths.h"

using namespace printune;
using namespace printune_test;

namespace {

// A host of simulated printers with the protocols' real ports, bound to
// 0.0.0.0, until SIGTERM.
NetnsLab::Child StartPrinterHost(NetnsLab& lab, const std::string& host, int first,
                                 bool replyBroadcast = false) {
    return lab.Start(host, [first, replyBroadcast](std::string& report) {
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &term, nullptr);
        printune_sim::NetworkPrintersOptions options;
        options.bindAddress = "0.0.0.0";
        options.netcfgReplyBroadcast = replyBroadcast;
        options.label = {printune_sim::DefaultLabelSetup(first),
                         printune_sim::DefaultLabelSetup(first + 1)};
        options.ht = {printune_sim::DefaultHtSetup(first)};
        std::string error;
        auto sim = printune_sim::NetworkPrinters::Start(options, error);
        if (!sim) {
            report = error;
            return 1;
        }
        ReportReady();
        int signal = 0;
        sigwait(&term, &signal);
        sim->Stop();
        return 0;
    });
}

int StopPrinterHost(NetnsLab& lab, NetnsLab::Child child) {
    kill(child.pid, SIGTERM);
    std::string report;
    return lab.Finish(child, report, 3000);
}

// Label-printer search and HT search with the default addresses; the
// counts found, as "label=N ht=M".
std::string SearchBoth(bool everyInterface) {
    NetCfgAddresses addresses; // 255.255.255.255:22094, bound to 0.0.0.0:22094
    addresses.everyInterface = everyInterface;
    NetCfgState state;
    if (int rc = state.Open(addresses); rc != 0)
        return "open failed " + std::to_string(rc);
    state.SetTimeout(0);
    std::vector<NetCfgDevice> devices;
    state.RunSearch(devices);
    state.Close();

    HtNetOptions options; // 255.255.255.255:1901
    options.everyInterface = everyInterface;
    HtNetClient client(options);
    // Printers, not announcements: with directed broadcasts a printer on
    // the tool's segment hears a search twice.
    const size_t ht = RunHtSearch(client, "").rows.size();
    return "label=" + std::to_string(devices.size()) + " ht=" + std::to_string(ht);
}

} // namespace

TEST(NetnsBroadcast, SearchesReachPrintersOnTheSegment) {
    NetnsLab lab;
    REQUIRE_NETNS(lab);
    ASSERT_TRUE(lab.AddHost("tool") && lab.AddHost("lan")) << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "eth0", "192.0.2.1/24", "lan", "eth0", "192.0.2.2/24"))
        << lab.Error();
    ASSERT_TRUE(lab.Run("tool", "route add default dev eth0")) << lab.Error();
    auto printers = StartPrinterHost(lab, "lan", 1);
    ASSERT_TRUE(NetnsLab::WaitReady(printers, 5000));

    auto tool = lab.Start("tool", [](std::string& report) {
        report = SearchBoth(false);
        // The HT query and the label query go to the printer by broadcast too.
        HtNetClient client(HtNetOptions{});
        if (client.Query(printune_sim::DefaultHtSetup(1).record) != HtResult::Done)
            report += " ht-query-failed";
        NetCfgState state;
        state.Open(NetCfgAddresses{});
        NetCfgDevice device;
        NetCfgEntryList entries;
        if (state.RunQuery("00A0C1000002", "KP5200000002", device, entries) != NetCfgRun::Done)
            report += " query-failed";
        return 0;
    });
    std::string report;
    EXPECT_EQ(lab.Finish(tool, report, 20000), 0);
    EXPECT_EQ(report, "label=2 ht=1");
    EXPECT_EQ(StopPrinterHost(lab, printers), 0);
}

TEST(NetnsBroadcast, EveryInterfaceIsSearched) {
    NetnsLab lab;
    REQUIRE_NETNS(lab);
    ASSERT_TRUE(lab.AddHost("tool") && lab.AddHost("wired") && lab.AddHost("wifi")) << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "eth0", "192.0.2.1/24", "wired", "eth0", "192.0.2.2/24"))
        << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "wlan0", "198.51.100.1/24", "wifi", "eth0", "198.51.100.2/24"))
        << lab.Error();
    auto wired = StartPrinterHost(lab, "wired", 1);
    auto wifi = StartPrinterHost(lab, "wifi", 5);
    ASSERT_TRUE(NetnsLab::WaitReady(wired, 5000));
    ASSERT_TRUE(NetnsLab::WaitReady(wifi, 5000));

    // No default route: a plain broadcast goes nowhere, one per interface
    // reaches both segments.
    auto tool = lab.Start("tool", [](std::string& report) {
        report = SearchBoth(false) + " / " + SearchBoth(true);
        return 0;
    });
    std::string report;
    EXPECT_EQ(lab.Finish(tool, report, 20000), 0);
    EXPECT_EQ(report, "label=0 ht=0 / label=4 ht=2");

    // With a default route, a plain broadcast finds only that segment.
    ASSERT_TRUE(lab.Run("tool", "route add default dev eth0")) << lab.Error();
    tool = lab.Start("tool", [](std::string& report) {
        report = SearchBoth(false) + " / " + SearchBoth(true);
        return 0;
    });
    report.clear();
    EXPECT_EQ(lab.Finish(tool, report, 20000), 0);
    EXPECT_EQ(report, "label=2 ht=1 / label=4 ht=2");
    EXPECT_EQ(StopPrinterHost(lab, wired), 0);
    EXPECT_EQ(StopPrinterHost(lab, wifi), 0);
}

TEST(NetnsBroadcast, PrinterOutsideTheSubnetIsFound) {
    // A printer still on its factory address in another subnet, answering
    // by broadcast: only a limited broadcast reaches it (a directed one to
    // 192.0.2.255 would not), and its broadcast reply must be taken.
    NetnsLab lab;
    REQUIRE_NETNS(lab);
    ASSERT_TRUE(lab.AddHost("tool") && lab.AddHost("lan")) << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "eth0", "192.0.2.1/24", "lan", "eth0", "198.51.100.7/24"))
        << lab.Error();
    auto printers = StartPrinterHost(lab, "lan", 1, true);
    ASSERT_TRUE(NetnsLab::WaitReady(printers, 5000));
    auto tool = lab.Start("tool", [](std::string& report) {
        NetCfgState state;
        if (state.Open(NetCfgAddresses{}) != 0)
            return 1;
        state.SetTimeout(0);
        std::vector<NetCfgDevice> devices;
        state.RunSearch(devices);
        NetCfgDevice device;
        NetCfgEntryList entries;
        const bool queried =
            state.RunQuery("00A0C1000001", "KP5200000001", device, entries) == NetCfgRun::Done;
        report = "label=" + std::to_string(devices.size()) + (queried ? " queried" : "");
        return 0;
    });
    std::string report;
    EXPECT_EQ(lab.Finish(tool, report, 20000), 0);
    EXPECT_EQ(report, "label=2 queried");
    EXPECT_EQ(StopPrinterHost(lab, printers), 0);
}

TEST(NetnsBroadcast, SecondaryAddressDoesNotDoubleRequests) {
    // An interface with two addresses is one segment: each request goes
    // out once, so an HT-740 printer takes each set block once.
    NetnsLab lab;
    REQUIRE_NETNS(lab);
    ASSERT_TRUE(lab.AddHost("tool")) << lab.Error();
    ASSERT_TRUE(lab.AddHost("lan")) << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "eth0", "192.0.2.1/24", "lan", "eth0", "192.0.2.2/24"))
        << lab.Error();
    ASSERT_TRUE(lab.Run("tool", "addr add 192.0.2.9/24 dev eth0")) << lab.Error();
    auto tool = lab.Start("tool", [](std::string& report) {
        report = std::to_string(ListBroadcastInterfaces().size());
        return 0;
    });
    std::string report;
    EXPECT_EQ(lab.Finish(tool, report, 10000), 0);
    EXPECT_EQ(report, "1");
}

TEST(NetnsBroadcast, PrinterBehindARouterIsFoundBySweepOnly) {
    NetnsLab lab;
    REQUIRE_NETNS(lab);
    ASSERT_TRUE(lab.AddHost("tool") && lab.AddHost("router") && lab.AddHost("far")) << lab.Error();
    ASSERT_TRUE(lab.Link("tool", "eth0", "192.0.2.1/24", "router", "eth0", "192.0.2.254/24"))
        << lab.Error();
    ASSERT_TRUE(lab.Link("router", "eth1", "198.51.100.254/24", "far", "eth0", "198.51.100.7/24"))
        << lab.Error();
    ASSERT_TRUE(lab.Run("tool", "route add default via 192.0.2.254")) << lab.Error();
    ASSERT_TRUE(lab.Run("far", "route add default via 198.51.100.254")) << lab.Error();
    auto forward = lab.Start("router", [](std::string& report) {
        FILE* f = std::fopen("/proc/sys/net/ipv4/ip_forward", "w");
        if (f == nullptr) {
            report = "no ip_forward";
            return 1;
        }
        std::fputs("1", f);
        return std::fclose(f) == 0 ? 0 : 1;
    });
    std::string forwardReport;
    ASSERT_EQ(lab.Finish(forward, forwardReport, 5000), 0) << forwardReport;
    auto printers = StartPrinterHost(lab, "far", 1);
    ASSERT_TRUE(NetnsLab::WaitReady(printers, 5000));

    auto tool = lab.Start("tool", [](std::string& report) {
        std::string error;
        const auto sweep = ParseDestinationList("198.51.100.0/24", NETCFG_PORT, error);
        for (bool swept : {false, true}) {
            NetCfgAddresses addresses;
            if (swept)
                addresses.sweep = sweep;
            NetCfgState state;
            if (state.Open(addresses) != 0)
                return 1;
            state.SetTimeout(0);
            const auto label = RunNetCfgSearch(state, "").rows.size();
            state.Close();
            HtNetOptions options;
            if (swept)
                options.sweep = ParseDestinationList("198.51.100.0/24", HTNET_PORT, error);
            HtNetClient client(options);
            const auto ht = RunHtSearch(client, "").rows.size();
            report += (swept ? " swept" : "plain") + std::string(" label=") +
                      std::to_string(label) + " ht=" + std::to_string(ht);
        }
        // The command line's --dest takes the same block.
        const std::string command =
            BinPath("printune-cli") + " --json ht search --dest=198.51.100.0/24";
        FILE* cli = popen(command.c_str(), "r");
        std::string out;
        char buffer[512];
        while (cli && std::fgets(buffer, sizeof buffer, cli))
            out += buffer;
        const int status = cli ? pclose(cli) : -1;
        report += " cli=" + std::to_string(WEXITSTATUS(status)) +
                  (out.find("\"answers\"") != std::string::npos ? " listed" : "");
        return 0;
    });
    std::string report;
    EXPECT_EQ(lab.Finish(tool, report, 30000), 0);
    EXPECT_EQ(report, "plain label=0 ht=0 swept label=2 ht=1 cli=0 listed");
    EXPECT_EQ(StopPrinterHost(lab, printers), 0);
}
