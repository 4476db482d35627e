#include "network/netparam_command.h"

#include <cstdio>

namespace printune {

bool ParseIpv4Octets(const std::string& text, Ipv4Octets& out) {
    Ipv4Octets ip{};
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        int value = 0;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        ip[part] = static_cast<uint8_t>(value);
    }
    if (pos != text.size())
        return false;
    out = ip;
    return true;
}

std::string FormatIpv4Octets(const Ipv4Octets& ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]);
    return text;
}

std::vector<uint8_t> BuildNetParamCommand(const Ipv4Octets& ip, const Ipv4Octets& mask,
                                          const Ipv4Octets& gateway, int dhcpIndex) {
    std::vector<uint8_t> cmd = {0x1B, 0x0D, 0x53, 0x1B, 0x3B, 0x01};
    cmd.insert(cmd.end(), ip.begin(), ip.end());
    cmd.insert(cmd.end(), gateway.begin(), gateway.end());
    cmd.insert(cmd.end(), mask.begin(), mask.end());
    cmd.push_back(dhcpIndex == 1 ? 0x01 : 0x00);
    cmd.insert(cmd.end(), {0x1B, 0x10, 0x45});
    return cmd;
}

} // namespace printune
