// Requests byte for byte, and the reply parser on well-formed and broken
// text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "network/netcfg_codec.h"

using namespace printune;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::vector<uint8_t> Header(uint8_t direction, uint8_t command) {
    return {0x00, 0x0D, 0xAC, 0x00, 0x0D, 0xAC, direction, command, 0x00, 0x00, 0x00};
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

NetCfgEntryList FullList() {
    NetCfgEntryList list{};
    const char* values[][2] = {
        {"DEV", "KP-520 LABEL PRINTER"}, {"VER", "V2.1.0"},
        {"SERIAL_NUM", "KP520000123"},   {"MAC", "00A0C1000001"},
        {"IP_CUR", "192.168.0.101"},     {"DHCP", "0"},
        {"IP", "192.168.0.101"},         {"SUBNET_MASK", "255.255.255.0"},
        {"GATEWAY", "192.168.0.1"},      {"PRNT_PORT", "9100"},
        {"PRNT_RCV_TMO", "30"},
    };
    for (auto& v : values)
        EXPECT_TRUE(NetCfgAppendEntry(list, v[0], v[1]));
    return list;
}

std::string Body(const NetCfgEntryList& list) {
    uint8_t buffer[700];
    const int n = NetCfgBuildMessage(buffer, sizeof buffer, NETCFG_DIR_REPLY, 1, list);
    return std::string(reinterpret_cast<char*>(buffer) + NETCFG_HEADER_SIZE,
                       static_cast<size_t>(n) - NETCFG_HEADER_SIZE);
}

} // namespace

TEST(NetCfgRequests, SearchIsTwentyOneBytes) {
    uint8_t out[64];
    ASSERT_EQ(NetCfgBuildSearch(out, sizeof out), 21);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 21), Cat(Header(0x00, 0x01), Bytes("*END* = \r\n")));
    EXPECT_EQ(NetCfgBuildSearch(nullptr, 64), -1);
    EXPECT_EQ(NetCfgBuildSearch(out, 20), -1);
}

TEST(NetCfgRequests, QueryForMacAndSerial) {
    uint8_t out[128];
    ASSERT_EQ(NetCfgBuildQuery(out, sizeof out, "0011223344AB", "SN1"), 76);
    const auto expected =
        Cat(Cat(Header(0x00, 0x02), Bytes("MAC = 0011223344AB\r\n"
                                          "SERIAL_NUM = SN1                 \r\n")),
            Bytes("*END* = \r\n"));
    ASSERT_EQ(expected.size(), 76u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 76), expected);
    // Longer identities are cut to the widths; the length stays 76.
    ASSERT_EQ(NetCfgBuildQuery(out, sizeof out, "0011223344ABCDEF", "S123456789012345678901234"),
              76);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out) + 11, 20), "MAC = 0011223344AB\r\n");
    EXPECT_EQ(NetCfgBuildQuery(nullptr, 128, "0011223344AB", "SN1"), -1);
    EXPECT_EQ(NetCfgBuildQuery(out, 75, "0011223344AB", "SN1"), -1);
}

TEST(NetCfgRequests, SetWithAllElevenEntries) {
    uint8_t out[NETCFG_BODY_MAX];
    ASSERT_EQ(NetCfgBuildSet(out, sizeof out, FullList()), 289);
    const std::string text = "DEV = KP-520 LABEL PRINTER\r\n"
                             "VER = V2.1.0              \r\n"
                             "SERIAL_NUM = KP520000123         \r\n"
                             "MAC = 00A0C1000001\r\n"
                             "IP_CUR = 192.168.0.101  \r\n"
                             "DHCP = 0\r\n"
                             "IP = 192.168.0.101  \r\n"
                             "SUBNET_MASK = 255.255.255.0  \r\n"
                             "GATEWAY = 192.168.0.1    \r\n"
                             "PRNT_PORT = 9100 \r\n"
                             "PRNT_RCV_TMO = 30   \r\n"
                             "*END* = \r\n";
    EXPECT_EQ(std::vector<uint8_t>(out, out + 289), Cat(Header(0x00, 0x03), Bytes(text)));
}

TEST(NetCfgRequests, SetLeavesOutMissingEntries) {
    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "MAC", "00A0C1000001");
    NetCfgAppendEntry(list, "IP", "10.0.0.9");
    uint8_t out[NETCFG_BODY_MAX];
    const int n = NetCfgBuildSet(out, sizeof out, list);
    EXPECT_EQ(n, 11 + 20 + 22 + 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out) + 11, static_cast<size_t>(n) - 11),
              "MAC = 00A0C1000001\r\nIP = 10.0.0.9       \r\n*END* = \r\n");
}

TEST(NetCfgEntries, EncodePadsAndCutsToWidth) {
    NetCfgEntry entry;
    ASSERT_TRUE(entry.Set("DEV", "ABCDEFGHIJKLMNOPQR")); // 18 characters
    uint8_t out[64];
    ASSERT_EQ(NetCfgEncodeEntry(out, entry), 28u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 28), "DEV = ABCDEFGHIJKLMNOPQR  \r\n");

    ASSERT_TRUE(entry.Set("DHCP", "10"));
    ASSERT_EQ(NetCfgEncodeEntry(out, entry), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 10), "DHCP = 1\r\n");
    EXPECT_FALSE(entry.Set("COLOUR", "red"));
}

TEST(NetCfgEntries, PaddedValueComesBackTrimmed) {
    NetCfgEntryList sent = FullList();
    const std::string body = Body(sent);
    NetCfgEntryList got{};
    ASSERT_EQ(NetCfgParseReply(body.data(), body.size(), got), 0);
    ASSERT_EQ(NetCfgEntryCount(got), 11u);
    for (size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(got[i].key, sent[i].key);
        EXPECT_EQ(got[i].Value(), sent[i].Value());
        EXPECT_EQ(got[i].width, sent[i].width);
    }
    EXPECT_TRUE(got[11].Empty()); // the terminator cleared the slot after the last
}

TEST(NetCfgEntries, ParseEntryNeedsKeyAndWholeWidth) {
    NetCfgEntry entry;
    const std::string ok = "MAC = 00A0C1000001\r\n";
    EXPECT_EQ(NetCfgParseEntry(ok.data(), ok.size(), "MAC", 12, entry), 20u);
    EXPECT_EQ(entry.Value(), "00A0C1000001");
    EXPECT_EQ(NetCfgParseEntry(ok.data(), ok.size(), "DEV", 20, entry), 0u);
    // Shorter than the width: the parser never reads past the text.
    EXPECT_EQ(NetCfgParseEntry(ok.data(), 15, "MAC", 12, entry), 0u);
    const std::string noSpaces = "MAC=00A0C1000001\r\n";
    EXPECT_EQ(NetCfgParseEntry(noSpaces.data(), noSpaces.size(), "MAC", 12, entry), 0u);
}

TEST(NetCfgReplies, MalformedRepliesAreRejected) {
    NetCfgEntryList list{};
    // Values not padded to their widths: the next key is not where it should be.
    const std::string unpadded = "DEV = KP-520\r\nVER = V1\r\n*END* = \r\n";
    EXPECT_EQ(NetCfgParseReply(unpadded.data(), unpadded.size(), list), -2);
    const std::string unknown = "DEV = KP-520              \r\nCOLOUR = red\r\n*END* = \r\n";
    EXPECT_EQ(NetCfgParseReply(unknown.data(), unknown.size(), list), -2);
    const std::string noEnd = "DHCP = 1\r\n";
    EXPECT_EQ(NetCfgParseReply(noEnd.data(), noEnd.size(), list), -8);
    EXPECT_EQ(NetCfgParseReply(nullptr, 10, list), -1);
    // The terminator as the very first thing: an empty, valid reply.
    EXPECT_EQ(NetCfgParseReply("*END* = \r\n", 10, list), 0);
    EXPECT_EQ(NetCfgEntryCount(list), 0u);
}

TEST(NetCfgReplies, TruncatedEntryBeforeTerminatorIsNotOverread) {
    // The terminator appears inside what would be a DEV value: the entry
    // is taken by width, and the parser stops at the end of the text.
    const std::string text = "DEV = *END* = \r\n";
    NetCfgEntryList list{};
    EXPECT_EQ(NetCfgParseReply(text.data(), text.size(), list), -2);
}

TEST(NetCfgReplies, TwelveEntriesWithoutTerminatorSlotFills) {
    std::string body;
    for (int i = 0; i < 12; ++i)
        body += "DHCP = 1\r\n";
    body += "*END* = \r\n";
    NetCfgEntryList list{};
    EXPECT_EQ(NetCfgParseReply(body.data(), body.size(), list), 0);
    EXPECT_EQ(NetCfgEntryCount(list), 12u);
}

TEST(NetCfgReplies, MatchFlagFollowsTheMacEntry) {
    const std::string body = Body(FullList());
    NetCfgEntryList list{};
    int match = 7;
    EXPECT_EQ(NetCfgParseReply(body.data(), body.size(), list, "00A0C1000001", &match), 0);
    EXPECT_EQ(match, 1);
    EXPECT_EQ(NetCfgParseReply(body.data(), body.size(), list, "00A0C1000002", &match), 0);
    EXPECT_EQ(match, 0);
    match = 7;
    EXPECT_EQ(NetCfgParseReply("DHCP = 1\r\n*END* = \r\n", 20, list, "00A0C1000001", &match), 0);
    EXPECT_EQ(match, 7); // no MAC entry: left alone
}

TEST(NetCfgReplies, CopyDeviceTakesIdentityFields) {
    NetCfgDevice device;
    EXPECT_EQ(NetCfgCopyDevice(nullptr, device), -1);
    const NetCfgEntryList list = FullList();
    ASSERT_EQ(NetCfgCopyDevice(&list, device), 0);
    EXPECT_STREQ(device.name, "KP-520 LABEL PRINTER");
    EXPECT_STREQ(device.version, "V2.1.0");
    EXPECT_STREQ(device.serial, "KP520000123");
    EXPECT_STREQ(device.mac, "00A0C1000001");
    EXPECT_STREQ(device.ip, "192.168.0.101");
    EXPECT_FALSE(device.Free());
    EXPECT_EQ(sizeof(NetCfgDevice), 92u);

    // A key named twice: the list row shows what the dialogs read, the first.
    NetCfgEntryList twice = FullList();
    ASSERT_TRUE(NetCfgAppendEntry(twice, "MAC", "00A0C1000009"));
    const std::string body = Body(twice);
    NetCfgEntryList doubled{};
    ASSERT_EQ(NetCfgParseReply(body.data(), body.size(), doubled), 0);
    ASSERT_EQ(NetCfgCopyDevice(&doubled, device), 0);
    EXPECT_STREQ(device.mac, "00A0C1000001");
    EXPECT_STREQ(device.ip, "192.168.0.101");
    EXPECT_EQ(std::string_view(device.mac), NetCfgFindEntry(doubled, "MAC")->Value());
}

TEST(NetCfgReplies, ArbitraryBytesNeverCrash) {
    // Every prefix of a valid body and a noisy buffer: results are codes,
    // never reads past the buffer (ASan checks the latter).
    const std::string body = Body(FullList());
    NetCfgEntryList list{};
    for (size_t n = 0; n <= body.size(); ++n) {
        std::vector<char> copy(body.begin(), body.begin() + static_cast<long>(n));
        const int r = NetCfgParseReply(copy.data(), copy.size(), list);
        EXPECT_TRUE(r == 0 || r == -1 || r == -2 || r == -8) << n;
    }
    uint32_t seed = 12345;
    std::vector<char> noise(700);
    for (int round = 0; round < 200; ++round) {
        for (char& c : noise) {
            seed = seed * 1103515245u + 12345u;
            c = "DEV = *ENDMAC\r\n 0"[(seed >> 16) % 17];
        }
        NetCfgParseReply(noise.data(), noise.size(), list);
    }
}
