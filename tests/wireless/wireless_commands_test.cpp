#include <gtest/gtest.h>

#include "base/language.h"
#include "network/bluetooth_commands.h"
#include "network/netparam_command.h"
#include "network/wifi_commands.h"
#include "port/interface_commands.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Ascii;
using printune_test::Concat;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(NetParamCommand, Bytes) {
    EXPECT_EQ(BuildNetParamCommand({192, 168, 0, 10}, {255, 255, 255, 0}, {192, 168, 0, 1}, 0),
              Hex("1B 0D 53 1B 3B 01 C0 A8 00 0A C0 A8 00 01 FF FF FF 00 00 1B 10 45"));
    auto enabled = BuildNetParamCommand({10, 0, 0, 2}, {255, 0, 0, 0}, {10, 0, 0, 1}, 1);
    EXPECT_EQ(enabled.size(), 22u);
    EXPECT_EQ(enabled[18], 0x01);
    EXPECT_EQ(BuildNetParamCommand({}, {}, {}, -1)[18], 0x00); // no selection
}

TEST(NetParamCommand, DottedAddresses) {
    Ipv4Octets ip{};
    EXPECT_TRUE(ParseIpv4Octets("192.168.0.10", ip));
    EXPECT_EQ(ip, (Ipv4Octets{192, 168, 0, 10}));
    EXPECT_EQ(FormatIpv4Octets(ip), "192.168.0.10");
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4 ", "a.b.c.d", "1234.1.1.1"})
        EXPECT_FALSE(ParseIpv4Octets(bad, ip)) << bad;
}

TEST(WifiCommand, OpeningValues) {
    WifiCommand c = BuildWifiCommand(WifiConfig{}, LANG_ENGLISH);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.bytes, Concat({Hex("1B 0D 53 1B 3E 02"), Ascii("KP-520 WF"),
                               Hex("00 00 01 00 00 01 C0 A8 01 0B C0 A8 01 0B FF FF FF 00 00 1B 10 "
                                   "45")}));
    EXPECT_EQ(BuildWifiResetCommand(), Hex("1B 0D 53 1B 40 01 1B 10 45"));
}

TEST(WifiCommand, KeysAndFields) {
    WifiConfig c;
    c.mode = WIFI_MODE_STA;
    c.ssid = "shop";
    c.encryption = 1; // WEP64
    c.keyFormat = WIFI_KEY_HEX;
    c.key = "0a1B2c3D4e";
    c.dhcp = WIFI_DHCP_DISABLE;
    WifiCommand r = BuildWifiCommand(c, LANG_ENGLISH);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.bytes, Concat({Hex("1B 0D 53 1B 3E 00"), Ascii("shop"),
                               Hex("00 01 00 01 0A 1B 2C 3D 4E 00 01 C0 A8 01 0B C0 A8 01 0B FF FF "
                                   "FF 00 01 1B 10 45")}));
    c.encryption = 6;
    c.keyFormat = WIFI_KEY_ASCII;
    c.key = "password";
    r = BuildWifiCommand(c, LANG_ENGLISH);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(std::vector<uint8_t>(r.bytes.begin() + 11, r.bytes.begin() + 23),
              Concat({Hex("06 01 01"), Ascii("password"), Hex("00")}));

    // "None" sends no key whatever the key field holds.
    c.encryption = WIFI_ENCRYPTION_NONE;
    EXPECT_EQ(BuildWifiCommand(c, LANG_ENGLISH).bytes.size(), 5 + 1 + 5 + 3 + 1 + 1 + 12 + 1 + 3u);

    c.encryption = 6;
    c.key = "1234567";
    r = BuildWifiCommand(c, LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.problem, WifiProblem::BadKey);
    EXPECT_EQ(r.notice->text, "Please input the password with the correct format according to "
                              "the \"KEY FORMAT INSTRUCTION\" below!");

    WifiConfig empty;
    empty.ssid.clear();
    EXPECT_EQ(BuildWifiCommand(empty, LANG_ENGLISH).problem, WifiProblem::MissingField);
    empty = WifiConfig{};
    empty.gateway.reset();
    EXPECT_EQ(BuildWifiCommand(empty, LANG_ENGLISH).problem, WifiProblem::MissingField);
    // An SSID with a character its low byte would corrupt.
    empty = WifiConfig{};
    empty.ssid = "店铺";
    EXPECT_EQ(BuildWifiCommand(empty, LANG_ENGLISH).problem, WifiProblem::BadText);
    // U+0000 would end the SSID field early and shift the key into its place;
    // the same in an ASCII key.
    empty.ssid = std::string("Shop\0Guest", 10);
    WifiCommand nul = BuildWifiCommand(empty, LANG_ENGLISH);
    EXPECT_EQ(nul.problem, WifiProblem::BadText);
    EXPECT_EQ(nul.notice->text, "The text contains an invalid character.");
    EXPECT_TRUE(nul.bytes.empty());
}

struct KeyCase {
    int encryption;
    int format;
    std::string key;
    KeyCheck expected;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.encryption << "/" << c.format << "/\"" << c.key << "\"";
}

class WifiKeyCheck : public ::testing::TestWithParam<KeyCase> {};

TEST_P(WifiKeyCheck, Table) {
    const KeyCase& c = GetParam();
    EXPECT_EQ(CheckWifiKey(c.encryption, c.format, c.key), c.expected)
        << c.encryption << "/" << c.format << "/" << c.key;
}

const std::string H16 = "0123456789abcdef";

INSTANTIATE_TEST_SUITE_P(
    Rules, WifiKeyCheck,
    ::testing::Values(KeyCase{0, WIFI_KEY_ASCII, "", KeyCheck::NotNeeded},
                      KeyCase{1, WIFI_KEY_ASCII, "abcde", KeyCheck::Valid},
                      KeyCase{1, WIFI_KEY_ASCII, "abcd", KeyCheck::Invalid},
                      KeyCase{1, WIFI_KEY_HEX, "0123456789", KeyCheck::Valid},
                      KeyCase{1, WIFI_KEY_HEX, "012345678g", KeyCheck::Invalid},
                      KeyCase{2, WIFI_KEY_ASCII, "abcdefghijklm", KeyCheck::Valid},
                      KeyCase{2, WIFI_KEY_HEX, H16 + "0123456789", KeyCheck::Valid},
                      KeyCase{2, WIFI_KEY_HEX, H16 + "012345678", KeyCheck::Invalid},
                      KeyCase{6, WIFI_KEY_ASCII, "1234567", KeyCheck::Invalid},
                      KeyCase{6, WIFI_KEY_ASCII, "12345678", KeyCheck::Valid},
                      KeyCase{6, WIFI_KEY_ASCII, std::string(63, 'x'), KeyCheck::Valid},
                      KeyCase{6, WIFI_KEY_ASCII, std::string(64, 'x'), KeyCheck::Invalid},
                      KeyCase{3, WIFI_KEY_HEX, H16, KeyCheck::Valid},
                      KeyCase{3, WIFI_KEY_HEX, "0123456789abcdeG", KeyCheck::Invalid},
                      KeyCase{4, WIFI_KEY_HEX, std::string(128, 'A'), KeyCheck::Valid},
                      KeyCase{4, WIFI_KEY_HEX, std::string(130, 'A'), KeyCheck::Invalid},
                      // An odd number of hex characters would drop the last one.
                      KeyCase{5, WIFI_KEY_HEX, H16 + "1", KeyCheck::Invalid},
                      KeyCase{5, WIFI_KEY_ASCII, "密码密码密码密码",
                              KeyCheck::Valid}, // counted in characters
                      KeyCase{6, -1, "x", KeyCheck::NotNeeded}));

TEST(BluetoothCommand, SettingsBytes) {
    BluetoothCommand c = BuildBluetoothSettings("ABCDEFGHIJKLMNO", "1234", LANG_ENGLISH);
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.bytes.size(), 25u);
    EXPECT_EQ(c.bytes, Concat({Hex("1B 0D 48"), Ascii("ABCDEFGHIJKLMNO"), Hex("00"), Ascii("1234"),
                               Hex("00 10")}));
    EXPECT_EQ(
        BuildBluetoothSettings("P", "0000", LANG_ENGLISH).bytes,
        Concat({Hex("1B 0D 48 50"), std::vector<uint8_t>(15, 0), Ascii("0000"), Hex("00 10")}));
    EXPECT_EQ(BuildBluetoothSettings(std::string(16, 'n'), "1234", LANG_ENGLISH).bytes.size(), 25u);
    EXPECT_EQ(BluetoothRestoreCommand(), Hex("1B 0D 49"));
    EXPECT_EQ(BluetoothGetCommand(), Hex("1B 0D 47"));
}

TEST(BluetoothCommand, InputChecks) {
    struct {
        std::string name, password, message;
    } cases[] = {
        {"", "1234", "Please enter a valid Bluetooth name !"},
        {std::string(17, 'n'), "1234", "Please enter a valid Bluetooth name !"},
        {"printer", "123", "Please enter a valid password !"},
        {"printer", "12345", "Please enter a valid password !"},
    };
    for (auto& c : cases) {
        BluetoothCommand r = BuildBluetoothSettings(c.name, c.password, LANG_ENGLISH);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.notice->text, c.message);
        EXPECT_EQ(r.notice->severity, Severity::Error);
    }
    EXPECT_FALSE(BuildBluetoothSettings("打印机", "1234", LANG_ENGLISH).ok);
}

TEST(BluetoothReply, Display) {
    auto reply = Concat(
        {Hex("00 1B 35 0A 0B 0C"), Ascii("4321"), Ascii("VT-Printer"), std::vector<uint8_t>(6, 0)});
    BluetoothInfo info = DecodeBluetoothReply(reply.data(), reply.size());
    EXPECT_EQ(info.mac, "00-1B-35-0A-0B-0C");
    EXPECT_EQ(info.password, "4321");
    EXPECT_EQ(info.name, "VT-Printer");
    EXPECT_TRUE(info.complete);
    auto full = Concat({Hex("FF FF FF FF FF FF"), Ascii("abcd"), Ascii("0123456789ABCDEF")});
    EXPECT_EQ(DecodeBluetoothReply(full.data(), full.size()).name, "0123456789ABCDEF");
    BluetoothInfo partial = DecodeBluetoothReply(reply.data(), 8);
    EXPECT_FALSE(partial.complete);
    EXPECT_EQ(partial.password, "43"); // the missing bytes read as zero
    EXPECT_EQ(partial.name, "");
}

TEST(BluetoothGet, ReplyTimeOutAndFailures) {
    std::stop_source s;
    ScriptedLink link;
    auto reply =
        Concat({Hex("00 1B 35 0A 0B 0C"), Ascii("4321"), Ascii("BT"), std::vector<uint8_t>(14, 0)});
    link.replies = {{}, {}, reply}; // after two quiet slices
    BluetoothGetResult r = GetBluetoothSettings(link, s.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(link.AllWritten(), Hex("1B 0D 47"));
    EXPECT_EQ(r.info.name, "BT");
    EXPECT_EQ(link.closes, 1);

    ScriptedLink silent;
    auto start = std::chrono::steady_clock::now();
    r = GetBluetoothSettings(silent, s.get_token(), LANG_ENGLISH, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(r.notice->text, "Communication is time out!");
    EXPECT_EQ(r.notice->severity, Severity::Error);

    ScriptedLink broken;
    broken.readError = 8004;
    r = GetBluetoothSettings(broken, s.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.notice->text, "Unable to get printer's setting!");

    ScriptedLink refused;
    refused.openError = 8000;
    r = GetBluetoothSettings(refused, s.get_token(), LANG_ENGLISH);
    EXPECT_EQ(r.notice->severity, Severity::Warning);
    EXPECT_TRUE(refused.writes.empty());
}

} // namespace
