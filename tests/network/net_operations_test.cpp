// The dialogs' operations in the engine against simulated printers over
// loopback: search rows, the set-confirmation cycle, the HT-740 set and
// DHCP sequences, stopping, and the receiver's start.
#include <gtest/gtest.h>

#include <thread>

#include "base/language.h"
#include "net_fixture.h"
#include "network/htnet_setup.h"
#include "network/netcfg_setup.h"

using namespace printune;
using namespace printune_test;
using namespace std::chrono_literals;

namespace {

NetCfgConfirmTiming FastConfirm(std::chrono::milliseconds limit) {
    NetCfgConfirmTiming t;
    t.firstPause = 100ms;
    t.afterReply = 50ms;
    t.betweenQueries = 200ms;
    t.limit = limit;
    return t;
}

HtTiming FastHt() {
    HtTiming t;
    t.afterFirstApply = t.afterSecondApply = t.afterSearch = t.afterQuery = t.afterRestore = 50ms;
    return t;
}

NetConfigFields QueriedFields(NetCfgState& state, const printune_sim::NetLabelIdentity& id) {
    NetCfgDevice device;
    NetCfgEntryList entries{};
    EXPECT_EQ(state.RunQuery(id.mac, id.serial, device, entries), NetCfgRun::Done);
    return NetConfigFields::FromEntries(entries, "");
}

// An HT-740 printer found and read, as the configuration dialog has it.
struct HtSelected {
    HtDeviceRecord record;
    HtNetConfig saved;
    NetConfigFields fields;
};
HtSelected SelectHt(HtNetClient& client) {
    HtSelected s;
    const auto rows = RunHtSearch(client, "").rows;
    EXPECT_EQ(rows.size(), 1u);
    if (rows.empty())
        return s;
    s.record = rows[0].record;
    EXPECT_EQ(client.Query(s.record), HtResult::Done);
    s.saved = client.Configuration();
    s.fields = NetConfigFields::FromHt(s.record, s.saved, "");
    return s;
}

std::vector<std::string> Tail(const std::vector<std::string>& log, size_t n) {
    return std::vector<std::string>(log.end() - static_cast<long>(std::min(n, log.size())),
                                    log.end());
}

} // namespace

TEST(NetCfgOperations, SearchGivesOneRowPerPrinterWithItsAnswers) {
    NetCfgState state;
    auto sim = StartLabelPrinters(state, LabelPrinters(2, printune_sim::NET_FAULT_ANSWER_TWICE));
    ASSERT_TRUE(sim);
    state.SetTimeout(0);
    int found = 0;
    const auto result = RunNetCfgSearch(state, "", {}, [&](const NetProgress& p) {
        if (p.step == NetStep::Found)
            found = p.count;
    });
    ASSERT_EQ(result.rows.size(), 2u);
    EXPECT_EQ(result.rows[0].answers, 2u);
    EXPECT_EQ(result.rows[1].mac, "00A0C1000002");
    EXPECT_EQ(found, 2);
}

TEST(NetCfgOperations, PrinterTakingLongForDhcpIsConfirmedByRealTime) {
    // The printer answers "----" for 4 s after DHCP is switched on. Counting
    // a fixed 6 s per round would give up after the first round of a 6 s
    // limit; real elapsed time confirms it.
    auto printers = LabelPrinters(1);
    printers[0].dhcpSettleMs = 4000;
    NetCfgState state;
    auto sim = StartLabelPrinters(state, printers);
    ASSERT_TRUE(sim);
    state.SetTimeout(0);
    const auto id = sim->LabelIdentity(0);
    NetConfigFields fields = QueriedFields(state, id);
    fields.dhcpIndex = NET_DHCP_ENABLE;
    std::vector<NetStep> steps;
    const auto result = RunNetCfgSetup(state, id.mac, id.serial, fields, FastConfirm(6000ms), {},
                                       [&](const NetProgress& p) { steps.push_back(p.step); });
    EXPECT_EQ(result.outcome, NetCfgSetupOutcome::Confirmed);
    EXPECT_GT(result.queries, 1);
    EXPECT_GE(result.elapsed, 4000ms);
    EXPECT_EQ(NetCfgFindEntry(result.entries, "IP_CUR")->Value(), "192.168.0.150");
    EXPECT_EQ(steps.front(), NetStep::SetSent);
    EXPECT_EQ(steps.back(), NetStep::Done);
}

TEST(NetCfgOperations, ConfirmationWaitsForTheValuesSet) {
    // The printer never takes the set (its replies name another printer's
    // values): the cycle ends with its limit, not with a false success.
    NetCfgState state;
    auto sim = StartLabelPrinters(state, LabelPrinters(1));
    ASSERT_TRUE(sim);
    state.SetTimeout(0);
    const auto id = sim->LabelIdentity(0);
    NetConfigFields fields = QueriedFields(state, id);
    fields.printPort = "9101";
    // The printer is ready, but the set went to a MAC it does not have.
    fields.wireMac = "00A0C1FFFFFF";
    const auto result =
        RunNetCfgSetup(state, id.mac, id.serial, fields, FastConfirm(1500ms), {}, {});
    EXPECT_EQ(result.outcome, NetCfgSetupOutcome::TimedOut);
    EXPECT_EQ(sim->LabelIdentity(0).printPort, "9100");
}

TEST(NetCfgOperations, StopEndsSearchAndConfirmationAtOnce) {
    NetCfgState state;
    auto sim = StartLabelPrinters(state, LabelPrinters(1));
    ASSERT_TRUE(sim);
    state.SetTimeout(NETCFG_DEFAULT_TIMEOUT); // a 4 s window
    std::stop_source stop;
    auto start = std::chrono::steady_clock::now();
    std::jthread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    RunNetCfgSearch(state, "", stop.get_token());
    EXPECT_LT(SecondsSince(start), 1.5);
    stopper.join();
    EXPECT_FALSE(state.Busy());

    const auto id = sim->LabelIdentity(0);
    const NetConfigFields fields = QueriedFields(state, id);
    std::stop_source stop2;
    NetCfgConfirmTiming timing; // the real 5 s pause
    start = std::chrono::steady_clock::now();
    std::jthread stopper2([&] {
        std::this_thread::sleep_for(300ms);
        stop2.request_stop();
    });
    const auto result =
        RunNetCfgSetup(state, id.mac, id.serial, fields, timing, stop2.get_token(), {});
    EXPECT_EQ(result.outcome, NetCfgSetupOutcome::Stopped);
    EXPECT_LT(SecondsSince(start), 1.5);
}

TEST(NetCfgOperations, ReplyArrivingAsTheReceiverStartsIsKept) {
    // A reply that lands in the ring right after the receiver reported its
    // start (the request goes out then) must not be thrown away.
    NetCfgState state;
    NetCfgAddresses addresses;
    addresses.bind = {0x7F000001, 0};
    addresses.destination = {0x7F000001, 9}; // nobody answers
    addresses.everyInterface = false;
    ASSERT_EQ(state.Open(addresses), 0);
    state.SetTimeout(0);
    NetCfgEntryList identity{};
    NetCfgAppendEntry(identity, "DEV", "KP-520");
    NetCfgAppendEntry(identity, "VER", "V1");
    NetCfgAppendEntry(identity, "SERIAL_NUM", "S1");
    NetCfgAppendEntry(identity, "MAC", "00A0C1000009");
    NetCfgAppendEntry(identity, "IP_CUR", "10.0.0.9");
    uint8_t reply[NETCFG_BODY_MAX + 11];
    const int length =
        NetCfgBuildMessage(reply, sizeof reply, NETCFG_DIR_REPLY, NETCFG_CMD_SEARCH, identity);
    ASSERT_GT(length, 0);
    state.SetReceiverStartedHook([&] { state.RingPut(reply, static_cast<uint32_t>(length)); });
    std::vector<NetCfgDevice> devices;
    ASSERT_EQ(state.RunSearch(devices), NetCfgRun::Done);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].mac, "00A0C1000009");
}

TEST(NetCfgOperations, SearchReplyWithoutItsIdentityIsNotListed) {
    NetCfgState state;
    NetCfgAddresses addresses;
    addresses.bind = {0x7F000001, 0};
    addresses.destination = {0x7F000001, 9};
    addresses.everyInterface = false;
    ASSERT_EQ(state.Open(addresses), 0);
    state.SetTimeout(0);
    std::vector<uint8_t> stream;
    auto add = [&](const std::vector<std::pair<std::string, std::string>>& values) {
        NetCfgEntryList l{};
        for (const auto& [k, v] : values)
            NetCfgAppendEntry(l, k, v);
        uint8_t bytes[NETCFG_BODY_MAX + 11];
        const int n =
            NetCfgBuildMessage(bytes, sizeof bytes, NETCFG_DIR_REPLY, NETCFG_CMD_SEARCH, l);
        stream.insert(stream.end(), bytes, bytes + n);
    };
    add({{"DEV", "A"}, {"VER", "1"}, {"SERIAL_NUM", "S1"}, {"MAC", "00A0C1000001"}}); // no IP_CUR
    add({{"SERIAL_NUM", "S2"}, {"MAC", "00A0C1000002"}, {"IP_CUR", "10.0.0.2"}});
    add({{"DEV", "C"},
         {"VER", "1"},
         {"SERIAL_NUM", "S3"},
         {"MAC", "00A0C1000003"},
         {"IP_CUR", "10.0.0.3"}});
    state.SetReceiverStartedHook(
        [&] { state.RingPut(stream.data(), static_cast<uint32_t>(stream.size())); });
    std::vector<NetCfgDevice> devices;
    ASSERT_EQ(state.RunSearch(devices), NetCfgRun::Done);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].serial, "S3");
}

TEST(NetCfgOperations, CloseDuringAQueryIsSafe) {
    // Under ThreadSanitizer: IsOpen() and the query's reads race with Close.
    for (int round = 0; round < 5; ++round) {
        NetCfgState state;
        auto sim = StartLabelPrinters(state, LabelPrinters(1, printune_sim::NET_FAULT_NO_ANSWER));
        ASSERT_TRUE(sim);
        state.SetTimeout(0);
        std::jthread query([&] {
            NetCfgDevice device;
            NetCfgEntryList entries{};
            state.RunQuery("00A0C1000001", "KP5200000001", device, entries);
        });
        std::jthread reader([&](std::stop_token stop) {
            while (!stop.stop_requested())
                (void)state.IsOpen();
        });
        std::this_thread::sleep_for(20ms);
        state.Close();
        query.join();
        EXPECT_FALSE(state.IsOpen());
    }
}

TEST(HtOperations, SetSequenceReachesThePrinterInOrderAcknowledged) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0)};
    setups[0].config.bytes[3] = 0x07; // DHCP reads as off, but not as FF
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    auto [record, saved, fields] = SelectHt(client);
    fields.printPort = "9200";
    std::vector<std::string> progress;
    const auto result =
        RunHtSetup(client, record, saved, true, fields, FastHt(), {}, [&](const NetProgress& p) {
            if (!p.detail.empty())
                progress.push_back(p.detail);
        });
    EXPECT_TRUE(result.acknowledged);
    EXPECT_EQ(result.dhcp, HtDhcpOutcome::NotRun);
    EXPECT_EQ(Tail(sim->HtLog(0), 4),
              (std::vector<std::string>{"block1", "apply", "block2", "apply"}));
    EXPECT_EQ(progress, (std::vector<std::string>{"block1", "apply", "block2", "apply"}));
    EXPECT_EQ(sim->HtConfig(0).PrintPort(), 9200);
    EXPECT_EQ(sim->HtConfig(0).bytes[3], 0xFF);
}

TEST(HtOperations, UnacknowledgedRequestsFailAndNothingIsSentWithoutARead) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0)};
    setups[0].faults = printune_sim::NET_FAULT_NO_ACK;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    auto [record, saved, fields] = SelectHt(client);
    auto result = RunHtSetup(client, record, saved, true, fields, FastHt());
    EXPECT_FALSE(result.acknowledged);
    ASSERT_EQ(result.steps.size(), 4u);
    EXPECT_EQ(result.steps[0].result, HtResult::NoReply);

    const size_t before = sim->HtLog(0).size();
    result = RunHtSetup(client, record, saved, false, fields, FastHt());
    EXPECT_FALSE(result.acknowledged);
    EXPECT_TRUE(result.steps.empty());
    EXPECT_EQ(sim->HtLog(0).size(), before);
}

TEST(HtOperations, DhcpSequenceQueriesTheAnnouncedPrinter) {
    auto sim = StartHtPrinters({printune_sim::DefaultHtSetup(0)});
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    auto [record, saved, fields] = SelectHt(client);
    fields.dhcpIndex = NET_DHCP_ENABLE;
    const auto result = RunHtSetup(client, record, saved, true, fields, FastHt());
    EXPECT_TRUE(result.acknowledged);
    EXPECT_EQ(result.dhcp, HtDhcpOutcome::Settled);
    // The printer has its DHCP address: it is queried all the same.
    EXPECT_EQ(Tail(sim->HtLog(0), 2), (std::vector<std::string>{"search", "query"}));
    EXPECT_EQ(result.announced.IpAddress(), (HtIpv4{192, 168, 0, 160}));
    EXPECT_TRUE(result.configurationRead);
    EXPECT_TRUE(result.configuration.DhcpOn());
}

TEST(HtOperations, DhcpWithoutAnAddressRestoresBlockOne) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0)};
    setups[0].dhcpSettleMs = 60000;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    auto [record, saved, fields] = SelectHt(client);
    fields.dhcpIndex = NET_DHCP_ENABLE;
    const auto result = RunHtSetup(client, record, saved, true, fields, FastHt());
    EXPECT_EQ(result.dhcp, HtDhcpOutcome::Restored);
    EXPECT_EQ(Tail(sim->HtLog(0), 4),
              (std::vector<std::string>{"search", "query", "block1", "apply"}));
    EXPECT_FALSE(sim->HtConfig(0).DhcpOn());
    EXPECT_TRUE(
        std::equal(saved.bytes.begin(), saved.bytes.begin() + 67, sim->HtConfig(0).bytes.begin()));
}

TEST(HtOperations, StopEndsTheSetupWithinItsPause) {
    auto sim = StartHtPrinters({printune_sim::DefaultHtSetup(0)});
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    auto [record, saved, fields] = SelectHt(client);
    std::stop_source stop;
    const auto start = std::chrono::steady_clock::now();
    std::jthread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    const auto result =
        RunHtSetup(client, record, saved, true, fields, HtTiming{}, stop.get_token());
    EXPECT_TRUE(result.stopped);
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_EQ(Tail(sim->HtLog(0), 2), (std::vector<std::string>{"block1", "apply"}));
}
