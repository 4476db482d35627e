#include "network/net_fields.h"

#include <cctype>
#include <cstdio>

#include "base/language.h"
#include "network/netcfg_messages.h"
#include "network/netcfg_text.h"

namespace printune {

namespace {

std::optional<Ipv4Octets> Address(std::string_view text) {
    Ipv4Octets octets{};
    if (!ParseIpv4Octets(std::string(text), octets))
        return std::nullopt;
    return octets;
}

std::string Value(const NetCfgEntryList& entries, std::string_view key) {
    const NetCfgEntry* entry = NetCfgFindEntry(entries, key);
    return entry ? std::string(entry->Value()) : std::string();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::array<std::string, 2> NetDhcpChoices(int languageId) {
    if (languageId == LANG_CHINESE)
        return {"无效", "有效"};
    return {"Disable", "Enable"};
}

int NetDhcpChoiceIndex(std::string_view text) {
    const auto en = NetDhcpChoices(LANG_ENGLISH);
    const auto zh = NetDhcpChoices(LANG_CHINESE);
    for (int i = 0; i < 2; ++i)
        if (EqualsIgnoringCase(text, en[i]) || text == zh[i])
            return i;
    return NET_DHCP_NONE;
}

std::string NetRangeMessage(int min, int max, int languageId) {
    char text[160];
    if (languageId == LANG_CHINESE)
        std::snprintf(text, sizeof text, "请输入一个 %d 至 %d 之间的整数。", min, max);
    else
        std::snprintf(text, sizeof text, "Please enter an integer between %d and %d.", min, max);
    return text;
}

std::string NetFieldLabel(NetField field, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    switch (field) {
    case NetField::Ip:
        return zh ? "IP 地址:" : "IP address:";
    case NetField::Mask:
        return zh ? "子网掩码:" : "Subnet mask:";
    case NetField::Gateway:
        return zh ? "网关:" : "Gateway IP address:";
    case NetField::PrintPort:
        return zh ? "监听端口:" : "Monitor port:";
    case NetField::PrintTimeout:
        return zh ? "打印超时:" : "Printing timeout:";
    }
    return {};
}

std::optional<int> NetNumberInRange(std::string_view text, int min, int max) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

NetConfigFields NetConfigFields::FromEntries(const NetCfgEntryList& entries,
                                             const std::string& codePage) {
    NetConfigFields f;
    f.wireName = Value(entries, "DEV");
    f.wireVersion = Value(entries, "VER");
    f.wireSerial = Value(entries, "SERIAL_NUM");
    f.wireMac = Value(entries, "MAC");
    f.wireCurrentIp = Value(entries, "IP_CUR");
    f.deviceName = NetDisplayText(f.wireName, codePage);
    f.version = NetDisplayText(f.wireVersion, codePage);
    f.serial = NetDisplayText(f.wireSerial, codePage);
    f.mac = NetDisplayText(f.wireMac, codePage);
    f.currentIpText = NetDisplayText(f.wireCurrentIp, codePage);
    f.currentIp = Address(f.wireCurrentIp);
    if (const NetCfgEntry* dhcp = NetCfgFindEntry(entries, "DHCP")) {
        const std::string v(dhcp->Value());
        f.dhcpIndex = v == "0" ? NET_DHCP_DISABLE : v == "1" ? NET_DHCP_ENABLE : NET_DHCP_NONE;
    }
    f.ip = Address(Value(entries, "IP"));
    f.mask = Address(Value(entries, "SUBNET_MASK"));
    f.gateway = Address(Value(entries, "GATEWAY"));
    f.printPort = Value(entries, "PRNT_PORT");
    f.printTimeout = Value(entries, "PRNT_RCV_TMO");
    return f;
}

NetConfigFields NetConfigFields::FromHt(const HtDeviceRecord& record, const HtNetConfig& config,
                                        const std::string& codePage) {
    NetConfigFields f;
    f.wireName = record.DeviceName();
    f.deviceName = NetDisplayText(f.wireName, codePage);
    f.version = std::to_string(record.FirmwareVersion());
    f.mac = HtFormatMac(record.Mac());
    f.currentIp = record.IpAddress();
    f.currentIpText = HtFormatIp(record.IpAddress());
    f.ip = record.IpAddress();
    f.gateway = config.Gateway();
    f.mask = config.SubnetMask();
    f.printPort = std::to_string(config.PrintPort());
    f.dhcpIndex = config.DhcpOn() ? NET_DHCP_ENABLE : NET_DHCP_DISABLE;
    f.timeoutEditable = false;
    return f;
}

std::optional<NetFieldProblem> NetConfigFields::Check(int languageId) const {
    const bool zh = languageId == LANG_CHINESE;
    const std::pair<NetField, const std::optional<Ipv4Octets>*> addresses[] = {
        {NetField::Ip, &ip}, {NetField::Mask, &mask}, {NetField::Gateway, &gateway}};
    for (const auto& [field, value] : addresses)
        if (!value->has_value())
            return NetFieldProblem{
                field, NetFieldLabel(field, languageId) +
                           (zh ? " 请输入有效的地址。" : " please enter a valid address.")};
    if (!NetNumberInRange(printPort, NET_PRINT_PORT_MIN, NET_PRINT_PORT_MAX))
        return NetFieldProblem{
            NetField::PrintPort,
            NetFieldLabel(NetField::PrintPort, languageId) + " " +
                NetRangeMessage(NET_PRINT_PORT_MIN, NET_PRINT_PORT_MAX, languageId)};
    if (timeoutEditable &&
        !NetNumberInRange(printTimeout, NET_PRINT_TIMEOUT_MIN, NET_PRINT_TIMEOUT_MAX))
        return NetFieldProblem{
            NetField::PrintTimeout,
            NetFieldLabel(NetField::PrintTimeout, languageId) + " " +
                NetRangeMessage(NET_PRINT_TIMEOUT_MIN, NET_PRINT_TIMEOUT_MAX, languageId)};
    return std::nullopt;
}

NetCfgEntryList NetCfgBuildSendList(const NetConfigFields& f) {
    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "DEV", f.wireName);
    NetCfgAppendEntry(list, "VER", f.wireVersion);
    NetCfgAppendEntry(list, "SERIAL_NUM", f.wireSerial);
    NetCfgAppendEntry(list, "MAC", f.wireMac);
    // The current address is read-only: it goes back exactly as reported.
    NetCfgAppendEntry(list, "IP_CUR", f.wireCurrentIp);
    if (f.dhcpIndex == NET_DHCP_DISABLE || f.dhcpIndex == NET_DHCP_ENABLE)
        NetCfgAppendEntry(list, "DHCP", std::to_string(f.dhcpIndex));
    NetCfgAppendEntry(list, "IP", f.ip ? FormatIpv4Octets(*f.ip) : std::string());
    NetCfgAppendEntry(list, "SUBNET_MASK", f.mask ? FormatIpv4Octets(*f.mask) : std::string());
    NetCfgAppendEntry(list, "GATEWAY", f.gateway ? FormatIpv4Octets(*f.gateway) : std::string());
    if (auto port = NetNumberInRange(f.printPort, 0, 65535))
        NetCfgAppendEntry(list, "PRNT_PORT", std::to_string(*port));
    if (auto timeout = NetNumberInRange(f.printTimeout, 0, 65535))
        NetCfgAppendEntry(list, "PRNT_RCV_TMO", std::to_string(*timeout));
    return list;
}

HtNetConfig HtConfigWithFields(HtNetConfig config, const NetConfigFields& f) {
    if (f.ip)
        config.SetStaticIp(*f.ip);
    if (f.gateway)
        config.SetGateway(*f.gateway);
    if (f.mask)
        config.SetSubnetMask(*f.mask);
    if (auto port = NetNumberInRange(f.printPort, 0, 65535))
        config.SetPrintPort(static_cast<uint16_t>(*port));
    config.SetDhcp(f.dhcpIndex == NET_DHCP_ENABLE);
    return config;
}

std::vector<uint8_t> NetParamFields::Command() const {
    return BuildNetParamCommand(ip, mask, gateway, dhcpIndex);
}

std::optional<std::string> NetSearchDialogCheck(std::string_view ipText,
                                                std::string_view monitorPort,
                                                bool configuredOverUsb, int languageId) {
    if (!NetNumberInRange(monitorPort, NET_MONITOR_PORT_MIN, NET_MONITOR_PORT_MAX))
        return NetFieldLabel(NetField::PrintPort, languageId) + " " +
               NetRangeMessage(NET_MONITOR_PORT_MIN, NET_MONITOR_PORT_MAX, languageId);
    if (ipText.empty() && !configuredOverUsb)
        return NetMessageText(NetMessage::SelectPrinter, languageId);
    return std::nullopt;
}

} // namespace printune
