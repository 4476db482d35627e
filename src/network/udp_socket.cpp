#include "network/udp_socket.h"

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
        if (entry.index != 0)
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

UdpSocket::~UdpSocket() {
    Close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int UdpSocket::Open(bool allowBroadcast) {
    Close();
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0)
        return errno;
    if (allowBroadcast) {
        const int on = 1;
        if (setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
            const int error = errno;
            Close();
            return error;
        }
    }
    return 0;
}

int UdpSocket::Bind(const Ipv4Endpoint& local, bool reuseAddress) {
    if (fd_ < 0)
        return EBADF;
    if (reuseAddress) {
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    const sockaddr_in sa = ToSockaddr(local);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0)
        return errno;
    return 0;
}

void UdpSocket::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

std::optional<Ipv4Endpoint> UdpSocket::LocalEndpoint() const {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (fd_ < 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
        return std::nullopt;
    return Ipv4Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

int UdpSocket::SendTo(const uint8_t* data, size_t length, const Ipv4Endpoint& to) {
    if (fd_ < 0)
        return EBADF;
    const sockaddr_in sa = ToSockaddr(to);
    for (;;) {
        const ssize_t sent = sendto(fd_, data, length, MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
        if (sent >= 0)
            return 0;
        if (errno != EINTR)
            return errno;
    }
}

int UdpSocket::SendBroadcast(const uint8_t* data, size_t length, const Ipv4Endpoint& to,
                             bool everyInterface) {
    if (fd_ < 0)
        return 0;
    int sent = 0;
    if (to.address == IPV4_BROADCAST && everyInterface) {
        // Interface-bound limited broadcast (IP_PKTINFO): it reaches every
        // printer on that segment, whatever address the printer has.
        for (const BroadcastInterface& itf : ListBroadcastInterfaces()) {
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
            ssize_t result;
            do {
                result = sendmsg(fd_, &msg, MSG_NOSIGNAL);
            } while (result < 0 && errno == EINTR);
            if (result >= 0)
                ++sent;
        }
        if (sent > 0)
            return sent;
    }
    return SendTo(data, length, to) == 0 ? 1 : 0;
}

int UdpSocket::WaitReadable(SteadyTime deadline, const WakeEvent* wake) const {
    if (fd_ < 0)
        return -1;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        long long remaining =
            now >= deadline ? 0
                            : std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        if (remaining > 60000)
            remaining = 60000;
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake ? wake->fd() : -1, POLLIN, 0}};
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
    if (fd_ < 0)
        return -1;
    sockaddr_in sa{};
    socklen_t saLength = sizeof sa;
    for (;;) {
        // MSG_TRUNC reports the datagram's real length, so an oversize one
        // is recognised instead of being taken as its first bytes.
        const ssize_t received = recvfrom(fd_, buffer, capacity, MSG_TRUNC | MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&sa), &saLength);
        if (received >= 0) {
            if (from)
                *from = Ipv4Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
            return static_cast<long>(received);
        }
        if (errno != EINTR)
            return -1;
    }
}

} // namespace printune
