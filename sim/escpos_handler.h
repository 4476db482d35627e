#pragma once
// The ESC/POS subset the print tests use, on a simulated receipt printer,
// recorded as one decoded event per command or printed line: initialise,
// print modes, double-byte mode off, feeds, bit images, cuts, drawer pulses,
// black-mark feed and the printer's own 1C AA settings (black mark, cutter,
// baud rate). Text is collected into lines. Goes last in a printer's chain.
#include <cstdint>
#include <string>
#include <vector>

#include "sim_printer.h"

namespace printune_sim {

struct ReceiptPrintState {
    bool blackMark = false;
    bool cutter = true;
    int baudCode = 3;    // 0 1200 ... 5 38400
    int printMode = 0;   // ESC ! n
    int chineseMode = 0; // FS ! n
    bool doubleByte = true;
};

class EscPosHandler : public CommandHandler {
public:
    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
    void Reset() override;
    std::vector<std::string> TakeEvents() override;

    const ReceiptPrintState& State() const { return state_; }

    // A text line longer than this is reported in pieces.
    static constexpr size_t MAX_LINE = 4096;

private:
    void Event(std::string line);
    void FlushLine();

    ReceiptPrintState state_;
    std::vector<uint8_t> line_;
    std::vector<std::string> events_;
};

} // namespace printune_sim
