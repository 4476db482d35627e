#include "settings/label_operations.h"

#include <algorithm>
#include <chrono>

#include "port/printer_port.h"

namespace printune {

ExchangeResult SendLabelSettings(CPrinterPort& port, const PortSettings& copy,
                                 const LabelValues& values) {
    return SendLabelRequest(port, copy, BuildSetSettingsRequest(values));
}

ExchangeResult SendLabelCommand(CPrinterPort& port, const PortSettings& copy, LabelRequest kind) {
    return SendLabelRequest(port, copy, BuildLabelRequest(kind));
}

std::vector<int> SettingsNotTaken(const LabelValues& sent, const LabelSettings& now) {
    std::vector<int> differ;
    for (const auto& [setting, wanted] : sent) {
        if (setting < 0 || setting >= LABEL_SETTING_COUNT)
            continue;
        const Bytes expect = EncodeLabelValue(setting, wanted);
        if (expect.empty())
            continue;
        const LabelValue& got = now.values[static_cast<size_t>(setting)];
        if (EncodeLabelValue(setting, got) != expect)
            differ.push_back(setting);
    }
    std::sort(differ.begin(), differ.end());
    differ.erase(std::unique(differ.begin(), differ.end()), differ.end());
    return differ;
}

LabelVerifyResult VerifyLabelSettings(CPrinterPort& port, PortSettings& copy,
                                      const LabelValues& sent, const SerialLineAdopter& adopt,
                                      std::stop_token stop) {
    LabelVerifyResult r;
    if (!SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(VERIFY_SETTLE_MS),
                    stop)) {
        r.read.exchange.outcome = ExchangeOutcome::Stopped;
        return r;
    }
    r.read = ReadLabelSettings(port, copy, adopt, stop);
    if (r.read.decoded)
        r.notTaken = SettingsNotTaken(sent, r.read.settings);
    return r;
}

} // namespace printune
