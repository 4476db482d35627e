#pragma once
// Simulated network printers of both discovery protocols: the label
// printers' text protocol (port 22094) and the HT-740 family's binary one
// (port 1901). NetLabelPrinter and NetHtPrinter are pure state machines over
// datagrams; NetworkPrinters puts any number of them behind two UDP sockets
// on an address of its own (127.0.0.x on one host, 0.0.0.0 inside a
// network namespace) and serves them from one thread.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/htnet_codec.h"
#include "network/netcfg_codec.h"
#include "network/udp_socket.h"

namespace printune_sim {

using SimClock = std::chrono::steady_clock;

// Misbehaviours a printer can be told to show.
enum NetFault : unsigned {
    NET_FAULT_NONE = 0,
    NET_FAULT_NO_ANSWER = 1 << 0,    // never answers
    NET_FAULT_ANSWER_TWICE = 1 << 1, // every reply is sent twice
    NET_FAULT_SPLIT = 1 << 2,        // every reply is split over two datagrams
    NET_FAULT_TWO_IN_ONE = 1 << 3,   // every reply twice in one datagram
    NET_FAULT_FOREIGN_MAC = 1 << 4,  // query replies name another MAC
    NET_FAULT_OVERSIZE = 1 << 5,     // replies longer than the protocol allows
    NET_FAULT_SHORT_REPLY = 1 << 6,  // HT: a 200-byte configuration reply
    NET_FAULT_NO_ACK = 1 << 7,       // HT: set blocks and applies taken, never acknowledged
};
// How the faults turn one reply into the datagrams sent.
std::vector<std::vector<uint8_t>> ShapeReply(std::vector<uint8_t> reply, unsigned faults);
// "no-answer", "answer-twice", "split", "two-in-one", "foreign-mac",
// "oversize", "short-reply", "no-ack"; 0 for an unknown name.
unsigned NetFaultFromName(const std::string& name);

// The label printer's network identity, as its entries carry it.
struct NetLabelIdentity {
    std::string dev = "KP-520";
    std::string ver = "V2.1.0";
    std::string serial = "KP5200000001";
    std::string mac = "00A0C1000001";
    std::string ipCur = "192.168.0.101";
    std::string dhcp = "0";
    std::string ip = "192.168.0.101";
    std::string mask = "255.255.255.0";
    std::string gateway = "192.168.0.1";
    std::string printPort = "9100";
    std::string printTimeout = "30";
};

struct NetLabelSetup {
    NetLabelIdentity identity;
    unsigned faults = NET_FAULT_NONE;
    // With DHCP switched on by a set request, IP_CUR reads "----" for this
    // long, then dhcpAddress.
    int dhcpSettleMs = 0;
    std::string dhcpAddress = "192.168.0.150";
};

class NetLabelPrinter {
public:
    explicit NetLabelPrinter(NetLabelSetup setup);
    // One request datagram; the datagrams to send back (none for a set or a
    // request for another printer).
    std::vector<std::vector<uint8_t>> OnDatagram(const uint8_t* data, size_t length,
                                                 SimClock::time_point now);
    NetLabelIdentity Identity(SimClock::time_point now) const;
    int SetsApplied() const { return setsApplied_; }
    void SetFaults(unsigned faults) { setup_.faults = faults; }

private:
    printune::NetCfgEntryList Entries(bool all, SimClock::time_point now) const;
    std::vector<std::vector<uint8_t>> Shape(std::vector<uint8_t> reply) const;
    void ApplySet(const printune::NetCfgEntryList& list, SimClock::time_point now);

    NetLabelSetup setup_;
    SimClock::time_point dhcpReadyAt_{};
    int setsApplied_ = 0;
};

struct NetHtSetup {
    printune::HtDeviceRecord record;
    printune::HtNetConfig config;
    unsigned faults = NET_FAULT_NONE;
    // With DHCP on after an apply, the record announces 0.0.0.0 this long.
    int dhcpSettleMs = 0;
    printune::HtIpv4 dhcpAddress{192, 168, 0, 160};
};
// A consistent HT-740 printer numbered n (MAC 00:11:22:33:44:55+n, IP
// 192.168.0.(120+n), port 9100, DHCP off).
NetHtSetup DefaultHtSetup(int n);
NetLabelSetup DefaultLabelSetup(int n);

class NetHtPrinter {
public:
    explicit NetHtPrinter(NetHtSetup setup);
    std::vector<std::vector<uint8_t>> OnDatagram(const uint8_t* data, size_t length,
                                                 SimClock::time_point now);
    printune::HtDeviceRecord Record(SimClock::time_point now) const;
    const printune::HtNetConfig& Config() const { return setup_.config; }
    // Requests that reached this printer, e.g. "query", "block1", "apply".
    const std::vector<std::string>& Log() const { return log_; }

private:
    std::vector<std::vector<uint8_t>> Shape(std::vector<uint8_t> reply) const;

    NetHtSetup setup_;
    printune::HtNetConfig pending_;
    SimClock::time_point dhcpReadyAt_{};
    std::vector<std::string> log_;
};

struct NetworkPrintersOptions {
    std::string bindAddress = "127.0.0.2";
    uint16_t netcfgPort = printune::NETCFG_PORT; // 0: any free port
    // Label printers answer to the request's source address on this port;
    // 0 answers to the source port.
    uint16_t netcfgReplyPort = printune::NETCFG_PORT;
    // Label printers answer by broadcast (to 255.255.255.255 on the reply
    // port, through every interface), as a printer outside the tool's
    // subnet must.
    bool netcfgReplyBroadcast = false;
    uint16_t htPort = printune::HTNET_PORT; // 0: any free port
    std::vector<NetLabelSetup> label;
    std::vector<NetHtSetup> ht;
};

class NetworkPrinters {
public:
    // Binds the sockets and starts serving; nullptr with `error` set when a
    // socket cannot be bound.
    static std::unique_ptr<NetworkPrinters> Start(const NetworkPrintersOptions& options,
                                                  std::string& error);
    ~NetworkPrinters();
    void Stop();

    printune::Ipv4Endpoint NetcfgEndpoint() const { return netcfgEndpoint_; }
    printune::Ipv4Endpoint HtEndpoint() const { return htEndpoint_; }
    NetLabelIdentity LabelIdentity(size_t index) const;
    int LabelSetsApplied(size_t index) const;
    void SetLabelFaults(size_t index, unsigned faults);
    printune::HtNetConfig HtConfig(size_t index) const;
    printune::HtDeviceRecord HtRecord(size_t index) const;
    std::vector<std::string> HtLog(size_t index) const;
    // Requests received on each socket.
    int NetcfgRequests() const;
    int HtRequests() const;
    // When each reply datagram of a protocol went out, in order (for
    // measuring how long a reply takes to reach the tool's list).
    std::vector<SimClock::time_point> SentTimes(bool label) const;

private:
    NetworkPrinters() = default;
    void Serve();

    NetworkPrintersOptions options_;
    printune::UdpSocket netcfgSocket_;
    printune::UdpSocket htSocket_;
    printune::Ipv4Endpoint netcfgEndpoint_;
    printune::Ipv4Endpoint htEndpoint_;
    mutable std::mutex mutex_;
    std::vector<NetLabelPrinter> label_;
    std::vector<NetHtPrinter> ht_;
    int netcfgRequests_ = 0;
    int htRequests_ = 0;
    std::vector<SimClock::time_point> netcfgSent_, htSent_;
    printune::WakeEvent stop_;
    std::thread thread_;
};

// One entry point for printune-sim: parses the --net-* options it knows
// from argv (ignoring others), and when any printer was asked for, starts
// them. Returns nullptr when none was asked for or on error (then `error`
// is set).
std::unique_ptr<NetworkPrinters> StartNetworkPrinters(int argc, char** argv, std::string& error);
// The --net-* options, for printune-sim's usage text.
const char* NetworkPrintersUsage();

} // namespace printune_sim
