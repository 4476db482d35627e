#pragma once
// Replay of a communication trace: the printer's side of a recording. Each
// request recorded on a transport is expected in turn on an endpoint of the
// same kind and answered with the reply recorded after it; a request that
// differs is reported (standard error and the capture) and not answered.
#include <cstdint>
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

} // namespace printune_sim
