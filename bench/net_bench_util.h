#pragma once
// Helpers of the discovery benchmarks.
#include <sys/resource.h>

#include "network/udp_socket.h"

namespace printune_bench {

// CPU time of this process so far (user and system), in seconds.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A UDP port on 127.0.0.1 that is free right now.
inline uint16_t FreeLoopbackPort() {
    printune::UdpSocket probe;
    probe.Open(false);
    probe.Bind({0x7F000001, 0});
    return probe.LocalEndpoint().value_or(printune::Ipv4Endpoint{}).port;
}

} // namespace printune_bench
