#include "settings/profile_operations.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/pause.h"
#include "port/printer_port.h"
#include "settings/label_operations.h"

namespace printune {

namespace {

Bytes Encode(ProfileFamily family, int setting, const LabelValue& value) {
    return family == ProfileFamily::Receipt ? EncodeReceiptValue(setting, value)
                                            : EncodeLabelValue(setting, value);
}

const LabelValue* Find(const SettingsProfile& profile, int setting) {
    for (const auto& [s, v] : profile.values)
        if (s == setting)
            return &v;
    return nullptr;
}

void Report(const ApplyProgress& progress, ApplyStep step) {
    if (progress)
        progress(step);
}

} // namespace

ProfileReadResult ReadPrinterProfile(CPrinterPort& port, ProfileTarget& target,
                                     ProfileFamily family, const std::string& toolVersion,
                                     std::stop_token stop) {
    ConfigurePort(port, target.copy);
    const bool receipt = family == ProfileFamily::Receipt;
    ExchangeOptions options = receipt ? ReceiptExchangeOptions() : LabelExchangeOptions();
    options.address = target.address;
    ProfileReadResult r;
    r.exchange = Exchange(port, BuildLabelRequest(LabelRequest::GetSettings), options, stop);
    if (r.exchange.outcome != ExchangeOutcome::Reply)
        return r;
    r.decoded = true;
    const std::string& model = target.copy.printerModel;
    if (receipt) {
        const ReceiptSettings s =
            DecodeReceiptSettingsReply(r.exchange.reply, target.copy.paritySetup);
        ApplySerialLine(target.copy, s.serial);
        r.profile = ReceiptProfile(s, model, toolVersion);
    } else {
        const LabelSettings s = DecodeLabelSettingsReply(r.exchange.reply, target.copy.paritySetup);
        ApplySerialLine(target.copy, s.serial);
        r.profile = LabelProfile(s, model, toolVersion);
    }
    return r;
}

std::vector<ProfileDifference> DiffProfiles(const SettingsProfile& wanted,
                                            const SettingsProfile& printer) {
    std::vector<ProfileDifference> out;
    for (const auto& [setting, value] : wanted.values) {
        if (IsProfileReadOnly(wanted.family, setting) ||
            !ProfileModelHasSetting(wanted.family, printer.model, setting))
            continue;
        const LabelValue* actual = Find(printer, setting);
        if (actual &&
            Encode(wanted.family, setting, value) == Encode(wanted.family, setting, *actual))
            continue;
        out.push_back({setting, ProfileValueText(wanted.family, setting, value),
                       actual ? ProfileValueText(wanted.family, setting, *actual) : ""});
    }
    return out;
}

Bytes BuildProfileRequest(const SettingsProfile& profile, const std::vector<int>& settings) {
    LabelValues values;
    for (const int setting : settings)
        if (const LabelValue* v = Find(profile, setting))
            values.emplace_back(setting, *v);
    return profile.family == ProfileFamily::Receipt ? BuildReceiptSetRequest(values)
                                                    : BuildSetSettingsRequest(values);
}

ProfileApplyResult ApplyProfile(CPrinterPort& port, ProfileTarget& target,
                                const SettingsProfile& profile, const ApplyOptions& options,
                                std::stop_token stop, const ApplyProgress& progress) {
    ProfileApplyResult r;
    auto failed = [&r](const ExchangeResult& exchange) {
        r.failure = exchange;
        r.outcome = exchange.outcome == ExchangeOutcome::Stopped ? ApplyOutcome::Stopped
                                                                 : ApplyOutcome::Unreachable;
        return r;
    };
    Report(progress, ApplyStep::Reading);
    const ProfileReadResult before =
        ReadPrinterProfile(port, target, profile.family, options.toolVersion, stop);
    if (!before.decoded)
        return failed(before.exchange);
    r.differences = DiffProfiles(profile, before.profile);
    if (r.differences.empty()) {
        r.outcome = ApplyOutcome::Equal;
        return r;
    }
    std::vector<int> settings;
    for (const auto& d : r.differences)
        settings.push_back(d.setting);
    r.request = BuildProfileRequest(profile, settings);
    if (options.dryRun) {
        r.outcome = ApplyOutcome::WouldSend;
        return r;
    }
    Report(progress, ApplyStep::Sending);
    ConfigurePort(port, target.copy);
    const ExchangeResult sent = SendRequest(port, r.request, target.address);
    if (sent.outcome != ExchangeOutcome::Sent)
        return failed(sent);
    Report(progress, ApplyStep::Verifying);
    if (!PauseFor(options.settleMs < 0 ? VERIFY_SETTLE_MS : options.settleMs, stop)) {
        ExchangeResult stopped;
        stopped.outcome = ExchangeOutcome::Stopped;
        return failed(stopped);
    }
    const ProfileReadResult after =
        ReadPrinterProfile(port, target, profile.family, options.toolVersion, stop);
    if (!after.decoded)
        return failed(after.exchange);
    SettingsProfile sentOnly{profile.family, profile.model, profile.toolVersion, {}};
    for (const int setting : settings)
        sentOnly.values.emplace_back(setting, *Find(profile, setting));
    r.notTaken = DiffProfiles(sentOnly, after.profile);
    r.outcome = r.notTaken.empty() ? ApplyOutcome::Verified : ApplyOutcome::NotVerified;
    return r;
}

std::vector<ProfileApplyResult> ApplyProfileToTargets(std::vector<ProfileTarget>& targets,
                                                      const SettingsProfile& profile,
                                                      const ApplyOptions& options, int parallel,
                                                      std::stop_token stop) {
    std::vector<ProfileApplyResult> results(targets.size());
    auto one = [&](size_t i) {
        CPrinterPort port;
        results[i] = ApplyProfile(port, targets[i], profile, options, stop);
    };
    std::vector<size_t> network;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].copy.portType == PORT_LAN && parallel > 1)
            network.push_back(i);
        else
            one(i);
    }
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t k = next++; k < network.size(); k = next++)
            one(network[k]);
    };
    {
        std::vector<std::jthread> workers;
        const size_t count = std::min(network.size(), static_cast<size_t>(parallel));
        for (size_t w = 0; w < count; ++w)
            workers.emplace_back(worker);
    } // every worker is joined here, before the results are handed back
    return results;
}

} // namespace printune
