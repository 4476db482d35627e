#pragma once
// Replay of a communication trace: the printer's side of a recording. Each
// request recorded on a transport is expected in turn on an endpoint of the
// same kind and answered with the reply recorded after it; a request that
// differs is reported (standard error and the capture) and not answered.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim_device.h"

namespace printune_sim {

struct ReplayStep {
    std::vector<uint8_t> request; // empty when only the digest was recorded
    size_t length = 0;
    std::string sha256;
    std::vector<uint8_t> reply;
};

// The steps of each transport ("lan", "com", "lpt", "usb") in a trace file.
// False with a reason when the file cannot be read.
bool LoadReplay(const std::string& path, const std::string& transport,
                std::vector<ReplayStep>& steps, std::string& error);

class ReplayDevice : public SimDevice {
public:
    explicit ReplayDevice(std::vector<ReplayStep> steps);
    void OnBytes(const uint8_t* data, size_t length, Reply& reply) override;
    void OnDisconnect() override { pending_.clear(); }
    std::vector<std::string> TakeEvents() override;

private:
    std::vector<ReplayStep> steps_;
    size_t next_ = 0;
    std::vector<uint8_t> pending_; // bytes of a request still arriving
    std::vector<std::string> events_;
};

// UDP: the printer's ports of the network search and configuration
// protocols. Each port the recording sent requests to is bound on loopback
// and plays the datagrams recorded for it in turn: a request that matches is
// answered with the datagrams recorded after it, from the port they came
// from, to the sender's address (and its port, or the port the tool
// received them on when that was another socket's).

class EventLoop;

struct UdpReplyDatagram {
    uint16_t fromPort = 0; // the printer's port it came from
    uint16_t toPort = 0;   // 0: the request's source port
    std::vector<uint8_t> bytes;
    size_t digestOnly = 0; // the length of one recorded by length and digest
};

struct UdpReplayStep {
    ReplayStep request;
    std::vector<UdpReplyDatagram> replies;
    uint16_t sourcePort = 0;            // the tool's sending port
    std::vector<std::string> endpoints; // where this one datagram was sent
};

struct UdpReplayPort {
    uint32_t address = 0; // a loopback address it was sent to, host order; 0 none
    std::vector<UdpReplayStep> steps;
};

// The recorded printer ports (by number) of a trace file. False with a
// reason when the file cannot be read.
bool LoadUdpReplay(const std::string& path, std::map<uint16_t, UdpReplayPort>& ports,
                   std::string& error);

class UdpReplay {
public:
    // bindAddress: where ports recorded on a non-loopback address are bound
    // (a dotted quad); a port recorded on loopback keeps its address.
    UdpReplay(EventLoop& loop, std::map<uint16_t, UdpReplayPort> ports, std::string bindAddress);
    ~UdpReplay();
    UdpReplay(const UdpReplay&) = delete;
    UdpReplay& operator=(const UdpReplay&) = delete;

    // Binds every port; false with a reason when one cannot be bound.
    bool Start(std::string& error);
    // The bound ports: address (dotted quad) and port.
    std::vector<std::pair<std::string, uint16_t>> Endpoints() const;

private:
    struct Bound {
        int fd = -1;
        uint32_t address = 0;
        UdpReplayPort recording;
        size_t next = 0;
    };
    void OnReadable(uint16_t port);
    void Report(const std::string& text);

    EventLoop& loop_;
    std::map<uint16_t, Bound> bound_;
    std::string bindAddress_;
};

} // namespace printune_sim
