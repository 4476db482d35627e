#include "replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/sha256.h"
#include "event_loop.h"
#include "port/comm_trace.h"

namespace printune_sim {

using printune::TraceEvent;
using printune::TraceKind;

namespace {

bool Matches(const ReplayStep& step, const uint8_t* data, size_t length) {
    if (length != step.length)
        return false;
    if (!step.sha256.empty())
        return printune::Sha256Hex(data, length) == step.sha256;
    return std::equal(data, data + length, step.request.begin(), step.request.end());
}

ReplayStep StepOf(TraceEvent& e) {
    ReplayStep step;
    step.request = std::move(e.bytes);
    step.length = e.length;
    step.sha256 = e.sha256;
    return step;
}

} // namespace

bool LoadReplay(const std::string& path, const std::string& transport,
                std::vector<ReplayStep>& steps, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read replay file " + path;
        return false;
    }
    steps.clear();
    std::string line;
    while (std::getline(in, line)) {
        TraceEvent e;
        if (!printune::ParseTraceEvent(line, e) || e.transport != transport)
            continue;
        if (e.kind == TraceKind::Write) {
            steps.push_back(StepOf(e));
        } else if (e.kind == TraceKind::Read && !steps.empty()) {
            steps.back().reply.insert(steps.back().reply.end(), e.bytes.begin(), e.bytes.end());
        }
    }
    return true;
}

ReplayDevice::ReplayDevice(std::vector<ReplayStep> steps) : steps_(std::move(steps)) {}

void ReplayDevice::OnBytes(const uint8_t* data, size_t length, Reply& reply) {
    pending_.insert(pending_.end(), data, data + length);
    while (next_ < steps_.size() && pending_.size() >= steps_[next_].length) {
        const ReplayStep& step = steps_[next_];
        const bool same = Matches(step, pending_.data(), step.length);
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(step.length));
        ++next_;
        if (!same) {
            const std::string text = "replay: request " + std::to_string(next_) +
                                     " differs from the recording (" + std::to_string(step.length) +
                                     " bytes)";
            std::fprintf(stderr, "%s\n", text.c_str());
            events_.push_back(text);
            continue;
        }
        reply.bytes.insert(reply.bytes.end(), step.reply.begin(), step.reply.end());
    }
    // Bytes beyond the recording are a request it does not hold.
    if (next_ >= steps_.size() && !pending_.empty()) {
        const std::string text =
            "replay: " + std::to_string(pending_.size()) + " bytes after the end of the recording";
        std::fprintf(stderr, "%s\n", text.c_str());
        events_.push_back(text);
        pending_.clear();
    }
}

std::vector<std::string> ReplayDevice::TakeEvents() {
    return std::move(events_);
}

// ---------------------------------------------------------------- UDP

namespace {

// A datagram's endpoint as the trace names it: "LOCAL → A.B.C.D:PORT" for
// one sent, "LOCAL ← A.B.C.D:PORT" for one received, either perhaps
// followed by " via INTERFACE".
struct UdpPath {
    uint16_t local = 0;
    uint32_t address = 0; // the peer, host order
    uint16_t port = 0;
};

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text);
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool ParseUdpPath(const std::string& text, bool out, UdpPath& path) {
    const std::string arrow = out ? " → " : " ← ";
    const size_t at = text.find(arrow);
    if (at == std::string::npos || !ParsePort(text.substr(0, at), path.local))
        return false;
    const size_t start = at + arrow.size();
    const size_t end = text.find(' ', start);
    const std::string peer = text.substr(start, end == std::string::npos ? end : end - start);
    const size_t colon = peer.rfind(':');
    in_addr address{};
    if (colon == std::string::npos ||
        inet_pton(AF_INET, peer.substr(0, colon).c_str(), &address) != 1 ||
        !ParsePort(peer.substr(colon + 1), path.port))
        return false;
    path.address = ntohl(address.s_addr);
    return true;
}

bool IsLoopback(uint32_t address) {
    return (address >> 24) == 127;
}

} // namespace

bool LoadUdpReplay(const std::string& path, std::map<uint16_t, UdpReplayPort>& ports,
                   std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read replay file " + path;
        return false;
    }
    ports.clear();
    uint16_t lastPort = 0; // where the latest request went
    std::string line;
    while (std::getline(in, line)) {
        TraceEvent e;
        if (!printune::ParseTraceEvent(line, e) || e.transport != "udp")
            continue;
        UdpPath where;
        if (e.kind == TraceKind::Write && ParseUdpPath(e.endpoint, true, where)) {
            UdpReplayPort& port = ports[where.port];
            if (port.address == 0 && IsLoopback(where.address))
                port.address = where.address;
            lastPort = where.port;
            // One request goes out through every interface, and to each
            // one's directed broadcast address: copies sent before any
            // answer, each another way, are one request. The same way
            // again is the tool asking anew.
            if (!port.steps.empty()) {
                UdpReplayStep& last = port.steps.back();
                if (last.replies.empty() && last.sourcePort == where.local &&
                    last.request.length == e.length && last.request.request == e.bytes &&
                    last.request.sha256 == e.sha256 &&
                    std::find(last.endpoints.begin(), last.endpoints.end(), e.endpoint) ==
                        last.endpoints.end()) {
                    last.endpoints.push_back(e.endpoint);
                    continue;
                }
            }
            UdpReplayStep step;
            step.request = StepOf(e);
            step.sourcePort = where.local;
            step.endpoints.push_back(e.endpoint);
            port.steps.push_back(std::move(step));
        } else if (e.kind == TraceKind::Error && ParseUdpPath(e.endpoint, true, where)) {
            // A request is traced before it is sent; one that could not
            // be sent never reached a printer.
            auto it = ports.find(where.port);
            if (it == ports.end() || it->second.steps.empty())
                continue;
            UdpReplayStep& last = it->second.steps.back();
            const auto sentWay =
                std::find(last.endpoints.begin(), last.endpoints.end(), e.endpoint);
            if (!last.replies.empty() || sentWay == last.endpoints.end())
                continue;
            last.endpoints.erase(sentWay);
            if (last.endpoints.empty())
                it->second.steps.pop_back();
        } else if (e.kind == TraceKind::Read && ParseUdpPath(e.endpoint, false, where)) {
            // A reply answers the latest request to the port it came from,
            // else the latest request.
            auto it = ports.find(where.port);
            if (it == ports.end() || it->second.steps.empty())
                it = ports.find(lastPort);
            if (it == ports.end() || it->second.steps.empty())
                continue;
            UdpReplayStep& step = it->second.steps.back();
            UdpReplyDatagram reply;
            reply.fromPort = where.port;
            reply.toPort = where.local == step.sourcePort ? 0 : where.local;
            // One kept only by its digest cannot be sent again.
            if (e.bytes.size() != e.length)
                reply.digestOnly = e.length;
            else
                reply.bytes = std::move(e.bytes);
            step.replies.push_back(std::move(reply));
        }
    }
    return true;
}

UdpReplay::UdpReplay(EventLoop& loop, std::map<uint16_t, UdpReplayPort> ports,
                     std::string bindAddress)
    : loop_(loop), bindAddress_(std::move(bindAddress)) {
    for (auto& [number, port] : ports)
        bound_[number].recording = std::move(port);
}

UdpReplay::~UdpReplay() {
    for (auto& [number, b] : bound_)
        if (b.fd >= 0) {
            loop_.Unwatch(b.fd);
            ::close(b.fd);
        }
}

bool UdpReplay::Start(std::string& error) {
    in_addr fallback{};
    if (inet_pton(AF_INET, bindAddress_.c_str(), &fallback) != 1) {
        error = "bad replay bind address " + bindAddress_;
        return false;
    }
    for (auto& [number, b] : bound_) {
        b.address = b.recording.address != 0 ? b.recording.address : ntohl(fallback.s_addr);
        b.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(b.address);
        sa.sin_port = htons(number);
        if (b.fd < 0 || ::bind(b.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            char text[INET_ADDRSTRLEN] = "?";
            inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
            error = "cannot bind udp " + std::string(text) + ":" + std::to_string(number) + ": " +
                    std::strerror(errno);
            return false;
        }
        const uint16_t port = number;
        loop_.Watch(b.fd, POLLIN, [this, port](short) { OnReadable(port); });
    }
    return true;
}

std::vector<std::pair<std::string, uint16_t>> UdpReplay::Endpoints() const {
    std::vector<std::pair<std::string, uint16_t>> list;
    for (const auto& [number, b] : bound_) {
        in_addr a{};
        a.s_addr = htonl(b.address);
        char text[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &a, text, sizeof text);
        list.emplace_back(text, number);
    }
    return list;
}

void UdpReplay::Report(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void UdpReplay::OnReadable(uint16_t port) {
    Bound& b = bound_.at(port);
    std::vector<uint8_t> datagram(65536);
    uint8_t* const buffer = datagram.data();
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(b.fd, buffer, datagram.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return; // drained (or an error a datagram sent earlier left)
        }
        const size_t length = static_cast<size_t>(n);
        const std::string where = " on udp port " + std::to_string(port);
        if (b.next >= b.recording.steps.size()) {
            Report("replay: a request" + where + " after the end of the recording (" +
                   std::to_string(length) + " bytes)");
            continue;
        }
        const UdpReplayStep& step = b.recording.steps[b.next++];
        if (!Matches(step.request, buffer, length)) {
            Report("replay: request " + std::to_string(b.next) + where +
                   " differs from the recording (" + std::to_string(length) + " bytes)");
            continue;
        }
        for (const UdpReplyDatagram& reply : step.replies) {
            if (reply.digestOnly != 0) {
                Report("replay: a reply of " + std::to_string(reply.digestOnly) + " bytes" + where +
                       " was recorded by length and digest only (record with --trace-full)");
                continue;
            }
            sockaddr_in to = from;
            if (reply.toPort != 0)
                to.sin_port = htons(reply.toPort);
            const auto source = bound_.find(reply.fromPort);
            const int fd = source != bound_.end() ? source->second.fd : b.fd;
            // Loopback takes it or drops it; either way there is nothing to retry.
            [[maybe_unused]] const ssize_t sent =
                ::sendto(fd, reply.bytes.data(), reply.bytes.size(), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
    }
}

} // namespace printune_sim
