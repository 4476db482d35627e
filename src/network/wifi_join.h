#pragma once
// After a Wi-Fi command: did the printer join the network? Repeated label
// printer searches until the printer answers or the time is up. Only a
// printer in STA mode joins a network; in AP mode it opens its own.
#include <chrono>
#include <functional>
#include <stop_token>
#include <string>

#include "network/netcfg.h"
#include "network/wifi_commands.h"

namespace printune {

inline constexpr int WIFI_JOIN_WAIT_DEFAULT_S = 60;
inline constexpr int WIFI_JOIN_WAIT_MAX_S = 600;

// What identifies the printer; an empty field is not known. The address is
// known only when DHCP is off.
struct WifiJoinTarget {
    std::string serial;
    std::string mac;
    std::string ip;
};

bool WifiJoinWaitApplies(const WifiConfig& config);
WifiJoinTarget WifiJoinTargetFor(const WifiConfig& config, std::string serial = {},
                                 std::string mac = {});

// A device of a search reply matches when every known field agrees (MAC
// without separators, either case) and it reports an address. With nothing
// known, the first label printer with an address is taken.
bool WifiJoinMatches(const WifiJoinTarget& target, const NetCfgDevice& device);

enum class WifiJoinOutcome { Found, NotFound, Stopped, NoNetwork };

struct WifiJoinResult {
    WifiJoinOutcome outcome = WifiJoinOutcome::NotFound;
    NetCfgDevice device{}; // Found: the printer, with its address in ip
    int searches = 0;
    int openError = 0; // NoNetwork: the NetCfgState::Open() result
};

struct WifiJoinProgress {
    int searches = 0; // searches started so far
    std::chrono::milliseconds elapsed{0};
};
using WifiJoinProgressFn = std::function<void(const WifiJoinProgress&)>;

// Searches until a matching printer answers, `limit` has passed or a stop
// is requested (seen between searches; one search lasts about 4 s). Uses a
// protocol state of its own, closed before it returns.
WifiJoinResult WaitForWifiJoin(const WifiJoinTarget& target, std::chrono::seconds limit,
                               const NetCfgAddresses& addresses, std::stop_token stop = {},
                               const WifiJoinProgressFn& progress = {});

} // namespace printune
