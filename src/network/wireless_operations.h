#pragma once
// The Wi-Fi and Bluetooth operations: each is one open-write-close of the
// printer connection, preceded by the checks the dialogs make, so nothing
// malformed is ever sent. The dialogs and the command line both run these.
// They block; run them on a worker.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>

#include "network/bluetooth_commands.h"
#include "network/wifi_commands.h"
#include "port/interface_commands.h"

namespace printune {

struct WirelessOutcome {
    bool ok = false;
    bool stopped = false;                    // a stop came before the port was opened
    bool refused = false;                    // an input check failed; nothing was sent
    WifiProblem problem = WifiProblem::None; // why a Wi-Fi command was not built
    int portError = 0;
    int64_t bytesSent = 0;
    std::optional<Notice> notice; // the icon to show it with is in the notice
};

// "Confirm": every field checked afresh (a missing one stops the command
// with no message for the dialog, a key that misses its format with the
// key-check message), then the command.
WirelessOutcome SendWifiSettings(PortLink& link, const WifiConfig& config, int languageId,
                                 std::stop_token stop = {}, const SendProgressFn& progress = {});
// " Reset Wi-Fi": 1B 0D 53 1B 40 01 1B 10 45.
WirelessOutcome ResetWifiSettings(PortLink& link, int languageId, std::stop_token stop = {},
                                  const SendProgressFn& progress = {});
// "Send Settings": a name of 1..15 characters (what the dialog's field
// takes) and a password of 4, each character one byte.
WirelessOutcome SendBluetoothSettings(PortLink& link, const std::string& name,
                                      const std::string& password, int languageId,
                                      std::stop_token stop = {},
                                      const SendProgressFn& progress = {});
// "Restore all Settings": 1B 0D 49.
WirelessOutcome RestoreBluetoothSettings(PortLink& link, int languageId, std::stop_token stop = {},
                                         const SendProgressFn& progress = {});

} // namespace printune
