#pragma once
// Wire format of the HT-740 family's UDP configuration protocol (port
// 1901): the 36-byte announcement record, the 256-byte configuration image
// and the requests with their 21-byte header and 8-bit checksum.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace printune {

inline constexpr uint16_t HTNET_PORT = 1901;
inline constexpr size_t HT_RECORD_SIZE = 36;
inline constexpr size_t HT_CONFIG_SIZE = 256;
inline constexpr size_t HT_HEADER_SIZE = 21;
inline constexpr size_t HT_ACK_SIZE = 4;
// Blocks 1 to 3 (bytes 0..192): the least a query reply must carry.
inline constexpr size_t HT_CONFIG_MIN_REPLY = 193;

inline constexpr uint8_t HT_OP_SHORT = 0x13; // query and apply
inline constexpr uint8_t HT_OP_BLOCK1 = 0x56;
inline constexpr uint8_t HT_OP_BLOCK = 0x52; // blocks 2 to 4
inline constexpr uint8_t HT_FN_QUERY = 3;
inline constexpr uint8_t HT_FN_APPLY = 4;
inline constexpr uint8_t HT_FN_BLOCK1 = 5; // block n: function 4 + n

using HtMac = std::array<uint8_t, 6>;
using HtIpv4 = std::array<uint8_t, 4>; // first octet first

// The printer's announcement; bytes not named here are carried along.
struct HtDeviceRecord {
    std::array<uint8_t, HT_RECORD_SIZE> bytes{};

    HtIpv4 IpAddress() const;         // bytes 5..8
    HtMac Mac() const;                // bytes 9..14
    uint16_t FirmwareVersion() const; // bytes 15..16, little-endian
    std::string DeviceName() const;   // bytes 19..35, trailing spaces and NULs cut
    void SetIpAddress(const HtIpv4& ip);
    void SetMac(const HtMac& mac);
    void SetFirmwareVersion(uint16_t version);
    void SetDeviceName(const std::string& name); // cut to 17, padded with spaces
};

// The printer's configuration image in four blocks.
struct HtNetConfig {
    std::array<uint8_t, HT_CONFIG_SIZE> bytes{};

    bool DhcpOn() const { return bytes[3] == 0x00; } // 0x00 on, anything else off
    void SetDhcp(bool on) { bytes[3] = on ? 0x00 : 0xFF; }
    // Addresses are stored last octet first; these take and give them
    // first octet first.
    HtIpv4 StaticIp() const { return Reversed(9); }
    HtIpv4 Gateway() const { return Reversed(13); }
    HtIpv4 SubnetMask() const { return Reversed(17); }
    void SetStaticIp(const HtIpv4& ip) { StoreReversed(9, ip); }
    void SetGateway(const HtIpv4& ip) { StoreReversed(13, ip); }
    void SetSubnetMask(const HtIpv4& ip) { StoreReversed(17, ip); }
    HtMac Mac() const; // bytes 53..58
    void SetMac(const HtMac& mac);
    uint16_t PrintPort() const; // bytes 79..80, little-endian
    void SetPrintPort(uint16_t port);

    // First byte and length of block 1..4 (0, 0 for any other number).
    static size_t BlockOffset(int block);
    static size_t BlockLength(int block);

private:
    HtIpv4 Reversed(size_t offset) const;
    void StoreReversed(size_t offset, const HtIpv4& ip);
};

// 8-bit sum of every byte after the first (the last byte excluded).
uint8_t HtChecksum(const uint8_t* data, size_t length);

std::vector<uint8_t> HtBuildSearch();                // FF 01 01 02
std::vector<uint8_t> HtBuildQuery(const HtMac& mac); // 22 bytes
std::vector<uint8_t> HtBuildApply(const HtMac& mac); // 22 bytes
// Block 1 (89 bytes) or 2..4 (85 bytes), addressed to the configuration's
// own MAC (bytes 53..58). Empty for another block number.
std::vector<uint8_t> HtBuildSetBlock(int block, const HtNetConfig& config);
// The acknowledgement FF 01 <function> 4B.
std::array<uint8_t, HT_ACK_SIZE> HtAck(uint8_t function);

// "00:11:22:aa:bb:cc" (lower case, as the device list shows it).
std::string HtFormatMac(const HtMac& mac);
std::string HtFormatIp(const HtIpv4& ip);

} // namespace printune
