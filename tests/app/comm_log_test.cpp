// The communication log's ring, filter, row texts and saved file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "app/comm_log.h"

using namespace printune;

namespace {

TraceEvent Event(int64_t us, const std::string& transport, TraceKind kind,
                 std::vector<uint8_t> bytes = {}) {
    TraceEvent e;
    e.timeUs = us;
    e.transport = transport;
    e.endpoint = transport + "-endpoint";
    e.kind = kind;
    if (kind == TraceKind::Write || kind == TraceKind::Read) {
        e.direction = kind == TraceKind::Write ? TraceDirection::Out : TraceDirection::In;
        e.length = bytes.size();
        e.bytes = std::move(bytes);
    }
    return e;
}

TEST(CommLog, KeepsTheLastEventsAndCountsTheDropped) {
    CommLog log(3);
    for (int i = 0; i < 3; ++i)
        log.Add(Event(1000 + i, "lan", TraceKind::Open));
    EXPECT_EQ(log.Size(), 3u);
    EXPECT_EQ(log.Dropped(), 0u);
    log.Add(Event(1003, "lan", TraceKind::Close));
    ASSERT_EQ(log.Size(), 3u);
    EXPECT_EQ(log.Dropped(), 1u);
    EXPECT_EQ(log.At(0).timeUs, 1001);
    EXPECT_EQ(log.At(2).timeUs, 1003);
    EXPECT_FALSE(log.Holds(0));
    EXPECT_TRUE(log.Holds(1));
    EXPECT_TRUE(log.Holds(3));
    EXPECT_FALSE(log.Holds(4));
    EXPECT_EQ(log.BySequence(3).kind, TraceKind::Close);
    // Times stay relative to the first event ever added, not the oldest kept.
    EXPECT_EQ(log.OriginUs(), 1000);

    log.Clear();
    EXPECT_EQ(log.Size(), 0u);
    EXPECT_EQ(log.Dropped(), 0u);
    log.Add(Event(5000, "usb", TraceKind::Open));
    EXPECT_EQ(log.OriginUs(), 5000);
    EXPECT_TRUE(log.Holds(0));
}

TEST(CommLog, TheDefaultLogDropsTheFirstOfTenThousandAndOne) {
    CommLog log;
    for (int i = 0; i <= 10000; ++i)
        log.Add(Event(i, "com", TraceKind::Write, {static_cast<uint8_t>(i)}));
    EXPECT_EQ(log.Size(), 10000u);
    EXPECT_EQ(log.Dropped(), 1u);
    EXPECT_EQ(log.At(0).timeUs, 1);
    EXPECT_EQ(log.At(9999).timeUs, 10000);
}

TEST(CommLog, FilterByTransport) {
    CommLog log;
    log.Add(Event(1, "lan", TraceKind::Open));
    log.Add(Event(2, "udp", TraceKind::Open));
    log.Add(Event(3, "lan", TraceKind::Close));
    EXPECT_EQ(log.Matching(""), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(log.Matching("All"), (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(log.Matching("LAN"), (std::vector<size_t>{0, 2}));
    EXPECT_EQ(log.Matching("udp"), (std::vector<size_t>{1}));
    EXPECT_TRUE(log.Matching("com").empty());
}

TEST(CommLog, RowTexts) {
    std::vector<uint8_t> bytes(40);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    TraceEvent write = Event(1'500'000, "usb", TraceKind::Write, bytes);
    write.meaning = "get printer settings";
    const CommLogRow row = CommLogRowOf(write, 1'000'000);
    EXPECT_EQ(row.time, "0.500000");
    EXPECT_EQ(row.transport, "usb");
    EXPECT_EQ(row.direction, "out");
    EXPECT_EQ(row.length, "40");
    EXPECT_EQ(row.bytes.rfind("00 01 02 03", 0), 0u) << row.bytes;
    EXPECT_NE(row.bytes.find("1f …"), std::string::npos) << "elided after 32 bytes: " << row.bytes;
    EXPECT_EQ(row.bytes.find("20"), std::string::npos) << row.bytes;
    EXPECT_EQ(CommLogRowText(row),
              "0.500000\tusb\tusb-endpoint\tout\t40\t" + row.bytes + "\tget printer settings");

    TraceEvent hashed = Event(2'000'000, "lan", TraceKind::Write);
    hashed.length = 100000;
    hashed.sha256 = std::string(64, 'a');
    EXPECT_EQ(CommLogRowOf(hashed, 1'000'000).bytes, "SHA-256 aaaaaaaaaaaaaaaa …");
    EXPECT_EQ(CommLogRowOf(hashed, 1'000'000).length, "100000");

    TraceEvent failed = Event(1'000'000, "com", TraceKind::Error);
    failed.meaning = "No such file or directory";
    failed.code = 8002;
    const CommLogRow f = CommLogRowOf(failed, 1'000'000);
    EXPECT_EQ(f.direction, "error");
    EXPECT_EQ(f.length, "");
    EXPECT_EQ(f.meaning, "No such file or directory [8002]");
    EXPECT_EQ(CommLogRowOf(Event(0, "lpt", TraceKind::Timeout), 0).direction, "timeout");
}

TEST(CommLog, SavesTheChosenEventsAsTraceLines) {
    struct Dir {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("printune-log-" + std::to_string(::getpid()));
        Dir() { std::filesystem::create_directories(path); }
        ~Dir() { std::filesystem::remove_all(path); }
        std::string Path() const { return path.string(); }
    } dir;
    CommLog log;
    log.Add(Event(1, "lan", TraceKind::Open));
    log.Add(Event(2, "lan", TraceKind::Write, {0x1B, 0x40}));
    log.Add(Event(3, "udp", TraceKind::Open));
    const std::string path = dir.Path() + "/log.jsonl";
    ASSERT_TRUE(log.Save(path, log.Matching("lan")));
    std::ifstream in(path);
    std::string line;
    std::vector<TraceEvent> back;
    while (std::getline(in, line)) {
        TraceEvent e;
        ASSERT_TRUE(ParseTraceEvent(line, e)) << line;
        back.push_back(e);
    }
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].bytes, (std::vector<uint8_t>{0x1B, 0x40}));
    EXPECT_EQ(back[1].timeUs, 2);
    EXPECT_FALSE(log.Save(dir.Path() + "/no/such/dir/log.jsonl", log.Matching("")));
    EXPECT_NE(errno, 0);
}

} // namespace
