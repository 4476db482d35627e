#include "settings/receipt_status.h"

#include "port/printer_port.h"
#include "settings/receipt_operations.h"

namespace printune {

namespace {

constexpr uint8_t DLE = 0x10;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t FIXED_MASK = 0x93;
constexpr uint8_t FIXED_BITS = 0x12;

// Which answer holds a condition, and its bits (all set means present).
struct ConditionBits {
    int answer; // 0-based: n - 1
    uint8_t bits;
};
constexpr ConditionBits kBits[RECEIPT_CONDITION_COUNT] = {
    {3, 0x0C}, // paper near end: the near-end sensor
    {3, 0x60}, // paper end: the end sensor
    {1, 0x04}, // cover open
    {2, 0x08}, // auto-cutter error
    {0, 0x08}, // off-line
};

} // namespace

std::vector<uint8_t> BuildReceiptStatusRequest(int n) {
    return {DLE, EOT, static_cast<uint8_t>(n)};
}

bool IsReceiptStatusByte(uint8_t byte) {
    return (byte & FIXED_MASK) == FIXED_BITS;
}

std::optional<bool> ReceiptStatus::Has(ReceiptCondition condition) const {
    if (!bytes)
        return std::nullopt;
    const ConditionBits& c = kBits[static_cast<int>(condition)];
    return ((*bytes)[static_cast<size_t>(c.answer)] & c.bits) == c.bits;
}

std::vector<ReceiptCondition> ReceiptStatus::Conditions() const {
    std::vector<ReceiptCondition> out;
    for (int i = 0; i < RECEIPT_CONDITION_COUNT; ++i) {
        const auto c = static_cast<ReceiptCondition>(i);
        if (Has(c).value_or(false))
            out.push_back(c);
    }
    return out;
}

ReceiptStatus DecodeReceiptStatus(const std::array<uint8_t, RECEIPT_STATUS_REQUESTS>& answers) {
    ReceiptStatus status;
    for (uint8_t b : answers)
        if (!IsReceiptStatusByte(b))
            return status;
    status.bytes = answers;
    return status;
}

ReceiptStatusResult ReadReceiptStatus(CPrinterPort& port, const PortSettings& copy,
                                      std::stop_token stop) {
    ReceiptStatusResult r;
    ExchangeOptions options;
    options.bufferSize = 16;
    options.timeoutMs = RECEIPT_STATUS_TIMEOUT_MS;
    std::array<uint8_t, RECEIPT_STATUS_REQUESTS> answers{};
    for (int n = 1; n <= RECEIPT_STATUS_REQUESTS; ++n) {
        ConfigureReceiptPort(port, copy);
        r.exchange = Exchange(port, BuildReceiptStatusRequest(n), options, stop);
        if (r.exchange.outcome != ExchangeOutcome::Reply)
            return r;
        // A printer answers each request with one byte; anything longer is
        // not an answer to it.
        if (r.exchange.reply.size() != 1 || !IsReceiptStatusByte(r.exchange.reply[0]))
            return r;
        answers[static_cast<size_t>(n - 1)] = r.exchange.reply[0];
    }
    r.status = DecodeReceiptStatus(answers);
    return r;
}

} // namespace printune
