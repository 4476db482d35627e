#pragma once
// The HT-740 dialog's operations on its HtNetClient: a search, the set
// sequence and the DHCP sequence. Each takes a stop token and reports
// progress; none shows a message. The set sequence runs before the DHCP
// sequence, in one thread, so that both blocks and their apply requests
// reach the printer before the DHCP sequence's search and query.
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "network/htnet_client.h"
#include "network/net_fields.h"
#include "network/net_operation.h"

namespace printune {

// One printer of a search, its texts ready to show.
struct HtRow {
    HtDeviceRecord record; // the latest announcement
    std::string mac, name, version, ip;
    unsigned answers = 1;
};

struct HtSearchResult {
    bool started = false;                      // false: busy or no socket
    std::vector<HtDeviceRecord> announcements; // every one, in order of arrival
    std::vector<HtRow> rows;                   // one per MAC, in order of first answer
};

// A whole search; `progress` sees Found with the row count after every
// announcement.
// `onAnnouncement` sees each announcement the moment it is taken.
HtSearchResult RunHtSearch(HtNetClient& client, const std::string& codePage,
                           std::stop_token stop = {}, const NetProgressFn& progress = {},
                           const std::function<void(const HtDeviceRecord&)>& onAnnouncement = {});
std::vector<HtRow> HtRowsByMac(const std::vector<HtDeviceRecord>& announcements,
                               const std::string& codePage);

struct HtTiming {
    std::chrono::milliseconds afterFirstApply{5000};
    std::chrono::milliseconds afterSecondApply{3000};
    std::chrono::milliseconds afterSearch{5000};
    std::chrono::milliseconds afterQuery{3000};
    std::chrono::milliseconds afterRestore{1000};
};

// One request of a sequence and how the printer took it.
struct HtStep {
    std::string name; // "block1", "apply", "block2", "query", "search"
    HtResult result = HtResult::NoReply;
};

enum class HtDhcpOutcome {
    NotRun,   // DHCP off, or the set sequence failed
    Settled,  // the printer came back with an address
    NotFound, // the printer did not answer the search
    Restored, // it had no address; its previous block 1 was written back
    Stopped,
};

struct HtSetupResult {
    bool acknowledged = false; // every block and apply of the set sequence
    bool stopped = false;
    std::vector<HtStep> steps;
    HtDhcpOutcome dhcp = HtDhcpOutcome::NotRun;
    HtDeviceRecord announced; // the DHCP sequence's announcement
    bool configurationRead = false;
    HtNetConfig configuration; // as the printer reported it after the change
};

// "Setup printer" after the configuration dialog's "OK": `saved` is the
// configuration read from `record` (configurationRead tells whether that
// read succeeded; without it nothing is sent), `fields` the dialog's
// checked values. Block 1, apply, pause, block 2, apply, pause; with DHCP
// chosen, then the DHCP sequence: search, pause, find the selected MAC,
// query that announcement, pause, and when it announces 0.0.0.0 write the
// saved block 1 back and apply.
HtSetupResult RunHtSetup(HtNetClient& client, const HtDeviceRecord& record,
                         const HtNetConfig& saved, bool configurationRead,
                         const NetConfigFields& fields, const HtTiming& timing,
                         std::stop_token stop = {}, const NetProgressFn& progress = {});

} // namespace printune
