#pragma once
// The connection settings record, its defaults and the process-wide current
// instance that every port reads its serial line parameters, network address
// and TCP port from.
#include <cstdint>
#include <string>

namespace printune {

inline constexpr int32_t PORT_COM = 1;
inline constexpr int32_t PORT_LPT = 2;
inline constexpr int32_t PORT_USB = 3;
inline constexpr int32_t PORT_LAN = 4;
// "com", "lpt", "usb", "lan"; "none" for any other value.
const char* PortTypeKey(int32_t portType);

// All texts are UTF-8.
struct PortSettings {
    std::string printerModel;
    int32_t portType = PORT_USB;
    std::string comPortName = "COM1";
    std::string baudrate = "9600";
    std::string paritySetup = "None";
    std::string dataBit = "8";
    std::string stopBit = "1";
    std::string flowControl = "DTR";
    std::string lptPortName = "LPT1";
    std::string language = "English";
    std::string ipAddr = "169.254.1.10";
    int32_t listenPort = 9100;

    bool operator==(const PortSettings&) const = default;
};

// The values used when no settings file exists: the given first model of the
// list and "Chinese" when the system's default language is 2052.
PortSettings DefaultPortSettings(const std::string& firstModel, int systemLanguageId);

// The process-wide current settings. Reads and writes are whole-record
// copies under a lock, so any thread may call them at any time.
PortSettings CurrentPortSettings();
void SetCurrentPortSettings(const PortSettings& settings);

} // namespace printune
