#pragma once
// The Wi-Fi label printer's configuration command (mode, SSID, encryption,
// key, IP parameters) with its key check, and the Wi-Fi reset command.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "network/netparam_command.h"
#include "port/port_link.h"

namespace printune {

enum WifiModeIndex { WIFI_MODE_AP = 0, WIFI_MODE_STA = 1 };
enum WifiKeyFormatIndex { WIFI_KEY_HEX = 0, WIFI_KEY_ASCII = 1 };
enum WifiDhcpIndex { WIFI_DHCP_DISABLE = 0, WIFI_DHCP_ENABLE = 1 };
inline constexpr int WIFI_ENCRYPTION_NONE = 0;
inline constexpr int WIFI_ENCRYPTION_COUNT = 7;

// List texts, by index (the same in both languages except the DHCP items).
const std::vector<std::string>& WifiModeNames();
const std::vector<std::string>& WifiEncryptionNames();
const std::vector<std::string>& WifiKeyFormatNames();
std::vector<std::string> WifiDhcpNames(int languageId);

// Dialog values; list indexes, -1 for no selection; an address that is blank
// is empty.
struct WifiConfig {
    int mode = WIFI_MODE_AP;
    std::string ssid = "KP-520 WF";
    int encryption = WIFI_ENCRYPTION_NONE;
    int keyFormat = WIFI_KEY_ASCII;
    std::string key;
    int dhcp = WIFI_DHCP_ENABLE;
    std::optional<Ipv4Octets> ip = Ipv4Octets{192, 168, 1, 11};
    std::optional<Ipv4Octets> mask = Ipv4Octets{255, 255, 255, 0};
    std::optional<Ipv4Octets> gateway = Ipv4Octets{192, 168, 1, 11};
};

enum class KeyCheck {
    NotNeeded, // "None", or no encryption / key format chosen
    Valid,
    Invalid,
};

// The key-format table: WEP64 5 ASCII / 10 hex characters, WEP128 13 / 26,
// WPA and WPA2 8..63 / 16..128; hex keys of hex digits only, an even count.
KeyCheck CheckWifiKey(int encryption, int keyFormat, const std::string& key);

enum class WifiProblem {
    None,
    MissingField, // a list without selection, an empty SSID or address
    BadKey,       // the key-check message
    BadText,      // a character that cannot go out as one byte
};

struct WifiCommand {
    bool ok = false;
    std::vector<uint8_t> bytes;
    WifiProblem problem = WifiProblem::None;
    // The key-check message (a plain box) or the bad character; MissingField
    // also carries a line for the command line, the dialog shows none for it.
    std::optional<Notice> notice;
};

// Checks every field afresh and builds the command.
WifiCommand BuildWifiCommand(const WifiConfig& config, int languageId);

} // namespace printune
