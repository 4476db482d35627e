// The receipt settings operations and the status inquiry against
// printune-sim over TCP: the bytes on the wire, the adopted serial line.
#include <gtest/gtest.h>

#include "port/printer_port.h"
#include "settings/receipt_operations.h"
#include "settings/receipt_status.h"
#include "sim_copy.h"
#include "support/sim_process.h"

using namespace printune;
using printune_test::HexBytes;
using printune_test::SimProcess;

TEST(ReceiptOperations, RestoreSetsTheLanguageAdoptsTheFactoryLineAndReadsBack) {
    SimProcess sim({"--model", "HT-750"});
    PortSettings copy = TcpCopy(sim);
    copy.language = "Chinese";
    CPrinterPort port;
    const Bytes set = BuildReceiptSetRequest({{RS_PAPER_WIDE, ReceiptValue::Choice(1)}});
    ASSERT_EQ(SendReceiptSettings(port, copy, set).outcome, ExchangeOutcome::Sent);
    ReceiptReadResult r = ReadReceiptSettings(port, copy);
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[RS_PAPER_WIDE].choice, 1);
    EXPECT_EQ(copy.flowControl, "DTR"); // the printer's byte 03
    EXPECT_EQ(copy.baudrate, "9600");

    copy.baudrate = "115200";
    std::vector<std::string> adopted;
    std::vector<ReceiptStep> steps;
    r = RestoreReceiptSettings(
        port, copy, [&](const PortSettings& s) { adopted.push_back(s.baudrate + s.flowControl); },
        {}, [&](ReceiptStep step) { steps.push_back(step); });
    ASSERT_TRUE(r.decoded);
    EXPECT_EQ(r.settings.values[RS_PAPER_WIDE].choice, 0);
    EXPECT_EQ(r.settings.values[RS_PRINTER_LANGUAGE].choice, 1);
    EXPECT_EQ(adopted, std::vector<std::string>{"9600DTR"}); // once, before the read-back
    EXPECT_EQ(steps, (std::vector<ReceiptStep>{ReceiptStep::Restoring, ReceiptStep::Settling,
                                               ReceiptStep::ReadingSettings}));
    EXPECT_TRUE(sim.WaitReceived("tcp", 9 + 9 + 12 + 9));
    const auto rx = sim.Received("tcp");
    const auto tail = HexBytes("1B 0D 53 1B 16 01 1B 10 45 1D 10 01 1B 0D 53 1B 33 00 1B 10 45");
    ASSERT_GE(rx.size(), tail.size());
    EXPECT_EQ(std::vector<uint8_t>(rx.end() - static_cast<long>(tail.size()), rx.end()), tail);
}

TEST(ReceiptOperations, SendMakesTheCopyCurrentAndAFailedRestoreAdoptsNothing) {
    SimProcess sim({"--model", "HT-740"});
    PortSettings copy = TcpCopy(sim);
    copy.comPortName = "COM7";
    CPrinterPort port;
    ASSERT_EQ(SendReceiptSettings(port, copy, BuildReceiptSetRequest({})).outcome,
              ExchangeOutcome::Sent);
    EXPECT_EQ(CurrentPortSettings().comPortName, "COM7");
    EXPECT_TRUE(sim.WaitReceived("tcp", 6));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("1B 0D 53 1B 10 45"));

    sim.Stop(); // nobody listens any more
    int adopted = 0;
    const ReceiptReadResult r =
        RestoreReceiptSettings(port, copy, [&](const PortSettings&) { ++adopted; });
    EXPECT_EQ(r.exchange.outcome, ExchangeOutcome::OpenFailed);
    EXPECT_EQ(adopted, 0);
    EXPECT_EQ(copy.baudrate, "115200");
}

TEST(ReceiptStatusInquiry, EachFaultOfTheSimulatorIsReported) {
    SimProcess sim({"--model", "HT-750", "--status-fault",
                    "near-end,paper-end,cover-open,cutter-error,offline"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    const ReceiptStatusResult r = ReadReceiptStatus(port, copy);
    ASSERT_TRUE(r.status.Known());
    EXPECT_EQ(r.status.Conditions().size(), size_t(RECEIPT_CONDITION_COUNT));
    EXPECT_TRUE(sim.WaitReceived("tcp", 12));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("10 04 01 10 04 02 10 04 03 10 04 04"));
}

TEST(ReceiptStatusInquiry, ASilentPrinterIsUnknownAfterOneTimeOut) {
    SimProcess sim({"--model", "HT-740", "--reply-fault", "silent"});
    PortSettings copy = TcpCopy(sim);
    CPrinterPort port;
    const ReceiptStatusResult r = ReadReceiptStatus(port, copy);
    EXPECT_EQ(r.exchange.outcome, ExchangeOutcome::TimedOut);
    EXPECT_FALSE(r.status.Known());
    EXPECT_EQ(sim.Received("tcp"), HexBytes("10 04 01")); // no further request
}
