#include "settings/settings_operations.h"

#include "base/pause.h"
#include "port/printer_port.h"

namespace printune {

namespace {

// The settings reply must carry every setting: it is read to its length.
ExchangeOptions LabelSettingsExchangeOptions() {
    ExchangeOptions o = LabelExchangeOptions();
    o.replyLength = LABEL_REPLY_MIN;
    return o;
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
    r.settings = DecodeLabelSettingsReply(r.exchange.reply, copy.paritySetup);
    ApplySerialLine(copy, r.settings.serial);
    AdoptSerialValues(copy, adopt);
    return r;
}

LabelReadResult ResetLabelSettings(CPrinterPort& port, PortSettings& copy,
                                   const SerialLineAdopter& adopt, std::stop_token stop) {
    LabelReadResult r;
    r.exchange = SendLabelRequest(port, copy, BuildLabelRequest(LabelRequest::FactoryReset));
    if (r.exchange.outcome != ExchangeOutcome::Sent)
        return r;
    SetFactorySerialLine(copy);
    AdoptSerialValues(copy, adopt);
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

} // namespace printune
