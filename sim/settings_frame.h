#pragma once
// The printers' settings frame, 1B 0D 53 <commands> 1B 10 45, as the
// simulated printers parse it. Each inner command is 1B <command byte>
// <value>; a command family says how long the value behind each of its
// command bytes is. FrameCommandHandler takes a frame when every command in
// it belongs to its family, so each family (settings, Wi-Fi, Bluetooth,
// network parameters ...) is a handler of its own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim_printer.h"

namespace printune_sim {

struct FrameCommand {
    uint8_t command = 0;
    std::vector<uint8_t> value;
};

// Value length results besides a length >= 0.
inline constexpr int VALUE_NOT_MINE = -1;
inline constexpr int VALUE_NEED_MORE = -2;

// A handler that keeps readable event lines until they are taken.
class RecordingHandler : public CommandHandler {
public:
    std::vector<std::string> TakeEvents() override;

protected:
    void Event(std::string line) { events_.push_back(std::move(line)); }

private:
    std::vector<std::string> events_;
};

// Whether the stream starts with a fixed command: Handled (consumed set),
// NeedMore for a prefix of it, NotMine otherwise.
CommandHandler::Result MatchSequence(const uint8_t* data, size_t length, const uint8_t* sequence,
                                     size_t sequenceLength, size_t& consumed);

class FrameCommandHandler : public RecordingHandler {
public:
    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;

protected:
    // Length of the value behind 'command'; 'rest' holds the bytes received
    // after the command byte (for variable-length values).
    virtual int ValueLength(uint8_t command, const uint8_t* rest, size_t restLength) = 0;
    // A complete frame whose commands are all this family's (possibly none).
    virtual void Apply(const std::vector<FrameCommand>& commands, Reply& reply) = 0;
};

// A handler of one printer's families, sharing that printer's state.
template <class State, class Base = FrameCommandHandler>
class StateHandler : public Base {
public:
    explicit StateHandler(std::shared_ptr<State> state) : state_(std::move(state)) {}

protected:
    std::shared_ptr<State> state_;
};

// The value as a little-endian number (1 or 2 bytes).
unsigned FrameValue(const FrameCommand& c);

} // namespace printune_sim
