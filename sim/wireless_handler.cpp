#include "wireless_handler.h"

#include <cstring>

#include "handler_util.h"

namespace printune_sim {

namespace {

constexpr size_t NETPARAM_LENGTH = 22;
constexpr size_t BT_SET_LENGTH = 25;
constexpr size_t WIFI_TAIL = 1 + 1 + 12 + 1 + 3; // key's 00, 01, addresses, DHCP, close

std::string Field(const uint8_t* data, size_t length) {
    return std::string(reinterpret_cast<const char*>(data),
                       strnlen(reinterpret_cast<const char*>(data), length));
}

bool IsClose(const uint8_t* p) {
    return p[0] == 0x1B && p[1] == 0x10 && p[2] == 0x45;
}

} // namespace

WirelessHandler::WirelessHandler(std::string model) : model_(std::move(model)) {
    bluetooth_.name = model_;
}

CommandHandler::Result WirelessHandler::Handle(const uint8_t* data, size_t length, size_t& consumed,
                                               Reply& reply) {
    // Bluetooth: 1B 0D 47 / 48 / 49.
    Match bt = MatchPrefix(data, length, {0x1B, 0x0D});
    if (bt == Match::Partial)
        return Result::NeedMore;
    if (bt == Match::No)
        return Result::NotMine;
    if (length < 3)
        return Result::NeedMore;
    switch (data[2]) {
    case 0x47:
        consumed = 3;
        events_.push_back("bluetooth: get");
        {
            std::vector<uint8_t> r = BluetoothReply();
            reply.bytes.insert(reply.bytes.end(), r.begin(), r.end());
        }
        return Result::Handled;
    case 0x48:
        if (length < BT_SET_LENGTH)
            return Result::NeedMore;
        bluetooth_.name = Field(data + 3, 16);
        bluetooth_.password = Field(data + 19, 4);
        consumed = BT_SET_LENGTH;
        events_.push_back("bluetooth: set name \"" +
                          PrintableText(data + 3, bluetooth_.name.size()) + "\" password \"" +
                          PrintableText(data + 19, bluetooth_.password.size()) + "\"; beep");
        return Result::Handled;
    case 0x49:
        consumed = 3;
        bluetooth_ = BluetoothState{};
        bluetooth_.name = model_;
        events_.push_back("bluetooth: restore all settings");
        return Result::Handled;
    case 0x53:
        break;
    default:
        return Result::NotMine;
    }
    // Framed commands: 1B 0D 53 1B xx.
    if (length < 5)
        return MatchPrefix(data + 3, length - 3, {0x1B}) == Match::No ? Result::NotMine
                                                                      : Result::NeedMore;
    if (data[3] != 0x1B)
        return Result::NotMine;
    switch (data[4]) {
    case 0x3B: // network parameters
        if (length < 6)
            return Result::NeedMore;
        if (data[5] != 0x01)
            return Result::NotMine;
        if (length < NETPARAM_LENGTH)
            return Result::NeedMore;
        if (!IsClose(data + 19))
            return Result::NotMine;
        std::memcpy(network_.ip.data(), data + 6, 4);
        std::memcpy(network_.gateway.data(), data + 10, 4);
        std::memcpy(network_.mask.data(), data + 14, 4);
        network_.dhcp = data[18];
        consumed = NETPARAM_LENGTH;
        events_.push_back("network: ip " + Ipv4Text(data + 6) + " gateway " + Ipv4Text(data + 10) +
                          " mask " + Ipv4Text(data + 14) + " dhcp " +
                          (data[18] ? "enable" : "disable"));
        return Result::Handled;
    case 0x40: // Wi-Fi reset
        switch (MatchPrefix(data + 5, length - 5, {0x01, 0x1B, 0x10, 0x45})) {
        case Match::Partial:
            return Result::NeedMore;
        case Match::No:
            return Result::NotMine;
        case Match::Full:
            wifi_ = WifiState{};
            consumed = 9;
            events_.push_back("wifi: reset");
            return Result::Handled;
        }
        return Result::NotMine;
    case 0x3E:
        return HandleWifi(data, length, consumed);
    default:
        return Result::NotMine;
    }
}

CommandHandler::Result WirelessHandler::HandleWifi(const uint8_t* data, size_t length,
                                                   size_t& consumed) {
    // 1B 0D 53 1B 3E mode ssid 00 enc fmt present key 00 01 ip gw mask dhcp 1B 10 45.
    // A hex key may hold 00 bytes, so the key ends where the fixed tail fits.
    size_t pos = 6;
    while (pos < length && data[pos] != 0x00)
        ++pos;
    const size_t ssidEnd = pos;
    const size_t keyStart = ssidEnd + 4;
    for (size_t end = keyStart; end + WIFI_TAIL <= length; ++end) {
        const uint8_t* t = data + end;
        if (t[0] == 0x00 && t[1] == 0x01 && IsClose(t + 15)) {
            WifiState w;
            w.mode = data[5];
            w.ssid.assign(reinterpret_cast<const char*>(data + 6), ssidEnd - 6);
            w.encryption = data[ssidEnd + 1];
            w.keyFormat = data[ssidEnd + 2];
            w.key.assign(data + keyStart, t);
            std::memcpy(w.ip.data(), t + 2, 4);
            std::memcpy(w.gateway.data(), t + 6, 4);
            std::memcpy(w.mask.data(), t + 10, 4);
            w.dhcpDisabled = t[14];
            wifi_ = w;
            consumed = end + WIFI_TAIL;
            std::string key = w.keyFormat == 0 ? HexBytes(w.key.data(), w.key.size())
                                               : PrintableText(w.key.data(), w.key.size());
            events_.push_back(std::string("wifi: mode ") + (w.mode == 2 ? "AP" : "STA") +
                              " ssid \"" + PrintableText(data + 6, ssidEnd - 6) + "\" encryption " +
                              std::to_string(w.encryption) + " key " +
                              (w.keyFormat == 0 ? "hex " : "ascii ") + "\"" + key + "\" ip " +
                              Ipv4Text(t + 2) + " gateway " + Ipv4Text(t + 6) + " mask " +
                              Ipv4Text(t + 10) + " dhcp " + (t[14] ? "disable" : "enable"));
            return Result::Handled;
        }
    }
    return length < MAX_WIFI_COMMAND ? Result::NeedMore : Result::NotMine;
}

std::vector<uint8_t> WirelessHandler::BluetoothReply() const {
    std::vector<uint8_t> r(bluetooth_.mac.begin(), bluetooth_.mac.end());
    std::string pw = bluetooth_.password.substr(0, 4);
    pw.resize(4, '\0');
    r.insert(r.end(), pw.begin(), pw.end());
    std::string name = bluetooth_.name.substr(0, 16);
    name.resize(16, '\0');
    r.insert(r.end(), name.begin(), name.end());
    return r;
}

std::vector<std::string> WirelessHandler::TakeEvents() {
    std::vector<std::string> e;
    e.swap(events_);
    return e;
}

} // namespace printune_sim
