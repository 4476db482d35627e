#include "reply_faults.h"

#include <charconv>
#include <sstream>

namespace printune_sim {

namespace {

// A non-negative decimal count; 'out' is untouched on failure.
bool ParseCount(const std::string& text, int& out) {
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < 0)
        return false;
    out = v;
    return true;
}

class FaultyDevice : public SimDevice {
public:
    FaultyDevice(std::unique_ptr<SimDevice> inner, ReplyFaults faults)
        : inner_(std::move(inner)), faults_(faults) {}

    void OnBytes(const uint8_t* data, size_t length, Reply& reply) override {
        inner_->OnBytes(data, length, reply);
        if (reply.bytes.empty())
            return;
        if (faults_.silent) {
            reply.bytes.clear();
            return;
        }
        if (faults_.shortTo >= 0 && reply.bytes.size() > static_cast<size_t>(faults_.shortTo))
            reply.bytes.resize(static_cast<size_t>(faults_.shortTo));
        if (faults_.garbage)
            for (uint8_t& b : reply.bytes)
                b = NextGarbage();
        reply.delayMs += faults_.delayMs;
        if (faults_.splitGapMs >= 0 && reply.bytes.size() > 1) {
            reply.splitAt = reply.bytes.size() / 2;
            reply.splitGapMs = faults_.splitGapMs;
        }
    }
    void OnDisconnect() override { inner_->OnDisconnect(); }
    std::vector<std::string> TakeEvents() override { return inner_->TakeEvents(); }

private:
    // A fixed sequence, so runs are repeatable.
    uint8_t NextGarbage() {
        seed_ = seed_ * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed_ >> 16);
    }

    std::unique_ptr<SimDevice> inner_;
    ReplyFaults faults_;
    uint32_t seed_ = 20261209;
};

} // namespace

bool ParseReplyFaults(const std::string& text, ReplyFaults& out, std::string& error) {
    ReplyFaults faults = out;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::string name = item.substr(0, item.find(':'));
        std::string arg =
            item.find(':') == std::string::npos ? "" : item.substr(item.find(':') + 1);
        bool ok = true;
        if (name == "none" && arg.empty())
            faults = ReplyFaults{};
        else if (name == "silent" && arg.empty())
            faults.silent = true;
        else if (name == "garbage" && arg.empty())
            faults.garbage = true;
        else if (name == "delay")
            ok = ParseCount(arg, faults.delayMs);
        else if (name == "short")
            ok = ParseCount(arg, faults.shortTo);
        else if (name == "split")
            ok = ParseCount(arg, faults.splitGapMs);
        else
            ok = false;
        if (!ok) {
            error = "bad reply fault '" + item +
                    "' (none, silent, delay:MS, short:N, garbage, split:MS; comma-separated)";
            return false;
        }
    }
    out = faults;
    return true;
}

std::unique_ptr<SimDevice> WithReplyFaults(std::unique_ptr<SimDevice> device,
                                           const ReplyFaults& faults) {
    if (!faults.Any() || !device)
        return device;
    return std::make_unique<FaultyDevice>(std::move(device), faults);
}

} // namespace printune_sim
