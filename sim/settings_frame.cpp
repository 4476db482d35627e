#include "settings_frame.h"

namespace printune_sim {

namespace {
constexpr uint8_t kOpen[3] = {0x1B, 0x0D, 0x53};
}

CommandHandler::Result FrameCommandHandler::Handle(const uint8_t* data, size_t length,
                                                   size_t& consumed, Reply& reply) {
    size_t opening = 0;
    Result r = MatchSequence(data, length, kOpen, sizeof kOpen, opening);
    if (r != Result::Handled)
        return r;
    std::vector<FrameCommand> commands;
    size_t pos = 3;
    for (;;) {
        if (pos + 2 > length)
            return Result::NeedMore;
        if (data[pos] != 0x1B)
            return Result::NotMine; // not a well-formed frame
        if (data[pos + 1] == 0x10) {
            if (pos + 3 > length)
                return Result::NeedMore;
            if (data[pos + 2] != 0x45)
                return Result::NotMine;
            consumed = pos + 3;
            Apply(commands, reply);
            return Result::Handled;
        }
        uint8_t command = data[pos + 1];
        int n = ValueLength(command, data + pos + 2, length - pos - 2);
        if (n == VALUE_NOT_MINE)
            return Result::NotMine;
        if (n == VALUE_NEED_MORE || pos + 2 + static_cast<size_t>(n) > length)
            return Result::NeedMore;
        FrameCommand c;
        c.command = command;
        c.value.assign(data + pos + 2, data + pos + 2 + n);
        commands.push_back(std::move(c));
        pos += 2 + static_cast<size_t>(n);
    }
}

CommandHandler::Result MatchSequence(const uint8_t* data, size_t length, const uint8_t* sequence,
                                     size_t sequenceLength, size_t& consumed) {
    for (size_t i = 0; i < sequenceLength; ++i) {
        if (i >= length)
            return CommandHandler::Result::NeedMore;
        if (data[i] != sequence[i])
            return CommandHandler::Result::NotMine;
    }
    consumed = sequenceLength;
    return CommandHandler::Result::Handled;
}

std::vector<std::string> RecordingHandler::TakeEvents() {
    std::vector<std::string> out;
    out.swap(events_);
    return out;
}

unsigned FrameValue(const FrameCommand& c) {
    unsigned v = 0;
    for (size_t i = c.value.size(); i-- > 0;)
        v = (v << 8) | c.value[i];
    return v;
}

} // namespace printune_sim
