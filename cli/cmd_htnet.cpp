// ht ...: the HT-740 family's network protocol (search, read, write).
#include <cstdlib>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "network/htnet_client.h"
#include "network_options.h"
#include "output.h"
#include "setting_values.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

HtNetOptions OptionsFrom(const ParsedArgs& a) {
    HtNetOptions o = HtNetOptions::FromEnvironment();
    if (auto d = a.Find("dest"))
        o.destination = CheckEndpoint(*d, HTNET_PORT, "--dest");
    if (auto b = a.Find("bind"))
        o.bind = CheckEndpoint(*b, 0, "--bind");
    return o;
}

[[noreturn]] void Interrupted() {
    ThrowOther(L("Interrupted.", "已中断。"));
}

void Pause(int ms) {
    if (!SleepUnlessStopped(ms))
        Interrupted();
}

// A whole search: every announcement, repeated ones included.
std::vector<HtDeviceRecord> SearchAll(HtNetClient& client) {
    if (client.Search() != HtResult::Done)
        ThrowOther(L("The search could not be started.", "无法开始搜索。"));
    std::vector<HtDeviceRecord> found;
    HtDeviceRecord record;
    for (;;) {
        const bool idle = client.WaitIdle(std::chrono::milliseconds(50));
        while (client.PopAnnouncement(record))
            found.push_back(record);
        if (idle)
            break;
        if (StopRequested())
            Interrupted();
    }
    return found;
}

HtMac MacArgument(const std::string& text) {
    std::string hex;
    for (char ch : text)
        if (ch != ':' && ch != '-')
            hex += ch;
    HtMac mac{};
    if (hex.size() != 12 || !std::all_of(hex.begin(), hex.end(), ::isxdigit))
        ThrowInput(Format(L("invalid MAC '%s' (for example 00:11:22:33:44:55)",
                            "MAC 无效：'%s'（例如 00:11:22:33:44:55）"),
                          text.c_str()));
    for (size_t i = 0; i < 6; ++i)
        mac[i] = static_cast<uint8_t>(std::strtoul(hex.substr(2 * i, 2).c_str(), nullptr, 16));
    return mac;
}

HtDeviceRecord FindPrinter(HtNetClient& client, const HtMac& mac) {
    for (const HtDeviceRecord& r : SearchAll(client))
        if (r.Mac() == mac)
            return r;
    ThrowTimeout();
}

Json RecordJson(const HtDeviceRecord& r) {
    Json j = Json::Object();
    j.Set("mac", HtFormatMac(r.Mac()));
    j.Set("name", r.DeviceName());
    j.Set("version", static_cast<int>(r.FirmwareVersion()));
    j.Set("ip", HtFormatIp(r.IpAddress()));
    return j;
}

void Search(Context& c, const ParsedArgs& a) {
    HtNetClient client(OptionsFrom(a));
    const auto found = SearchAll(client);
    if (c.json) {
        Json doc = OkDocument("ht search");
        Json list = Json::Array();
        for (const auto& r : found)
            list.Push(RecordJson(r));
        doc.Set("devices", std::move(list));
        PrintJson(doc);
        return;
    }
    PrintLine(Format("%-18s %-18s %-8s %s", L("MAC Addr.", "MAC 地址"),
                     L("Device name", "设备名称"), L("FW Ver.", "固件版本"),
                     L("IP Addr.", "IP 地址")));
    for (const auto& r : found)
        PrintLine(Format("%-18s %-18s %-8u %s", HtFormatMac(r.Mac()).c_str(),
                         r.DeviceName().c_str(), static_cast<unsigned>(r.FirmwareVersion()),
                         HtFormatIp(r.IpAddress()).c_str()));
}

void PrintConfig(const Context& c, const HtDeviceRecord& r, const HtNetConfig& cfg,
                 const std::string& words, const Json& extra = Json()) {
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("device", RecordJson(r));
        Json j = Json::Object();
        j.Set("dhcp", cfg.DhcpOn() ? "Enable" : "Disable");
        j.Set("ip", HtFormatIp(cfg.StaticIp()));
        j.Set("mask", HtFormatIp(cfg.SubnetMask()));
        j.Set("gateway", HtFormatIp(cfg.Gateway()));
        j.Set("port", static_cast<int>(cfg.PrintPort()));
        j.Set("mac", HtFormatMac(cfg.Mac()));
        doc.Set("config", std::move(j));
        if (extra.kind() != Json::Kind::Null)
            doc.Set("acknowledged", extra);
        PrintJson(doc);
        return;
    }
    PrintLine(Column(L("Device name:", "设备名称:"), 22) + " " +
              std::string(r.DeviceName().c_str()));
    PrintLine(Format("%-22s %u", L("FW Version:", "固件版本:"), unsigned(r.FirmwareVersion())));
    PrintLine(Column(L("MAC address:", "MAC 地址:"), 22) + " " +
              std::string(HtFormatMac(r.Mac()).c_str()));
    PrintLine(Format("%-22s %s", L("Current IP address:", "当前 IP 地址:"),
                     HtFormatIp(r.IpAddress()).c_str()));
    PrintLine(Column("DHCP:", 22) + " " +
              (cfg.DhcpOn() ? L("Enable", "有效") : L("Disable", "无效")));
    PrintLine(Column(L("IP address:", "IP 地址:"), 22) + " " +
              std::string(HtFormatIp(cfg.StaticIp()).c_str()));
    PrintLine(Column(L("Subnet mask:", "子网掩码:"), 22) + " " +
              std::string(HtFormatIp(cfg.SubnetMask()).c_str()));
    PrintLine(Column(L("Gateway IP address:", "网关:"), 22) + " " +
              std::string(HtFormatIp(cfg.Gateway()).c_str()));
    PrintLine(Format("%-22s %u", L("Monitor port:", "监听端口:"), unsigned(cfg.PrintPort())));
}

HtNetConfig ReadConfig(HtNetClient& client, const HtDeviceRecord& r) {
    if (client.Query(r) != HtResult::Done)
        ThrowTimeout();
    return client.Configuration();
}

void Get(Context& c, const ParsedArgs& a) {
    const HtMac mac = MacArgument(a.positional[0]);
    HtNetClient client(OptionsFrom(a));
    const HtDeviceRecord r = FindPrinter(client, mac);
    PrintConfig(c, r, ReadConfig(client, r), "ht get");
}

HtIpv4 Octets(const std::string& text, const char* key) {
    CheckIpv4(text, key);
    const uint32_t v = *ParseIpv4(text);
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

void Set(Context& c, const ParsedArgs& a) {
    const HtMac mac = MacArgument(a.positional[0]);
    // Every value is checked before the printer is asked anything.
    std::optional<bool> dhcp;
    std::optional<HtIpv4> ip, mask, gateway;
    std::optional<uint16_t> port;
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const auto [key, value] = SplitAssignment(a.positional[i]);
        if (key == "dhcp") {
            const int pos = ChoicePosition(value, {"Disable", "Enable"}, {"无效", "有效"});
            if (pos < 0)
                ThrowNotAChoice(key, value, {"Disable", "Enable"});
            dhcp = pos == 1;
        } else if (key == "ip") {
            ip = Octets(value, "ip");
        } else if (key == "mask") {
            mask = Octets(value, "mask");
        } else if (key == "gateway") {
            gateway = Octets(value, "gateway");
        } else if (key == "port") {
            if (!IsNumberText(value, false) || std::atol(value.c_str()) < 9000 ||
                std::atol(value.c_str()) > 9999)
                ThrowInput(Format(L("%s: please enter an integer between %d and %d.",
                                    "%s：请输入一个 %d 至 %d 之间的整数。"),
                                  "port", 9000, 9999));
            port = static_cast<uint16_t>(std::atol(value.c_str()));
        } else {
            ThrowInput(Format(L("unknown network setting '%s' (see 'ht set --help')",
                                "未知的网络设置 '%s'（见 'ht set --help'）"),
                              key.c_str()));
        }
    }

    HtNetClient client(OptionsFrom(a));
    HtDeviceRecord record = FindPrinter(client, mac);
    const HtNetConfig saved = ReadConfig(client, record);
    HtNetConfig cfg = saved;
    if (dhcp)
        cfg.SetDhcp(*dhcp);
    if (ip)
        cfg.SetStaticIp(*ip);
    if (mask)
        cfg.SetSubnetMask(*mask);
    if (gateway)
        cfg.SetGateway(*gateway);
    if (port)
        cfg.SetPrintPort(*port);
    client.SetConfiguration(cfg, true);

    // The HT-740 dialog's set sequence: block 1 and apply, then block 2 and
    // apply after the printer has had five seconds.
    Json acks = Json::Object();
    auto ack = [&](const char* what, HtResult r) {
        acks.Set(what, r == HtResult::Done);
        if (r != HtResult::Done)
            PrintMessage(Format(L("No acknowledgement for %s.", "%s 没有应答。"), what));
    };
    ack("block1", client.SetBlock(1));
    ack("apply1", client.Apply(record));
    Pause(5000);
    ack("block2", client.SetBlock(2));
    ack("apply2", client.Apply(record));

    if (cfg.DhcpOn()) {
        // With DHCP on: when the printer comes back without an address, its
        // previous block 1 is written back, as the dialog's DHCP sequence does.
        Pause(5000);
        bool seen = false;
        for (const HtDeviceRecord& r : SearchAll(client))
            if (r.Mac() == mac) {
                record = r;
                seen = true;
            }
        if (seen && record.IpAddress() == HtIpv4{0, 0, 0, 0} &&
            client.Query(record) == HtResult::Done) {
            HtNetConfig restored = client.Configuration();
            std::copy(saved.bytes.begin(), saved.bytes.begin() + HtNetConfig::BlockLength(1),
                      restored.bytes.begin());
            client.SetConfiguration(restored, true);
            ack("restoreBlock1", client.SetBlock(1));
            ack("restoreApply", client.Apply(record));
            ThrowOther(L("The printer got no address by DHCP; its previous settings were restored.",
                         "打印机没有通过 DHCP 获得地址；已恢复其原来的设置。"));
        }
    }
    PrintConfig(c, record, cfg, "ht set", acks);
}

} // namespace

void AddHtNetCommands(std::vector<Command>& list) {
    const std::vector<OptionSpec> where = NetworkAddressOptions();
    list.push_back({"ht search",
                    "",
                    "find the HT-740 family receipt printers on the network",
                    "查找网络上的 HT-740 系列票据打印机",
                    where,
                    0,
                    0,
                    Search,
                    {}});
    list.push_back({"ht get",
                    "MAC",
                    "read a receipt printer's network configuration",
                    "读取票据打印机的网络配置",
                    where,
                    1,
                    1,
                    Get,
                    {}});
    list.push_back({"ht set", "MAC NAME=VALUE...",
                    "change a receipt printer's network configuration (blocks 1 and 2, applied)",
                    "修改票据打印机的网络配置（写入第 1、2 块并生效）", where, 1, MANY, Set, [] {
                        return std::string(L("Settings: dhcp=Enable|Disable ip=A.B.C.D "
                                             "mask=A.B.C.D gateway=A.B.C.D port=9000..9999\n",
                                             "设置项：dhcp=Enable|Disable ip=A.B.C.D "
                                             "mask=A.B.C.D gateway=A.B.C.D port=9000..9999\n"));
                    }});
}

} // namespace printune::cli
