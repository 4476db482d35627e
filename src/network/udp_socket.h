#pragma once
// A small IPv4 UDP layer for the two discovery protocols: open, bind,
// broadcast through every interface, and receive against deadlines.
// Every socket is close-on-exec and owned by exactly one object.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace printune {

inline constexpr uint32_t IPV4_ANY = 0x00000000u;
inline constexpr uint32_t IPV4_BROADCAST = 0xFFFFFFFFu;

// An IPv4 address in host byte order and a port.
struct Ipv4Endpoint {
    uint32_t address = IPV4_ANY;
    uint16_t port = 0;
    bool operator==(const Ipv4Endpoint&) const = default;
};

// "a.b.c.d" (exactly four decimal octets) into host order.
std::optional<uint32_t> ParseIpv4(const std::string& text);
std::string FormatIpv4(uint32_t address);
// "a.b.c.d" or "a.b.c.d:port"; without a port, defaultPort is used.
std::optional<Ipv4Endpoint> ParseEndpoint(const std::string& text, uint16_t defaultPort);
std::string FormatEndpoint(const Ipv4Endpoint& endpoint);

// The endpoint named by environment variable `name`, else `fallback`.
// A malformed value is ignored (the fallback is used).
Ipv4Endpoint EndpointFromEnvironment(const char* name, const Ipv4Endpoint& fallback);

// The overrides PREFIX_DEST, PREFIX_BIND (endpoints) and
// PREFIX_EVERY_INTERFACE ("0" switches it off) of one protocol.
void RouteFromEnvironment(const std::string& prefix, Ipv4Endpoint& destination, Ipv4Endpoint& bind,
                          bool& everyInterface);

// Largest sweep a destination list may name.
inline constexpr size_t IPV4_SWEEP_MAX = 1024;

// A destination list: items separated by commas, each "a.b.c.d",
// "a.b.c.d-e" (last octet range), "a.b.c.d-a.b.c.e", or "a.b.c.d/nn",
// optionally followed by ":port" (else defaultPort). Empty with `error`
// set when malformed or when it names more than IPV4_SWEEP_MAX addresses.
std::vector<Ipv4Endpoint> ParseDestinationList(const std::string& text, uint16_t defaultPort,
                                               std::string& error);

// One interface that is up, can broadcast and is not loopback (its first
// IPv4 address; secondary addresses do not make a second entry).
struct BroadcastInterface {
    std::string name;
    unsigned index = 0;
    uint32_t address = 0;   // host order
    uint32_t broadcast = 0; // directed broadcast address, host order
};
std::vector<BroadcastInterface> ListBroadcastInterfaces();

using SteadyTime = std::chrono::steady_clock::time_point;

// A wake-up line for threads blocked in UdpSocket::WaitReadable (eventfd).
class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    void Signal();
    void Clear();
    int fd() const { return fd_; }

private:
    // Atomic: a thread may ask IsOpen() while another closes.
    std::atomic<int> fd_{-1};
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket. Returns 0 or an errno value.
    int Open(bool allowBroadcast);
    // Binds; 0 or an errno value (EADDRINUSE when another program holds
    // the port). reuseAddress shares the port with other sockets that ask
    // for the same.
    int Bind(const Ipv4Endpoint& local, bool reuseAddress = false);
    void Close();
    bool IsOpen() const { return fd_.load(std::memory_order_acquire) >= 0; }
    int fd() const { return fd_.load(std::memory_order_acquire); }
    std::optional<Ipv4Endpoint> LocalEndpoint() const;

    // One datagram to one destination. Returns 0 or an errno value.
    int SendTo(const uint8_t* data, size_t length, const Ipv4Endpoint& to);

    // Sends one datagram to `to`. When `to` is the limited broadcast
    // address and everyInterface is set, the datagram is sent once through
    // each up, broadcast-capable, non-loopback interface (the kernel would
    // otherwise use only the default route's interface), and with
    // `directed` also to each such interface's directed broadcast address
    // (which a router may forward); a plain send is the fall-back when
    // there is no such interface or every interface-bound send failed.
    // Returns the number of datagrams sent.
    int SendBroadcast(const uint8_t* data, size_t length, const Ipv4Endpoint& to,
                      bool everyInterface, bool directed = false);
    // One datagram to each endpoint, paced so that a sweep does not flood
    // the segment. Returns the number sent.
    int SendToEach(const uint8_t* data, size_t length, const std::vector<Ipv4Endpoint>& to);

    // Waits until a datagram (or a socket error for ReceiveNow to report)
    // is waiting, the deadline passes or `wake` is signalled. Returns 1
    // readable, 0 deadline, 2 woken, -1 when the socket is not usable.
    int WaitReadable(SteadyTime deadline, const WakeEvent* wake = nullptr) const;

    // Receives one waiting datagram without blocking. Returns its full
    // length (which may exceed capacity: the rest is lost and the caller
    // sees the datagram was too long), 0 for an empty datagram, or -1 when
    // none was waiting or on error.
    long ReceiveNow(uint8_t* buffer, size_t capacity, Ipv4Endpoint* from = nullptr);

private:
    // Atomic: a thread may ask IsOpen() while another closes.
    std::atomic<int> fd_{-1};
};

} // namespace printune
