#include <gtest/gtest.h>

#include "base/language.h"
#include "diagnostics/print_tests.h"
#include "escpos_handler.h"
#include "firmware/firmware_image.h"
#include "firmware_handler.h"
#include "network/bluetooth_commands.h"
#include "network/netparam_command.h"
#include "network/wifi_commands.h"
#include "port/interface_commands.h"
#include "sim_printer.h"
#include "support/scripted_link.h"
#include "wireless_handler.h"

using namespace printune_sim;
using printune_test::Ascii;
using printune_test::Concat;
using printune_test::Hex;

namespace {

// A printer with this side's handlers in the order the models use.
struct Printer {
    explicit Printer(FirmwareHandler::Family family)
        : firmware(std::make_shared<FirmwareHandler>(family)),
          wireless(std::make_shared<WirelessHandler>("KP-520")),
          escpos(std::make_shared<EscPosHandler>()) {
        printer.AddHandler(firmware);
        printer.AddHandler(wireless);
        if (family == FirmwareHandler::Family::Receipt)
            printer.AddHandler(escpos);
    }
    // Feeds bytes in chunks of the given size, as a stream would.
    std::vector<uint8_t> Feed(const std::vector<uint8_t>& bytes, size_t chunk = 7) {
        std::vector<uint8_t> replies;
        for (size_t pos = 0; pos < bytes.size(); pos += chunk) {
            Reply r;
            printer.OnBytes(bytes.data() + pos, std::min(chunk, bytes.size() - pos), r);
            replies.insert(replies.end(), r.bytes.begin(), r.bytes.end());
        }
        return replies;
    }
    std::shared_ptr<FirmwareHandler> firmware;
    std::shared_ptr<WirelessHandler> wireless;
    std::shared_ptr<EscPosHandler> escpos;
    SimPrinter printer;
};

TEST(SimFirmware, LabelImageAfterDownloadMode) {
    Printer p(FirmwareHandler::Family::Label);
    p.Feed(printune::DownloadModeCommand());
    p.printer.OnDisconnect(); // the command came on its own connection
    EXPECT_TRUE(p.firmware->InDownloadMode());
    // An image full of things that look like commands.
    std::vector<uint8_t> image =
        Concat({Hex("1B 0D 47 1B 0D 53 1B 3E"), std::vector<uint8_t>(3000, 0x1B)});
    for (size_t i = 0; i < image.size(); ++i)
        image[i] ^= static_cast<uint8_t>(i % 3);
    EXPECT_TRUE(p.Feed(image, 333).empty());
    p.printer.OnDisconnect();
    ASSERT_EQ(p.firmware->Images().size(), 1u);
    EXPECT_EQ(p.firmware->Images()[0].bytes, image);
    EXPECT_TRUE(p.firmware->Images()[0].valid);
    EXPECT_FALSE(p.firmware->InDownloadMode());
    auto events = p.printer.TakeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "firmware: download mode");
    EXPECT_NE(events[1].find("label image 3008 bytes"), std::string::npos);
    EXPECT_TRUE(p.printer.PlainData().empty());
}

TEST(SimFirmware, ReceiptTaggedImages) {
    Printer p(FirmwareHandler::Family::Receipt);
    auto image =
        printune::BuildImage(printune::ImageKind::CharacterGenerator, Hex("0A 1B 40 00")).bytes;
    p.Feed(image, 2);
    p.printer.OnDisconnect();
    ASSERT_EQ(p.firmware->Images().size(), 1u);
    EXPECT_EQ(p.firmware->Images()[0].kind, "UDCG");
    EXPECT_EQ(p.firmware->Images()[0].bytes, image);
    EXPECT_EQ(p.firmware->Images()[0].crc32, FirmwareHandler::Crc32(image.data(), image.size()));
    // Download mode means nothing to a receipt printer: printed as data.
    p.Feed(printune::DownloadModeCommand());
    EXPECT_FALSE(p.firmware->InDownloadMode());
    EXPECT_EQ(FirmwareHandler::Crc32(reinterpret_cast<const uint8_t*>("123456789"), 9),
              0xCBF43926u);
}

TEST(SimWireless, CommandsChangeStateAndGetAnswers) {
    Printer p(FirmwareHandler::Family::Label);
    printune::WifiConfig wifi;
    wifi.mode = printune::WIFI_MODE_STA;
    wifi.ssid = "shop";
    wifi.encryption = 1;
    wifi.keyFormat = printune::WIFI_KEY_HEX;
    wifi.key = "0001000100"; // zero bytes inside a hex key
    wifi.dhcp = printune::WIFI_DHCP_DISABLE;
    auto cmd = printune::BuildWifiCommand(wifi, printune::LANG_ENGLISH);
    ASSERT_TRUE(cmd.ok);
    p.Feed(Concat({cmd.bytes, printune::BuildNetParamCommand({10, 1, 2, 3}, {255, 255, 0, 0},
                                                             {10, 1, 0, 1}, 1)}),
           3);
    EXPECT_EQ(p.wireless->Wifi().ssid, "shop");
    EXPECT_EQ(p.wireless->Wifi().mode, 0);
    EXPECT_EQ(p.wireless->Wifi().key, Hex("00 01 00 01 00"));
    EXPECT_EQ(p.wireless->Wifi().dhcpDisabled, 1);
    EXPECT_EQ(p.wireless->Network().ip, (std::array<uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(p.wireless->Network().gateway, (std::array<uint8_t, 4>{10, 1, 0, 1}));
    EXPECT_EQ(p.wireless->Network().dhcp, 1);
    p.Feed(printune::BuildWifiResetCommand());
    EXPECT_EQ(p.wireless->Wifi().ssid, "KP-520 WF");

    auto bt = printune::BuildBluetoothSettings("Counter 2", "9876", printune::LANG_ENGLISH);
    auto reply = p.Feed(Concat({bt.bytes, printune::BluetoothGetCommand()}), 4);
    ASSERT_EQ(reply.size(), 26u);
    printune::BluetoothInfo info = printune::DecodeBluetoothReply(reply.data(), reply.size());
    EXPECT_EQ(info.name, "Counter 2");
    EXPECT_EQ(info.password, "9876");
    EXPECT_EQ(info.mac, "00-1B-35-0A-0B-0C");
    p.Feed(printune::BluetoothRestoreCommand());
    reply = p.Feed(printune::BluetoothGetCommand());
    EXPECT_EQ(printune::DecodeBluetoothReply(reply.data(), reply.size()).name, "KP-520");
    EXPECT_TRUE(p.printer.PlainData().empty());
    // Someone else's framed command is left alone.
    p.Feed(Hex("1B 0D 53 1B 33 00 1B 10 45"));
    EXPECT_EQ(p.printer.PlainData().size(), 9u);
}

TEST(SimEscPos, PrintTestsAsEvents) {
    Printer p(FirmwareHandler::Family::Receipt);
    using printune::FixedTest;
    p.Feed(Concat({printune::AsciiTestBytes(printune::AsciiPattern::Alphabet, true, {}),
                   printune::FixedTestBytes(FixedTest::CutDisable),
                   printune::FixedTestBytes(FixedTest::FullCut),
                   printune::FixedTestBytes(FixedTest::Drawer2),
                   printune::FixedTestBytes(FixedTest::BlackMarkEnable),
                   printune::FixedTestBytes(FixedTest::BlackMarkTestCut),
                   printune::BaudRateTestBytes(0), printune::BlackBarBytes(),
                   printune::ChineseTestBytes(1, {true, false, false})}),
           5);
    std::vector<std::string> expected = {
        "escpos: double-byte off",
        "escpos: print mode 01",
        "escpos: text \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\"",
        "escpos: print mode 00",
        "escpos: line feed",
        "escpos: initialise",
        "escpos: text \" Cut Disable\"",
        "escpos: cutter disable",
        "escpos: initialise",
        "escpos: text \" Full Cut test\"",
        "escpos: feed 176 dots",
        "escpos: full cut (cutter disabled)",
        "escpos: initialise",
        "escpos: text \" Drawer test\"",
        "escpos: feed 32 dots",
        "escpos: drawer 2 pulse 51/0",
        "escpos: black mark enable",
        "escpos: text \"  BM enable\"",
        "escpos: initialise",
        "escpos: feed to black mark",
        "escpos: text \" BM test\"",
        "escpos: feed 255 dots",
        "escpos: feed 255 dots",
        "escpos: initialise",
        "escpos: feed to black mark",
        "escpos: cut 42 after feed 1",
        "escpos: text \"set successful\"",
        "escpos: baud rate 1200",
    };
    for (int i = 0; i < 5; ++i) {
        expected.push_back("escpos: bit image mode 0 210 columns 1680 dots");
        expected.push_back("escpos: feed 16 dots");
    }
    expected.push_back("escpos: chinese mode 04");
    expected.push_back("escpos: text 846 bytes A1 A1 A1 A3 A1 A5 A1 A7 ...");
    EXPECT_EQ(p.printer.TakeEvents(), expected);
    EXPECT_EQ(p.escpos->State().baudCode, 0);
    EXPECT_TRUE(p.printer.PlainData().empty());
}

} // namespace
