#include "settings/profile_operations.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
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

namespace {

ProfileApplyResult& Failed(ProfileApplyResult& r, const ExchangeResult& exchange) {
    r.failure = exchange;
    r.outcome = exchange.outcome == ExchangeOutcome::Stopped ? ApplyOutcome::Stopped
                                                             : ApplyOutcome::Unreachable;
    return r;
}

std::vector<int> SettingsOf(const std::vector<ProfileDifference>& differences) {
    std::vector<int> settings;
    for (const auto& d : differences)
        settings.push_back(d.setting);
    return settings;
}

// Read, compare, send. True when the read-back is still to come.
bool ApplyUpToSend(CPrinterPort& port, ProfileTarget& target, const SettingsProfile& profile,
                   const ApplyOptions& options, std::stop_token stop, const ApplyProgress& progress,
                   ProfileApplyResult& r) {
    Report(progress, ApplyStep::Reading);
    const ProfileReadResult before =
        ReadPrinterProfile(port, target, profile.family, options.toolVersion, stop);
    if (!before.decoded) {
        Failed(r, before.exchange);
        return false;
    }
    r.differences = DiffProfiles(profile, before.profile);
    if (r.differences.empty()) {
        r.outcome = ApplyOutcome::Equal;
        return false;
    }
    r.request = BuildProfileRequest(profile, SettingsOf(r.differences));
    if (options.dryRun) {
        r.outcome = ApplyOutcome::WouldSend;
        return false;
    }
    Report(progress, ApplyStep::Sending);
    ConfigurePort(port, target.copy);
    const ExchangeResult sent = SendRequest(port, r.request, target.address);
    if (sent.outcome != ExchangeOutcome::Sent) {
        Failed(r, sent);
        return false;
    }
    return true;
}

// After the settle pause: read back and compare what was sent.
void ApplyVerify(CPrinterPort& port, ProfileTarget& target, const SettingsProfile& profile,
                 const ApplyOptions& options, std::stop_token stop, ProfileApplyResult& r) {
    if (stop.stop_requested()) {
        ExchangeResult stopped;
        stopped.outcome = ExchangeOutcome::Stopped;
        Failed(r, stopped);
        return;
    }
    const ProfileReadResult after =
        ReadPrinterProfile(port, target, profile.family, options.toolVersion, stop);
    if (!after.decoded) {
        Failed(r, after.exchange);
        return;
    }
    SettingsProfile sentOnly{profile.family, profile.model, profile.toolVersion, {}};
    for (const int setting : SettingsOf(r.differences))
        sentOnly.values.emplace_back(setting, *Find(profile, setting));
    r.notTaken = DiffProfiles(sentOnly, after.profile);
    r.outcome = r.notTaken.empty() ? ApplyOutcome::Verified : ApplyOutcome::NotVerified;
}

int SettleMs(const ApplyOptions& options) {
    return options.settleMs < 0 ? VERIFY_SETTLE_MS : options.settleMs;
}

} // namespace

ProfileApplyResult ApplyProfile(CPrinterPort& port, ProfileTarget& target,
                                const SettingsProfile& profile, const ApplyOptions& options,
                                std::stop_token stop, const ApplyProgress& progress) {
    ProfileApplyResult r;
    if (!ApplyUpToSend(port, target, profile, options, stop, progress, r))
        return r;
    Report(progress, ApplyStep::Verifying);
    PauseFor(SettleMs(options), stop);
    ApplyVerify(port, target, profile, options, stop, r);
    return r;
}

std::vector<ProfileApplyResult> ApplyProfileToTargets(std::vector<ProfileTarget>& targets,
                                                      const SettingsProfile& profile,
                                                      const ApplyOptions& options, int parallel,
                                                      std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    std::vector<ProfileApplyResult> results(targets.size());
    // A step of one network printer: its start, or its read-back once the
    // settle pause has passed. The pause holds no worker, so 'parallel'
    // bounds the printers being talked to, not those waiting.
    struct Job {
        size_t index;
        bool verify;
        Clock::time_point due;
    };
    std::vector<Job> jobs;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].copy.portType == PORT_LAN && parallel > 1) {
            jobs.push_back({i, false, Clock::time_point::min()});
        } else {
            CPrinterPort port;
            results[i] = ApplyProfile(port, targets[i], profile, options, stop);
        }
    }
    std::mutex mutex;
    std::condition_variable_any changed;
    size_t remaining = jobs.size();
    unsigned generation = 0; // bumped on every change of the jobs
    auto worker = [&] {
        std::unique_lock lock(mutex);
        while (remaining > 0) {
            if (jobs.empty()) {
                changed.wait(lock);
                continue;
            }
            auto next = std::min_element(jobs.begin(), jobs.end(),
                                         [](const Job& a, const Job& b) { return a.due < b.due; });
            if (next->due > Clock::now() && !stop.stop_requested()) {
                const unsigned seen = generation;
                changed.wait_until(lock, stop, next->due, [&] { return generation != seen; });
                continue;
            }
            const Job job = *next;
            jobs.erase(next);
            lock.unlock();
            CPrinterPort port;
            ProfileApplyResult& r = results[job.index];
            bool again = false;
            if (job.verify)
                ApplyVerify(port, targets[job.index], profile, options, stop, r);
            else
                again = ApplyUpToSend(port, targets[job.index], profile, options, stop, {}, r);
            lock.lock();
            if (again)
                jobs.push_back(
                    {job.index, true, Clock::now() + std::chrono::milliseconds(SettleMs(options))});
            else
                --remaining;
            ++generation;
            changed.notify_all();
        }
    };
    {
        std::vector<std::jthread> workers;
        const size_t count = std::min(jobs.size(), static_cast<size_t>(std::max(parallel, 1)));
        for (size_t w = 0; w < count; ++w)
            workers.emplace_back(worker);
    } // every worker is joined here, before the results are handed back
    return results;
}

} // namespace printune
