// The configuration dialog's field model, the texts from the network, and
// the destination lists: pure functions, checked against exact values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/language.h"
#include "network/htnet_setup.h"
#include "network/net_fields.h"
#include "network/netcfg_setup.h"
#include "network/netcfg_text.h"

using namespace printune;

namespace {

NetCfgEntryList Reply(const std::vector<std::pair<std::string, std::string>>& values) {
    NetCfgEntryList list{};
    for (const auto& [key, value] : values)
        EXPECT_TRUE(NetCfgAppendEntry(list, key, value)) << key;
    return list;
}

NetCfgEntryList FullReply() {
    return Reply({{"DEV", "KP-520"},
                  {"VER", "V2.1.0"},
                  {"SERIAL_NUM", "KP5200000001"},
                  {"MAC", "00A0C1000001"},
                  {"IP_CUR", "192.168.0.101"},
                  {"DHCP", "0"},
                  {"IP", "192.168.0.101"},
                  {"SUBNET_MASK", "255.255.255.0"},
                  {"GATEWAY", "192.168.0.1"},
                  {"PRNT_PORT", "9100"},
                  {"PRNT_RCV_TMO", "30"}});
}

std::vector<std::string> Keys(const NetCfgEntryList& list) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < NetCfgEntryCount(list); ++i)
        keys.emplace_back(list[i].key);
    return keys;
}

} // namespace

TEST(NetFields, RangesAndTheirMessages) {
    NetConfigFields f = NetConfigFields::FromEntries(FullReply(), "WINDOWS-1252");
    EXPECT_FALSE(f.Check(LANG_ENGLISH));
    for (const char* bad : {"8999", "10000", "", "9a00", "-9100"}) {
        f.printPort = bad;
        const auto problem = f.Check(LANG_ENGLISH);
        ASSERT_TRUE(problem) << bad;
        EXPECT_EQ(problem->field, NetField::PrintPort);
        EXPECT_NE(problem->message.find("between 9000 and 9999"), std::string::npos);
    }
    for (const char* good : {"9000", "9999"}) {
        f.printPort = good;
        EXPECT_FALSE(f.Check(LANG_ENGLISH)) << good;
    }
    f.printTimeout = "301";
    ASSERT_TRUE(f.Check(LANG_CHINESE));
    EXPECT_NE(f.Check(LANG_CHINESE)->message.find("请输入一个 0 至 300 之间的整数。"),
              std::string::npos);
    f.printTimeout = "0";
    EXPECT_FALSE(f.Check(LANG_ENGLISH));
    EXPECT_EQ(NetRangeMessage(0, 9999, LANG_ENGLISH),
              "Please enter an integer between 0 and 9999.");
}

TEST(NetFields, DhcpChoicesInBothLanguages) {
    EXPECT_EQ(NetDhcpChoices(LANG_ENGLISH)[0], "Disable");
    EXPECT_EQ(NetDhcpChoices(LANG_CHINESE)[1], "有效");
    EXPECT_EQ(NetDhcpChoiceIndex("enable"), NET_DHCP_ENABLE);
    EXPECT_EQ(NetDhcpChoiceIndex("无效"), NET_DHCP_DISABLE);
    EXPECT_EQ(NetDhcpChoiceIndex("maybe"), NET_DHCP_NONE);
}

TEST(NetFields, SendListInOrderWithoutDhcpWhenNoneWasChosen) {
    NetConfigFields f = NetConfigFields::FromEntries(FullReply(), "");
    EXPECT_EQ(Keys(NetCfgBuildSendList(f)),
              (std::vector<std::string>{"DEV", "VER", "SERIAL_NUM", "MAC", "IP_CUR", "DHCP", "IP",
                                        "SUBNET_MASK", "GATEWAY", "PRNT_PORT", "PRNT_RCV_TMO"}));
    uint8_t wire[NETCFG_BODY_MAX + 11];
    EXPECT_EQ(NetCfgBuildSet(wire, sizeof wire, NetCfgBuildSendList(f)), 289);
    f.dhcpIndex = NET_DHCP_NONE;
    const auto keys = Keys(NetCfgBuildSendList(f));
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "DHCP"), 0);
    EXPECT_EQ(keys.size(), 10u);
}

TEST(NetFields, UnparsableMaskOrGatewayIsEmptyAndMustBeEntered) {
    // Sending 255.255.255.255 back without the user seeing it would cut the
    // printer off; the field shows empty and "OK" asks for a value.
    auto reply = FullReply();
    reply[7].Set("SUBNET_MASK", "255.255.0");
    reply[8].Set("GATEWAY", "");
    NetConfigFields f = NetConfigFields::FromEntries(reply, "");
    EXPECT_FALSE(f.mask.has_value());
    EXPECT_FALSE(f.gateway.has_value());
    ASSERT_TRUE(f.Check(LANG_ENGLISH));
    EXPECT_EQ(f.Check(LANG_ENGLISH)->field, NetField::Mask);
    f.mask = Ipv4Octets{255, 255, 255, 0};
    EXPECT_EQ(f.Check(LANG_ENGLISH)->field, NetField::Gateway);
    f.gateway = Ipv4Octets{192, 168, 0, 1};
    EXPECT_FALSE(f.Check(LANG_ENGLISH));
    EXPECT_EQ(NetCfgFindEntry(NetCfgBuildSendList(f), "SUBNET_MASK")->Value(), "255.255.255.0");
}

TEST(NetFields, CurrentAddressGoesBackAsReported) {
    auto reply = FullReply();
    reply[4].Set("IP_CUR", "----");
    reply[5].Set("DHCP", "1");
    const NetConfigFields f = NetConfigFields::FromEntries(reply, "");
    EXPECT_EQ(NetCfgFindEntry(NetCfgBuildSendList(f), "IP_CUR")->Value(), "----");
}

TEST(NetFields, HtModeTakesTheCurrentAddressAndWritesOnlyTheTwoDhcpValues) {
    HtDeviceRecord record;
    record.SetIpAddress({192, 168, 0, 121});
    record.SetFirmwareVersion(0x0102);
    record.SetDeviceName("HT-740");
    HtNetConfig config;
    config.SetStaticIp({10, 9, 9, 9}); // stale static address
    config.SetGateway({192, 168, 0, 1});
    config.SetSubnetMask({255, 255, 255, 0});
    config.SetPrintPort(9100);
    config.bytes[3] = 0x07; // neither value the tool writes: reads as Disable
    NetConfigFields f = NetConfigFields::FromHt(record, config, "");
    EXPECT_EQ(f.ip, (Ipv4Octets{192, 168, 0, 121}));
    EXPECT_EQ(f.currentIp, (Ipv4Octets{192, 168, 0, 121}));
    EXPECT_EQ(f.version, "258");
    EXPECT_EQ(f.dhcpIndex, NET_DHCP_DISABLE);
    EXPECT_FALSE(f.timeoutEditable);
    EXPECT_FALSE(f.Check(LANG_ENGLISH));

    const HtNetConfig written = HtConfigWithFields(config, f);
    EXPECT_EQ(written.bytes[3], 0xFF);
    const uint8_t addresses[] = {121, 0, 168, 192, 1, 0, 168, 192, 0, 255, 255, 255};
    EXPECT_EQ(0, std::memcmp(&written.bytes[9], addresses, sizeof addresses));
    EXPECT_EQ(written.bytes[79], 0x8C); // 9100 little-endian
    EXPECT_EQ(written.bytes[80], 0x23);
    f.dhcpIndex = NET_DHCP_ENABLE;
    EXPECT_EQ(HtConfigWithFields(config, f).bytes[3], 0x00);
}

TEST(NetFields, UsbDialogCommandPutsTheGatewayBeforeTheMask) {
    const NetParamFields f; // the dialog's values at opening
    EXPECT_EQ(f.Command(), (std::vector<uint8_t>{0x1B, 0x0D, 0x53, 0x1B, 0x3B, 0x01, 0xC0, 0xA8,
                                                 0x00, 0x0A, 0xC0, 0xA8, 0x00, 0x01, 0xFF, 0xFF,
                                                 0xFF, 0x00, 0x00, 0x1B, 0x10, 0x45}));
}

TEST(NetFields, SearchDialogOk) {
    EXPECT_FALSE(NetSearchDialogCheck("192.168.0.5", "9100", false, LANG_ENGLISH));
    EXPECT_FALSE(NetSearchDialogCheck("", "0", true, LANG_ENGLISH));
    EXPECT_EQ(NetSearchDialogCheck("", "9100", false, LANG_ENGLISH),
              "You must select one printer or click cancel to exit.");
    const auto port = NetSearchDialogCheck("192.168.0.5", "10000", false, LANG_ENGLISH);
    ASSERT_TRUE(port);
    EXPECT_NE(port->find("between 0 and 9999"), std::string::npos);
}

TEST(NetReadiness, AddressPresentAndSettled) {
    auto reply = FullReply();
    EXPECT_TRUE(NetCfgPrinterReady(reply, "00A0C1000001"));
    EXPECT_FALSE(NetCfgPrinterReady(reply, "00A0C1000002"));
    reply[5].Set("DHCP", "1");
    reply[4].Set("IP_CUR", "----");
    EXPECT_FALSE(NetCfgPrinterReady(reply, "00A0C1000001"));
    reply[5].Set("DHCP", "0");
    EXPECT_TRUE(NetCfgPrinterReady(reply, "00A0C1000001")); // "----" counts without DHCP
    const auto noIp = Reply({{"MAC", "00A0C1000001"}, {"DHCP", "0"}});
    EXPECT_FALSE(NetCfgPrinterReady(noIp, "00A0C1000001"));
}

TEST(NetReadiness, ConfirmationNeedsTheValuesSet) {
    NetConfigFields f = NetConfigFields::FromEntries(FullReply(), "");
    f.printPort = "9101";
    const NetCfgEntryList sent = NetCfgBuildSendList(f);
    EXPECT_FALSE(NetCfgReplyConfirms(FullReply(), sent)); // still the old port
    auto reply = FullReply();
    reply[9].Set("PRNT_PORT", "9101");
    EXPECT_TRUE(NetCfgReplyConfirms(reply, sent));
}

TEST(NetDisplayText, ConvertedStrippedAndSafe) {
    EXPECT_EQ(NetDisplayText("Caf\xE9   ", "WINDOWS-1252"), "Café");
    EXPECT_EQ(NetDisplayText("\xB4\xF2\xD3\xA1\xBB\xFA", "GBK"), "打印机");
    EXPECT_EQ(NetDisplayText("A\x1B[2JB\x7F", "WINDOWS-1252"), "A?[2JB?");
    EXPECT_EQ(NetDisplayText("KP-520\r\n", ""), "KP-520??");
    EXPECT_EQ(NetDisplayText(std::string("X\0\0", 3), "WINDOWS-1252"), "X");
    // C1 controls that the code page leaves as such are replaced too.
    EXPECT_EQ(NetDisplayText("a\xC2\x9B"
                             "b",
                             ""),
              "a?b");
}

TEST(NetRows, OnePrinterOneRowWithItsAnswers) {
    HtDeviceRecord a, b;
    a.SetMac({0, 1, 2, 3, 4, 5});
    a.SetDeviceName("Caf\xE9");
    b.SetMac({0, 1, 2, 3, 4, 6});
    const auto rows = HtRowsByMac({a, b, a}, "WINDOWS-1252");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].answers, 2u);
    EXPECT_EQ(rows[0].name, "Café");
    EXPECT_EQ(rows[1].answers, 1u);
}

TEST(DestinationList, RangesBlocksAndTheBound) {
    std::string error;
    auto list = ParseDestinationList("192.0.2.10-40", 22094, error);
    ASSERT_EQ(list.size(), 31u) << error;
    EXPECT_EQ(list.front(), (Ipv4Endpoint{0xC000020A, 22094}));
    EXPECT_EQ(list.back(), (Ipv4Endpoint{0xC0000228, 22094}));
    list = ParseDestinationList("198.51.100.0/24", 1901, error);
    EXPECT_EQ(list.size(), 256u);
    list = ParseDestinationList("127.0.0.2:4000,127.0.0.3-4:5000", 1, error);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].port, 4000);
    EXPECT_EQ(list[2], (Ipv4Endpoint{0x7F000004, 5000}));
    EXPECT_EQ(ParseDestinationList("10.0.0.0/22", 1, error).size(), 1024u);
    for (const char* bad : {"10.0.0.0/21", "10.0.0.0/22,10.0.1.0", "192.0.2.40-10", "192.0.2.1-300",
                            "1.2.3", "1.2.3.4:99999", "", "1.2.3.4,"}) {
        error.clear();
        EXPECT_TRUE(ParseDestinationList(bad, 1, error).empty()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}
