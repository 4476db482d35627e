#include "replay.h"

#include <cstdio>
#include <fstream>

#include "base/sha256.h"
#include "port/comm_trace.h"

namespace printune_sim {

using printune::TraceEvent;
using printune::TraceKind;

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
            ReplayStep step;
            step.request = e.bytes;
            step.length = e.length;
            step.sha256 = e.sha256;
            steps.push_back(std::move(step));
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
        const std::vector<uint8_t> got(pending_.begin(),
                                       pending_.begin() + static_cast<std::ptrdiff_t>(step.length));
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(step.length));
        const bool same = step.sha256.empty()
                              ? got == step.request
                              : printune::Sha256Hex(got.data(), got.size()) == step.sha256;
        ++next_;
        if (!same) {
            const std::string text = "replay: request " + std::to_string(next_) +
                                     " differs from the recording (" + std::to_string(got.size()) +
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

} // namespace printune_sim
