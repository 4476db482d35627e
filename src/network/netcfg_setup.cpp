#include "network/netcfg_setup.h"

#include <algorithm>

#include "network/netcfg_text.h"

namespace printune {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

} // namespace

std::vector<NetCfgRow> NetCfgRows(const std::vector<NetCfgDevice>& devices,
                                  const std::vector<uint32_t>& answers,
                                  const std::string& codePage) {
    std::vector<NetCfgRow> rows;
    for (size_t i = 0; i < devices.size(); ++i) {
        const NetCfgDevice& d = devices[i];
        const unsigned count = i < answers.size() ? answers[i] : 1;
        // The engine keys its table by serial number; a MAC listed twice
        // (two serials) is still one printer.
        auto same = std::find_if(rows.begin(), rows.end(),
                                 [&](const NetCfgRow& r) { return r.wireMac == d.mac; });
        if (same != rows.end()) {
            same->answers += count;
            continue;
        }
        NetCfgRow row;
        row.serial = NetDisplayText(d.serial, codePage);
        row.mac = NetDisplayText(d.mac, codePage);
        row.name = NetDisplayText(d.name, codePage);
        row.version = NetDisplayText(d.version, codePage);
        row.ip = NetDisplayText(d.ip, codePage);
        row.wireMac = d.mac;
        row.wireSerial = d.serial;
        row.answers = count;
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

std::string Value(const NetCfgEntryList& list, std::string_view key) {
    const NetCfgEntry* e = NetCfgFindEntry(list, key);
    return e ? std::string(e->Value()) : std::string();
}

} // namespace

NetCfgSearchResult RunNetCfgSearch(NetCfgState& state, const std::string& codePage,
                                   std::stop_token stop, const NetProgressFn& progress) {
    const auto start = Clock::now();
    NetCfgSearchResult result;
    std::vector<NetCfgDevice> devices;
    if (progress)
        progress({NetStep::Searching, 0, {}, {}});
    result.run = state.RunSearch(
        devices,
        [&](const std::vector<NetCfgDevice>& table) {
            if (progress)
                progress({NetStep::Found, static_cast<int>(table.size()), Since(start), {}});
        },
        stop);
    result.rows = NetCfgRows(devices, state.DeviceAnswers(), codePage);
    return result;
}

NetCfgLookup FindNetCfgPrinter(NetCfgState& state, const std::string& mac,
                               const std::string& codePage, std::stop_token stop) {
    NetCfgLookup lookup;
    const NetCfgSearchResult search = RunNetCfgSearch(state, codePage, stop);
    lookup.run = search.run;
    for (const NetCfgRow& row : search.rows)
        if (row.wireMac == mac) {
            lookup.found = true;
            lookup.row = row;
            break;
        }
    return lookup;
}

bool NetCfgPrinterReady(const NetCfgEntryList& reply, std::string_view mac) {
    const size_t count = NetCfgEntryCount(reply);
    size_t macAt = count;
    for (size_t i = 0; i < count; ++i)
        if (reply[i].key == "MAC" && reply[i].Value() == mac) {
            macAt = i;
            break;
        }
    if (macAt == count)
        return false;
    std::string dhcp;
    for (size_t i = macAt + 1; i < count; ++i)
        if (reply[i].key == "DHCP") {
            dhcp = std::string(reply[i].Value());
            break;
        }
    const NetCfgEntry* ip = NetCfgFindEntry(reply, "IP_CUR");
    if (ip == nullptr)
        return false;
    return dhcp != "1" || ip->Value() != "----";
}

bool NetCfgReplyConfirms(const NetCfgEntryList& reply, const NetCfgEntryList& sent) {
    if (!NetCfgPrinterReady(reply, Value(sent, "MAC")))
        return false;
    const bool dhcpOn = Value(sent, "DHCP") == "1";
    std::vector<std::string_view> keys = {"DHCP", "PRNT_PORT", "PRNT_RCV_TMO"};
    if (!dhcpOn)
        keys.insert(keys.end(), {"IP", "SUBNET_MASK", "GATEWAY"});
    for (std::string_view key : keys)
        if (NetCfgFindEntry(sent, key) && Value(reply, key) != Value(sent, key))
            return false;
    return true;
}

NetCfgSetupResult RunNetCfgSetup(NetCfgState& state, const std::string& mac,
                                 const std::string& serial, const NetConfigFields& fields,
                                 const NetCfgConfirmTiming& timing, std::stop_token stop,
                                 const NetProgressFn& progress) {
    const auto start = Clock::now();
    NetCfgSetupResult result;
    auto report = [&](NetStep step, int count) {
        if (progress)
            progress({step, count, Since(start), {}});
    };
    auto finish = [&](NetCfgSetupOutcome outcome) {
        result.outcome = outcome;
        result.elapsed = Since(start);
        return result;
    };
    const NetCfgEntryList sent = NetCfgBuildSendList(fields);
    switch (state.RunSet(mac, serial, sent)) {
    case NetCfgRun::Done:
        break;
    case NetCfgRun::NotOpen:
        return finish(NetCfgSetupOutcome::NotOpen);
    default:
        return finish(NetCfgSetupOutcome::Busy);
    }
    report(NetStep::SetSent, 1);
    report(NetStep::Waiting, 0);
    if (!NetPause(timing.firstPause, stop))
        return finish(NetCfgSetupOutcome::Stopped);
    for (;;) {
        NetCfgDevice device;
        NetCfgEntryList reply{};
        report(NetStep::Querying, ++result.queries);
        const NetCfgRun run = state.RunQuery(mac, serial, device, reply, stop);
        if (stop.stop_requested())
            return finish(NetCfgSetupOutcome::Stopped);
        if (run == NetCfgRun::Done) {
            result.entries = reply;
            if (NetCfgReplyConfirms(reply, sent)) {
                report(NetStep::Done, result.queries);
                return finish(NetCfgSetupOutcome::Confirmed);
            }
        } else if (run == NetCfgRun::NotOpen) {
            return finish(NetCfgSetupOutcome::NotOpen);
        }
        // Real time decides, whatever each round took.
        if (timing.limit.count() > 0 && Since(start) >= timing.limit)
            return finish(NetCfgSetupOutcome::TimedOut);
        if (!NetPause(timing.afterReply + timing.betweenQueries, stop))
            return finish(NetCfgSetupOutcome::Stopped);
    }
}

} // namespace printune
