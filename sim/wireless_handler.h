#pragma once
// Wi-Fi, Bluetooth and network-parameter commands on a simulated printer:
// Wi-Fi configuration (1B 0D 53 1B 3E ...) and reset (1B 0D 53 1B 40 01 ...),
// the network-parameter command (1B 0D 53 1B 3B 01 ...), Bluetooth set
// (1B 0D 48, 25 bytes), restore (1B 0D 49) and get (1B 0D 47, answered with
// the 26-byte MAC / password / name reply). Goes before the settings handler:
// these commands share its frame.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_printer.h"

namespace printune_sim {

struct WifiState {
    int mode = 2; // 02 AP, 00 STA, as on the wire
    std::string ssid = "KP-520 WF";
    int encryption = 0;
    int keyFormat = 1;
    std::vector<uint8_t> key;
    std::array<uint8_t, 4> ip{192, 168, 1, 11};
    std::array<uint8_t, 4> gateway{192, 168, 1, 11};
    std::array<uint8_t, 4> mask{255, 255, 255, 0};
    int dhcpDisabled = 0; // 01 disable, 00 enable
};

struct NetworkState {
    std::array<uint8_t, 4> ip{192, 168, 0, 10};
    std::array<uint8_t, 4> gateway{192, 168, 0, 1};
    std::array<uint8_t, 4> mask{255, 255, 255, 0};
    int dhcp = 0;
};

struct BluetoothState {
    std::array<uint8_t, 6> mac{0x00, 0x1B, 0x35, 0x0A, 0x0B, 0x0C};
    std::string password = "1234";
    std::string name; // the model's name at first
};

class WirelessHandler : public CommandHandler {
public:
    explicit WirelessHandler(std::string model);

    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
    std::vector<std::string> TakeEvents() override;

    const WifiState& Wifi() const { return wifi_; }
    const NetworkState& Network() const { return network_; }
    const BluetoothState& Bluetooth() const { return bluetooth_; }

    // A Wi-Fi command longer than this is not one.
    static constexpr size_t MAX_WIFI_COMMAND = 512;

private:
    Result HandleWifi(const uint8_t* data, size_t length, size_t& consumed);
    std::vector<uint8_t> BluetoothReply() const;

    std::string model_;
    WifiState wifi_;
    NetworkState network_;
    BluetoothState bluetooth_;
    std::vector<std::string> events_;
};

} // namespace printune_sim
