#pragma once
// The receipt-printer settings operations, shared by the settings page and
// the command line: the get-settings exchange with its decoding, the restore
// with its pause, adopted serial line and read-back, the send, and the
// rules of the Cutter Switch row. The operations block (run them on a
// worker) and end early when the stop token is set.
#include <array>
#include <functional>
#include <stop_token>

#include "port/exchange.h"
#include "port/port_settings.h"
#include "settings/receipt_commands.h"
#include "settings/serial_line_adoption.h"

namespace printune {

class CPrinterPort;

// What a long operation is doing, for the caller's progress display.
enum class ReceiptStep {
    ReadingSettings, // the get-settings request is being exchanged
    Restoring,       // the restore request is being written
    Settling,        // the printer restarts after the restore
};
using ReceiptProgress = std::function<void(ReceiptStep)>;

struct ReceiptReadResult {
    ExchangeResult exchange;
    bool decoded = false; // the exchange ended in a reply
    ReceiptSettings settings;
};

// Every receipt exchange takes the port type from the process-wide current
// settings and the device names from the caller's copy.
void ConfigureReceiptPort(CPrinterPort& port, const PortSettings& copy);

// Get Printer Settings: on a reply the settings are decoded and the copy's
// serial texts take the printer's serial-line byte. The caller passes those
// on (the page after its completion pause, the command line to its file).
ReceiptReadResult ReadReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                      std::stop_token stop = {},
                                      const ReceiptProgress& progress = {});

// Restore All Settings: the restore request with the copy's language; after
// a successful write a 1000 ms pause, then the copy's serial line becomes
// 9600/8/None/1/DTR and is adopted (before the read-back, which talks at
// those values), and the settings are read back. A failed restore is
// returned as it is: no read-back, the serial texts untouched.
ReceiptReadResult RestoreReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                         const SerialLineAdopter& adopt = {},
                                         std::stop_token stop = {},
                                         const ReceiptProgress& progress = {});

// Send Settings: the process-wide current settings become the copy, then the
// request goes out one way (no reply is read).
ExchangeResult SendReceiptSettings(CPrinterPort& port, const PortSettings& copy,
                                   const Bytes& request);

// The page's change marks and values by setting number. Lists hold their
// position (-1: no selection), distances their millimetre text.
using ReceiptMarks = std::array<bool, RECEIPT_SETTING_COUNT>;
using ReceiptValues = std::array<ReceiptValue, RECEIPT_SETTING_COUNT>;

// The set request of every marked setting, in the order of the numbers; the
// bare frame when nothing is marked. Marks are never cleared by sending, so
// every send repeats every setting changed since the page was created.
Bytes BuildReceiptSendRequest(const ReceiptValues& values, const ReceiptMarks& marks);

// Only the fourth model of the list (HT-750, HT-760 in Chinese) has the
// Cutter Switch setting; the HT-740 never shows or sends it.
bool ReceiptModelHasCutter(int modelPosition);

enum class CutterRow { Hidden, Shown, Unchanged };
// The rule applied whenever the page is painted: the third model hides the
// row and clears its mark; the fourth shows it and marks it once the list
// has a selection (so a read-back value is sent again); other models leave
// both alone.
CutterRow PaintCutterRow(int modelPosition, bool cutterChosen, ReceiptMarks& marks);

} // namespace printune
