// The wireless operations around the commands: checks before anything is
// sent, one open-write-close, and the wait for a printer to join the network.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "base/language.h"
#include "base/pause.h"
#include "network/net_fixture.h"
#include "network/wifi_join.h"
#include "network/wireless_operations.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Ascii;
using printune_test::Concat;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(WirelessOperations, WifiChecksBeforeTheOneSend) {
    ScriptedLink link;
    std::vector<int32_t> steps;
    WirelessOutcome r =
        SendWifiSettings(link, WifiConfig{}, LANG_ENGLISH, {},
                         [&](const SendProgress& p) { steps.push_back(p.portType); });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.closes, 1);
    EXPECT_EQ(steps, std::vector<int32_t>{PORT_LAN});

    // Checked afresh every time: an emptied field stops the command.
    WifiConfig c;
    c.ssid.clear();
    ScriptedLink untouched;
    r = SendWifiSettings(untouched, c, LANG_ENGLISH);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(r.problem, WifiProblem::MissingField);
    EXPECT_EQ(untouched.opens, 0);

    c = WifiConfig{};
    c.encryption = 6;
    for (const std::string& key : {std::string("1234567"), std::string(64, 'k')}) {
        c.key = key;
        r = SendWifiSettings(untouched, c, LANG_ENGLISH);
        EXPECT_EQ(r.problem, WifiProblem::BadKey) << key;
    }
    EXPECT_EQ(untouched.opens, 0);

    // A stop before the port is opened sends nothing.
    std::stop_source s;
    s.request_stop();
    r = SendWifiSettings(untouched, WifiConfig{}, LANG_ENGLISH, s.get_token());
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(untouched.opens, 0);

    ScriptedLink refused;
    refused.openError = 8002;
    r = ResetWifiSettings(refused, LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.refused);
    EXPECT_EQ(r.portError, 8002);
    EXPECT_EQ(r.notice->severity, Severity::Warning);

    ScriptedLink reset;
    ASSERT_TRUE(ResetWifiSettings(reset, LANG_ENGLISH).ok);
    EXPECT_EQ(reset.AllWritten(), Hex("1B 0D 53 1B 40 01 1B 10 45"));
}

TEST(WirelessOperations, BluetoothSendAndRestore) {
    ScriptedLink link;
    ASSERT_TRUE(SendBluetoothSettings(link, "ABCDEFGHIJKLMNO", "1234", LANG_ENGLISH).ok); // 15 + 4
    EXPECT_EQ(link.AllWritten(), Concat({Hex("1B 0D 48"), Ascii("ABCDEFGHIJKLMNO"), Hex("00"),
                                         Ascii("1234"), Hex("00 10")}));

    ScriptedLink untouched;
    WirelessOutcome r = SendBluetoothSettings(untouched, "Name", "123", LANG_ENGLISH);
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(r.notice->text, "Please enter a valid password !");
    EXPECT_EQ(r.notice->severity, Severity::Error);
    // The field takes 15 characters, though the command has room for 16.
    r = SendBluetoothSettings(untouched, std::string(16, 'n'), "1234", LANG_ENGLISH);
    EXPECT_EQ(r.notice->text, "Please enter a valid Bluetooth name !");
    r = SendBluetoothSettings(untouched, "蓝牙", "1234", LANG_ENGLISH); // no single byte
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(untouched.opens, 0);

    ScriptedLink restore;
    ASSERT_TRUE(RestoreBluetoothSettings(restore, LANG_ENGLISH).ok);
    EXPECT_EQ(restore.AllWritten(), Hex("1B 0D 49"));
}

TEST(WifiJoin, TargetAndMatching) {
    WifiConfig c;
    EXPECT_FALSE(WifiJoinWaitApplies(c)); // AP
    c.mode = WIFI_MODE_STA;
    EXPECT_TRUE(WifiJoinWaitApplies(c));
    EXPECT_EQ(WifiJoinTargetFor(c).ip, ""); // DHCP: the address is not known
    c.dhcp = WIFI_DHCP_DISABLE;
    EXPECT_EQ(WifiJoinTargetFor(c).ip, "192.168.1.11");

    NetCfgDevice d{};
    std::strcpy(d.serial, "KP5200000001");
    std::strcpy(d.mac, "00A0C1000001");
    std::strcpy(d.ip, "192.168.1.11");
    EXPECT_TRUE(WifiJoinMatches({}, d));
    EXPECT_TRUE(WifiJoinMatches({"KP5200000001", "00-a0-c1-00-00-01", "192.168.1.11"}, d));
    EXPECT_FALSE(WifiJoinMatches({"KP5200000002", "", ""}, d));
    EXPECT_FALSE(WifiJoinMatches({"", "00A0C1000002", ""}, d));
    EXPECT_FALSE(WifiJoinMatches({"", "", "192.168.1.12"}, d));
    std::strcpy(d.ip, "----"); // DHCP still running: not there yet
    EXPECT_FALSE(WifiJoinMatches({}, d));
}

// Where the join wait finds the simulated printers: their reply port is
// reserved by a state that is closed again before the wait opens its own.
NetCfgAddresses AddressesOf(printune::NetCfgState& probe) {
    NetCfgAddresses a = probe.Addresses();
    probe.Close();
    return a;
}

TEST(WifiJoin, APrinterThatAppearsAfterTheCommandIsReported) {
    NetCfgState probe;
    auto printers = printune_test::LabelPrinters(2, printune_sim::NET_FAULT_NO_ANSWER);
    auto sim = printune_test::StartLabelPrinters(probe, printers);
    ASSERT_TRUE(sim);
    const NetCfgAddresses addresses = AddressesOf(probe);

    ScriptedLink link;
    WifiConfig c;
    c.mode = WIFI_MODE_STA;
    ASSERT_TRUE(SendWifiSettings(link, c, LANG_ENGLISH).ok);
    // The second printer joins 3 s after the command; the first never does.
    std::jthread joins([&sim](std::stop_token stop) {
        if (PauseFor(3000, stop))
            sim->SetLabelFaults(1, 0);
    });
    int reported = 0;
    const WifiJoinResult r =
        WaitForWifiJoin(WifiJoinTargetFor(c, "", "00A0C1000002"), std::chrono::seconds(60),
                        addresses, {}, [&](const WifiJoinProgress&) { ++reported; });
    ASSERT_EQ(r.outcome, WifiJoinOutcome::Found);
    EXPECT_STREQ(r.device.ip, "192.168.0.102");
    EXPECT_STREQ(r.device.serial, "KP5200000002");
    EXPECT_EQ(reported, r.searches);
    EXPECT_GE(r.searches, 1);
}

TEST(WifiJoin, GivesUpAtTheLimitOrWhenStopped) {
    NetCfgState probe;
    auto sim = printune_test::StartLabelPrinters(probe, printune_test::LabelPrinters(1));
    ASSERT_TRUE(sim);
    const NetCfgAddresses addresses = AddressesOf(probe);
    // The only printer there is another one.
    WifiJoinResult r =
        WaitForWifiJoin({"KP5209999999", "", ""}, std::chrono::seconds(1), addresses);
    EXPECT_EQ(r.outcome, WifiJoinOutcome::NotFound);
    EXPECT_EQ(r.searches, 1);

    std::stop_source s;
    s.request_stop();
    r = WaitForWifiJoin({}, std::chrono::seconds(60), addresses, s.get_token());
    EXPECT_EQ(r.outcome, WifiJoinOutcome::Stopped);
    EXPECT_EQ(r.searches, 0);
}

} // namespace
