#pragma once
// The label printers' operations as the search dialog and the command line
// run them: a search that yields display rows, the readiness rule, and the
// setup (set request, then the confirmation cycle). Each takes a stop token
// and reports progress; none shows a message.
#include <chrono>
#include <stop_token>
#include <string>
#include <vector>

#include "network/net_fields.h"
#include "network/net_operation.h"
#include "network/netcfg.h"

namespace printune {

// One printer of a search, its texts ready to show.
struct NetCfgRow {
    std::string serial, mac, name, version, ip;
    std::string wireMac, wireSerial; // as the printer sent them, for a query
    unsigned answers = 1;            // valid replies during the search
};

struct NetCfgSearchResult {
    NetCfgRun run = NetCfgRun::Done;
    std::vector<NetCfgRow> rows; // one per MAC, in order of first answer
};

// The display rows of a device table (one per MAC, answers summed).
std::vector<NetCfgRow> NetCfgRows(const std::vector<NetCfgDevice>& devices,
                                  const std::vector<uint32_t>& answers,
                                  const std::string& codePage);

// A whole search; `progress` sees Found for every change of the list.
NetCfgSearchResult RunNetCfgSearch(NetCfgState& state, const std::string& codePage,
                                   std::stop_token stop = {}, const NetProgressFn& progress = {});

// The serial number the printer with this MAC gave in a search (empty when
// it did not answer); the query needs both.
struct NetCfgLookup {
    NetCfgRun run = NetCfgRun::Done;
    bool found = false;
    NetCfgRow row;
};
NetCfgLookup FindNetCfgPrinter(NetCfgState& state, const std::string& mac,
                               const std::string& codePage, std::stop_token stop = {});

// The search dialog's readiness rule for a query reply about `mac`: the
// printer has an address ("IP_CUR" present, and not "----" while "DHCP" is
// "1").
bool NetCfgPrinterReady(const NetCfgEntryList& reply, std::string_view mac);

// Whether a query reply shows what a set request asked for: ready, with the
// DHCP choice, and with the addresses and numbers sent (the addresses only
// when DHCP is off, since DHCP may replace them).
bool NetCfgReplyConfirms(const NetCfgEntryList& reply, const NetCfgEntryList& sent);

struct NetCfgConfirmTiming {
    std::chrono::milliseconds firstPause{5000}; // the printer restarts
    std::chrono::milliseconds afterReply{500};
    std::chrono::milliseconds betweenQueries{2000};
    // Give up once this much real time has passed; 0 waits until stopped.
    std::chrono::milliseconds limit{0};
};

enum class NetCfgSetupOutcome { Confirmed, TimedOut, Stopped, Busy, NotOpen };

struct NetCfgSetupResult {
    NetCfgSetupOutcome outcome = NetCfgSetupOutcome::TimedOut;
    NetCfgEntryList entries{}; // the last reply of the printer (confirmed values)
    int queries = 0;
    std::chrono::milliseconds elapsed{0};
};

// "Setup printer" after the configuration dialog's "OK": the set request
// built from `fields` (which passed Check()), then the confirmation cycle:
// pause, query, and again every betweenQueries after the query's window
// until the printer reports the values set, counting real elapsed time.
NetCfgSetupResult RunNetCfgSetup(NetCfgState& state, const std::string& mac,
                                 const std::string& serial, const NetConfigFields& fields,
                                 const NetCfgConfirmTiming& timing, std::stop_token stop = {},
                                 const NetProgressFn& progress = {});

} // namespace printune
