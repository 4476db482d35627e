// Label and receipt printer settings over TCP and a pty serial port: the
// bytes the simulator received, the documents printed, the settings file.
#include <gtest/gtest.h>

#include <chrono>

#include "cli_fixture.h"

using namespace printune_test;

namespace {

const std::vector<std::string> kLabelKeys = {
    "page-mode",        "print-media",      "peeler",      "print-method",   "paper-out-detection",
    "print-density",    "printer-language", "emulation",   "auto-calibrate", "print-speed",
    "top-form-sensing", "home-offset",      "cut-offset",  "cut-mode",       "position-detection",
    "black-mark-ad",    "paper-sensor",     "left-offset", "print-width"};

class LabelCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "KP-520"}); }
};

TEST_F(LabelCli, GetSendsTheRequestAndPrintsEverySettingByName) {
    const CliResult r = Run({Lan(), "--json", "label", "get"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 33 00 1B 10 45")),
              HexBytes("1B 0D 53 1B 33 00 1B 10 45"));
    JsonDoc doc = Json(r);
    EXPECT_EQ(doc["command"], "label get");
    EXPECT_EQ(doc["model"], "KP-520");
    EXPECT_EQ(Keys(doc["settings"]), kLabelKeys);
    EXPECT_EQ(Keys(doc["serialLine"]),
              (std::vector<std::string>{"baudrate", "paritySetup", "dataBit", "stopBit"}));
    EXPECT_TRUE(doc["settings"]["home-offset"].is_string());
    // Human output names the page labels.
    const CliResult human = Run({Lan(), "label", "get"});
    EXPECT_NE(human.out.find("Page Mode:"), std::string::npos) << human.out;
}

TEST_F(LabelCli, SetWritesTheNamedSettingsInThePrintersOrderAndVerifies) {
    const CliResult r =
        Run({Lan(), "--json", "label", "set", "print-speed=3", "cut-mode=On", "page-mode=On",
             "home-offset=12.5", "left-offset=-80", "emulation=ZPL", "--verify"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto set = HexBytes("1B 0D 53 1B 27 01 1B 24 01 1B 30 03 1B 2C 64 00 1B 34 01 1B 1F A0 "
                              "1B 10 45");
    const auto rx = Rx("tcp", set.size() + 9);
    ASSERT_GE(rx.size(), set.size());
    EXPECT_EQ(std::vector<uint8_t>(rx.begin(), rx.begin() + set.size()), set);
    JsonDoc doc = Json(r);
    EXPECT_EQ(doc["settings"]["page-mode"], "On");
    EXPECT_EQ(doc["settings"]["print-speed"], "3");
    EXPECT_EQ(doc["settings"]["home-offset"], "12.50");
    EXPECT_EQ(doc["settings"]["left-offset"], "-80");
    EXPECT_EQ(doc["settings"]["emulation"], "ZPL");
}

TEST_F(LabelCli, ListEntriesAreTakenInEitherLanguage) {
    const CliResult r =
        Run({Lan(), "label", "set", "print-media=continuous paper", "paper-sensor=Gap sensor"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(sim_->WaitReceived("tcp", 12));
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 25 01 1B 38 01 1B 10 45")),
              HexBytes("1B 0D 53 1B 25 01 1B 38 01 1B 10 45"));
}

TEST_F(LabelCli, AnInvalidValueSendsNothing) {
    for (const char* bad : {"home-offset=5000", "left-offset=81", "black-mark-ad=-4096",
                            "print-density=7", "page-mode=maybe", "emulation=ESC/POS",
                            "no-such-setting=1", "home-offset=12mm", "print-width=50"}) {
        const CliResult r = Run({Lan(), "label", "set", "page-mode=On", bad});
        EXPECT_EQ(r.exitCode, 5) << bad << ": " << r.err;
    }
    const CliResult large = Run({Lan(), "label", "set", "home-offset=5000"});
    EXPECT_NE(large.err.find("The value is too large!"), std::string::npos) << large.err;
    EXPECT_TRUE(NothingReceived("tcp"));
}

TEST_F(LabelCli, OneWayRequestsAndTextReplies) {
    ASSERT_EQ(Run({Lan(), "label", "calibrate"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "label", "selftest"}).exitCode, 0);
    const CliResult info = Run({Lan(), "--json", "label", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 3D 01 1B 10 45  1B 0D 4C  1B 0D 53 1B 19 01 1B 10 45 "
                                 "1B 0D 53 1B 1A 01 1B 10 45  1B 0D 53 1B 18 01 1B 10 45")),
              HexBytes("1B 0D 53 1B 3D 01 1B 10 45  1B 0D 4C  1B 0D 53 1B 19 01 1B 10 45 "
                       "1B 0D 53 1B 1A 01 1B 10 45  1B 0D 53 1B 18 01 1B 10 45"));
    JsonDoc doc = Json(info);
    EXPECT_EQ(Keys(doc), (std::vector<std::string>{"ok", "command", "serialNumber",
                                                   "firmwareVersion", "headMileage"}));
    EXPECT_FALSE(doc["serialNumber"].get<std::string>().empty());
}

TEST_F(LabelCli, ResetReadsTheFactorySettingsBack) {
    const CliResult r = Run({Lan(), "--json", "label", "reset"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 60 01 1B 10 45  1B 0D 53 1B 33 00 1B 10 45")),
              HexBytes("1B 0D 53 1B 60 01 1B 10 45  1B 0D 53 1B 33 00 1B 10 45"));
    EXPECT_EQ(Keys(Json(r)["settings"]), kLabelKeys);
}

// Parity code 3 in the printer's serial-line byte keeps the parity of the
// run's settings; the document never shows an empty parity.
TEST_F(LabelCli, ParityCodeThreeKeepsTheCurrentParity) {
    ASSERT_EQ(Run({Lan(), "send", "hex", "1B 0D 53 1B 23 F3 1B 10 45"}).exitCode, 0);
    for (const char* parity : {"Even", "Odd", "None"}) {
        const CliResult r = Run({Lan(), "--parity", parity, "--json", "label", "get"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        JsonDoc doc = Json(r);
        EXPECT_EQ(doc["serialLine"]["paritySetup"], parity);
        EXPECT_EQ(doc["serialLine"]["baudrate"], "9600");
        EXPECT_EQ(doc["serialLine"]["stopBit"], "2");
        EXPECT_EQ(doc["serialLine"]["dataBit"], "7");
    }
}

// --none sends the set request with nothing in it; without values or with
// both the command is a usage error and sends nothing.
TEST_F(LabelCli, SetWithNoneSendsTheBareFrame) {
    EXPECT_EQ(Run({Lan(), "label", "set"}).exitCode, 2);
    EXPECT_EQ(Run({Lan(), "label", "set", "--none", "page-mode=On"}).exitCode, 2);
    EXPECT_TRUE(NothingReceived("tcp"));
    const CliResult r = Run({Lan(), "label", "set", "--none"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 10 45")), HexBytes("1B 0D 53 1B 10 45"));
}

TEST_F(LabelCli, ReceiptCommandsAreRefusedForALabelModel) {
    EXPECT_EQ(Run({Lan(), "receipt", "get"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "test", "drawer1"}).exitCode, 5);
    EXPECT_TRUE(NothingReceived("tcp"));
}

class SilentCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "silent"}); }
};

TEST_F(SilentCli, APrinterThatNeverAnswersTimesOutAfterThreeSeconds) {
    const auto start = std::chrono::steady_clock::now();
    const CliResult r = Run({Lan(), "--json", "label", "get"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("Communication is time out!"), std::string::npos) << r.err;
    EXPECT_EQ(Json(r)["error"]["kind"], "timeout");
    EXPECT_GE(seconds, 2.9);
    EXPECT_LT(seconds, 6.0);
}

TEST_F(SilentCli, CtrlCEndsTheWaitAtOnce) {
    CliOptions interrupt;
    interrupt.interruptAfterMs = 300;
    const auto start = std::chrono::steady_clock::now();
    const CliResult r = Run({Lan(), "label", "get"}, interrupt);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Interrupted."), std::string::npos) << r.err;
    EXPECT_LT(seconds, 2.0);
}

class ReceiptCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "HT-750"}); }
    std::vector<std::string> Args(std::vector<std::string> tail) const {
        std::vector<std::string> args{Lan(), "--model", "HT-750"};
        args.insert(args.end(), tail.begin(), tail.end());
        return args;
    }
};

TEST_F(ReceiptCli, GetPrintsTheEightSettingsAndTheSerialLine) {
    const CliResult r = Run(Args({"--json", "receipt", "get"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 33 00 1B 10 45")),
              HexBytes("1B 0D 53 1B 33 00 1B 10 45"));
    JsonDoc doc = Json(r);
    EXPECT_EQ(Keys(doc["settings"]),
              (std::vector<std::string>{"printer-language", "cutter-switch", "paper-wide",
                                        "printing-direction", "paper-type", "black-mark",
                                        "mark-to-home", "mark-to-cutter"}));
    EXPECT_EQ(
        Keys(doc["serialLine"]),
        (std::vector<std::string>{"baudrate", "paritySetup", "dataBit", "stopBit", "flowControl"}));
}

TEST_F(ReceiptCli, SetAndRestoreBytes) {
    CliResult r =
        Run(Args({"receipt", "set", "mark-to-home=1", "paper-wide=57mm", "cutter-switch=On"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(sim_->WaitReceived("tcp", 16));
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 53 1B 34 01 1B 38 02 1B 2C 06 00 1B 10 45")),
              HexBytes("1B 0D 53 1B 34 01 1B 38 02 1B 2C 06 00 1B 10 45"));

    r = Run(Args({"receipt", "set", "mark-to-cutter=6000"}));
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("The value is too large!"), std::string::npos) << r.err;

    r = Run(Args({"--lang", "zh", "--json", "receipt", "restore"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto tail = HexBytes("1B 0D 53 1B 16 01 1B 10 45 1D 10 01  1B 0D 53 1B 33 00 1B 10 45");
    const auto rx = Rx("tcp", 16 + tail.size());
    ASSERT_GE(rx.size(), tail.size());
    EXPECT_EQ(std::vector<uint8_t>(rx.end() - tail.size(), rx.end()), tail);
}

// A distance of one sign alone is 0; --none sends the bare frame.
TEST_F(ReceiptCli, ALoneSignIsZeroAndNoneSendsTheBareFrame) {
    EXPECT_EQ(Run(Args({"receipt", "set"})).exitCode, 2);
    EXPECT_EQ(Run(Args({"receipt", "set", "mark-to-home=1-"})).exitCode, 5);
    EXPECT_TRUE(NothingReceived("tcp"));
    CliResult r = Run(Args({"receipt", "set", "mark-to-home=-", "mark-to-cutter=+"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto signs = HexBytes("1B 0D 53 1B 2C 00 00 1B 2D 00 00 1B 10 45");
    EXPECT_EQ(Rx("tcp", signs), signs);
    r = Run(Args({"receipt", "set", "--none"}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto both = signs;
    for (uint8_t b : HexBytes("1B 0D 53 1B 10 45"))
        both.push_back(b);
    EXPECT_EQ(Rx("tcp", both), both);
}

TEST_F(ReceiptCli, TheHt740HasNoCutterSwitch) {
    const CliResult r = Run({Lan(), "--model", "HT-740", "receipt", "set", "cutter-switch=On"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(Run({Lan(), "--model", "HT-740", "test", "full-cut"}).exitCode, 5);
    EXPECT_TRUE(NothingReceived("tcp"));
}

class SerialCli : public CliSim {
protected:
    void SetUp() override { Start({"--no-tcp", "--com", "1=KP-520"}); }
};

TEST_F(SerialCli, ConnectThenReadOverThePtyAndReconfigureTheLine) {
    CliResult r = Run({"--port", "com:COM1", "--model", "KP-520", "connect"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(ReadFile("printune.ini").find("CurPortType=1\r\n[COM]\r\nPortName=COM1"),
              std::string::npos);

    r = Run({"--json", "label", "get"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Rx("COM1", HexBytes("1B 0D 53 1B 33 00 1B 10 45")),
              HexBytes("1B 0D 53 1B 33 00 1B 10 45"));

    // No USB printer: the command goes over COM1 with the old values, and the
    // new ones are saved.
    r = Run({"serial-config", "--baud", "115200", "--parity", "Even"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(sim_->WaitReceived("COM1", 18));
    const auto rx = sim_->Received("COM1");
    EXPECT_EQ(std::vector<uint8_t>(rx.begin() + 9, rx.end()),
              HexBytes("1B 0D 53 1B 23 27 1B 10 45"));
    const std::string ini = ReadFile("printune.ini");
    EXPECT_NE(ini.find("Baudrate=115200\r\nParitySetup=Even\r\n"), std::string::npos) << ini;
}

} // namespace
