#pragma once
// The settings pages' printer operations, shared by the GUI pages and the
// command line: each one or two exchanges with the decoding and the
// serial-line adoption around them. They block (run them on a worker) and
// end early when the stop token is set.
#include <functional>
#include <stop_token>
#include <string>

#include "port/exchange.h"
#include "port/port_settings.h"
#include "settings/label_commands.h"
#include "settings/receipt_commands.h"

namespace printune {

class CPrinterPort;

// Called with the settings copy whenever its serial-line texts changed (the
// pages pass them on to the main window). Without one, the serial texts are
// copied into the process-wide current settings, so that later serial opens
// use them.
using SerialLineAdopter = std::function<void(const PortSettings&)>;

struct LabelReadResult {
    ExchangeResult exchange;
    bool decoded = false; // the exchange ended in a reply
    LabelSettings settings;
};

// Get Printer Settings: the port takes type and names from 'copy'; a reply
// is decoded and its serial-line byte replaces the copy's serial texts.
LabelReadResult ReadLabelSettings(CPrinterPort& port, PortSettings& copy,
                                  const SerialLineAdopter& adopt = {}, std::stop_token stop = {});

// Reset All Settings: the factory reset; after a successful write the copy's
// serial line becomes 9600/8/None/1/DTR (adopted before the read-back, which
// then talks at those parameters), a 1000 ms pause, and the settings are read
// back. A failed reset is returned as it is, without a read-back.
LabelReadResult ResetLabelSettings(CPrinterPort& port, PortSettings& copy,
                                   const SerialLineAdopter& adopt = {}, std::stop_token stop = {});

// Serial number, firmware version or statistics: on a reply, 'text' holds
// the decoded text.
ExchangeResult ReadLabelText(CPrinterPort& port, const PortSettings& copy, LabelRequest kind,
                             int systemLanguageId, std::string& text, std::stop_token stop = {});

// One-way requests of the label page (set settings, calibrate, self-test).
ExchangeResult SendLabelRequest(CPrinterPort& port, const PortSettings& copy, const Bytes& request);

struct ReceiptReadResult {
    ExchangeResult exchange;
    bool decoded = false;
    ReceiptSettings settings;
};

// The receipt page takes the port type from the current settings and the
// device names from its copy.
ReceiptReadResult ReadReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                      const SerialLineAdopter& adopt = {},
                                      std::stop_token stop = {});
// Restore All Settings with the copy's language, then as the reset above.
ReceiptReadResult RestoreReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                         const SerialLineAdopter& adopt = {},
                                         std::stop_token stop = {});
ExchangeResult SendReceiptRequest(CPrinterPort& port, const PortSettings& copy,
                                  const Bytes& request);

// The pause between a reset or restore and the read-back.
inline constexpr int RESET_SETTLE_MS = 1000;

} // namespace printune
