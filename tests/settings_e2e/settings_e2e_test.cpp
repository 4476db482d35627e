// Settings exchanges with printune-sim over TCP and over a pty serial line.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "port/exchange.h"
#include "port/interface_commands.h"
#include "port/port_errors.h"
#include "port/printer_port.h"
#include "port/usb_filter.h"
#include "settings/label_commands.h"
#include "settings/receipt_commands.h"
#include "settings/settings_messages.h"
#include "support/sim_process.h"

using namespace printune;
using printune_test::HexBytes;
using printune_test::SimProcess;
using Clock = std::chrono::steady_clock;

namespace {

// Points the current settings at the simulator's TCP listener.
void UseTcp(const SimProcess& sim, CPrinterPort& port) {
    PortSettings current = CurrentPortSettings();
    current.ipAddr = sim.TcpAddress();
    current.listenPort = sim.TcpPort();
    SetCurrentPortSettings(current);
    port.portType = PORT_LAN;
}

void UseCom1(SimProcess& sim, CPrinterPort& port) {
    sim.ExportEnvironment();
    PortSettings current = CurrentPortSettings();
    current.baudrate = "9600";
    current.paritySetup = "None";
    current.dataBit = "8";
    current.stopBit = "1";
    current.flowControl = "DTR";
    SetCurrentPortSettings(current);
    port.portType = PORT_COM;
    port.comName = "COM1";
}

// Get, change three settings, get again: the printer holds the new values.
// Before the next open the printer must have taken the set request: opening
// a pty flushes the line, which on a pty (unlike a UART) also drops what the
// other end has not read yet.
void ReadModifyWrite(CPrinterPort& port, const SimProcess& sim, const std::string& endpoint) {
    ExchangeResult first = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    ASSERT_EQ(first.outcome, ExchangeOutcome::Reply);
    LabelSettings before = DecodeLabelSettingsReply(first.reply);
    ASSERT_EQ(before.values[LS_PAGE_MODE].choice, 0);

    ExchangeResult sent =
        SendRequest(port, BuildSetSettingsRequest({{LS_PAGE_MODE, LabelValue::Choice(1)},
                                                   {LS_CUT_OFFSET, LabelValue::Text("-4095")},
                                                   {LS_LEFT_OFFSET, LabelValue::Text("-80")}}));
    ASSERT_EQ(sent.outcome, ExchangeOutcome::Sent);
    ASSERT_TRUE(sim.WaitReceived(endpoint, 9 + 16));

    ExchangeResult second = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    ASSERT_EQ(second.outcome, ExchangeOutcome::Reply);
    LabelSettings after = DecodeLabelSettingsReply(second.reply);
    EXPECT_EQ(after.values[LS_PAGE_MODE].choice, 1);
    EXPECT_EQ(after.values[LS_CUT_OFFSET].text, "-4095.00");
    EXPECT_EQ(after.values[LS_LEFT_OFFSET].text, "-80");
    EXPECT_EQ(after.values[LS_PRINT_SPEED], before.values[LS_PRINT_SPEED]);
    EXPECT_EQ(after.serial, (SerialLine{"9600", "None", "1", "8", ""}));
    EXPECT_EQ(port.OpenHandleCount(), 0);
}

} // namespace

TEST(SettingsOverTcp, ReadModifyWrite) {
    SimProcess sim({"--model", "KP-520"});
    CPrinterPort port;
    UseTcp(sim, port);
    ReadModifyWrite(port, sim, "tcp");
}

TEST(SettingsOverPty, ReadModifyWrite) {
    SimProcess sim({"--no-tcp", "--com", "1=KP-740"});
    CPrinterPort port;
    UseCom1(sim, port);
    ReadModifyWrite(port, sim, "COM1");

    ExchangeResult version = Exchange(port, BuildLabelRequest(LabelRequest::GetFirmwareVersion));
    ASSERT_EQ(version.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(DecodeTextReply(version.reply, 1033), "KP740 V3.02 2026-04-20");
}

TEST(SettingsOverTcp, ReceiptPrinterRestoreAndReadBack) {
    SimProcess sim({"--model", "HT-750"});
    CPrinterPort port;
    UseTcp(sim, port);
    ASSERT_EQ(SendRequest(port, BuildReceiptSetRequest({{RS_PAPER_WIDE, ReceiptValue::Choice(2)}}))
                  .outcome,
              ExchangeOutcome::Sent);
    ExchangeResult r = Exchange(port, BuildReceiptGetRequest(), ReceiptExchangeOptions());
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(DecodeReceiptSettingsReply(r.reply).values[RS_PAPER_WIDE].choice, 2);

    ASSERT_EQ(SendRequest(port, BuildReceiptRestoreRequest("Chinese")).outcome,
              ExchangeOutcome::Sent);
    r = Exchange(port, BuildReceiptGetRequest(), ReceiptExchangeOptions());
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    ReceiptSettings s = DecodeReceiptSettingsReply(r.reply);
    EXPECT_EQ(s.values[RS_PAPER_WIDE].choice, 0);
    EXPECT_EQ(s.values[RS_PRINTER_LANGUAGE].choice, 1);
}

TEST(SettingsOverTcp, SilentPrinterTimesOutAfter3000ms) {
    SimProcess sim({"--model", "KP-520", "--reply-fault", "silent"});
    CPrinterPort port;
    UseTcp(sim, port);
    auto start = Clock::now();
    ExchangeResult r = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(r.outcome, ExchangeOutcome::TimedOut);
    EXPECT_GE(ms, 3000);
    EXPECT_LT(ms, 3600);
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_LAN, 1033), "Communication is time out!");
    EXPECT_TRUE(sim.WaitReceived("tcp", 9));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("1B 0D 53 1B 33 00 1B 10 45"));
}

TEST(SettingsOverPty, SilentPrinterTimesOutAndStopEndsTheWait) {
    SimProcess sim({"--no-tcp", "--com", "1", "--reply-fault", "silent"});
    CPrinterPort port;
    UseCom1(sim, port);
    auto start = Clock::now();
    ExchangeResult r = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(r.outcome, ExchangeOutcome::TimedOut);
    EXPECT_GE(ms, 3000);
    EXPECT_LT(ms, 3600);

    std::stop_source stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop.request_stop();
    });
    start = Clock::now();
    r = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings), {}, stop.get_token());
    ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    stopper.join();
    EXPECT_EQ(r.outcome, ExchangeOutcome::Stopped);
    EXPECT_LT(ms, 2500);
}

TEST(SettingsOverTcp, ShortReplyIsDecodedWithZeros) {
    SimProcess sim({"--model", "KP-520", "--reply-fault", "short:10"});
    CPrinterPort port;
    UseTcp(sim, port);
    ExchangeResult r = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(r.reply.size(), 10u);
    LabelSettings s = DecodeLabelSettingsReply(r.reply);
    EXPECT_EQ(s.values[LS_PRINT_SPEED].choice, -1); // offset 35 did not arrive
    EXPECT_EQ(s.values[LS_PRINT_WIDTH].text, "0");
}

TEST(InterfaceCommands, SerialConfigFallsBackToComWithoutUsbPrinter) {
    SimProcess sim({"--no-tcp", "--com", "2"});
    sim.ExportEnvironment();
    CPrinterPort port;
    PortSettings pending;
    pending.comPortName = "COM2";
    pending.baudrate = "115200";
    pending.paritySetup = "Even";
    ExchangeResult r = SendSerialConfig(port, pending, 1);
    EXPECT_EQ(r.outcome, ExchangeOutcome::Sent) << r.portError;
    EXPECT_EQ(port.portType, PORT_COM);
    ASSERT_TRUE(sim.WaitReceived("COM2", 9));
    EXPECT_EQ(sim.Received("COM2"), HexBytes("1B 0D 53 1B 23 27 1B 10 45"));
}

TEST(InterfaceCommands, OpenFailureIsReported) {
    CPrinterPort port;
    PortSettings settings;
    settings.portType = PORT_LAN;
    PortSettings current = CurrentPortSettings();
    current.ipAddr = "127.0.0.1";
    current.listenPort = 1; // nothing listens there
    SetCurrentPortSettings(current);
    ExchangeResult r = SendWifiReset(port, settings);
    EXPECT_EQ(r.outcome, ExchangeOutcome::OpenFailed);
    EXPECT_EQ(r.portError, PORT_ERR_OPEN);
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_LAN, 1033),
              "Lan connect fail. Please ensure the wire is connecting and the IP is valid.");
}

TEST(SettingsOverUsbAndLpt, EachModelAnswersOnItsNode) {
    SimProcess sim({"--no-tcp", "--usb", "7A3E:3D71", "--lpt", "1=KP-500"});
    sim.ExportEnvironment();
    ScopedUsbFilter filter(UsbFilter{"7A3E", "3D71", 0});
    CPrinterPort port;
    port.portType = PORT_USB;
    ExchangeResult r = Exchange(port, BuildReceiptGetRequest(), ReceiptExchangeOptions());
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(r.reply.size(), 100u);
    EXPECT_EQ(DecodeReceiptSettingsReply(r.reply).serial.flowControl, "DTR");

    port.portType = PORT_LPT;
    port.lptName = "LPT1";
    r = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings));
    ASSERT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(DecodeLabelSettingsReply(r.reply).values[LS_PRINT_WIDTH].text, "72");
}
