#pragma once
// Canned replies: fixed bytes answered when a request arrives, for tests and
// for trying the tool against a printer model that does not exist yet.
//   --reply 06                 answer 06 after every chunk received
//   --reply 1B0D53=0611        answer 06 11 whenever 1B 0D 53 has arrived
//   --replies FILE             one "REQUEST = REPLY" per line, # comments
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim_device.h"

namespace printune_sim {

struct CannedRule {
    std::vector<uint8_t> request; // empty: every chunk
    std::vector<uint8_t> reply;
};

// Hex text with optional spaces, commas or "0x" prefixes; false on anything
// else or an odd digit count.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out);

// "REPLY" or "REQUEST=REPLY". False with a reason on bad input.
bool ParseCannedRule(const std::string& text, CannedRule& rule, std::string& error);
bool LoadCannedRules(const std::string& path, std::vector<CannedRule>& rules, std::string& error);

// Answers from the rules; bytes that match none go to the inner device (may
// be null: the printer then stays silent).
class CannedDevice : public SimDevice {
public:
    CannedDevice(std::vector<CannedRule> rules, std::unique_ptr<SimDevice> inner);
    void OnBytes(const uint8_t* data, size_t length, Reply& reply) override;
    void OnDisconnect() override;
    std::vector<std::string> TakeEvents() override;

private:
    std::vector<CannedRule> rules_;
    std::unique_ptr<SimDevice> inner_;
    std::vector<uint8_t> window_; // recent bytes, for requests split across chunks
    size_t longest_ = 0;
};

// Sends every byte back.
class EchoDevice : public SimDevice {
public:
    void OnBytes(const uint8_t* data, size_t length, Reply& reply) override {
        reply.bytes.insert(reply.bytes.end(), data, data + length);
    }
};

// Takes everything, answers nothing.
class SilentDevice : public SimDevice {
public:
    void OnBytes(const uint8_t*, size_t, Reply&) override {}
};

} // namespace printune_sim
