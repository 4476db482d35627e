// The reply reader over the ring: replies are rebuilt from the byte stream
// whatever the datagram boundaries, and broken or foreign bytes are skipped
// without outliving the request's window.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "network/netcfg.h"

using namespace printune;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<uint8_t> SearchReply(const std::string& serial, const std::string& mac) {
    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "DEV", "KP-520");
    NetCfgAppendEntry(list, "VER", "V1");
    NetCfgAppendEntry(list, "SERIAL_NUM", serial);
    NetCfgAppendEntry(list, "MAC", mac);
    NetCfgAppendEntry(list, "IP_CUR", "10.0.0.5");
    std::vector<uint8_t> out(700);
    out.resize(static_cast<size_t>(
        NetCfgBuildMessage(out.data(), out.size(), NETCFG_DIR_REPLY, NETCFG_CMD_SEARCH, list)));
    return out;
}

class StreamTest : public ::testing::Test {
protected:
    void Put(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(state.RingPut(bytes.data(), static_cast<uint32_t>(bytes.size())), bytes.size());
    }
    int Read(int windowMs = 300) {
        return state.ReadReply(Clock::now() + std::chrono::milliseconds(windowMs));
    }
    std::string BodyText(int length) const {
        return std::string(reinterpret_cast<const char*>(state.ReplyBody().data()) + 4,
                           static_cast<size_t>(length) - 4);
    }
    NetCfgState state; // never opened: the ring is fed by hand
};

} // namespace

TEST_F(StreamTest, TwoRepliesInOneDatagramAndOneSplitInTwo) {
    auto a = SearchReply("SN-A", "00000000000A");
    const auto b = SearchReply("SN-B", "00000000000B");
    const auto c = SearchReply("SN-C", "00000000000C");
    a.insert(a.end(), b.begin(), b.end());
    Put(a);
    Put(std::vector<uint8_t>(c.begin(), c.begin() + 30));
    const int first = Read();
    ASSERT_GT(first, 0);
    EXPECT_NE(BodyText(first).find("SN-A"), std::string::npos);
    const int second = Read();
    ASSERT_GT(second, 0);
    EXPECT_NE(BodyText(second).find("SN-B"), std::string::npos);
    Put(std::vector<uint8_t>(c.begin() + 30, c.end()));
    const int third = Read();
    ASSERT_GT(third, 0);
    EXPECT_EQ(static_cast<size_t>(third), c.size() - 7);
    EXPECT_EQ(state.ReplyBody()[0], NETCFG_CMD_SEARCH);
    EXPECT_NE(BodyText(third).find("SN-C"), std::string::npos);
}

TEST_F(StreamTest, OwnRequestAndNoiseGiveNoReply) {
    uint8_t request[64];
    const int n = NetCfgBuildSearch(request, sizeof request);
    Put(std::vector<uint8_t>(request, request + n));
    Put({0x00, 0x0D, 0xAC, 0x00, 0x0D, 0xAB, 0xFF, 1, 0, 0, 0});
    const auto start = Clock::now();
    EXPECT_EQ(Read(2000), -6);
    // The header scan allows about 100 ms of waiting in all.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(state.Ring().Empty());
}

TEST_F(StreamTest, OversizeBodyIsRefused) {
    std::vector<uint8_t> reply = {0x00, 0x0D, 0xAC, 0x00, 0x0D, 0xAC, 0xFF, 1, 0, 0, 0};
    std::string text;
    while (text.size() + 4 + 10 < 641)
        text += "DHCP = 1\r\n";
    text.resize(641 - 4 - 10, ' ');
    text += "*END* = \r\n";
    reply.insert(reply.end(), text.begin(), text.end());
    ASSERT_EQ(reply.size() - 7, 641u);
    Put(reply);
    EXPECT_EQ(Read(), -7);
    // Exactly 640 is still a reply.
    std::vector<uint8_t> fits(reply.begin(), reply.begin() + 11);
    std::string shorter = text.substr(1);
    fits.insert(fits.end(), shorter.begin(), shorter.end());
    state.Ring().Discard();
    Put(fits);
    EXPECT_EQ(Read(), 640);
}

TEST_F(StreamTest, IncompleteBodyEndsWithTheWindow) {
    const auto reply = SearchReply("SN-A", "00000000000A");
    Put(std::vector<uint8_t>(reply.begin(), reply.end() - 3));
    const auto start = Clock::now();
    EXPECT_EQ(Read(250), -5);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(240));
    EXPECT_LT(took, std::chrono::milliseconds(2000));
}

TEST_F(StreamTest, RingKeepsOneSlotFreeAndWraps) {
    NetCfgRing& ring = state.Ring();
    std::vector<uint8_t> big(NETCFG_RING_SIZE + 10, 0x41);
    EXPECT_EQ(ring.Put(big.data(), static_cast<uint32_t>(big.size())), NETCFG_RING_SIZE - 1);
    EXPECT_EQ(ring.Put(big.data(), 1), 0u); // full: dropped
    uint8_t byte = 0;
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(ring.Get(byte));
    EXPECT_EQ(ring.Put(big.data(), 200), 100u); // wraps past 65535
    EXPECT_EQ(ring.WriteIndex(), 99u);
    size_t count = 0;
    while (ring.Get(byte))
        ++count;
    EXPECT_EQ(count, NETCFG_RING_SIZE - 1);
    EXPECT_TRUE(ring.Empty());
}
