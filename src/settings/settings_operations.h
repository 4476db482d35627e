#pragma once
// The settings pages' printer operations, shared by the GUI pages and the
// command line: each one or two exchanges with the decoding and the
// serial-line adoption around them. They block (run them on a worker) and
// end early when the stop token is set.
#include <stop_token>
#include <string>

#include "port/exchange.h"
#include "port/port_settings.h"
#include "settings/label_commands.h"
#include "settings/serial_line_adoption.h"

namespace printune {

class CPrinterPort;

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

} // namespace printune
