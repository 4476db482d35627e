// Raw sends, print tests, firmware updates and the wireless commands: the
// bytes each command puts on the wire, as the simulator captured them.
#include <algorithm>
#include <gtest/gtest.h>

#include <numeric>

#include "cli_fixture.h"

using namespace printune_test;

namespace {

std::vector<uint8_t> Tail(const std::vector<uint8_t>& v, size_t n) {
    return n > v.size() ? v : std::vector<uint8_t>(v.end() - static_cast<long>(n), v.end());
}

std::vector<uint8_t> Text(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

class SendCli : public CliSim {
protected:
    // A printer that answers nothing: bytes it sent back unread would make
    // the close a reset, which can cost the printer the end of the data.
    void SetUp() override { Start({"--tcp", "0", "--model", "silent"}); }
};

TEST_F(SendCli, TextHexAndFileGoOutUnchanged) {
    ASSERT_EQ(Run({Lan(), "send", "text", "ABC"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "send", "hex", "1b40", "0A"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "send", "text", "--escapes", "x\\n\\e@"}).exitCode, 0);
    std::string file(1055, '\0');
    std::iota(file.begin(), file.end(), '\0');
    WriteFile("data.hex", file);
    const CliResult r = Run({Lan(), "--json", "send", "file", "data.hex"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json(r)["bytes"], 1055);
    EXPECT_NE(r.err.find("File sent successfully."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("100%"), std::string::npos) << "percentage lines off a terminal";
    ASSERT_TRUE(sim_->WaitReceived("tcp", 3 + 3 + 4 + 1055));
    std::vector<uint8_t> expected = HexBytes("41 42 43 1B 40 0A 78 0A 1B 40");
    expected.insert(expected.end(), file.begin(), file.end());
    EXPECT_EQ(sim_->Received("tcp"), expected);
}

TEST_F(SendCli, ABadHexStringIsInvalidInputAndSendsNothing) {
    for (const char* bad : {"1G", "0x1B", "1B\t40"}) {
        const CliResult r = Run({Lan(), "send", "hex", bad});
        EXPECT_EQ(r.exitCode, 5) << bad;
        EXPECT_NE(r.err.find("Data entered is not hexadecimal data!"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({Lan(), "send", "text", ""}).exitCode, 5); // "The input content can not empty!"
    EXPECT_EQ(Run({Lan(), "send", "file", "no-such-file"}).exitCode, 5);
    EXPECT_TRUE(NothingReceived("tcp"));
}

TEST_F(SendCli, LoopsCountAndStopOnCtrlC) {
    CliResult r =
        Run({Lan(), "--json", "send", "hex", "1B 40", "--count", "3", "--interval", "10"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json(r)["writes"], 3);
    ASSERT_TRUE(sim_->WaitReceived("tcp", 6));
    EXPECT_EQ(Rx("tcp", HexBytes("1B 40 1B 40 1B 40")), HexBytes("1B 40 1B 40 1B 40"));

    CliOptions interrupt;
    interrupt.interruptAfterMs = 400;
    // Not before two writes are in, however slow the start.
    interrupt.interruptWhen = [this] {
        const std::vector<uint8_t> in = sim_->Received("tcp");
        return std::count(in.begin(), in.end(), uint8_t{'X'}) >= 2;
    };
    r = Run({Lan(), "--json", "send", "text", "X", "--loop", "--interval", "50"}, interrupt);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    JsonDoc doc = Json(r);
    EXPECT_EQ(doc["interrupted"], true);
    EXPECT_GE(doc["writes"], 2);
}

class ReceiptTestsCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "HT-750"}); }
    CliResult Test(std::vector<std::string> tail) const {
        std::vector<std::string> args{Lan(), "--model", "HT-750", "--json", "test"};
        args.insert(args.end(), tail.begin(), tail.end());
        return Run(args);
    }
};

TEST_F(ReceiptTestsCli, PrintTestSequences) {
    ASSERT_EQ(Test({"baud", "9600"}).exitCode, 0);
    std::vector<uint8_t> want = Text("set successful\n");
    for (uint8_t b : HexBytes("1C AA 22 03 00"))
        want.push_back(b);
    ASSERT_TRUE(sim_->WaitReceived("tcp", want.size()));
    EXPECT_EQ(sim_->Received("tcp"), want);

    ASSERT_EQ(Test({"drawer2"}).exitCode, 0);
    want = HexBytes("1B 40");
    for (uint8_t b : Text(" Drawer test\n"))
        want.push_back(b);
    for (uint8_t b : HexBytes("1B 4A 20 1B 70 01 33 00 00"))
        want.push_back(b);
    ASSERT_TRUE(sim_->WaitReceived("tcp", 20 + 24));
    EXPECT_EQ(Tail(sim_->Received("tcp"), 24), want);

    const CliResult chinese = Test({"chinese", "--section", "1"});
    ASSERT_EQ(chinese.exitCode, 0) << chinese.err;
    EXPECT_EQ(Json(chinese)["bytes"], 3 + 846 + 1);

    const CliResult ascii = Test({"ascii", "--font", "b", "--count", "2"});
    ASSERT_EQ(ascii.exitCode, 0) << ascii.err;
    std::vector<uint8_t> line = HexBytes("1C 2E 1B 21 00");
    for (char ch = 'A'; ch <= 'Z'; ++ch)
        line.push_back(static_cast<uint8_t>(ch));
    for (uint8_t b : HexBytes("1B 21 00 0A"))
        line.push_back(b);
    std::vector<uint8_t> two = line;
    two.insert(two.end(), line.begin(), line.end());
    ASSERT_TRUE(sim_->WaitReceived("tcp", 20 + 24 + 850 + 70));
    EXPECT_EQ(Tail(sim_->Received("tcp"), 70), two);

    EXPECT_EQ(Test({"baud", "115200"}).exitCode, 5); // not in the page's list
    EXPECT_EQ(Test({"chinese", "--section", "6"}).exitCode, 5);
}

// The reply of the settings request, read back after the send; the HT-740
// is refused every cutter test, the same rule its page applies.
TEST_F(ReceiptTestsCli, SendReadsTheReplyAndTheHt740HasNoCutter) {
    const std::string request = "1B 0D 53 1B 33 00 1B 10 45";
    CliResult r =
        Run({Lan(), "--model", "HT-750", "--json", "send", "hex", request, "--read", "1500"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const JsonDoc doc = Json(r);
    ASSERT_EQ(doc["replies"].size(), 1u) << r.out;
    const JsonDoc& reply = doc["replies"][0];
    const size_t bytes = reply["bytes"].get<size_t>();
    EXPECT_EQ(reply["write"], 1);
    EXPECT_GT(bytes, 0u);
    EXPECT_EQ(reply["hex"].get<std::string>().size(), bytes * 3 - 1);
    EXPECT_EQ(reply["text"].get<std::string>().size(), bytes);

    r = Run({Lan(), "--model", "HT-750", "send", "hex", request, "--read", "1500"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  |"), std::string::npos) << r.out; // hex, then the text column

    for (const char* cutter : {"full-cut", "partial-cut", "cut-enable", "cut-disable"})
        EXPECT_EQ(Run({Lan(), "--model", "HT-740", "test", cutter}).exitCode, 5) << cutter;
    EXPECT_EQ(Run({Lan(), "--model", "HT-740", "test", "bm-test", "--cut"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "--model", "HT-740", "test", "drawer1"}).exitCode, 0);
}

TEST_F(ReceiptTestsCli, TestDataFileIsHexText) {
    WriteFile("testPrint.vt", "1B 40\r\n0A");
    ASSERT_EQ(Test({"data"}).exitCode, 0);
    ASSERT_TRUE(sim_->WaitReceived("tcp", 3));
    EXPECT_EQ(Rx("tcp", HexBytes("1B 40 0A")), HexBytes("1B 40 0A"));
    WriteFile("bad.vt", "1B 4G");
    EXPECT_EQ(Test({"data", "bad.vt"}).exitCode, 5);
    const CliResult missing = Test({"data", "missing.vt"});
    EXPECT_EQ(missing.exitCode, 5);
}

class FirmwareCli : public CliSim {
protected:
    void SetUp() override {
        Start({"--tcp", "0", "--model", "KP-520", "--usb", "7A3E:3D71=HT-740"});
    }
};

TEST_F(FirmwareCli, ReceiptFirmwareGoesOverUsbWithItsTag) {
    std::string file(5000, '\0');
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>(i * 31 + 7);
    WriteFile("printer.fw", file);
    const CliResult r =
        Run({"--port", "usb", "--model", "HT-740", "--json", "update", "printer.fw"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json(r)["bytes"], 5004);
    ASSERT_TRUE(sim_->WaitReceived("usb0", 5004));
    std::vector<uint8_t> want = Text("UDFW");
    want.insert(want.end(), file.begin(), file.end());
    EXPECT_EQ(sim_->Received("usb0"), want);
}

TEST_F(FirmwareCli, LabelFirmwareOverTcpAfterTheDownloadCommandWithBothVersions) {
    std::string file(777, 'F');
    WriteFile("kp.bin", file);
    const CliResult r = Run({Lan(), "--model", "KP-520", "--json", "update", "kp.bin",
                             "--download-mode", "--wait", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Json(r)["versionBefore"], "KP520 V2.16 2026-05-12");
    EXPECT_EQ(Json(r)["versionAfter"], "KP520 V2.16 2026-05-12");
    // The version is asked before the command and once the printer is back.
    const std::vector<uint8_t> ask = HexBytes("1B 0D 53 1B 1A 01 1B 10 45");
    std::vector<uint8_t> want = ask;
    const std::vector<uint8_t> command = HexBytes("1B 0D 53 1B 90 46 57");
    want.insert(want.end(), command.begin(), command.end());
    want.insert(want.end(), file.begin(), file.end());
    want.insert(want.end(), ask.begin(), ask.end());
    ASSERT_TRUE(sim_->WaitReceived("tcp", want.size()));
    EXPECT_EQ(sim_->Received("tcp"), want);

    const CliResult text = Run({Lan(), "--model", "KP-520", "update", "kp.bin", "--download-mode",
                                "--wait", "0", "--no-progress"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Firmware KP520 V2.16 2026-05-12 → KP520 V2.16 2026-05-12"),
              std::string::npos)
        << text.out;
}

TEST_F(FirmwareCli, UpdatesAreRefusedWhereThePageOffersNone) {
    WriteFile("kp.bin", "x");
    WriteFile("kp.mot", "x");
    EXPECT_EQ(Run({"--port", "com:COM1", "update", "kp.bin"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "--model", "HT-740", "update", "kp.bin"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "--model", "HT-740", "download-mode"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "update", "kp.mot"}).exitCode, 5);
    EXPECT_EQ(Run({Lan(), "update", "missing.bin"}).exitCode, 5);
    // An image of the other family is refused before the download-mode command.
    WriteFile("printer.fw", "firmware");
    const CliResult wrong =
        Run({Lan(), "--model", "KP-520", "update", "printer.fw", "--download-mode"});
    EXPECT_EQ(wrong.exitCode, 5);
    EXPECT_NE(wrong.err.find("KP-520"), std::string::npos) << wrong.err;
    EXPECT_TRUE(NothingReceived("tcp"));
}

class WirelessCli : public CliSim {
protected:
    void SetUp() override { Start({"--tcp", "0", "--model", "KP-520"}); }
};

TEST_F(WirelessCli, WifiBluetoothAndNetworkParameterBytes) {
    ASSERT_EQ(Run({Lan(), "wifi", "reset"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "wifi", "set", "--ssid", "AB"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "bt", "restore"}).exitCode, 0);
    ASSERT_EQ(Run({Lan(), "netparam", "--ether", "--ip", "192.168.0.10"}).exitCode, 0);
    ASSERT_TRUE(sim_->WaitReceived("tcp", 9 + 30 + 3 + 22));
    EXPECT_EQ(
        Rx("tcp", HexBytes("1B 0D 53 1B 40 01 1B 10 45 "
                           "1B 0D 53 1B 3E 02 41 42 00 00 01 00 00 01 C0 A8 01 0B C0 A8 01 0B "
                           "FF FF FF 00 00 1B 10 45 "
                           "1B 0D 49 "
                           "1B 0D 53 1B 3B 01 C0 A8 00 0A C0 A8 00 01 FF FF FF 00 00 1B 10 45")),
        HexBytes("1B 0D 53 1B 40 01 1B 10 45 "
                 "1B 0D 53 1B 3E 02 41 42 00 00 01 00 00 01 C0 A8 01 0B C0 A8 01 0B "
                 "FF FF FF 00 00 1B 10 45 "
                 "1B 0D 49 "
                 "1B 0D 53 1B 3B 01 C0 A8 00 0A C0 A8 00 01 FF FF FF 00 00 1B 10 45"));
}

TEST_F(WirelessCli, BluetoothGetAndTheChecks) {
    const CliResult r = Run({Lan(), "--json", "bt", "get"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Keys(Json(r)),
              (std::vector<std::string>{"ok", "command", "mac", "password", "name"}));
    const CliResult bad = Run({Lan(), "bt", "set", "Name", "123"});
    EXPECT_EQ(bad.exitCode, 5);
    EXPECT_NE(bad.err.find("Please enter a valid password !"), std::string::npos) << bad.err;
    EXPECT_EQ(Run({Lan(), "bt", "set", "", "1234"}).exitCode, 5);
    const CliResult key =
        Run({Lan(), "wifi", "set", "--encryption", "WPA2-PSK(CCMP/AES)", "--key", "1234567"});
    EXPECT_EQ(key.exitCode, 5);
    EXPECT_NE(key.err.find("KEY FORMAT INSTRUCTION"), std::string::npos) << key.err;
    EXPECT_EQ(Rx("tcp", HexBytes("1B 0D 47")), HexBytes("1B 0D 47"));
}

} // namespace
