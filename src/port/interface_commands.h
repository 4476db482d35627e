#pragma once
// The interface page's two printer commands: the serial configuration
// command that tells the printer its new line parameters, and the Wi-Fi
// reset. Builders are pure; the senders do one open-write-close cycle.
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/exchange.h"
#include "port/port_settings.h"

namespace printune {

class CPrinterPort;

// The configuration byte for the pending serial settings and the model list
// position selected at that moment (parity codes differ by family; positions
// 4, 5 and 0 carry no parity).
uint8_t SerialConfigByte(const PortSettings& pending, int modelPosition);
// 1B 0D 53 1B 23 <byte> 1B 10 45.
std::vector<uint8_t> BuildSerialConfigCommand(const PortSettings& pending, int modelPosition);
// 1B 0D 53 1B 40 01 1B 10 45.
std::vector<uint8_t> BuildWifiResetCommand();

// What a one-way printer command reports while it runs: the transport it is
// about to open (the serial re-configuration tries two).
struct SendProgress {
    int32_t portType = 0;
};
using SendProgressFn = std::function<void(const SendProgress&)>;

// Sends the serial configuration command: first over USB; when no USB
// printer can be opened (8000, 8005, 8006) over the new COM device, opened
// with the current (the printer's previous) line parameters. The port's
// device names come from the pending copy; afterwards port.portType tells
// which transport the outcome belongs to. A stop before an attempt ends the
// operation as Stopped.
ExchangeResult SendSerialConfig(CPrinterPort& port, const PortSettings& pending, int modelPosition,
                                std::stop_token stop = {}, const SendProgressFn& progress = {});

struct SerialReconfiguration {
    ExchangeResult result;
    int32_t usedType = 0; // the transport the outcome belongs to
    int sysErrno = 0;     // the cause behind a port failure
    // The pending values on the serial interface: the new connection, taken
    // whether or not the printer got the command.
    PortSettings adopted;
};

// The serial dialog's confirmation: the command as above, then the values
// the caller adopts (saves and distributes).
SerialReconfiguration ReconfigureSerial(const PortSettings& pending, int modelPosition,
                                        std::stop_token stop = {},
                                        const SendProgressFn& progress = {});

// Sends the Wi-Fi reset over the settings copy's port type and devices.
ExchangeResult SendWifiReset(CPrinterPort& port, const PortSettings& settings,
                             std::stop_token stop = {}, const SendProgressFn& progress = {});

} // namespace printune
