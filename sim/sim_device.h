#pragma once
// What sits behind an endpoint of the simulator: a device that consumes the
// bytes the endpoint received and answers. Endpoints (TCP, pty serial, LPT,
// USB nodes) own the I/O; devices are pure state machines over bytes, so the
// printer models can be tested without descriptors.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace printune_sim {

struct Reply {
    std::vector<uint8_t> bytes;   // sent back on the same endpoint
    int delayMs = 0;              // wait this long before sending
    bool closeConnection = false; // TCP: drop the connection afterwards
    // Send only the first splitAt bytes at first and the rest splitGapMs
    // later (0: all at once), as a printer whose reply leaves in pieces.
    size_t splitAt = 0;
    int splitGapMs = 0;
};

class SimDevice {
public:
    virtual ~SimDevice() = default;
    // Every chunk received, in order. Partial commands are kept until the
    // rest arrives.
    virtual void OnBytes(const uint8_t* data, size_t length, Reply& reply) = 0;
    // The connection that delivered the bytes ended (TCP close): drop any
    // partial command.
    virtual void OnDisconnect() {}
    // A human-readable line per decoded event since the last call (for the
    // capture file and tests); empty by default.
    virtual std::vector<std::string> TakeEvents() { return {}; }
};

} // namespace printune_sim
