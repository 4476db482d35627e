#include "receipt_status_handler.h"

#include <sstream>

#include "handler_util.h"

namespace printune_sim {

namespace {

ReceiptStatusFaults g_faults;

// Every status byte has bits 1 and 4 set.
constexpr uint8_t FIXED = 0x12;

uint8_t StatusByte(int n, const ReceiptStatusFaults& f) {
    switch (n) {
    case 1: // printer: bit 3 off-line
        return FIXED | (f.offline ? 0x08 : 0);
    case 2: // off-line cause: bit 2 cover open, bit 5 stopped by paper end
        return FIXED | (f.coverOpen ? 0x04 : 0) | (f.paperEnd ? 0x20 : 0);
    case 3: // error cause: bit 3 auto-cutter error
        return FIXED | (f.cutterError ? 0x08 : 0);
    default: // paper sensor: bits 2-3 near end, bits 5-6 paper end
        return FIXED | (f.nearEnd ? 0x0C : 0) | (f.paperEnd ? 0x60 : 0);
    }
}

} // namespace

bool ParseReceiptStatusFaults(const std::string& text, ReceiptStatusFaults& faults,
                              std::string& error) {
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item == "near-end")
            faults.nearEnd = true;
        else if (item == "paper-end")
            faults.paperEnd = true;
        else if (item == "cover-open")
            faults.coverOpen = true;
        else if (item == "cutter-error")
            faults.cutterError = true;
        else if (item == "offline")
            faults.offline = true;
        else if (item != "none") {
            error = "unknown status fault: " + item;
            return false;
        }
    }
    return true;
}

void SetReceiptStatusFaults(const ReceiptStatusFaults& faults) {
    g_faults = faults;
}

CommandHandler::Result ReceiptStatusHandler::Handle(const uint8_t* data, size_t length,
                                                    size_t& consumed, Reply& reply) {
    const Match m = MatchPrefix(data, length, {0x10, 0x04});
    if (m == Match::No)
        return Result::NotMine;
    if (m == Match::Partial || length < 3)
        return Result::NeedMore;
    const int n = data[2];
    if (n < 1 || n > 4)
        return Result::NotMine;
    consumed = 3;
    const uint8_t answer = StatusByte(n, g_faults);
    reply.bytes.push_back(answer);
    events_.push_back("status " + std::to_string(n) + ": " + HexBytes(&answer, 1));
    return Result::Handled;
}

std::vector<std::string> ReceiptStatusHandler::TakeEvents() {
    return std::move(events_);
}

} // namespace printune_sim
