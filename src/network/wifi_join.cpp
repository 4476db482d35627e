#include "network/wifi_join.h"

#include <cctype>
#include <cstring>

namespace printune {

namespace {

std::string MacKey(const std::string& mac) {
    std::string key;
    for (char c : mac)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

std::string Trimmed(const char* text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

bool HasAddress(const NetCfgDevice& device) {
    const std::string ip = Trimmed(device.ip);
    return !ip.empty() && ip != "----" && ip != "0.0.0.0";
}

// One search round; the devices that answered. A stop is seen only after
// the round's window.
NetCfgRun SearchOnce(NetCfgState& state, std::vector<NetCfgDevice>& devices) {
    return state.RunSearch(devices);
}

} // namespace

bool WifiJoinWaitApplies(const WifiConfig& config) {
    return config.mode == WIFI_MODE_STA;
}

WifiJoinTarget WifiJoinTargetFor(const WifiConfig& config, std::string serial, std::string mac) {
    WifiJoinTarget t;
    t.serial = std::move(serial);
    t.mac = std::move(mac);
    if (config.dhcp == WIFI_DHCP_DISABLE && config.ip)
        t.ip = FormatIpv4Octets(*config.ip);
    return t;
}

bool WifiJoinMatches(const WifiJoinTarget& target, const NetCfgDevice& device) {
    if (!HasAddress(device))
        return false;
    if (!target.serial.empty() && target.serial != Trimmed(device.serial))
        return false;
    if (!target.mac.empty() && MacKey(target.mac) != MacKey(device.mac))
        return false;
    return target.ip.empty() || target.ip == Trimmed(device.ip);
}

WifiJoinResult WaitForWifiJoin(const WifiJoinTarget& target, std::chrono::seconds limit,
                               const NetCfgAddresses& addresses, std::stop_token stop,
                               const WifiJoinProgressFn& progress) {
    using Clock = std::chrono::steady_clock;
    WifiJoinResult r;
    NetCfgState state;
    r.openError = state.Open(addresses);
    if (r.openError != 0) {
        state.Close();
        r.outcome = WifiJoinOutcome::NoNetwork;
        return r;
    }
    const auto start = Clock::now();
    r.outcome = WifiJoinOutcome::NotFound;
    while (Clock::now() - start < limit) {
        if (stop.stop_requested()) {
            r.outcome = WifiJoinOutcome::Stopped;
            break;
        }
        ++r.searches;
        if (progress)
            progress({r.searches,
                      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)});
        std::vector<NetCfgDevice> devices;
        if (SearchOnce(state, devices) != NetCfgRun::Done)
            break;
        for (const NetCfgDevice& d : devices) {
            if (WifiJoinMatches(target, d)) {
                r.device = d;
                r.outcome = WifiJoinOutcome::Found;
                break;
            }
        }
        if (r.outcome == WifiJoinOutcome::Found)
            break;
    }
    state.Close();
    return r;
}

} // namespace printune
