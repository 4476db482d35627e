// The settings pages' operations against printune-sim over TCP.
#include <gtest/gtest.h>

#include "base/language.h"
#include "port/interface_commands.h"
#include "port/printer_port.h"
#include "settings/settings_operations.h"
#include "support/sim_process.h"

using namespace printune;
using printune_test::SimProcess;

namespace {

PortSettings TcpCopy(const SimProcess& sim) {
    PortSettings current = CurrentPortSettings();
    current.portType = PORT_LAN;
    current.ipAddr = sim.TcpAddress();
    current.listenPort = sim.TcpPort();
    current.baudrate = "115200";
    SetCurrentPortSettings(current);
    return current;
}

} // namespace

TEST(LabelOperations, ReadAdoptsTheSerialLineAndResetReadsBack) {
    SimProcess sim({"--model", "KP-520"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;

    // The printer runs at 9600/Odd/1/7 (byte 93).
    PortSettings line = copy;
    line.baudrate = "9600";
    line.paritySetup = "Odd";
    line.dataBit = "7";
    ASSERT_EQ(SendLabelRequest(port, copy, BuildSerialConfigCommand(line, 1)).outcome,
              ExchangeOutcome::Sent);
    ASSERT_EQ(
        SendLabelRequest(port, copy, BuildSetSettingsRequest({{LS_PEELER, LabelValue::Choice(1)}}))
            .outcome,
        ExchangeOutcome::Sent);

    int adopted = 0;
    LabelReadResult r = ReadLabelSettings(port, copy, [&](const PortSettings&) { ++adopted; });
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[LS_PEELER].choice, 1);
    EXPECT_EQ(copy.baudrate, "9600");
    EXPECT_EQ(copy.paritySetup, "Odd");
    EXPECT_EQ(copy.dataBit, "7");
    EXPECT_EQ(adopted, 1);
    EXPECT_EQ(CurrentPortSettings().baudrate, "115200"); // the adopter decides

    r = ResetLabelSettings(port, copy); // default adopter: current settings
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[LS_PEELER].choice, 0);
    EXPECT_EQ(copy.baudrate, "9600");
    EXPECT_EQ(copy.paritySetup, "None");
    EXPECT_EQ(copy.dataBit, "8");
    EXPECT_EQ(CurrentPortSettings().baudrate, "9600");
    EXPECT_EQ(CurrentPortSettings().flowControl, "DTR");

    std::string text;
    ASSERT_EQ(ReadLabelText(port, copy, LabelRequest::GetSerialNumber, LANG_ENGLISH, text).outcome,
              ExchangeOutcome::Reply);
    EXPECT_EQ(text, "KP520A2601234");
}

TEST(LabelOperations, StoppedResetSkipsTheReadBack) {
    SimProcess sim({"--model", "KP-520"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    std::stop_source stop;
    stop.request_stop();
    LabelReadResult r = ResetLabelSettings(
        port, copy, [](const PortSettings&) {}, stop.get_token());
    EXPECT_EQ(r.exchange.outcome, ExchangeOutcome::Stopped);
    EXPECT_FALSE(r.decoded);
    EXPECT_TRUE(sim.WaitReceived("tcp", 9));
    EXPECT_EQ(sim.Received("tcp"), printune_test::HexBytes("1B 0D 53 1B 60 01 1B 10 45"));
}

TEST(ReceiptOperations, RestoreSetsTheLanguageAndReadsBack) {
    SimProcess sim({"--model", "HT-740"});
    PortSettings copy = TcpCopy(sim);
    copy.language = "Chinese";
    CPrinterPort port;
    ASSERT_EQ(SendReceiptRequest(port, copy,
                                 BuildReceiptSetRequest({{RS_PAPER_WIDE, ReceiptValue::Choice(1)}}))
                  .outcome,
              ExchangeOutcome::Sent);
    ReceiptReadResult r = ReadReceiptSettings(port, copy);
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[RS_PAPER_WIDE].choice, 1);
    EXPECT_EQ(copy.flowControl, "DTR");

    r = RestoreReceiptSettings(port, copy);
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[RS_PAPER_WIDE].choice, 0);
    EXPECT_EQ(r.settings.values[RS_PRINTER_LANGUAGE].choice, 1);
}

TEST(LabelOperations, ReplyInTwoPiecesIsDecodedWhole) {
    SimProcess sim({"--model", "KP-520", "--reply-fault", "split:50"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    PortSettings line = copy;
    line.baudrate = "19200";
    line.paritySetup = "Even";
    line.dataBit = "7";
    line.stopBit = "2";
    ASSERT_EQ(SendLabelRequest(port, copy, BuildSerialConfigCommand(line, 1)).outcome,
              ExchangeOutcome::Sent);
    LabelReadResult r = ReadLabelSettings(port, copy, [](const PortSettings&) {});
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(copy.baudrate, "19200");
    EXPECT_EQ(copy.paritySetup, "Even");
    EXPECT_EQ(copy.dataBit, "7");
    EXPECT_EQ(copy.stopBit, "2");
}

TEST(LabelOperations, ShortReplyIsReportedAndAdoptsNothing) {
    SimProcess sim({"--model", "KP-520", "--reply-fault", "short:6"});
    PortSettings copy = TcpCopy(sim);
    copy.baudrate = "19200";
    copy.paritySetup = "Even";
    const PortSettings before = copy;
    CPrinterPort port;
    int adopted = 0;
    LabelReadResult r = ReadLabelSettings(port, copy, [&](const PortSettings&) { ++adopted; });
    EXPECT_FALSE(r.decoded);
    EXPECT_EQ(r.exchange.outcome, ExchangeOutcome::ReadFailed);
    EXPECT_TRUE(r.exchange.incomplete);
    EXPECT_EQ(copy, before);
    EXPECT_EQ(adopted, 0);
}
