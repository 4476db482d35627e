// The label printers' protocol end to end over loopback: the engine's
// sockets, intake, receiver and consumer against simulated printers.
#include <gtest/gtest.h>

#include <thread>

#include "base/language.h"
#include "net_fixture.h"
#include "network/netcfg_messages.h"

using namespace printune;
using namespace printune_test;
using printune_sim::NET_FAULT_ANSWER_TWICE;
using printune_sim::NET_FAULT_FOREIGN_MAC;
using printune_sim::NET_FAULT_NO_ANSWER;
using printune_sim::NET_FAULT_OVERSIZE;
using printune_sim::NET_FAULT_SPLIT;
using printune_sim::NET_FAULT_TWO_IN_ONE;

namespace {

class NetCfgEngineTest : public ::testing::Test {
protected:
    void Start(std::vector<printune_sim::NetLabelSetup> printers, int timeout = 0) {
        sim = StartLabelPrinters(state, std::move(printers));
        ASSERT_TRUE(sim);
        state.SetTimeout(timeout); // 0: a 1000 ms window keeps the suite fast
    }
    std::vector<NetCfgDevice> Search() {
        std::vector<NetCfgDevice> devices;
        EXPECT_EQ(state.RunSearch(devices), NetCfgRun::Done);
        return devices;
    }
    NetCfgState state;
    std::unique_ptr<printune_sim::NetworkPrinters> sim;
};

} // namespace

TEST_F(NetCfgEngineTest, RealWindowListsAllTenPrinters) {
    Start(LabelPrinters(10), NETCFG_DEFAULT_TIMEOUT);
    const auto start = std::chrono::steady_clock::now();
    const auto devices = Search();
    const double took = SecondsSince(start);
    ASSERT_EQ(devices.size(), 10u);
    for (size_t i = 0; i < devices.size(); ++i)
        EXPECT_FALSE(devices[i].Free());
    EXPECT_STREQ(devices[0].serial, "KP5200000001");
    EXPECT_STREQ(devices[0].mac, "00A0C1000001");
    EXPECT_STREQ(devices[0].name, "KP-520");
    EXPECT_STREQ(devices[0].ip, "192.168.0.101");
    EXPECT_GT(took, 3.9);
    EXPECT_LT(took, 5.5);
    EXPECT_FALSE(state.Busy());
    EXPECT_FALSE(state.ThreadStarted());
}

TEST_F(NetCfgEngineTest, PrintersAnsweringTwiceAreListedOnce) {
    Start(LabelPrinters(3, NET_FAULT_ANSWER_TWICE));
    std::vector<std::vector<NetCfgDevice>> seen;
    std::vector<NetCfgDevice> devices;
    ASSERT_EQ(state.RunSearch(devices, [&](const auto& table) { seen.push_back(table); }),
              NetCfgRun::Done);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_STREQ(devices[0].serial, "KP5200000001");
    EXPECT_STREQ(devices[1].serial, "KP5200000002");
    EXPECT_STREQ(devices[2].serial, "KP5200000003");
    EXPECT_EQ(state.ListChangeCount(), 3u);
    EXPECT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().size(), 3u);
}

TEST_F(NetCfgEngineTest, SplitAndDoubledDatagramsAreRead) {
    auto printers = LabelPrinters(2);
    printers[0].faults = NET_FAULT_SPLIT;
    printers[1].faults = NET_FAULT_TWO_IN_ONE;
    Start(std::move(printers));
    EXPECT_EQ(Search().size(), 2u);
}

TEST_F(NetCfgEngineTest, EleventhPrinterEndsTheSearch) {
    Start(LabelPrinters(11), NETCFG_DEFAULT_TIMEOUT);
    const auto start = std::chrono::steady_clock::now();
    const auto devices = Search();
    ASSERT_EQ(devices.size(), 10u);
    EXPECT_STREQ(devices[9].serial, "KP5200000010");
    EXPECT_LT(SecondsSince(start), 3.0); // ended by the reply, not the window
}

TEST_F(NetCfgEngineTest, SecondSearchStartsEmpty) {
    Start(LabelPrinters(2));
    EXPECT_EQ(Search().size(), 2u);
    sim->SetLabelFaults(0, NET_FAULT_NO_ANSWER);
    const auto devices = Search();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].serial, "KP5200000002");
}

TEST_F(NetCfgEngineTest, OversizeRepliesLeaveNothing) {
    Start(LabelPrinters(1, NET_FAULT_OVERSIZE));
    EXPECT_TRUE(Search().empty());
    EXPECT_EQ(state.ListChangeCount(), 0u);
}

TEST_F(NetCfgEngineTest, QueryReturnsTheWholeConfiguration) {
    Start(LabelPrinters(3), NETCFG_DEFAULT_TIMEOUT);
    NetCfgDevice device;
    NetCfgEntryList entries;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(state.RunQuery("00A0C1000002", "KP5200000002", device, entries), NetCfgRun::Done);
    EXPECT_LT(SecondsSince(start), 2.5); // ended by the reply
    EXPECT_STREQ(device.serial, "KP5200000002");
    EXPECT_EQ(NetCfgEntryCount(entries), 11u);
    ASSERT_NE(NetCfgFindEntry(entries, "PRNT_PORT"), nullptr);
    EXPECT_EQ(NetCfgFindEntry(entries, "PRNT_PORT")->Value(), "9100");
    EXPECT_EQ(NetCfgFindEntry(entries, "MAC")->Value(), "00A0C1000002");
}

TEST_F(NetCfgEngineTest, ForeignMacReplyTimesOutAfterFourSeconds) {
    Start(LabelPrinters(1, NET_FAULT_FOREIGN_MAC), NETCFG_DEFAULT_TIMEOUT);
    NetCfgDevice device;
    NetCfgEntryList entries;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(state.RunQuery("00A0C1000001", "KP5200000001", device, entries), NetCfgRun::TimedOut);
    const double took = SecondsSince(start);
    EXPECT_GT(took, 3.9);
    EXPECT_LT(took, 5.5);
    EXPECT_TRUE(device.Free());
}

TEST_F(NetCfgEngineTest, SetChangesThePrinterWithoutReceiver) {
    auto printers = LabelPrinters(1);
    printers[0].dhcpSettleMs = 1500;
    Start(std::move(printers));
    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "MAC", "00A0C1000001");
    NetCfgAppendEntry(list, "DHCP", "1");
    NetCfgAppendEntry(list, "IP", "10.1.2.3");
    NetCfgAppendEntry(list, "PRNT_PORT", "9101");
    ASSERT_EQ(state.RunSet("00A0C1000001", "KP5200000001", list), NetCfgRun::Done);
    EXPECT_FALSE(state.ThreadStarted());
    EXPECT_FALSE(state.Busy());
    for (int i = 0; i < 400 && sim->LabelSetsApplied(0) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(sim->LabelIdentity(0).ip, "10.1.2.3");
    EXPECT_EQ(sim->LabelIdentity(0).printPort, "9101");
    // A DHCP printer has no address for a while after the change.
    NetCfgDevice device;
    NetCfgEntryList entries;
    ASSERT_EQ(state.RunQuery("00A0C1000001", "KP5200000001", device, entries), NetCfgRun::Done);
    EXPECT_STREQ(device.ip, "----");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(state.RunQuery("00A0C1000001", "KP5200000001", device, entries), NetCfgRun::Done);
    EXPECT_STREQ(device.ip, "192.168.0.150");
}

TEST_F(NetCfgEngineTest, UserActionsAreRefusedWhileBusy) {
    Start(LabelPrinters(1));
    ASSERT_EQ(state.BeginAction(), NetCfgState::Begin::Started);
    EXPECT_EQ(state.SendRequest(NETCFG_CMD_SEARCH), 0);
    EXPECT_EQ(state.BeginAction(), NetCfgState::Begin::Busy);
    std::vector<NetCfgDevice> devices;
    EXPECT_EQ(state.RunSearch(devices), NetCfgRun::Busy);
    EXPECT_EQ(state.SendRequest(7), -4);
    // The consumer duty: status taken, thread joined, busy cleared.
    bool changed = false;
    for (int i = 0; i < 30 && state.Busy(); ++i) {
        state.WaitForNews(std::chrono::milliseconds(100));
        const auto consumed = state.Consume();
        changed = changed || consumed.status == NETCFG_STATUS_LIST_CHANGED;
    }
    EXPECT_TRUE(changed);
    EXPECT_FALSE(state.Busy());
    EXPECT_EQ(state.Status(), NETCFG_STATUS_IDLE);
}

TEST_F(NetCfgEngineTest, CloseStopsARunningSearchAtOnce) {
    Start(LabelPrinters(1), NETCFG_DEFAULT_TIMEOUT);
    ASSERT_EQ(state.BeginAction(), NetCfgState::Begin::Started);
    state.SendRequest(NETCFG_CMD_SEARCH);
    EXPECT_TRUE(state.ThreadStarted());
    const auto start = std::chrono::steady_clock::now();
    state.Close();
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_FALSE(state.ThreadStarted());
    EXPECT_FALSE(state.IsOpen());
    EXPECT_FALSE(state.Busy());
}

TEST_F(NetCfgEngineTest, CloseEndsAWorkersSearch) {
    // A dialog closed while its worker waits for a search: the worker
    // returns at once and nothing is left running.
    Start(LabelPrinters(2), NETCFG_DEFAULT_TIMEOUT);
    NetCfgRun result = NetCfgRun::Busy;
    std::thread worker([&] {
        std::vector<NetCfgDevice> devices;
        result = state.RunSearch(devices);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    const auto start = std::chrono::steady_clock::now();
    state.Close();
    worker.join();
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_EQ(result, NetCfgRun::Done);
    EXPECT_FALSE(state.Busy());
    EXPECT_FALSE(state.ThreadStarted());
}

TEST(NetCfgOpen, SecondInstanceGetsAClearError) {
    NetCfgState first, second;
    NetCfgAddresses addresses;
    addresses.bind = {0x7F000001, 0};
    ASSERT_EQ(first.Open(addresses), 0);
    addresses.bind = *first.ReceiveEndpoint();
    EXPECT_EQ(second.Open(addresses), NETCFG_ERR_PORT_IN_USE);
    EXPECT_TRUE(second.IsOpen()); // set requests can still be sent
    EXPECT_NE(NetCfgOpenErrorMessage(NETCFG_ERR_PORT_IN_USE, LANG_ENGLISH).find("22094"),
              std::string::npos);
    EXPECT_NE(NetCfgOpenErrorMessage(NETCFG_ERR_PORT_IN_USE, LANG_CHINESE).find("端口"),
              std::string::npos);
    EXPECT_TRUE(NetCfgOpenErrorMessage(0, LANG_ENGLISH).empty());
    std::vector<NetCfgDevice> devices;
    second.SetTimeout(0);
    EXPECT_EQ(second.RunSearch(devices), NetCfgRun::Done);
    EXPECT_TRUE(devices.empty());
}

TEST(NetCfgOpen, EnvironmentOverridesAddresses) {
    setenv("PRINTUNE_NETCFG_DEST", "127.0.0.9:4000", 1);
    setenv("PRINTUNE_NETCFG_BIND", "127.0.0.1", 1);
    setenv("PRINTUNE_NETCFG_EVERY_INTERFACE", "0", 1);
    const NetCfgAddresses a = NetCfgAddresses::FromEnvironment();
    EXPECT_EQ(a.destination, (Ipv4Endpoint{0x7F000009, 4000}));
    EXPECT_EQ(a.bind, (Ipv4Endpoint{0x7F000001, NETCFG_PORT}));
    EXPECT_FALSE(a.everyInterface);
    setenv("PRINTUNE_NETCFG_DEST", "not-an-address", 1);
    unsetenv("PRINTUNE_NETCFG_BIND");
    unsetenv("PRINTUNE_NETCFG_EVERY_INTERFACE");
    const NetCfgAddresses b = NetCfgAddresses::FromEnvironment();
    EXPECT_EQ(b.destination, (Ipv4Endpoint{IPV4_BROADCAST, NETCFG_PORT}));
    EXPECT_EQ(b.bind, (Ipv4Endpoint{IPV4_ANY, NETCFG_PORT}));
    EXPECT_TRUE(b.everyInterface);
    unsetenv("PRINTUNE_NETCFG_DEST");
}

TEST(NetMessages, BothLanguages) {
    EXPECT_EQ(NetMessageText(NetMessage::SearchBusy, LANG_ENGLISH),
              "Current condition is busy. Please try again.");
    EXPECT_EQ(NetMessageText(NetMessage::PrinterBusy, LANG_ENGLISH),
              "Network printer is seaching. Please try again later.");
    for (auto m : {NetMessage::SearchBusy, NetMessage::PrinterBusy, NetMessage::SelectPrinter,
                   NetMessage::NoPrinterFound, NetMessage::QueryTimedOut})
        EXPECT_NE(NetMessageText(m, LANG_CHINESE), NetMessageText(m, LANG_ENGLISH));
}

TEST(NetworkPrintersOptions, CommandLineStartsTheAskedPrinters) {
    const char* args[] = {"printune-sim",
                          "--tcp",
                          "9100",
                          "--net-bind",
                          "127.0.0.3",
                          "--netcfg-port",
                          "0",
                          "--htnet-port",
                          "0",
                          "--net-label",
                          "2",
                          "--net-ht",
                          "1",
                          "--net-fault",
                          "no-answer:1"};
    std::string error;
    auto sim = printune_sim::StartNetworkPrinters(static_cast<int>(std::size(args)),
                                                  const_cast<char**>(args), error);
    ASSERT_TRUE(sim) << error;
    EXPECT_EQ(sim->NetcfgEndpoint().address, 0x7F000003u);
    EXPECT_NE(sim->HtEndpoint().port, 0);
    EXPECT_EQ(sim->LabelIdentity(1).serial, "KP5200000002");

    const char* bad[] = {"printune-sim", "--net-label", "1", "--net-fault", "sometimes"};
    EXPECT_FALSE(printune_sim::StartNetworkPrinters(5, const_cast<char**>(bad), error));
    EXPECT_NE(error.find("sometimes"), std::string::npos);
    const char* none[] = {"printune-sim", "--tcp", "9100"};
    error.clear();
    EXPECT_FALSE(printune_sim::StartNetworkPrinters(3, const_cast<char**>(none), error));
    EXPECT_TRUE(error.empty());
}
