#include "settings/settings_operations.h"

#include <chrono>

#include "base/pause.h"
#include "port/printer_port.h"

namespace printune {

namespace {

// The label printers' exchange for the settings reply, which must carry
// every setting.
ExchangeOptions LabelSettingsExchangeOptions() {
    ExchangeOptions o = LabelExchangeOptions();
    o.replyLength = LABEL_REPLY_MIN;
    return o;
}

void Adopt(const PortSettings& copy, const SerialLineAdopter& adopt) {
    if (adopt) {
        adopt(copy);
        return;
    }
    PortSettings current = CurrentPortSettings();
    current.baudrate = copy.baudrate;
    current.paritySetup = copy.paritySetup;
    current.dataBit = copy.dataBit;
    current.stopBit = copy.stopBit;
    current.flowControl = copy.flowControl;
    SetCurrentPortSettings(current);
}

// The serial line a printer uses after its factory settings.
void FactorySerialLine(PortSettings& copy) {
    copy.baudrate = "9600";
    copy.dataBit = "8";
    copy.paritySetup = "None";
    copy.stopBit = "1";
    copy.flowControl = "DTR";
}

void ConfigureReceiptPort(CPrinterPort& port, const PortSettings& copy) {
    ConfigurePort(port, copy);
    port.portType = CurrentPortSettings().portType;
}

} // namespace

LabelReadResult ReadLabelSettings(CPrinterPort& port, PortSettings& copy,
                                  const SerialLineAdopter& adopt, std::stop_token stop) {
    ConfigurePort(port, copy);
    LabelReadResult r;
    r.exchange = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings),
                          LabelSettingsExchangeOptions(), stop);
    if (r.exchange.outcome != ExchangeOutcome::Reply)
        return r;
    r.decoded = true;
    r.settings = DecodeLabelSettingsReply(r.exchange.reply);
    ApplySerialLine(copy, r.settings.serial);
    Adopt(copy, adopt);
    return r;
}

LabelReadResult ResetLabelSettings(CPrinterPort& port, PortSettings& copy,
                                   const SerialLineAdopter& adopt, std::stop_token stop) {
    LabelReadResult r;
    r.exchange = SendLabelRequest(port, copy, BuildLabelRequest(LabelRequest::FactoryReset));
    if (r.exchange.outcome != ExchangeOutcome::Sent)
        return r;
    FactorySerialLine(copy);
    Adopt(copy, adopt);
    if (!PauseFor(RESET_SETTLE_MS, stop)) {
        r.exchange.outcome = ExchangeOutcome::Stopped;
        return r;
    }
    return ReadLabelSettings(port, copy, adopt, stop);
}

ExchangeResult ReadLabelText(CPrinterPort& port, const PortSettings& copy, LabelRequest kind,
                             int systemLanguageId, std::string& text, std::stop_token stop) {
    ConfigurePort(port, copy);
    ExchangeResult r = Exchange(port, BuildLabelRequest(kind), LabelExchangeOptions(), stop);
    if (r.outcome == ExchangeOutcome::Reply)
        text = DecodeTextReply(r.reply, systemLanguageId);
    return r;
}

ExchangeResult SendLabelRequest(CPrinterPort& port, const PortSettings& copy,
                                const Bytes& request) {
    ConfigurePort(port, copy);
    return SendRequest(port, request);
}

ReceiptReadResult ReadReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                      const SerialLineAdopter& adopt, std::stop_token stop) {
    ConfigureReceiptPort(port, copy);
    ReceiptReadResult r;
    r.exchange = Exchange(port, BuildReceiptGetRequest(), ReceiptExchangeOptions(), stop);
    if (r.exchange.outcome != ExchangeOutcome::Reply)
        return r;
    r.decoded = true;
    r.settings = DecodeReceiptSettingsReply(r.exchange.reply);
    ApplySerialLine(copy, r.settings.serial);
    Adopt(copy, adopt);
    return r;
}

ReceiptReadResult RestoreReceiptSettings(CPrinterPort& port, PortSettings& copy,
                                         const SerialLineAdopter& adopt, std::stop_token stop) {
    ReceiptReadResult r;
    r.exchange = SendReceiptRequest(port, copy, BuildReceiptRestoreRequest(copy.language));
    if (r.exchange.outcome != ExchangeOutcome::Sent)
        return r;
    if (!PauseFor(RESET_SETTLE_MS, stop)) {
        r.exchange.outcome = ExchangeOutcome::Stopped;
        return r;
    }
    FactorySerialLine(copy);
    Adopt(copy, adopt);
    return ReadReceiptSettings(port, copy, adopt, stop);
}

ExchangeResult SendReceiptRequest(CPrinterPort& port, const PortSettings& copy,
                                  const Bytes& request) {
    ConfigureReceiptPort(port, copy);
    return SendRequest(port, request);
}

} // namespace printune
