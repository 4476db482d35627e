#pragma once
// The real-time status of a simulated receipt printer: DLE EOT n (10 04 n,
// n = 1..4) is answered at once with one status byte. The printer's state
// comes from the faults given on the command line:
//   --status-fault LIST   near-end, paper-end, cover-open, cutter-error,
//                         offline (comma-separated; none: ready)
#include <string>

#include "sim_printer.h"

namespace printune_sim {

struct ReceiptStatusFaults {
    bool nearEnd = false;
    bool paperEnd = false;
    bool coverOpen = false;
    bool cutterError = false;
    bool offline = false;
};

// False with a reason on an unknown item.
bool ParseReceiptStatusFaults(const std::string& text, ReceiptStatusFaults& faults,
                              std::string& error);

// The state every receipt printer of this run reports.
void SetReceiptStatusFaults(const ReceiptStatusFaults& faults);

class ReceiptStatusHandler : public CommandHandler {
public:
    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
    std::vector<std::string> TakeEvents() override;

private:
    std::vector<std::string> events_;
};

} // namespace printune_sim
