#include "network/htnet_setup.h"

#include <algorithm>

#include "network/netcfg_text.h"

namespace printune {

namespace {

using Clock = std::chrono::steady_clock;

// Collects every announcement until the search has ended.
void Collect(HtNetClient& client, std::vector<HtDeviceRecord>& into, std::stop_token stop,
             const std::function<void()>& onRecord) {
    std::stop_callback cancel(stop, [&client] { client.Cancel(); });
    HtDeviceRecord record;
    for (;;) {
        // Woken by each announcement, so a row follows its reply at once.
        client.WaitAnnouncement(std::chrono::milliseconds(100));
        const bool idle = client.IsIdle();
        while (client.PopAnnouncement(record)) {
            into.push_back(record);
            if (onRecord)
                onRecord();
        }
        if (idle) {
            while (client.PopAnnouncement(record)) {
                into.push_back(record);
                if (onRecord)
                    onRecord();
            }
            return;
        }
    }
}

} // namespace

std::vector<HtRow> HtRowsByMac(const std::vector<HtDeviceRecord>& announcements,
                               const std::string& codePage) {
    std::vector<HtRow> rows;
    for (const HtDeviceRecord& r : announcements) {
        auto same = std::find_if(rows.begin(), rows.end(),
                                 [&](const HtRow& row) { return row.record.Mac() == r.Mac(); });
        const bool known = same != rows.end();
        HtRow& row = known ? *same : rows.emplace_back();
        if (known)
            ++row.answers;
        row.record = r;
        row.mac = HtFormatMac(r.Mac());
        row.name = NetDisplayText(r.DeviceName(), codePage);
        row.version = std::to_string(r.FirmwareVersion());
        row.ip = HtFormatIp(r.IpAddress());
    }
    return rows;
}

HtSearchResult RunHtSearch(HtNetClient& client, const std::string& codePage, std::stop_token stop,
                           const NetProgressFn& progress,
                           const std::function<void(const HtDeviceRecord&)>& onAnnouncement) {
    const auto start = Clock::now();
    HtSearchResult result;
    // Another operation of the client may still be ending.
    client.WaitIdle(std::chrono::milliseconds(3000));
    result.started = client.Search() == HtResult::Done;
    if (!result.started)
        return result;
    if (progress)
        progress({NetStep::Searching, 0, {}, {}});
    Collect(client, result.announcements, stop, [&] {
        if (onAnnouncement)
            onAnnouncement(result.announcements.back());
        if (progress)
            progress({NetStep::Found,
                      static_cast<int>(result.announcements.size()),
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start),
                      {}});
    });
    result.rows = HtRowsByMac(result.announcements, codePage);
    return result;
}

HtSetupResult RunHtSetup(HtNetClient& client, const HtDeviceRecord& record,
                         const HtNetConfig& saved, bool configurationRead,
                         const NetConfigFields& fields, const HtTiming& timing,
                         std::stop_token stop, const NetProgressFn& progress) {
    const auto start = Clock::now();
    HtSetupResult result;
    std::stop_callback cancel(stop, [&client] { client.Cancel(); });
    auto report = [&](NetStep step, const std::string& detail) {
        if (progress)
            progress({step, static_cast<int>(result.steps.size()),
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start),
                      detail});
    };
    auto run = [&](const std::string& name, NetStep step, auto request) {
        // An operation still ending (never the case in this order) would
        // refuse with Busy; wait for it instead of dropping the request.
        client.WaitIdle(std::chrono::milliseconds(3000));
        const HtResult r = request();
        result.steps.push_back({name, r});
        report(step, name);
        return r == HtResult::Done;
    };
    auto pause = [&](std::chrono::milliseconds ms) {
        report(NetStep::Waiting, {});
        if (NetPause(ms, stop))
            return true;
        result.stopped = true;
        return false;
    };

    // The configuration this dialog writes, and the flag of the read.
    const HtNetConfig changed = HtConfigWithFields(saved, fields);
    client.SetConfiguration(changed, configurationRead);
    if (!configurationRead)
        return result;
    bool ok = run("block1", NetStep::SetSent, [&] { return client.SetBlock(1); });
    ok = run("apply", NetStep::Applied, [&] { return client.Apply(record); }) && ok;
    if (!pause(timing.afterFirstApply))
        return result;
    ok = run("block2", NetStep::SetSent, [&] { return client.SetBlock(2); }) && ok;
    ok = run("apply", NetStep::Applied, [&] { return client.Apply(record); }) && ok;
    result.acknowledged = ok;
    if (!pause(timing.afterSecondApply))
        return result;
    if (fields.dhcpIndex != NET_DHCP_ENABLE || !ok)
        return result;

    // DHCP sequence.
    std::vector<HtDeviceRecord> found;
    client.WaitIdle(std::chrono::milliseconds(3000));
    const bool searched = client.Search() == HtResult::Done;
    result.steps.push_back({"search", searched ? HtResult::Done : HtResult::Failed});
    if (!pause(timing.afterSearch)) {
        result.dhcp = HtDhcpOutcome::Stopped;
        return result;
    }
    if (searched)
        Collect(client, found, stop, {});
    const HtMac mac = record.Mac();
    auto it = std::find_if(found.begin(), found.end(),
                           [&](const HtDeviceRecord& r) { return r.Mac() == mac; });
    if (it == found.end()) {
        result.dhcp = stop.stop_requested() ? HtDhcpOutcome::Stopped : HtDhcpOutcome::NotFound;
        return result;
    }
    // The announcement is the printer now, whatever address it gives.
    result.announced = *it;
    run("query", NetStep::Querying, [&] { return client.Query(result.announced); });
    result.configurationRead = client.ConfigurationRead();
    result.configuration = client.Configuration();
    if (!pause(timing.afterQuery)) {
        result.dhcp = HtDhcpOutcome::Stopped;
        return result;
    }
    if (result.announced.IpAddress() != HtIpv4{0, 0, 0, 0}) {
        result.dhcp = HtDhcpOutcome::Settled;
        return result;
    }
    HtNetConfig restored = client.Configuration();
    std::copy(saved.bytes.begin(), saved.bytes.begin() + HtNetConfig::BlockLength(1),
              restored.bytes.begin());
    client.SetConfiguration(restored, client.ConfigurationRead());
    report(NetStep::Restoring, "block1");
    run("block1", NetStep::SetSent, [&] { return client.SetBlock(1); });
    run("apply", NetStep::Applied, [&] { return client.Apply(result.announced); });
    result.dhcp = HtDhcpOutcome::Restored;
    if (!pause(timing.afterRestore))
        result.dhcp = HtDhcpOutcome::Stopped;
    return result;
}

} // namespace printune
