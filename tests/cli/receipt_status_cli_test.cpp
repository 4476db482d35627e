// receipt status: words and JSON from the simulator's faults, "unknown"
// with the time-out exit from a silent printer.
#include <gtest/gtest.h>

#include "cli_fixture.h"

using namespace printune_test;

namespace {

class ReceiptStatusCli : public CliSim {
protected:
    std::vector<std::string> Args(std::vector<std::string> tail) const {
        std::vector<std::string> args{Lan(), "--model", "HT-750"};
        args.insert(args.end(), tail.begin(), tail.end());
        return args;
    }
};

TEST_F(ReceiptStatusCli, FaultsInWordsAndJson) {
    Start({"--tcp", "0", "--model", "HT-750", "--status-fault", "cover-open,near-end"});
    CliResult r = Run(Args({"receipt", "status"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Printer status: paper near end, cover open\n");
    r = Run(Args({"--lang", "zh", "receipt", "status"}));
    EXPECT_EQ(r.out, "打印机状态：纸将尽、上盖打开\n");
    r = Run(Args({"--json", "receipt", "status"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const JsonDoc doc = Json(r);
    EXPECT_EQ(doc["known"], true);
    EXPECT_EQ(doc["conditions"]["coverOpen"], true);
    EXPECT_EQ(doc["conditions"]["paperEnd"], false);
    EXPECT_EQ(doc["bytes"].size(), size_t(4));
}

TEST_F(ReceiptStatusCli, SilentPrinterIsUnknownNotPaperEnd) {
    Start({"--tcp", "0", "--model", "HT-750", "--reply-fault", "silent"});
    CliResult r = Run(Args({"receipt", "status"}));
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.out, "Printer status: unknown\n");
    EXPECT_NE(r.err.find("Communication is time out!"), std::string::npos) << r.err;
    r = Run(Args({"--json", "receipt", "status"}));
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(Json(r)["error"]["kind"], "timeout");
}

TEST_F(ReceiptStatusCli, WatchRepeatsUntilInterrupted) {
    Start({"--tcp", "0", "--model", "HT-740"});
    CliOptions interrupt;
    interrupt.interruptAfterMs = 2500;
    const CliResult r =
        Run({Lan(), "--model", "HT-740", "receipt", "status", "--watch"}, interrupt);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Printer status: ready\nPrinter status: ready\n"), std::string::npos)
        << r.out;
}

} // namespace
