// The trace's record format, digest, sinks, meanings and the UDP report
// points.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/trace_meanings.h"
#include "base/sha256.h"
#include "network/udp_socket.h"
#include "port/comm_trace.h"
#include "settings/label_commands.h"

using namespace printune;

namespace {

// Collects events while it lives.
struct Recorder {
    std::vector<TraceEvent> events;
    int id = AddTraceSink([this](const TraceEvent& e) { events.push_back(e); });
    ~Recorder() {
        if (id >= 0)
            RemoveTraceSink(id);
    }
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(Sha256Hex(nullptr, 0),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abc";
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(CommTrace, OnOnlyWhileASinkIsAttached) {
    EXPECT_FALSE(TraceOn());
    {
        Recorder r;
        EXPECT_TRUE(TraceOn());
    }
    EXPECT_FALSE(TraceOn());
}

TEST(CommTrace, SmallPayloadsKeepBytesLargeOnesLengthAndDigest) {
    Recorder r;
    const std::vector<uint8_t> small(TRACE_INLINE_MAX, 0x41);
    const std::vector<uint8_t> large(TRACE_INLINE_MAX + 1, 0x42);
    TraceBytes("lan", "192.0.2.15:9100", TraceKind::Write, TraceDirection::Out, small.data(),
               small.size());
    TraceBytes("lan", "192.0.2.15:9100", TraceKind::Write, TraceDirection::Out, large.data(),
               large.size());
    SetTraceFull(true);
    TraceBytes("lan", "192.0.2.15:9100", TraceKind::Write, TraceDirection::Out, large.data(),
               large.size());
    SetTraceFull(false);
    ASSERT_EQ(r.events.size(), 3u);
    EXPECT_EQ(r.events[0].bytes, small);
    EXPECT_TRUE(r.events[0].sha256.empty());
    EXPECT_TRUE(r.events[1].bytes.empty());
    EXPECT_EQ(r.events[1].length, large.size());
    EXPECT_EQ(r.events[1].sha256, Sha256Hex(large.data(), large.size()));
    EXPECT_EQ(r.events[2].bytes, large);
    EXPECT_EQ(r.events[2].sha256, r.events[1].sha256);
}

size_t ThreadCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

std::vector<uint8_t> Pattern(size_t size, int seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(i * 131 + static_cast<size_t>(seed));
    return out;
}

// Large payloads go through the trace's own thread: their digest is of the
// bytes as they were sent, the sinks see every event in order, and nothing
// is lost or left running when the sink goes.
TEST(CommTrace, LargePayloadsAreHashedBesideTheSenderInOrder) {
    const size_t threadsBefore = ThreadCount();
    {
        Recorder r;
        std::vector<uint8_t> large = Pattern(TRACE_AHEAD_MIN + 5, 7);
        const std::string digest = Sha256Hex(large.data(), large.size());
        const std::vector<uint8_t> small = Bytes({0x1B, 0x40});
        TraceState("lan", "x", TraceKind::Open);
        TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, large.data(), large.size());
        // The sender may reuse its buffer at once.
        std::fill(large.begin(), large.end(), 0);
        TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, small.data(), small.size());
        TraceState("lan", "x", TraceKind::Close);
        SetTraceFull(true);
        const std::vector<uint8_t> kept = Pattern(TRACE_AHEAD_MIN, 9);
        TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, kept.data(), kept.size());
        SetTraceFull(false);
        FlushTrace();
        ASSERT_EQ(r.events.size(), 5u);
        EXPECT_EQ(r.events[0].kind, TraceKind::Open);
        EXPECT_EQ(r.events[1].length, TRACE_AHEAD_MIN + 5);
        EXPECT_EQ(r.events[1].sha256, digest);
        EXPECT_TRUE(r.events[1].bytes.empty());
        EXPECT_EQ(r.events[2].bytes, small);
        EXPECT_EQ(r.events[3].kind, TraceKind::Close);
        EXPECT_EQ(r.events[4].bytes, kept);
        EXPECT_EQ(r.events[4].sha256, Sha256Hex(kept.data(), kept.size()));
        EXPECT_GT(ThreadCount(), threadsBefore);
    }
    EXPECT_EQ(ThreadCount(), threadsBefore) << "the trace's thread ended with the trace";

    // Removing the sink delivers what still waits, without a flush.
    std::vector<TraceEvent> events;
    {
        Recorder r;
        const std::vector<uint8_t> large = Pattern(TRACE_AHEAD_MIN * 4, 3);
        TraceBytes("usb", "y", TraceKind::Write, TraceDirection::Out, large.data(), large.size());
        TraceState("usb", "y", TraceKind::Close);
        RemoveTraceSink(r.id);
        r.id = -1;
        events = r.events;
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].length, TRACE_AHEAD_MIN * 4);
    EXPECT_FALSE(events[0].sha256.empty());
    EXPECT_EQ(events[1].kind, TraceKind::Close);
}

// While a traced port is open the hashing waits; a sender that fills the
// queue must make it go on rather than wait for ever.
TEST(CommTrace, AFullQueueIsWorkedOffWhileThePortStaysOpen) {
    Recorder r;
    TraceTransportBusy(true);
    const std::vector<uint8_t> block = Pattern(8u << 20, 1);
    const size_t blocks = TRACE_QUEUE_MAX_BYTES / block.size() + 3;
    for (size_t i = 0; i < blocks; ++i)
        TraceBytes("lan", "z", TraceKind::Write, TraceDirection::Out, block.data(), block.size());
    TraceTransportBusy(false);
    FlushTrace();
    ASSERT_EQ(r.events.size(), blocks);
    for (const TraceEvent& e : r.events)
        EXPECT_EQ(e.sha256, r.events[0].sha256);
}

TEST(CommTrace, JsonLinesRoundTripAndRejectWhatIsNoEvent) {
    TraceEvent e;
    e.timeUs = 123456789;
    e.transport = "usb";
    e.endpoint = "/dev/usb/lp0 7A3E:5C19";
    e.kind = TraceKind::Read;
    e.direction = TraceDirection::In;
    e.bytes = Bytes({0x1B, 0x0D, 0xFF});
    e.length = 3;
    e.meaning = "reply: \"é\"";
    const std::string line = TraceEventJson(e);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("\"hex\":\"1b0dff\""), std::string::npos) << line;
    TraceEvent back;
    ASSERT_TRUE(ParseTraceEvent(line, back));
    EXPECT_EQ(back.timeUs, e.timeUs);
    EXPECT_EQ(back.endpoint, e.endpoint);
    EXPECT_EQ(back.kind, e.kind);
    EXPECT_EQ(back.direction, e.direction);
    EXPECT_EQ(back.bytes, e.bytes);
    EXPECT_EQ(back.meaning, e.meaning);

    TraceEvent error;
    error.kind = TraceKind::Error;
    error.sysErrno = 111;
    error.code = 8002;
    ASSERT_TRUE(ParseTraceEvent(TraceEventJson(error), back));
    EXPECT_EQ(back.sysErrno, 111);
    EXPECT_EQ(back.code, 8002);

    for (const char* bad :
         {"", "not json", "[1]", R"({"event":"dance"})", R"({"event":"write","hex":"1g"})",
          R"({"event":"write","hex":"123"})", R"({"event":"read","len":"many"})",
          // Numbers a whole-number field cannot hold (the first was
          // undefined behaviour to convert), or a negative length.
          R"({"event":"open","t":1e22})", R"({"event":"open","t":1.5})",
          R"({"event":"read","len":-1})", R"({"event":"error","errno":4294967296})",
          R"({"event":"error","code":-2147483649})"})
        EXPECT_FALSE(ParseTraceEvent(bad, back)) << bad;
}

TEST(CommTrace, NoteNamesWritesOnItsThreadAheadOfTheDecoder) {
    InstallTraceMeanings();
    Recorder r;
    const std::vector<uint8_t> get = BuildLabelRequest(LabelRequest::GetSettings);
    {
        TraceNote outer("firmware block 1 of 2");
        {
            TraceNote inner("firmware block 2 of 2");
            TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, get.data(), get.size());
        }
        TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, get.data(), get.size());
    }
    TraceBytes("lan", "x", TraceKind::Write, TraceDirection::Out, get.data(), get.size());
    ASSERT_EQ(r.events.size(), 3u);
    EXPECT_EQ(r.events[0].meaning, "firmware block 2 of 2");
    EXPECT_EQ(r.events[1].meaning, "firmware block 1 of 2");
    EXPECT_EQ(r.events[2].meaning, "get printer settings");
}

TEST(TraceMeanings, RequestsAndTheRepliesThatFollowThem) {
    auto out = [](const std::vector<uint8_t>& b) {
        return DescribeTraceBytes(TraceDirection::Out, b.data(), b.size());
    };
    auto in = [](const std::vector<uint8_t>& b) {
        return DescribeTraceBytes(TraceDirection::In, b.data(), b.size());
    };
    EXPECT_EQ(out(Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x90, 0x46, 0x57})), "download mode");
    EXPECT_EQ(out(Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x30, 0x03, 0x1B, 0x34, 0x01, 0x1B, 0x10, 0x45})),
              "set: print-speed=3, cut-mode=1");
    EXPECT_EQ(out(Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x10, 0x45})), "set: nothing");
    // A frame around something that is no run of set commands stays unnamed.
    EXPECT_EQ(out(Bytes({0x1B, 0x0D, 0x53, 0x41, 0x1B, 0x10, 0x45})), "");
    EXPECT_EQ(out(Bytes({0x1B, 0x0D, 0x53, 0x1B, 0x30, 0x1B, 0x10, 0x45})), "");
    EXPECT_EQ(out(Bytes({0x1B, 0x40})), "");
    // No request awaiting a reply: incoming bytes are not guessed at.
    EXPECT_EQ(in(Bytes({0x4B, 0x50})), "");

    EXPECT_EQ(out(BuildLabelRequest(LabelRequest::GetSerialNumber)), "get serial number");
    EXPECT_EQ(in(Bytes({'S', 'N', '1', 0, 'x'})), "reply: \"SN1\"");
    EXPECT_EQ(out(BuildLabelRequest(LabelRequest::GetSettings)), "get printer settings");
    EXPECT_EQ(in(Bytes({0x4B, 0x50})), "part of the settings reply (2 bytes)");
    std::vector<uint8_t> reply(64, 0);
    EXPECT_EQ(in(reply).rfind("printer settings: page-mode=", 0), 0u) << in(reply);
}

TEST(UdpTrace, DatagramsBindAndCloseAreRecordedWithTheirPorts) {
    Recorder r;
    {
        UdpSocket socket;
        ASSERT_EQ(socket.Open(false), 0);
        ASSERT_EQ(socket.Bind({0x7F000001u, 0}), 0);
        const Ipv4Endpoint self = *socket.LocalEndpoint();
        const std::vector<uint8_t> probe = Bytes({0x01, 0x02});
        ASSERT_EQ(socket.SendTo(probe.data(), probe.size(), self), 0);
        ASSERT_EQ(socket.WaitReadable(std::chrono::steady_clock::now() + std::chrono::seconds(5)),
                  1);
        uint8_t buffer[16];
        ASSERT_EQ(socket.ReceiveNow(buffer, sizeof buffer), 2);
        const std::string port = std::to_string(self.port);
        ASSERT_EQ(r.events.size(), 3u);
        EXPECT_EQ(r.events[0].kind, TraceKind::Open);
        EXPECT_EQ(r.events[0].endpoint, port);
        EXPECT_EQ(r.events[1].kind, TraceKind::Write);
        EXPECT_EQ(r.events[1].endpoint, port + " → 127.0.0.1:" + port);
        EXPECT_EQ(r.events[1].bytes, probe);
        EXPECT_EQ(r.events[2].kind, TraceKind::Read);
        EXPECT_EQ(r.events[2].endpoint, port + " ← 127.0.0.1:" + port);
        for (const TraceEvent& e : r.events)
            EXPECT_EQ(e.transport, "udp");
    }
    ASSERT_EQ(r.events.size(), 4u);
    EXPECT_EQ(r.events[3].kind, TraceKind::Close);
}

// A reply may be read, and traced, by another thread before sendto()
// returns; the request is recorded before it leaves, so a recording never
// shows an answer ahead of its question.
TEST(UdpTrace, ARequestIsRecordedBeforeItCanBeAnswered) {
    UdpSocket printer;
    ASSERT_EQ(printer.Open(false), 0);
    ASSERT_EQ(printer.Bind({0x7F000001u, 0}), 0);
    const Ipv4Endpoint printerAt = *printer.LocalEndpoint();
    // Loopback delivers within sendto(): had the datagram left, the
    // printer's socket would already hold it.
    std::vector<bool> arrivedWhenRecorded;
    const int id = AddTraceSink([&](const TraceEvent& e) {
        if (e.kind == TraceKind::Write)
            arrivedWhenRecorded.push_back(printer.WaitReadable(std::chrono::steady_clock::now()) ==
                                          1);
    });
    UdpSocket tool;
    ASSERT_EQ(tool.Open(true), 0);
    ASSERT_EQ(tool.Bind({0x7F000001u, 0}), 0);
    const std::vector<uint8_t> probe = Bytes({0x01});
    EXPECT_EQ(tool.SendTo(probe.data(), probe.size(), printerAt), 0);
    uint8_t buffer[4];
    EXPECT_EQ(printer.ReceiveNow(buffer, sizeof buffer), 1);
    EXPECT_EQ(tool.SendBroadcast(probe.data(), probe.size(), printerAt, false, false), 1);
    RemoveTraceSink(id);
    EXPECT_EQ(arrivedWhenRecorded, std::vector<bool>({false, false}));
}

} // namespace
