#pragma once
// The field model of the network configuration dialog, in both of its
// modes: the values it shows, the ranges its "OK" enforces, the DHCP
// choices, and the conversions to the two protocols' set requests. A
// dialog binds its controls to NetConfigFields; the command line fills the
// same object from its arguments.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "network/htnet_codec.h"
#include "network/netcfg_codec.h"
#include "network/netparam_command.h"

namespace printune {

inline constexpr int NET_PRINT_PORT_MIN = 9000;
inline constexpr int NET_PRINT_PORT_MAX = 9999;
inline constexpr int NET_PRINT_TIMEOUT_MIN = 0;
inline constexpr int NET_PRINT_TIMEOUT_MAX = 300;
// The search dialogs' "Monitor port:" (the connection's TCP port).
inline constexpr int NET_MONITOR_PORT_MIN = 0;
inline constexpr int NET_MONITOR_PORT_MAX = 9999;

inline constexpr int NET_DHCP_NONE = -1;
inline constexpr int NET_DHCP_DISABLE = 0;
inline constexpr int NET_DHCP_ENABLE = 1;

// The DHCP drop-down's items, index 0 "Disable", 1 "Enable".
std::array<std::string, 2> NetDhcpChoices(int languageId);
// The index of a choice typed in either language (English case-insensitive),
// or NET_DHCP_NONE.
int NetDhcpChoiceIndex(std::string_view text);

// "enter a whole number between min and max" for a range field.
std::string NetRangeMessage(int min, int max, int languageId);

enum class NetField { Ip, Mask, Gateway, PrintPort, PrintTimeout };
std::string NetFieldLabel(NetField field, int languageId);

struct NetFieldProblem {
    NetField field;
    std::string message;
};

// A whole number text within [min, max]; nullopt otherwise.
std::optional<int> NetNumberInRange(std::string_view text, int min, int max);

struct NetConfigFields {
    // Read-only identity, as shown (stripped, converted, safe to display).
    std::string deviceName, version, mac, serial, currentIpText;
    // The same as the printer sent them, for writing back unchanged.
    std::string wireName, wireVersion, wireMac, wireSerial, wireCurrentIp;
    int dhcpIndex = NET_DHCP_NONE;
    // Address fields; empty when the printer's value could not be parsed,
    // so the user must enter one before anything is sent.
    std::optional<Ipv4Octets> currentIp, ip, mask, gateway;
    // The two number edits as their texts.
    std::string printPort, printTimeout;
    bool timeoutEditable = true; // off in the HT-740 mode

    // Received-entries mode: the values of a query reply.
    static NetConfigFields FromEntries(const NetCfgEntryList& entries, const std::string& codePage);
    // HT-740 mode: the announcement and the configuration read from it; the
    // "IP address:" is the printer's current address.
    static NetConfigFields FromHt(const HtDeviceRecord& record, const HtNetConfig& config,
                                  const std::string& codePage);

    // What "OK" checks: the first field that is missing or out of range.
    std::optional<NetFieldProblem> Check(int languageId) const;
};

// The 11-entry set request of the label protocol, in its order; "DHCP" is
// left out without a choice. Only for fields that passed Check().
NetCfgEntryList NetCfgBuildSendList(const NetConfigFields& fields);

// The fields written into a configuration read from an HT-740 printer:
// addresses last octet first, the print port, and DHCP byte 3 as 00
// (Enable) or FF (Disable) whatever it held. Only after Check().
HtNetConfig HtConfigWithFields(HtNetConfig config, const NetConfigFields& fields);

// "Configure Network (USB)": its values at opening and the 22-byte
// network-parameter command they make (gateway before mask on the wire).
struct NetParamFields {
    int dhcpIndex = NET_DHCP_DISABLE;
    Ipv4Octets ip{192, 168, 0, 10};
    Ipv4Octets mask{255, 255, 255, 0};
    Ipv4Octets gateway{192, 168, 0, 1};
    bool sendByEther = false;

    std::vector<uint8_t> Command() const;
};

// "OK" of the search dialogs (both protocols): the message that keeps the
// dialog open, or nullopt. The monitor port must be a whole number
// 0..9999; an empty IP address is refused unless a printer was just
// configured over USB.
std::optional<std::string> NetSearchDialogCheck(std::string_view ipText,
                                                std::string_view monitorPort,
                                                bool configuredOverUsb, int languageId);

} // namespace printune
