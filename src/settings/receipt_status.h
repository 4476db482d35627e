#pragma once
// The receipt printers' real-time status (DLE EOT n, 10 04 n): printer,
// off-line cause, error cause and paper sensor, one byte each. A status is
// known only when all four requests were answered with a byte that has the
// fixed bits of a status byte; otherwise every condition is unknown, so a
// silent or garbled printer never reads as "paper end".
#include <array>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "port/exchange.h"
#include "port/port_settings.h"

namespace printune {

class CPrinterPort;

inline constexpr int RECEIPT_STATUS_REQUESTS = 4;
// A real-time request is answered at once; a printer quiet for this long is
// taken as not answering.
inline constexpr int RECEIPT_STATUS_TIMEOUT_MS = 2000;

// 10 04 n for n = 1 (printer), 2 (off-line cause), 3 (error cause), 4 (paper).
std::vector<uint8_t> BuildReceiptStatusRequest(int n);
// Bits 1 and 4 set, 0 and 7 clear in every status byte.
bool IsReceiptStatusByte(uint8_t byte);

enum class ReceiptCondition {
    PaperNearEnd,
    PaperEnd,
    CoverOpen,
    CutterError,
    Offline,
};
inline constexpr int RECEIPT_CONDITION_COUNT = 5;

struct ReceiptStatus {
    // The answers to n = 1..4, when all were valid.
    std::optional<std::array<uint8_t, RECEIPT_STATUS_REQUESTS>> bytes;

    bool Known() const { return bytes.has_value(); }
    // Unknown (empty) when the status is.
    std::optional<bool> Has(ReceiptCondition condition) const;
    // The conditions present, in the order of the enumeration.
    std::vector<ReceiptCondition> Conditions() const;
};

// The decoded status of four answers; unknown unless each is a status byte.
ReceiptStatus DecodeReceiptStatus(const std::array<uint8_t, RECEIPT_STATUS_REQUESTS>& answers);

struct ReceiptStatusResult {
    ExchangeResult exchange; // the last exchange (the failing one, if any)
    ReceiptStatus status;
};

// Asks the four status requests in turn, each its own exchange with the
// receipt page's port set-up; the first one without a valid answer ends
// the inquiry with the status unknown.
ReceiptStatusResult ReadReceiptStatus(CPrinterPort& port, const PortSettings& copy,
                                      std::stop_token stop = {});

} // namespace printune
