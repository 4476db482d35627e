// What a technician sees with real printers: a label command over USB with a
// receipt printer of the same vendor attached, and a file the printer did
// not take.
#include <gtest/gtest.h>

#include <chrono>

#include "cli_fixture.h"

using namespace printune_test;

namespace {

class UsbBesideReceiptCli : public CliSim {
protected:
    // usb0 is a KP-520, usb1 an HT-740 of the same vendor.
    void SetUp() override { Start({"--all", "--model", "KP-520"}); }
};

TEST_F(UsbBesideReceiptCli, SavedKp500LabelCommandReachesOnlyTheLabelPrinter) {
    WriteFile("printune.ini", "[PrinterModel]\r\nPrinter Model=KP-500\r\n[PortType]\r\n"
                              "CurPortType=3\r\n[LanguageSetting]\r\nLanguage=English\r\n");
    for (int i = 0; i < 5; ++i) {
        const CliResult r = Run({"--json", "label", "get"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err.find("USB printers"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Rx("usb0", 9).empty());
    EXPECT_TRUE(NothingReceived("usb1"));
}

class TwoLabelPrintersCli : public CliSim {
protected:
    void SetUp() override { Start({"--usb", "7A3E:5C19", "--usb", "7A3E:5C19"}); }
};

TEST_F(TwoLabelPrintersCli, CommandToSeveralPrintersSaysHowMany) {
    const CliResult r = Run({"--port", "usb", "--model", "KP-520", "send", "hex", "1B40"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("The command went to 2 USB printers."), std::string::npos) << r.err;
    EXPECT_EQ(Rx("usb0", 2), HexBytes("1B 40"));
    EXPECT_EQ(Rx("usb1", 2), HexBytes("1B 40"));
}

class StalledNetworkPrinterCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "silent", "--read-limit", "16"}); }
};

TEST_F(StalledNetworkPrinterCli, FileThePrinterDidNotTakeIsNotReportedSent) {
    WriteFile("big.bin", std::string(102400, 'x'));
    const CliResult r = Run({Lan(), "send", "file", "big.bin"});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("Unable to send file to port."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("File sent successfully."), std::string::npos) << r.err;
}

TEST_F(StalledNetworkPrinterCli, OneInterruptEndsAWriteThePrinterDoesNotTake) {
    // The write blocks in the kernel: the first Ctrl-C must still end it.
    WriteFile("big.bin", std::string(4 << 20, 'x'));
    CliOptions interrupt;
    interrupt.interruptAfterMs = 300;
    const auto start = std::chrono::steady_clock::now();
    const CliResult r = Run({Lan(), "send", "file", "big.bin"}, interrupt);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Interrupted."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("File sent successfully."), std::string::npos) << r.err;
    // 0.3 s before the signal, half a second after it, and room for a busy
    // machine; without the bound the write waits for its own time-out.
    EXPECT_LT(seconds, 2.5);
}

} // namespace

namespace {

class RestartingLabelPrinterCli : public CliSim {
protected:
    // Gone from the USB listing for 2 s after the download-mode command.
    void SetUp() override { Start({"--usb", "7A3E:5C19", "--download-restart", "2000"}); }
};

TEST_F(RestartingLabelPrinterCli, UpdateWaitsForThePrinterToComeBackAfterDownloadMode) {
    WriteFile("kp.bin", std::string(500, 'F'));
    const CliResult r =
        Run({"--port", "usb", "--model", "KP-520", "update", "kp.bin", "--download-mode"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Waiting for the printer to return in download mode..."),
              std::string::npos)
        << r.err;
    // The version request before the command and after the printer's return.
    EXPECT_EQ(Rx("usb0", 9 + 7 + 500 + 9).size(), 9u + 7u + 500u + 9u);
}

} // namespace
