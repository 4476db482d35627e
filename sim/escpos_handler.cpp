#include "escpos_handler.h"

#include "handler_util.h"

namespace printune_sim {

namespace {

std::string Hex2(int v) {
    uint8_t b = static_cast<uint8_t>(v);
    return HexBytes(&b, 1);
}

} // namespace

void EscPosHandler::Event(std::string line) {
    events_.push_back("escpos: " + std::move(line));
}

void EscPosHandler::FlushLine() {
    if (line_.empty())
        return;
    bool ascii = true;
    for (uint8_t c : line_)
        ascii = ascii && c >= 0x20 && c < 0x7F;
    if (ascii)
        Event("text \"" + PrintableText(line_.data(), line_.size()) + "\"");
    else
        Event("text " + std::to_string(line_.size()) + " bytes " +
              HexBytes(line_.data(), line_.size() < 8 ? line_.size() : 8) +
              (line_.size() > 8 ? " ..." : ""));
    line_.clear();
}

CommandHandler::Result EscPosHandler::Handle(const uint8_t* data, size_t length, size_t& consumed,
                                             Reply&) {
    const uint8_t c = data[0];
    auto need = [&](size_t n) { return length < n; };
    auto take = [&](size_t n, std::string event) {
        FlushLine();
        consumed = n;
        if (!event.empty())
            Event(std::move(event));
        return Result::Handled;
    };
    if (c == 0x0A || c == 0x0D) {
        consumed = 1;
        if (c == 0x0A && line_.empty())
            Event("line feed");
        FlushLine();
        return Result::Handled;
    }
    if (c == 0x00) { // padding after a command: ignored
        consumed = 1;
        return Result::Handled;
    }
    if (c == 0x1B) {
        if (need(2))
            return Result::NeedMore;
        switch (data[1]) {
        case 0x40:
            state_.printMode = 0;
            state_.chineseMode = 0;
            return take(2, "initialise");
        case 0x21:
            if (need(3))
                return Result::NeedMore;
            state_.printMode = data[2];
            return take(3, "print mode " + Hex2(data[2]));
        case 0x4A:
            if (need(3))
                return Result::NeedMore;
            return take(3, "feed " + std::to_string(data[2]) + " dots");
        case 0x69:
            return take(2, state_.cutter ? "full cut" : "full cut (cutter disabled)");
        case 0x6D:
            return take(2, state_.cutter ? "partial cut" : "partial cut (cutter disabled)");
        case 0x70:
            if (need(5))
                return Result::NeedMore;
            return take(5, "drawer " + std::to_string(data[2] + 1) + " pulse " +
                               std::to_string(data[3]) + "/" + std::to_string(data[4]));
        case 0x2A: {
            if (need(5))
                return Result::NeedMore;
            const size_t columns = data[3] | (data[4] << 8);
            const size_t perColumn = data[2] >= 32 ? 3 : 1;
            const size_t total = 5 + columns * perColumn;
            if (need(total))
                return Result::NeedMore;
            size_t dots = 0;
            for (size_t i = 5; i < total; ++i)
                dots += static_cast<size_t>(__builtin_popcount(data[i]));
            return take(total, "bit image mode " + std::to_string(data[2]) + " " +
                                   std::to_string(columns) + " columns " + std::to_string(dots) +
                                   " dots");
        }
        default:
            return Result::NotMine;
        }
    }
    if (c == 0x1C) {
        if (need(2))
            return Result::NeedMore;
        switch (data[1]) {
        case 0x21:
            if (need(3))
                return Result::NeedMore;
            state_.chineseMode = data[2];
            state_.doubleByte = true;
            return take(3, "chinese mode " + Hex2(data[2]));
        case 0x2E:
            state_.doubleByte = false;
            return take(2, "double-byte off");
        case 0xAA:
            if (need(4))
                return Result::NeedMore;
            switch (data[2]) {
            case 0x11:
                state_.blackMark = data[3] != 0;
                return take(4, std::string("black mark ") + (data[3] ? "enable" : "disable"));
            case 0x23:
                state_.cutter = data[3] != 0;
                return take(4, std::string("cutter ") + (data[3] ? "enable" : "disable"));
            case 0x22: {
                if (need(5))
                    return Result::NeedMore;
                static const char* rates[] = {"1200", "2400", "4800", "9600", "19200", "38400"};
                if (data[3] > 5)
                    return Result::NotMine;
                state_.baudCode = data[3];
                return take(5, std::string("baud rate ") + rates[data[3]]);
            }
            default:
                return Result::NotMine;
            }
        default:
            return Result::NotMine;
        }
    }
    if (c == 0x1D) {
        if (need(2))
            return Result::NeedMore;
        if (data[1] == 0x0C)
            return take(2, state_.blackMark ? "feed to black mark" : "feed to black mark (off)");
        if (data[1] == 0x56) {
            if (need(3))
                return Result::NeedMore;
            if (data[2] == 0x41 || data[2] == 0x42) {
                if (need(4))
                    return Result::NeedMore;
                return take(4, "cut " + Hex2(data[2]) + " after feed " + std::to_string(data[3]));
            }
            return take(3, "cut " + Hex2(data[2]));
        }
        return Result::NotMine;
    }
    // The start of a firmware tag split over two reads stays for the
    // firmware handler to see whole.
    if (MatchPrefix(data, length, {'U', 'D', 'F', 'W'}) == Match::Partial ||
        MatchPrefix(data, length, {'U', 'D', 'C', 'G'}) == Match::Partial)
        return Result::NeedMore;
    if (c >= 0x20 && c != 0x7F) {
        line_.push_back(c);
        consumed = 1;
        if (line_.size() >= MAX_LINE)
            FlushLine();
        return Result::Handled;
    }
    return Result::NotMine;
}

void EscPosHandler::Reset() {
    FlushLine();
}

std::vector<std::string> EscPosHandler::TakeEvents() {
    std::vector<std::string> e;
    e.swap(events_);
    return e;
}

} // namespace printune_sim
