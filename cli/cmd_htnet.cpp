// ht ...: the HT-740 family's network protocol (search, read, write).
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "network/htnet_setup.h"
#include "network_options.h"
#include "output.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

void CheckInterrupted() {
    if (StopRequested())
        ThrowOther(L("Interrupted.", "已中断。"));
}

HtSearchResult SearchAll(HtNetClient& client) {
    HtSearchResult found = RunHtSearch(client, PrinterCodePage(), StopToken());
    CheckInterrupted();
    if (!found.started)
        ThrowOther(L("The search could not be started.", "无法开始搜索。"));
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

HtRow FindPrinter(HtNetClient& client, const HtMac& mac) {
    for (const HtRow& r : SearchAll(client).rows)
        if (r.record.Mac() == mac)
            return r;
    ThrowMacNotFound(HtFormatMac(mac));
}

Json RowJson(const HtRow& r) {
    Json j = Json::Object();
    j.Set("mac", r.mac);
    j.Set("name", r.name);
    j.Set("version", std::atoi(r.version.c_str()));
    j.Set("ip", r.ip);
    j.Set("answers", static_cast<int>(r.answers));
    return j;
}

void Search(Context& c, const ParsedArgs& a) {
    HtNetClient client(HtAddresses(a));
    const HtSearchResult found = SearchAll(client);
    if (found.rows.empty())
        ThrowNoPrinterFound();
    if (c.json) {
        Json doc = OkDocument("ht search");
        Json list = Json::Array();
        for (const HtRow& r : found.rows)
            list.Push(RowJson(r));
        doc.Set("devices", std::move(list));
        PrintJson(doc);
        return;
    }
    PrintLine(Format("%-18s %-18s %-8s %-16s %s", L("MAC Addr.", "MAC 地址"),
                     L("Device name", "设备名称"), L("FW Ver.", "固件版本"),
                     L("IP Addr.", "IP 地址"), L("Answers", "应答")));
    for (const HtRow& r : found.rows)
        PrintLine(Format("%-18s %-18s %-8s %-16s %u", r.mac.c_str(), r.name.c_str(),
                         r.version.c_str(), r.ip.c_str(), r.answers));
}

// The configuration as the printer reported it (never values only intended).
void PrintConfig(const Context& c, const HtRow& row, const HtNetConfig& cfg,
                 const std::string& words, const Json& extra = Json()) {
    const auto choices = NetDhcpChoices(MessageLanguage());
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("device", RowJson(row));
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
    PrintLine(Column(L("Device name:", "设备名称:"), 22) + " " + row.name);
    PrintLine(Column(L("FW Version:", "固件版本:"), 22) + " " + row.version);
    PrintLine(Column(L("MAC address:", "MAC 地址:"), 22) + " " + row.mac);
    PrintLine(Column(L("Current IP address:", "当前 IP 地址:"), 22) + " " + row.ip);
    PrintLine(Column("DHCP:", 22) + " " + choices[cfg.DhcpOn()]);
    PrintLine(Column(L("IP address:", "IP 地址:"), 22) + " " + HtFormatIp(cfg.StaticIp()));
    PrintLine(Column(L("Subnet mask:", "子网掩码:"), 22) + " " + HtFormatIp(cfg.SubnetMask()));
    PrintLine(Column(L("Gateway IP address:", "网关:"), 22) + " " + HtFormatIp(cfg.Gateway()));
    PrintLine(Format("%-22s %u", L("Monitor port:", "监听端口:"), unsigned(cfg.PrintPort())));
}

HtNetConfig ReadConfig(HtNetClient& client, const HtDeviceRecord& r) {
    client.WaitIdle(std::chrono::milliseconds(3000));
    if (client.Query(r) != HtResult::Done)
        ThrowTimeout();
    return client.Configuration();
}

void Get(Context& c, const ParsedArgs& a) {
    const HtMac mac = MacArgument(a.positional[0]);
    HtNetClient client(HtAddresses(a));
    const HtRow row = FindPrinter(client, mac);
    PrintConfig(c, row, ReadConfig(client, row.record), "ht get");
}

void Set(Context& c, const ParsedArgs& a) {
    const HtMac mac = MacArgument(a.positional[0]);
    // Every value is checked before the printer is asked anything.
    PrecheckNetworkArguments(a.positional, 1, false, "ht set");

    HtNetClient client(HtAddresses(a));
    HtRow row = FindPrinter(client, mac);
    const HtNetConfig saved = ReadConfig(client, row.record);
    // The configuration dialog in its HT-740 mode: "IP address:" is the
    // printer's current address unless the user gives one.
    NetConfigFields fields = NetConfigFields::FromHt(row.record, saved, PrinterCodePage());
    ApplyNetworkArguments(a.positional, 1, fields, "ht set");
    RequireValidFields(fields);

    const HtSetupResult result =
        RunHtSetup(client, row.record, saved, true, fields, HtTiming{}, StopToken());
    CheckInterrupted();
    Json acks = Json::Object();
    std::string missing;
    for (size_t i = 0; i < result.steps.size(); ++i) {
        const HtStep& step = result.steps[i];
        const std::string key = step.name + std::to_string(i + 1);
        acks.Set(key, step.result == HtResult::Done);
        if (step.result != HtResult::Done)
            missing += (missing.empty() ? "" : ", ") + step.name;
    }
    if (!result.acknowledged)
        ThrowOther(Format(L("The printer did not acknowledge: %s.", "打印机没有确认：%s。"),
                          missing.c_str()));
    if (result.dhcp == HtDhcpOutcome::Restored)
        ThrowOther(L("The printer got no address by DHCP; its previous settings were restored.",
                     "打印机没有通过 DHCP 获得地址；已恢复其原来的设置。"));
    if (result.dhcp == HtDhcpOutcome::NotFound)
        ThrowOther(L("The printer did not answer the search after switching DHCP on.",
                     "打开 DHCP 后打印机没有应答搜索。"));
    // Read back what the printer now holds.
    HtDeviceRecord now = result.dhcp == HtDhcpOutcome::Settled ? result.announced : row.record;
    HtNetConfig reported = result.configuration;
    if (!result.configurationRead) {
        if (result.dhcp != HtDhcpOutcome::Settled && fields.ip)
            now.SetIpAddress(*fields.ip); // a static address applies at once
        reported = ReadConfig(client, now);
    }
    const std::vector<HtRow> nowRow = HtRowsByMac({now}, PrinterCodePage());
    PrintConfig(c, nowRow.front(), reported, "ht set", acks);
}

} // namespace

void AddHtNetCommands(std::vector<Command>& list) {
    const std::vector<OptionSpec> where = NetworkAddressOptions();
    list.push_back({"ht search",
                    "",
                    "find the HT-740 family receipt printers on the network (one row per MAC)",
                    "查找网络上的 HT-740 系列票据打印机（每个 MAC 一行）",
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
                        return std::string(
                            L("Settings: dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                              "gateway=A.B.C.D port=9000..9999\n"
                              "ip defaults to the printer's current address. Fails unless "
                              "every block and apply is acknowledged.\n",
                              "设置项：dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                              "gateway=A.B.C.D port=9000..9999\n"
                              "ip 默认为打印机的当前地址。任一块或生效请求未被确认即失败。\n"));
                    }});
}

} // namespace printune::cli
