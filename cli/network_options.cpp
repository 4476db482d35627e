#include "network_options.h"

#include "app/startup_language.h"
#include "failure.h"
#include "network/netcfg_messages.h"
#include "setting_values.h"
#include "base/narrow_text.h"
#include "texts.h"

namespace printune::cli {

std::vector<OptionSpec> NetworkAddressOptions() {
    return {
        {"dest", "LIST",
         "send requests to these addresses instead of the broadcast address: A.B.C.D[:PORT], "
         "ranges A.B.C.D-E and blocks A.B.C.D/NN, comma-separated (at most 1024)",
         "请求发往这些地址而不是广播地址：A.B.C.D[:端口]、范围 A.B.C.D-E 和网段 A.B.C.D/NN，"
         "以逗号分隔（最多 1024 个）"},
        {"bind", "ADDRESS[:PORT]", "local address for the replies", "接收应答的本地地址"},
    };
}

Ipv4Endpoint CheckEndpoint(const std::string& text, uint16_t defaultPort, const char* option) {
    const auto endpoint = ParseEndpoint(text, defaultPort);
    if (!endpoint)
        ThrowUsage(Format(L("invalid %s '%s' (ADDRESS[:PORT])", "%s 无效：'%s'（地址[:端口]）"),
                          option, text.c_str()));
    return *endpoint;
}

namespace {

// --dest: one address replaces the destination, more make a sweep.
void Destinations(const ParsedArgs& a, uint16_t defaultPort, Ipv4Endpoint& destination,
                  std::vector<Ipv4Endpoint>& sweep) {
    const auto text = a.Find("dest");
    if (!text)
        return;
    std::string error;
    auto list = ParseDestinationList(*text, defaultPort, error);
    if (list.empty())
        ThrowUsage(Format(L("invalid --dest '%s': %s", "--dest 无效：'%s'：%s"), text->c_str(),
                          error.c_str()));
    if (list.size() == 1)
        destination = list[0];
    else
        sweep = std::move(list);
}

} // namespace

NetCfgAddresses LabelAddresses(const ParsedArgs& a) {
    NetCfgAddresses addresses = NetCfgAddresses::FromEnvironment();
    Destinations(a, NETCFG_PORT, addresses.destination, addresses.sweep);
    if (auto b = a.Find("bind"))
        addresses.bind = CheckEndpoint(*b, NETCFG_PORT, "--bind");
    return addresses;
}

HtNetOptions HtAddresses(const ParsedArgs& a) {
    HtNetOptions o = HtNetOptions::FromEnvironment();
    Destinations(a, HTNET_PORT, o.destination, o.sweep);
    if (auto b = a.Find("bind"))
        o.bind = CheckEndpoint(*b, 0, "--bind");
    return o;
}

std::string PrinterCodePage() {
    return NarrowCodePage(SystemDefaultLanguageId());
}

void ThrowNoPrinterFound() {
    throw Failure{EXIT_NOT_FOUND, NetMessageText(NetMessage::NoPrinterFound, MessageLanguage()),
                  L("Replies come unasked as far as a firewall can tell: allow incoming UDP to "
                    "port 22094 (label printers) and from port 1901 (HT-740). A printer in "
                    "another subnet must be reachable (try --dest with its address or range).",
                    "在防火墙看来应答是未经请求的：请允许发往 UDP 端口 22094（标签打印机）和来自 "
                    "UDP 端口 1901（HT-740）的入站数据。其他子网中的打印机必须可达（可用 --dest "
                    "指定其地址或范围）。"),
                  0, "not-found"};
}

void ThrowMacNotFound(const std::string& mac) {
    throw Failure{EXIT_NOT_FOUND,
                  Format(L("No printer with MAC %s answered the search.",
                           "没有 MAC 为 %s 的打印机应答搜索。"),
                         mac.c_str()),
                  {},
                  0,
                  "not-found"};
}

void ApplyNetworkArguments(const std::vector<std::string>& arguments, size_t first,
                           NetConfigFields& fields, const char* command) {
    for (size_t i = first; i < arguments.size(); ++i) {
        const auto [key, value] = SplitAssignment(arguments[i]);
        if (key == "dhcp") {
            fields.dhcpIndex = NetDhcpChoiceIndex(value);
            if (fields.dhcpIndex == NET_DHCP_NONE)
                ThrowNotAChoice(key, value, {"Disable", "Enable"});
        } else if (key == "ip" || key == "mask" || key == "gateway") {
            Ipv4Octets octets{};
            if (!ParseIpv4Octets(value, octets))
                ThrowInput(Format(L("%s: '%s' is not an IPv4 address (A.B.C.D)",
                                    "%s：'%s' 不是 IPv4 地址（A.B.C.D）"),
                                  key.c_str(), value.c_str()));
            (key == "ip" ? fields.ip : key == "mask" ? fields.mask : fields.gateway) = octets;
        } else if (key == "port") {
            fields.printPort = value;
        } else if (key == "timeout" && fields.timeoutEditable) {
            fields.printTimeout = value;
        } else {
            ThrowInput(Format(L("unknown network setting '%s' (see '%s --help')",
                                "未知的网络设置 '%s'（见 '%s --help'）"),
                              key.c_str(), command));
        }
    }
}

void PrecheckNetworkArguments(const std::vector<std::string>& arguments, size_t first,
                              bool withTimeout, const char* command) {
    NetConfigFields blank;
    blank.ip = blank.mask = blank.gateway = Ipv4Octets{};
    blank.printPort = std::to_string(NET_PRINT_PORT_MIN);
    blank.printTimeout = std::to_string(NET_PRINT_TIMEOUT_MIN);
    blank.timeoutEditable = withTimeout;
    ApplyNetworkArguments(arguments, first, blank, command);
    RequireValidFields(blank);
}

void RequireValidFields(const NetConfigFields& fields) {
    if (auto problem = fields.Check(MessageLanguage()))
        ThrowInput(problem->message);
}

} // namespace printune::cli
