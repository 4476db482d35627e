#include "port/interface_commands.h"

#include "base/value_text.h"
#include "port/exchange.h"
#include "port/port_errors.h"
#include "port/printer_port.h"

namespace printune {

uint8_t SerialConfigByte(const PortSettings& pending, int modelPosition) {
    static const char* const kBaud[8] = {"1200",  "2400",  "4800",  "9600",
                                         "19200", "38400", "57600", "115200"};
    uint8_t b = 0;
    for (uint8_t code = 1; code < 8; ++code)
        if (pending.baudrate == kBaud[code])
            b = code;
    if (pending.flowControl == "Xon/Xoff")
        b |= 0x08;
    const bool label = modelPosition == 1 || modelPosition == 2;
    const bool receipt = modelPosition == 3;
    if (pending.paritySetup == "Even" && (label || receipt))
        b |= label ? 0x20 : 0x10;
    else if (pending.paritySetup == "Odd" && (label || receipt))
        b |= label ? 0x10 : 0x20;
    if (ParseLeadingInt(pending.dataBit) == 7)
        b |= 0x80;
    if (ParseLeadingInt(pending.stopBit) == 2)
        b |= 0x40;
    return b;
}

std::vector<uint8_t> BuildSerialConfigCommand(const PortSettings& pending, int modelPosition) {
    return {0x1B, 0x0D, 0x53, 0x1B, 0x23, SerialConfigByte(pending, modelPosition),
            0x1B, 0x10, 0x45};
}

std::vector<uint8_t> BuildWifiResetCommand() {
    return {0x1B, 0x0D, 0x53, 0x1B, 0x40, 0x01, 0x1B, 0x10, 0x45};
}

namespace {

ExchangeResult Attempt(CPrinterPort& port, const std::vector<uint8_t>& command,
                       const std::stop_token& stop, const SendProgressFn& progress) {
    if (stop.stop_requested()) {
        ExchangeResult stopped;
        stopped.outcome = ExchangeOutcome::Stopped;
        return stopped;
    }
    if (progress)
        progress(SendProgress{port.portType});
    return SendRequest(port, command);
}

} // namespace

ExchangeResult SendSerialConfig(CPrinterPort& port, const PortSettings& pending, int modelPosition,
                                std::stop_token stop, const SendProgressFn& progress) {
    std::vector<uint8_t> command = BuildSerialConfigCommand(pending, modelPosition);
    port.lptName = pending.lptPortName;
    port.comName = pending.comPortName;
    port.portType = PORT_USB;
    ExchangeResult r = Attempt(port, command, stop, progress);
    if (r.outcome == ExchangeOutcome::OpenFailed &&
        (r.portError == PORT_ERR_OPEN || r.portError == PORT_ERR_USB_LIST ||
         r.portError == PORT_ERR_USB_NONE)) {
        port.portType = PORT_COM;
        r = Attempt(port, command, stop, progress);
    }
    return r;
}

SerialReconfiguration ReconfigureSerial(const PortSettings& pending, int modelPosition,
                                        std::stop_token stop, const SendProgressFn& progress) {
    SerialReconfiguration r;
    CPrinterPort port;
    r.result = SendSerialConfig(port, pending, modelPosition, std::move(stop), progress);
    r.usedType = port.portType;
    r.sysErrno = port.LastErrno();
    r.adopted = pending;
    r.adopted.portType = PORT_COM;
    return r;
}

ExchangeResult SendWifiReset(CPrinterPort& port, const PortSettings& settings, std::stop_token stop,
                             const SendProgressFn& progress) {
    ConfigurePort(port, settings);
    return Attempt(port, BuildWifiResetCommand(), stop, progress);
}

} // namespace printune
