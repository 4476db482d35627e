#include "network/htnet_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace printune {

namespace {

constexpr uint8_t LOGIN_FIELD[6] = {'q', 'l', 'm', 'v', 'x', 0};

std::vector<uint8_t> BuildRequest(uint8_t opcode, uint8_t function, const HtMac& mac,
                                  const uint8_t* payload, size_t payloadLength) {
    std::vector<uint8_t> out;
    out.reserve(HT_HEADER_SIZE + payloadLength + 1);
    out.push_back(0xFF);
    out.push_back(opcode);
    out.push_back(function);
    out.insert(out.end(), mac.begin(), mac.end());
    out.insert(out.end(), LOGIN_FIELD, LOGIN_FIELD + sizeof LOGIN_FIELD);
    out.insert(out.end(), LOGIN_FIELD, LOGIN_FIELD + sizeof LOGIN_FIELD);
    if (payloadLength > 0)
        out.insert(out.end(), payload, payload + payloadLength);
    out.push_back(0);
    out.back() = HtChecksum(out.data(), out.size());
    return out;
}

} // namespace

HtIpv4 HtDeviceRecord::IpAddress() const {
    return {bytes[5], bytes[6], bytes[7], bytes[8]};
}

HtMac HtDeviceRecord::Mac() const {
    HtMac mac;
    std::memcpy(mac.data(), &bytes[9], 6);
    return mac;
}

uint16_t HtDeviceRecord::FirmwareVersion() const {
    return static_cast<uint16_t>(bytes[15] | (bytes[16] << 8));
}

std::string HtDeviceRecord::DeviceName() const {
    std::string name(reinterpret_cast<const char*>(&bytes[19]), 17);
    const size_t nul = name.find('\0');
    if (nul != std::string::npos)
        name.resize(nul);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

void HtDeviceRecord::SetIpAddress(const HtIpv4& ip) {
    std::memcpy(&bytes[5], ip.data(), 4);
}
void HtDeviceRecord::SetMac(const HtMac& mac) {
    std::memcpy(&bytes[9], mac.data(), 6);
}

void HtDeviceRecord::SetFirmwareVersion(uint16_t version) {
    bytes[15] = static_cast<uint8_t>(version & 0xFF);
    bytes[16] = static_cast<uint8_t>(version >> 8);
}

void HtDeviceRecord::SetDeviceName(const std::string& name) {
    std::memset(&bytes[19], ' ', 17);
    std::memcpy(&bytes[19], name.data(), std::min<size_t>(name.size(), 17));
}

HtIpv4 HtNetConfig::Reversed(size_t offset) const {
    return {bytes[offset + 3], bytes[offset + 2], bytes[offset + 1], bytes[offset]};
}

void HtNetConfig::StoreReversed(size_t offset, const HtIpv4& ip) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + 3 - i] = ip[i];
}

HtMac HtNetConfig::Mac() const {
    HtMac mac;
    std::memcpy(mac.data(), &bytes[53], 6);
    return mac;
}

void HtNetConfig::SetMac(const HtMac& mac) {
    std::memcpy(&bytes[53], mac.data(), 6);
}

uint16_t HtNetConfig::PrintPort() const {
    return static_cast<uint16_t>(bytes[79] | (bytes[80] << 8));
}

void HtNetConfig::SetPrintPort(uint16_t port) {
    bytes[79] = static_cast<uint8_t>(port & 0xFF);
    bytes[80] = static_cast<uint8_t>(port >> 8);
}

size_t HtNetConfig::BlockOffset(int block) {
    switch (block) {
    case 1:
        return 0;
    case 2:
        return 67;
    case 3:
        return 130;
    case 4:
        return 193;
    default:
        return 0;
    }
}

size_t HtNetConfig::BlockLength(int block) {
    if (block == 1)
        return 67;
    return block >= 2 && block <= 4 ? 63 : 0;
}

uint8_t HtChecksum(const uint8_t* data, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 1; i + 1 < length; ++i)
        sum = static_cast<uint8_t>(sum + data[i]);
    return sum;
}

std::vector<uint8_t> HtBuildSearch() {
    return {0xFF, 0x01, 0x01, 0x02};
}

std::vector<uint8_t> HtBuildQuery(const HtMac& mac) {
    return BuildRequest(HT_OP_SHORT, HT_FN_QUERY, mac, nullptr, 0);
}

std::vector<uint8_t> HtBuildApply(const HtMac& mac) {
    return BuildRequest(HT_OP_SHORT, HT_FN_APPLY, mac, nullptr, 0);
}

std::vector<uint8_t> HtBuildSetBlock(int block, const HtNetConfig& config) {
    const size_t length = HtNetConfig::BlockLength(block);
    if (length == 0)
        return {};
    const uint8_t opcode = block == 1 ? HT_OP_BLOCK1 : HT_OP_BLOCK;
    return BuildRequest(opcode, static_cast<uint8_t>(HT_FN_BLOCK1 + block - 1), config.Mac(),
                        &config.bytes[HtNetConfig::BlockOffset(block)], length);
}

std::array<uint8_t, HT_ACK_SIZE> HtAck(uint8_t function) {
    return {0xFF, 0x01, function, 0x4B};
}

std::string HtFormatMac(const HtMac& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string HtFormatIp(const HtIpv4& ip) {
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

} // namespace printune
