#include "settings/receipt_operations.h"

#include "base/pause.h"
#include "port/printer_port.h"

namespace printune {

namespace {

void Report(const ReceiptProgress& progress, ReceiptStep step) {
    if (progress)
        progress(step);
}

constexpr int THIRD_MODEL = 3;
constexpr int FOURTH_MODEL = 4;

} // namespace

void ConfigureReceiptPort(CPrinterPort& port, const PortSettings& copy) {
    ConfigurePort(port, copy);
    port.portType = CurrentPortSettings().portType;
}

ReceiptReadResult ReadReceiptSettings(CPrinterPort& port, PortSettings& copy, std::stop_token stop,
                                      const ReceiptProgress& progress) {
    Report(progress, ReceiptStep::ReadingSettings);
    ConfigureReceiptPort(port, copy);
    ReceiptReadResult r;
    r.exchange = Exchange(port, BuildReceiptGetRequest(), ReceiptExchangeOptions(), stop);
    if (r.exchange.outcome != ExchangeOutcome::Reply)
        return r;
    r.decoded = true;
    r.settings = DecodeReceiptSettingsReply(r.exchange.reply, copy.paritySetup);
    ApplySerialLine(copy, r.settings.serial);
    return r;
}

ReceiptReadResult RestoreReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                         const SerialLineAdopter& adopt, std::stop_token stop,
                                         const ReceiptProgress& progress) {
    Report(progress, ReceiptStep::Restoring);
    ConfigureReceiptPort(port, copy);
    ReceiptReadResult r;
    r.exchange = SendRequest(port, BuildReceiptRestoreRequest(copy.language));
    if (r.exchange.outcome != ExchangeOutcome::Sent)
        return r;
    Report(progress, ReceiptStep::Settling);
    if (!PauseFor(RESET_SETTLE_MS, stop)) {
        r.exchange.outcome = ExchangeOutcome::Stopped;
        return r;
    }
    SetFactorySerialLine(copy);
    AdoptSerialValues(copy, adopt);
    if (stop.stop_requested()) {
        r.exchange.outcome = ExchangeOutcome::Stopped;
        return r;
    }
    return ReadReceiptSettings(port, copy, stop, progress);
}

ExchangeResult SendReceiptSettings(CPrinterPort& port, const PortSettings& copy,
                                   const Bytes& request) {
    SetCurrentPortSettings(copy);
    ConfigureReceiptPort(port, copy);
    return SendRequest(port, request);
}

Bytes BuildReceiptSendRequest(const ReceiptValues& values, const ReceiptMarks& marks) {
    std::vector<std::pair<int, ReceiptValue>> marked;
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s)
        if (marks[static_cast<size_t>(s)])
            marked.emplace_back(s, values[static_cast<size_t>(s)]);
    return BuildReceiptSetRequest(marked);
}

bool ReceiptModelHasCutter(int modelPosition) {
    return modelPosition == FOURTH_MODEL;
}

CutterRow PaintCutterRow(int modelPosition, bool cutterChosen, ReceiptMarks& marks) {
    if (modelPosition == THIRD_MODEL) {
        marks[RS_CUTTER_SWITCH] = false;
        return CutterRow::Hidden;
    }
    if (modelPosition == FOURTH_MODEL) {
        if (cutterChosen)
            marks[RS_CUTTER_SWITCH] = true;
        return CutterRow::Shown;
    }
    return CutterRow::Unchanged;
}

} // namespace printune
