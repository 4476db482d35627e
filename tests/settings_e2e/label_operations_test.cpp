// The label page's send, one-way and read-back operations against
// printune-sim over TCP.
#include <gtest/gtest.h>

#include <string>

#include "port/printer_port.h"
#include "settings/label_operations.h"
#include "support/sim_process.h"

using namespace printune;
using printune_test::HexBytes;
using printune_test::SimProcess;

namespace {

PortSettings TcpCopy(const SimProcess& sim) {
    PortSettings copy = CurrentPortSettings();
    copy.portType = PORT_LAN;
    copy.ipAddr = sim.TcpAddress();
    copy.listenPort = sim.TcpPort();
    SetCurrentPortSettings(copy);
    return copy;
}

} // namespace

TEST(LabelSendAndVerify, SentValuesReadBackUnchangedInThePrintersOrder) {
    SimProcess sim({"--model", "KP-520"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    // Changed in another order than the printer's; a list without a
    // selection is left out; 4095.9 mm is 32767 units.
    const LabelValues values = {{LS_PRINT_SPEED, LabelValue::Choice(2)},
                                {LS_HOME_OFFSET, LabelValue::Text("4095.9")},
                                {LS_PEELER, LabelValue::Choice(-1)},
                                {LS_PAGE_MODE, LabelValue::Choice(1)}};
    ASSERT_EQ(SendLabelSettings(port, copy, values).outcome, ExchangeOutcome::Sent);
    ASSERT_TRUE(sim.WaitReceived("tcp", 16));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("1B 0D 53 1B 27 01 1B 30 03 1B 2C FF 7F 1B 10 45"));

    int adopted = 0;
    const LabelVerifyResult r =
        VerifyLabelSettings(port, copy, values, [&](const PortSettings&) { ++adopted; });
    ASSERT_TRUE(r.read.decoded);
    EXPECT_TRUE(r.notTaken.empty());
    EXPECT_EQ(adopted, 1);
    EXPECT_EQ(r.read.settings.values[LS_HOME_OFFSET].text, "4095.88");
}

TEST(LabelSendAndVerify, ReadBackNamesTheValuesThePrinterDidNotTake) {
    // This printer answers every settings request with the same 49 bytes:
    // page mode Off, cut mode Off, offsets 0.
    std::string zeros;
    for (int i = 0; i < 49; ++i)
        zeros += "00";
    SimProcess sim({"--model", "KP-520", "--reply", "1B0D531B33001B1045=" + zeros});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    const LabelValues values = {{LS_PAGE_MODE, LabelValue::Choice(1)},
                                {LS_CUT_MODE, LabelValue::Choice(0)},
                                {LS_HOME_OFFSET, LabelValue::Text("1.5")},
                                {LS_CUT_OFFSET, LabelValue::Text("0.06")}};
    ASSERT_EQ(SendLabelSettings(port, copy, values).outcome, ExchangeOutcome::Sent);
    const LabelVerifyResult r = VerifyLabelSettings(port, copy, values, [](const PortSettings&) {});
    ASSERT_TRUE(r.read.decoded);
    // 0.06 mm truncates to 0 units, the same as the printer's 0.
    EXPECT_EQ(r.notTaken, (std::vector<int>{LS_PAGE_MODE, LS_HOME_OFFSET}));
}

TEST(LabelSendAndVerify, NothingChangedWritesTheBareFrameAndCommandsTheirBytes) {
    SimProcess sim({"--model", "KP-520"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    ASSERT_EQ(SendLabelSettings(port, copy, {}).outcome, ExchangeOutcome::Sent);
    ASSERT_EQ(SendLabelCommand(port, copy, LabelRequest::Calibrate).outcome, ExchangeOutcome::Sent);
    ASSERT_EQ(SendLabelCommand(port, copy, LabelRequest::SelfTest).outcome, ExchangeOutcome::Sent);
    ASSERT_TRUE(sim.WaitReceived("tcp", 18));
    EXPECT_EQ(sim.Received("tcp"),
              HexBytes("1B 0D 53 1B 10 45 1B 0D 53 1B 3D 01 1B 10 45 1B 0D 4C"));
}

TEST(LabelSendAndVerify, AStoppedVerifyReadsNothing) {
    SimProcess sim({"--model", "KP-520"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    std::stop_source stop;
    stop.request_stop();
    const LabelVerifyResult r = VerifyLabelSettings(
        port, copy, {{LS_PAGE_MODE, LabelValue::Choice(1)}}, [](const PortSettings&) {},
        stop.get_token());
    EXPECT_EQ(r.read.exchange.outcome, ExchangeOutcome::Stopped);
    EXPECT_TRUE(sim.Received("tcp").empty());
}
