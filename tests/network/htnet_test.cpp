// The HT-740 protocol: request bytes, record and configuration accessors,
// and the client against simulated printers over loopback.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>

#include "net_fixture.h"

using namespace printune;
using namespace printune_test;
using printune_sim::NET_FAULT_ANSWER_TWICE;
using printune_sim::NET_FAULT_NO_ANSWER;
using printune_sim::NET_FAULT_OVERSIZE;
using printune_sim::NET_FAULT_SHORT_REPLY;
using printune_sim::NET_FAULT_SPLIT;

namespace {

const HtMac MAC{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

std::vector<HtDeviceRecord> SearchAll(HtNetClient& client) {
    EXPECT_EQ(client.Search(), HtResult::Done);
    EXPECT_TRUE(client.WaitIdle(std::chrono::seconds(5)));
    std::vector<HtDeviceRecord> found;
    HtDeviceRecord record;
    while (client.PopAnnouncement(record))
        found.push_back(record);
    return found;
}

} // namespace

TEST(HtNetRequests, SearchQueryApplyBytes) {
    EXPECT_EQ(HtBuildSearch(), (std::vector<uint8_t>{0xFF, 0x01, 0x01, 0x02}));
    const std::vector<uint8_t> query = {0xFF, 0x13, 0x03, 0x00, 0x11, 0x22, 0x33, 0x44,
                                        0x55, 'q',  'l',  'm',  'v',  'x',  0x00, 'q',
                                        'l',  'm',  'v',  'x',  0x00, 0x85};
    EXPECT_EQ(HtBuildQuery(MAC), query);
    auto apply = query;
    apply[2] = 0x04;
    apply[21] = 0x86;
    EXPECT_EQ(HtBuildApply(MAC), apply);
    EXPECT_EQ(HtChecksum(query.data(), query.size()), 0x85);
}

TEST(HtNetRequests, SetBlocksCarryTheirBytesAndTheConfigMac) {
    HtNetConfig config;
    for (size_t i = 0; i < HT_CONFIG_SIZE; ++i)
        config.bytes[i] = static_cast<uint8_t>(i);
    config.SetMac({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5});
    const struct {
        int block;
        uint8_t opcode;
        size_t size, first;
    } cases[] = {{1, 0x56, 89, 0}, {2, 0x52, 85, 67}, {3, 0x52, 85, 130}, {4, 0x52, 85, 193}};
    for (const auto& c : cases) {
        const auto bytes = HtBuildSetBlock(c.block, config);
        ASSERT_EQ(bytes.size(), c.size) << c.block;
        EXPECT_EQ(bytes[1], c.opcode);
        EXPECT_EQ(bytes[2], 4 + c.block);
        EXPECT_EQ(bytes[3], 0xA0);
        EXPECT_EQ(bytes[8], 0xA5);
        EXPECT_EQ(bytes[21], config.bytes[c.first]);
        EXPECT_EQ(bytes[c.size - 2], config.bytes[c.first + c.size - 23]);
        EXPECT_EQ(bytes.back(), HtChecksum(bytes.data(), bytes.size()));
    }
    EXPECT_TRUE(HtBuildSetBlock(5, config).empty());
}

TEST(HtNetRecords, FieldsAtTheirOffsets) {
    HtDeviceRecord record;
    record.bytes[5] = 192, record.bytes[6] = 168, record.bytes[7] = 0, record.bytes[8] = 9;
    record.bytes[15] = 0x34, record.bytes[16] = 0x12;
    std::memcpy(&record.bytes[9], MAC.data(), 6);
    std::memcpy(&record.bytes[19], "HT-740   \0\0\0\0\0\0\0\0", 17);
    EXPECT_EQ(HtFormatIp(record.IpAddress()), "192.168.0.9");
    EXPECT_EQ(HtFormatMac(record.Mac()), "00:11:22:33:44:55");
    EXPECT_EQ(record.FirmwareVersion(), 0x1234);
    EXPECT_EQ(record.DeviceName(), "HT-740");

    HtNetConfig config;
    config.bytes[13] = 1, config.bytes[14] = 0, config.bytes[15] = 168, config.bytes[16] = 192;
    EXPECT_EQ(config.Gateway(), (HtIpv4{192, 168, 0, 1}));
    config.SetSubnetMask({255, 255, 255, 0});
    EXPECT_EQ(config.bytes[17], 0);
    EXPECT_EQ(config.bytes[20], 255);
    config.SetPrintPort(9100);
    EXPECT_EQ(config.bytes[79], 0x8C);
    EXPECT_EQ(config.bytes[80], 0x23);
    config.SetDhcp(true);
    EXPECT_EQ(config.bytes[3], 0x00);
    config.SetDhcp(false);
    EXPECT_EQ(config.bytes[3], 0xFF);
    EXPECT_FALSE(config.DhcpOn());
}

TEST(HtNetClientTest, SearchQueuesEveryAnnouncement) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0),
                                                        printune_sim::DefaultHtSetup(1)};
    setups[1].faults = NET_FAULT_ANSWER_TWICE;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    const auto start = std::chrono::steady_clock::now();
    const auto found = SearchAll(client);
    ASSERT_EQ(found.size(), 3u); // repeated announcements are kept
    EXPECT_EQ(found[0].Mac(), MAC);
    EXPECT_EQ(found[0].DeviceName(), "HT-740");
    // The search ends after 500 ms of silence.
    EXPECT_GT(SecondsSince(start), 0.45);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_FALSE(client.ConfigurationRead());
}

TEST(HtNetClientTest, OversizeDatagramIsSkippedNotTheEnd) {
    // A faulty device answers first; the printer after it is still found.
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0),
                                                        printune_sim::DefaultHtSetup(1)};
    setups[0].faults = NET_FAULT_OVERSIZE;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    const auto found = SearchAll(client);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Mac(), sim->HtRecord(1).Mac());
}

TEST(HtNetClientTest, QueryThenWriteBlocksAndApply) {
    auto sim = StartHtPrinters({printune_sim::DefaultHtSetup(0)});
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    const auto found = SearchAll(client);
    ASSERT_EQ(found.size(), 1u);
    // Writing is refused before a configuration was read, and sends nothing.
    EXPECT_EQ(client.SetBlock(1), HtResult::Refused);
    EXPECT_EQ(client.Apply(found[0]), HtResult::Refused);
    EXPECT_EQ(sim->HtLog(0), (std::vector<std::string>{"search"}));

    ASSERT_EQ(client.Query(found[0]), HtResult::Done);
    EXPECT_TRUE(client.ConfigurationRead());
    EXPECT_EQ(client.Configuration().bytes, sim->HtConfig(0).bytes);

    HtNetConfig changed = client.Configuration();
    changed.SetStaticIp({10, 0, 0, 7});
    changed.SetPrintPort(9200);
    client.SetConfiguration(changed, true);
    EXPECT_EQ(client.SetBlock(1), HtResult::Done);
    EXPECT_EQ(client.SetBlock(2), HtResult::Done);
    EXPECT_EQ(client.Apply(found[0]), HtResult::Done);
    EXPECT_EQ(sim->HtConfig(0).StaticIp(), (HtIpv4{10, 0, 0, 7}));
    EXPECT_EQ(sim->HtConfig(0).PrintPort(), 9200);
    EXPECT_EQ(sim->HtRecord(0).IpAddress(), (HtIpv4{10, 0, 0, 7}));
    // A search clears the flag again.
    SearchAll(client);
    EXPECT_EQ(client.SetBlock(1), HtResult::Refused);
}

TEST(HtNetClientTest, ShortQueryReplies) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0)};
    setups[0].faults = NET_FAULT_SHORT_REPLY;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    HtNetConfig before;
    before.bytes.fill(0xEE);
    client.SetConfiguration(before, false);
    // 200 bytes: blocks 1 to 3 are taken, block 4 stays as before.
    ASSERT_EQ(client.Query(setups[0].record), HtResult::Done);
    const HtNetConfig got = client.Configuration();
    for (size_t i = 0; i < 193; ++i)
        ASSERT_EQ(got.bytes[i], sim->HtConfig(0).bytes[i]) << i;
    for (size_t i = 193; i < HT_CONFIG_SIZE; ++i)
        ASSERT_EQ(got.bytes[i], 0xEE) << i;
}

TEST(HtNetClientTest, SplitReplyIsJoinedAndSilenceFails) {
    auto setups = std::vector<printune_sim::NetHtSetup>{printune_sim::DefaultHtSetup(0),
                                                        printune_sim::DefaultHtSetup(1)};
    setups[0].faults = NET_FAULT_SPLIT;
    setups[1].faults = NET_FAULT_NO_ANSWER;
    auto sim = StartHtPrinters(setups);
    ASSERT_TRUE(sim);
    HtNetClient client(HtOptionsFor(*sim));
    ASSERT_EQ(client.Query(setups[0].record), HtResult::Done);
    EXPECT_EQ(client.Configuration().bytes, sim->HtConfig(0).bytes);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Query(setups[1].record), HtResult::NoReply);
    EXPECT_GT(SecondsSince(start), 0.45);
    EXPECT_FALSE(client.ConfigurationRead());
    EXPECT_EQ(client.SetBlock(1), HtResult::Refused);
}

TEST(HtNetClientTest, TooShortQueryReplyFailsAndKeepsTheConfiguration) {
    // Fewer than the 193 bytes of blocks 1 to 3 would put zeros or stale
    // bytes into a configuration that is later written back.
    printune::UdpSocket printer;
    ASSERT_EQ(printer.Open(false), 0);
    ASSERT_EQ(printer.Bind({0x7F000002, 0}), 0);
    HtNetOptions options;
    options.destination = *printer.LocalEndpoint();
    options.bind = {0x7F000001, 0};
    options.everyInterface = false;
    HtNetClient client(options);
    HtNetConfig before;
    before.bytes.fill(0x5A);
    client.SetConfiguration(before, true);
    std::thread answer([&] {
        if (printer.WaitReadable(std::chrono::steady_clock::now() + std::chrono::seconds(2)) != 1)
            return;
        uint8_t request[64];
        Ipv4Endpoint from;
        printer.ReceiveNow(request, sizeof request, &from);
        std::vector<uint8_t> reply(192, 0x00);
        printer.SendTo(reply.data(), reply.size(), from);
    });
    EXPECT_EQ(client.Query(printune_sim::DefaultHtSetup(0).record), HtResult::NoReply);
    answer.join();
    EXPECT_FALSE(client.ConfigurationRead());
    EXPECT_EQ(client.Configuration().bytes, before.bytes);
}

TEST(HtNetClientTest, BusyWhileSearchingAndDestructorJoins) {
    auto sim = StartHtPrinters({printune_sim::DefaultHtSetup(0)});
    ASSERT_TRUE(sim);
    HtNetOptions options = HtOptionsFor(*sim);
    options.searchSilence = std::chrono::seconds(4);
    auto client = std::make_unique<HtNetClient>(options);
    ASSERT_EQ(client->Search(), HtResult::Done);
    EXPECT_FALSE(client->IsIdle());
    EXPECT_EQ(client->Search(), HtResult::Busy);
    EXPECT_EQ(client->Query(printune_sim::DefaultHtSetup(0).record), HtResult::Busy);
    const auto start = std::chrono::steady_clock::now();
    client.reset(); // stops the receiver instead of waiting for silence
    EXPECT_LT(SecondsSince(start), 2.5);
}

TEST(HtNetClientTest, NoSocketStaysOpenBetweenOperations) {
    auto sim = StartHtPrinters({printune_sim::DefaultHtSetup(0)});
    ASSERT_TRUE(sim);
    const auto openDescriptors = [] {
        int count = 0;
        for (int fd = 0; fd < 1024; ++fd)
            count += fcntl(fd, F_GETFD) != -1;
        return count;
    };
    HtNetClient client(HtOptionsFor(*sim));
    const int before = openDescriptors();
    const auto found = SearchAll(client);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(client.Query(found[0]), HtResult::Done);
    EXPECT_EQ(client.SetBlock(1), HtResult::Done);
    EXPECT_EQ(openDescriptors(), before);
}
