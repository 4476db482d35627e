#include "network/udp_socket.h"

#include "port/comm_trace.h"
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace printune {

namespace {

sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(endpoint.address);
    sa.sin_port = htons(endpoint.port);
    return sa;
}

} // namespace

std::optional<uint32_t> ParseIpv4(const std::string& text) {
    uint32_t result = 0;
    size_t pos = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        size_t digits = 0;
        unsigned value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        result = (result << 8) | value;
    }
    if (pos != text.size())
        return std::nullopt;
    return result;
}

std::string FormatIpv4(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<Ipv4Endpoint> ParseEndpoint(const std::string& text, uint16_t defaultPort) {
    std::string host = text;
    uint16_t port = defaultPort;
    const size_t colon = text.find(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string portText = text.substr(colon + 1);
        if (portText.empty() || portText.size() > 5 ||
            portText.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const unsigned long value = std::strtoul(portText.c_str(), nullptr, 10);
        if (value > 65535)
            return std::nullopt;
        port = static_cast<uint16_t>(value);
    }
    const auto address = ParseIpv4(host);
    if (!address)
        return std::nullopt;
    return Ipv4Endpoint{*address, port};
}

namespace {

// "a.b.c.d", "a.b.c.d-e", "a.b.c.d-a.b.c.e" or "a.b.c.d/nn" (no port).
bool AddressRange(const std::string& item, uint32_t& first, uint32_t& last) {
    if (const size_t slash = item.find('/'); slash != std::string::npos) {
        const auto base = ParseIpv4(item.substr(0, slash));
        const std::string bits = item.substr(slash + 1);
        if (!base || bits.empty() || bits.size() > 2 ||
            bits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int prefix = std::stoi(bits);
        if (prefix < 0 || prefix > 32)
            return false;
        const uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
        first = *base & mask;
        last = first | ~mask;
        return true;
    }
    if (const size_t dash = item.find('-'); dash != std::string::npos) {
        const auto start = ParseIpv4(item.substr(0, dash));
        const std::string end = item.substr(dash + 1);
        if (!start)
            return false;
        if (auto full = ParseIpv4(end)) {
            first = *start;
            last = *full;
        } else {
            if (end.empty() || end.size() > 3 ||
                end.find_first_not_of("0123456789") != std::string::npos || std::stoi(end) > 255)
                return false;
            first = *start;
            last = (*start & 0xFFFFFF00u) | static_cast<uint32_t>(std::stoi(end));
        }
        return first <= last;
    }
    const auto single = ParseIpv4(item);
    if (!single)
        return false;
    first = last = *single;
    return true;
}

} // namespace

std::vector<Ipv4Endpoint> ParseDestinationList(const std::string& text, uint16_t defaultPort,
                                               std::string& error) {
    std::vector<Ipv4Endpoint> result;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        std::string item = text.substr(start, comma - start);
        start = comma + 1;
        uint16_t port = defaultPort;
        if (const size_t colon = item.find(':'); colon != std::string::npos) {
            const auto endpoint = ParseEndpoint("0.0.0.0" + item.substr(colon), defaultPort);
            if (!endpoint) {
                error = "bad port in '" + item + "'";
                return {};
            }
            port = endpoint->port;
            item.resize(colon);
        }
        uint32_t first = 0, last = 0;
        if (!AddressRange(item, first, last)) {
            error = "'" + item + "' is not an address, range or block";
            return {};
        }
        if (last - first >= IPV4_SWEEP_MAX || result.size() + (last - first) >= IPV4_SWEEP_MAX) {
            error = "more than " + std::to_string(IPV4_SWEEP_MAX) + " addresses";
            return {};
        }
        for (uint64_t a = first; a <= last; ++a)
            result.push_back({static_cast<uint32_t>(a), port});
    }
    return result;
}

std::string FormatEndpoint(const Ipv4Endpoint& endpoint) {
    return FormatIpv4(endpoint.address) + ":" + std::to_string(endpoint.port);
}

Ipv4Endpoint EndpointFromEnvironment(const char* name, const Ipv4Endpoint& fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    return ParseEndpoint(value, fallback.port).value_or(fallback);
}

void RouteFromEnvironment(const std::string& prefix, Ipv4Endpoint& destination, Ipv4Endpoint& bind,
                          bool& everyInterface) {
    destination = EndpointFromEnvironment((prefix + "_DEST").c_str(), destination);
    bind = EndpointFromEnvironment((prefix + "_BIND").c_str(), bind);
    const char* every = std::getenv((prefix + "_EVERY_INTERFACE").c_str());
    if (every != nullptr && std::strcmp(every, "0") == 0)
        everyInterface = false;
}

std::vector<BroadcastInterface> ListBroadcastInterfaces() {
    std::vector<BroadcastInterface> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return result;
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET)
            continue;
        const unsigned flags = it->ifa_flags;
        if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK))
            continue;
        BroadcastInterface entry;
        entry.name = it->ifa_name;
        entry.index = if_nametoindex(it->ifa_name);
        entry.address = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
        if (it->ifa_broadaddr != nullptr && it->ifa_broadaddr->sa_family == AF_INET)
            entry.broadcast =
                ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_broadaddr)->sin_addr.s_addr);
        // One entry per interface: a secondary address must not make every
        // request go out twice on the same segment.
        const bool seen = std::any_of(result.begin(), result.end(), [&](const auto& known) {
            return known.index == entry.index;
        });
        if (entry.index != 0 && !seen)
            result.push_back(entry);
    }
    freeifaddrs(list);
    return result;
}

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
    if (fd_ >= 0)
        close(fd_);
}

void WakeEvent::Signal() {
    const uint64_t one = 1;
    if (fd_ >= 0) [[maybe_unused]]
        ssize_t ignored = write(fd_, &one, sizeof one);
}

void WakeEvent::Clear() {
    uint64_t value = 0;
    if (fd_ >= 0) [[maybe_unused]]
        ssize_t ignored = read(fd_, &value, sizeof value);
}

namespace {

// The socket's local port, as the trace names a UDP endpoint.
std::string TraceLocal(int sock) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return "?";
    return std::to_string(ntohs(sa.sin_port));
}

// A socket not yet bound gets its port from its first send; a send traced
// before it leaves takes that port now, as the send would (any address,
// any port), so the trace names it.
void BindForTrace(int sock) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&sa), &length) != 0 || sa.sin_port != 0)
        return;
    sa = sockaddr_in{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    (void)bind(sock, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
}

void TraceDatagram(int sock, TraceDirection direction, const Ipv4Endpoint& peer,
                   const std::string& via, const uint8_t* data, size_t length) {
    if (direction == TraceDirection::Out)
        BindForTrace(sock);
    std::string endpoint = TraceLocal(sock) + (direction == TraceDirection::Out ? " → " : " ← ") +
                           FormatEndpoint(peer);
    if (!via.empty())
        endpoint += " via " + via;
    TraceBytes("udp", endpoint,
               direction == TraceDirection::Out ? TraceKind::Write : TraceKind::Read, direction,
               data, length);
}

} // namespace

UdpSocket::~UdpSocket() {
    Close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_.exchange(-1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_.store(other.fd_.exchange(-1));
    }
    return *this;
}

int UdpSocket::Open(bool allowBroadcast) {
    Close();
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sock < 0)
        return errno;
    fd_.store(sock, std::memory_order_release);
    if (allowBroadcast) {
        const int on = 1;
        if (setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            const int error = errno;
            Close();
            return error;
        }
    }
    return 0;
}

int UdpSocket::Bind(const Ipv4Endpoint& local, bool reuseAddress) {
    const int sock = fd();
    if (sock < 0)
        return EBADF;
    if (reuseAddress) {
        const int on = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    const sockaddr_in sa = ToSockaddr(local);
    if (bind(sock, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        const int error = errno;
        if (TraceOn())
            TraceState("udp", FormatEndpoint(local), TraceKind::Error, error);
        return error;
    }
    if (TraceOn())
        TraceState("udp", TraceLocal(sock), TraceKind::Open);
    return 0;
}

void UdpSocket::Close() {
    const int sock = fd_.exchange(-1);
    if (sock < 0)
        return;
    if (TraceOn())
        TraceState("udp", TraceLocal(sock), TraceKind::Close);
    close(sock);
}

std::optional<Ipv4Endpoint> UdpSocket::LocalEndpoint() const {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    const int sock = fd();
    if (sock < 0 || getsockname(sock, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return std::nullopt;
    return Ipv4Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

int UdpSocket::SendTo(const uint8_t* data, size_t length, const Ipv4Endpoint& to) {
    const int sock = fd();
    if (sock < 0)
        return EBADF;
    const sockaddr_in sa = ToSockaddr(to);
    // Traced before it leaves: a reply can reach the receiving thread, and
    // its trace, before sendto() returns here, and a recording must show
    // the request first. A failure follows it as an error.
    if (TraceOn())
        TraceDatagram(sock, TraceDirection::Out, to, {}, data, length);
    for (;;) {
        const ssize_t sent = sendto(sock, data, length, MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
        if (sent >= 0)
            return 0;
        if (errno != EINTR) {
            const int error = errno;
            if (TraceOn())
                TraceState("udp", TraceLocal(sock) + " → " + FormatEndpoint(to), TraceKind::Error,
                           error);
            return error;
        }
    }
}

int UdpSocket::SendBroadcast(const uint8_t* data, size_t length, const Ipv4Endpoint& to,
                             bool everyInterface, bool directed) {
    const int sock = fd();
    if (sock < 0)
        return 0;
    int sent = 0;
    if (to.address == IPV4_BROADCAST && everyInterface) {
        // Interface-bound limited broadcast (IP_PKTINFO): it reaches every
        // printer on that segment, whatever address the printer has.
        const std::vector<BroadcastInterface> interfaces = ListBroadcastInterfaces();
        for (const BroadcastInterface& itf : interfaces) {
            sockaddr_in sa = ToSockaddr(to);
            iovec iov{const_cast<uint8_t*>(data), length};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
            msghdr msg{};
            msg.msg_name = &sa;
            msg.msg_namelen = sizeof sa;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            cmsghdr* cm = CMSG_FIRSTHDR(&msg);
            cm->cmsg_level = IPPROTO_IP;
            cm->cmsg_type = IP_PKTINFO;
            cm->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_ifindex = static_cast<int>(itf.index);
            info.ipi_spec_dst.s_addr = htonl(itf.address);
            std::memcpy(CMSG_DATA(cm), &info, sizeof info);
            if (TraceOn()) // before it leaves, as in SendTo
                TraceDatagram(sock, TraceDirection::Out, to, itf.name, data, length);
            ssize_t result;
            do {
                result = sendmsg(sock, &msg, MSG_NOSIGNAL);
            } while (result < 0 && errno == EINTR);
            if (result >= 0)
                ++sent;
            else if (TraceOn())
                TraceState("udp",
                           TraceLocal(sock) + " → " + FormatEndpoint(to) + " via " + itf.name,
                           TraceKind::Error, errno);
        }
        // Directed broadcasts reach a segment behind a router that forwards
        // them; on the tool's own segment a printer hears the search twice.
        if (directed)
            for (const BroadcastInterface& itf : interfaces)
                if (itf.broadcast != 0 && itf.broadcast != IPV4_BROADCAST &&
                    SendTo(data, length, {itf.broadcast, to.port}) == 0)
                    ++sent;
        if (sent > 0)
            return sent;
    }
    return SendTo(data, length, to) == 0 ? 1 : 0;
}

int UdpSocket::SendToEach(const uint8_t* data, size_t length, const std::vector<Ipv4Endpoint>& to) {
    // Bursts of 16 with a 2 ms gap: 1,024 addresses take about 130 ms.
    constexpr size_t BURST = 16;
    int sent = 0;
    for (size_t i = 0; i < to.size(); ++i) {
        if (i > 0 && i % BURST == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (SendTo(data, length, to[i]) == 0)
            ++sent;
    }
    return sent;
}

int UdpSocket::WaitReadable(SteadyTime deadline, const WakeEvent* wake) const {
    const int sock = fd();
    if (sock < 0)
        return -1;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        long long remaining =
            now >= deadline ? 0
                            : std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        if (remaining > 60000)
            remaining = 60000;
        pollfd fds[2] = {{sock, POLLIN, 0}, {wake ? wake->fd() : -1, POLLIN, 0}};
        const int ready = poll(fds, wake ? 2 : 1, static_cast<int>(remaining));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (wake && (fds[1].revents & POLLIN))
            return 2;
        if (fds[0].revents & POLLNVAL)
            return -1;
        // A pending socket error (an ICMP report) is handed to the next
        // receive, which returns and clears it.
        if (fds[0].revents & (POLLIN | POLLERR))
            return 1;
        if (ready == 0 && std::chrono::steady_clock::now() >= deadline)
            return 0;
    }
}

long UdpSocket::ReceiveNow(uint8_t* buffer, size_t capacity, Ipv4Endpoint* from) {
    const int sock = fd();
    if (sock < 0)
        return -1;
    sockaddr_in sa{};
    socklen_t saLength = sizeof sa;
    for (;;) {
        // MSG_TRUNC reports the datagram's real length, so an oversize one
        // is recognised instead of being taken as its first bytes.
        const ssize_t received = recvfrom(sock, buffer, capacity, MSG_TRUNC | MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&sa), &saLength);
        if (received >= 0) {
            const Ipv4Endpoint peer{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
            if (from)
                *from = peer;
            if (TraceOn())
                TraceDatagram(sock, TraceDirection::In, peer, {}, buffer,
                              std::min(static_cast<size_t>(received), capacity));
            return static_cast<long>(received);
        }
        if (errno != EINTR)
            return -1;
    }
}

} // namespace printune
