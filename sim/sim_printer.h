#pragma once
// A simulated printer: a SimDevice that keeps the unconsumed bytes of its
// input stream and offers them to a chain of command handlers, in order.
// Each command family (settings, firmware, wireless, print tests, ...) is a
// handler of its own; the printer models compose them.
#include <memory>
#include <string>
#include <vector>

#include "sim_device.h"

namespace printune_sim {

class CommandHandler {
public:
    enum class Result {
        NotMine,  // the bytes at the head are not this handler's command
        NeedMore, // they may be, but the command is not complete yet
        Handled,  // a command was taken: 'consumed' bytes leave the stream
    };
    virtual ~CommandHandler() = default;
    virtual Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) = 0;
    virtual void Reset() {} // the connection ended: forget partial state
    // Decoded events since the last call, one readable line each.
    virtual std::vector<std::string> TakeEvents() { return {}; }
};

class SimPrinter : public SimDevice {
public:
    void AddHandler(std::shared_ptr<CommandHandler> handler);

    void OnBytes(const uint8_t* data, size_t length, Reply& reply) override;
    void OnDisconnect() override;
    std::vector<std::string> TakeEvents() override;

    // Bytes no handler claimed (printed as plain data by a real printer).
    const std::vector<uint8_t>& PlainData() const { return plain_; }

    // A stream longer than this with every handler still wanting more is
    // treated as plain data from its first byte, so a malformed command can
    // never stall the printer.
    static constexpr size_t MAX_PENDING = 16 * 1024 * 1024;

private:
    std::vector<std::shared_ptr<CommandHandler>> handlers_;
    std::vector<uint8_t> pending_;
    std::vector<uint8_t> plain_;
    std::vector<std::string> events_;
};

} // namespace printune_sim
