#pragma once
// The label page's operations beyond reading and resetting (those are in
// settings_operations.h): sending the changed settings, the one-way
// commands, and reading back what was sent to see what the printer took.
// They block; run them on a worker.
#include <stop_token>
#include <utility>
#include <vector>

#include "settings/settings_operations.h"

namespace printune {

using LabelValues = std::vector<std::pair<int, LabelValue>>;

// Send Settings: the given settings in the printer's order inside the frame,
// written at once; no reply is read. With nothing to send it is the bare
// frame, which is still written.
ExchangeResult SendLabelSettings(CPrinterPort& port, const PortSettings& copy,
                                 const LabelValues& values);

// Print Self-test, Calibrate label: one fixed request without a reply.
ExchangeResult SendLabelCommand(CPrinterPort& port, const PortSettings& copy, LabelRequest kind);

// The settings of 'sent' whose value read back differs, ascending. A list
// without a valid selection was not sent and is not compared; edits compare
// by the bytes they encode to ("1.5" and "1.50" are the same).
std::vector<int> SettingsNotTaken(const LabelValues& sent, const LabelSettings& now);

struct LabelVerifyResult {
    LabelReadResult read;
    std::vector<int> notTaken; // meaningful when read.decoded
};

// After a send: a pause for the printer to store the values, then the
// settings are read back (serial line adopted as by ReadLabelSettings) and
// compared with what was sent.
LabelVerifyResult VerifyLabelSettings(CPrinterPort& port, PortSettings& copy,
                                      const LabelValues& sent, const SerialLineAdopter& adopt = {},
                                      std::stop_token stop = {});

inline constexpr int VERIFY_SETTLE_MS = 500;

} // namespace printune
