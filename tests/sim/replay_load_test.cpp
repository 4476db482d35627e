// How a trace file becomes the printer's side of a UDP replay.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include "port/comm_trace.h"
#include "replay.h"

using namespace printune;
using namespace printune_sim;

namespace {

TraceEvent Udp(TraceKind kind, const std::string& endpoint, std::vector<uint8_t> bytes = {},
               int sysErrno = 0) {
    TraceEvent e;
    e.transport = "udp";
    e.endpoint = endpoint;
    e.kind = kind;
    e.direction = kind == TraceKind::Write  ? TraceDirection::Out
                  : kind == TraceKind::Read ? TraceDirection::In
                                            : TraceDirection::None;
    e.length = bytes.size();
    e.bytes = std::move(bytes);
    e.sysErrno = sysErrno;
    return e;
}

std::map<uint16_t, UdpReplayPort> Load(const std::vector<TraceEvent>& events) {
    char name[] = "/tmp/printune-replay-load-XXXXXX";
    const int fd = ::mkstemp(name);
    EXPECT_GE(fd, 0);
    ::close(fd);
    {
        std::ofstream out(name);
        for (const TraceEvent& e : events)
            out << TraceEventJson(e) << '\n';
    }
    std::map<uint16_t, UdpReplayPort> ports;
    std::string error;
    EXPECT_TRUE(LoadUdpReplay(name, ports, error)) << error;
    std::remove(name);
    return ports;
}

// A search sent through two interfaces, one of which refused it, then
// answered by two printers on the tool's receiving port.
TEST(UdpReplayLoad, ASendThatFailedIsNoRequestAndRepliesFollowTheirRequest) {
    const std::map<uint16_t, UdpReplayPort> ports = Load({
        Udp(TraceKind::Write, "40000 → 255.255.255.255:3000 via eth0", {0x53}),
        Udp(TraceKind::Error, "40000 → 255.255.255.255:3000 via eth0", {}, ENETUNREACH),
        Udp(TraceKind::Write, "40000 → 255.255.255.255:3000 via lo", {0x53}),
        Udp(TraceKind::Read, "3001 ← 127.0.0.6:3000", {0x41}),
        Udp(TraceKind::Read, "3001 ← 127.0.0.7:3000", {0x42}),
        // A request that never left at all leaves no step behind.
        Udp(TraceKind::Write, "40000 → 127.0.0.6:3000", {0x51}),
        Udp(TraceKind::Error, "40000 → 127.0.0.6:3000", {}, EPERM),
    });
    ASSERT_EQ(ports.count(3000), 1u);
    const UdpReplayPort& port = ports.at(3000);
    ASSERT_EQ(port.steps.size(), 1u);
    const UdpReplayStep& step = port.steps[0];
    EXPECT_EQ(step.endpoints, std::vector<std::string>{"40000 → 255.255.255.255:3000 via lo"});
    ASSERT_EQ(step.replies.size(), 2u);
    EXPECT_EQ(step.replies[0].bytes, std::vector<uint8_t>{0x41});
    EXPECT_EQ(step.replies[1].bytes, std::vector<uint8_t>{0x42});
    EXPECT_EQ(step.replies[0].toPort, 3001); // the tool's receiving socket
}

} // namespace
