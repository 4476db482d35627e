#pragma once
// The network-parameter command a USB- or TCP-attached label printer takes:
// 1B 0D 53 1B 3B 01, IP, gateway, subnet mask, DHCP, 1B 10 45 (22 bytes).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace printune {

using Ipv4Octets = std::array<uint8_t, 4>; // first octet first

// Dotted decimal "a.b.c.d" with each part 0..255; false otherwise.
bool ParseIpv4Octets(const std::string& text, Ipv4Octets& out);
std::string FormatIpv4Octets(const Ipv4Octets& ip);

// dhcpIndex: 0 disable, 1 enable; any other value (no selection) sends 0.
// The gateway goes before the mask on the wire.
std::vector<uint8_t> BuildNetParamCommand(const Ipv4Octets& ip, const Ipv4Octets& mask,
                                          const Ipv4Octets& gateway, int dhcpIndex);

} // namespace printune
