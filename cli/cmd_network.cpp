// net ...: the label printers' network protocol (search, query, set).
#include <cstdlib>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "network/netcfg_setup.h"
#include "network/netcfg_text.h"
#include "network_options.h"
#include "output.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

// A NetCfgState of this run, opened on the addresses of the options and
// closed (its threads joined) on every path.
class OpenState {
public:
    explicit OpenState(const ParsedArgs& a) {
        if (state_.Open(LabelAddresses(a)) != 0)
            ThrowOther(state_.OpenErrorMessage(MessageLanguage()));
    }
    ~OpenState() { state_.Close(); }
    NetCfgState& operator*() { return state_; }

private:
    NetCfgState state_;
};

[[noreturn]] void ThrowRun(NetCfgRun run) {
    if (run == NetCfgRun::TimedOut)
        ThrowTimeout();
    ThrowOther(L("Current condition is busy. Please try again.", "当前状态忙，请稍后再试。"));
}

void CheckInterrupted() {
    if (StopRequested())
        ThrowOther(L("Interrupted.", "已中断。"));
}

// The dialog's labels for the keys of a query reply.
struct KeyLabel {
    const char* key;
    const char* english;
    const char* chinese;
};
const KeyLabel kLabels[] = {
    {"DEV", "Device name:", "设备名称:"},
    {"VER", "FW Version:", "固件版本:"},
    {"SERIAL_NUM", "Device SN:", "设备序列号:"},
    {"MAC", "MAC address:", "MAC 地址:"},
    {"IP_CUR", "Current IP address:", "当前 IP 地址:"},
    {"DHCP", "DHCP:", "DHCP:"},
    {"IP", "IP address:", "IP 地址:"},
    {"SUBNET_MASK", "Subnet mask:", "子网掩码:"},
    {"GATEWAY", "Gateway IP address:", "网关:"},
    {"PRNT_PORT", "Monitor port:", "监听端口:"},
    {"PRNT_RCV_TMO", "Printing timeout:", "打印超时:"},
};

void PrintEntries(const Context& c, const NetCfgEntryList& entries, const std::string& words) {
    const std::string codePage = PrinterCodePage();
    if (c.json) {
        Json doc = OkDocument(words);
        Json e = Json::Object();
        for (size_t i = 0; i < NetCfgEntryCount(entries); ++i)
            e.Set(std::string(entries[i].key), NetDisplayText(entries[i].Value(), codePage));
        doc.Set("entries", std::move(e));
        PrintJson(doc);
        return;
    }
    const auto choices = NetDhcpChoices(MessageLanguage());
    for (const KeyLabel& k : kLabels) {
        const NetCfgEntry* entry = NetCfgFindEntry(entries, k.key);
        if (!entry)
            continue;
        std::string value = NetDisplayText(entry->Value(), codePage);
        if (std::string(k.key) == "DHCP" && (value == "0" || value == "1"))
            value = choices[value == "1"];
        PrintLine(Column(L(k.english, k.chinese), 22) + " " + value);
    }
}

std::string MacArgument(const std::string& text) {
    std::string mac;
    for (char ch : text)
        if (ch != ':' && ch != '-')
            mac += ch;
    if (mac.size() != 12)
        ThrowInput(Format(L("invalid MAC '%s' (12 characters as 'net search' lists it)",
                            "MAC 无效：'%s'（按 'net search' 列出的 12 个字符）"),
                          text.c_str()));
    return mac;
}

// The serial number of the printer with this MAC, found by a search.
std::string SerialByMac(NetCfgState& state, const std::string& mac) {
    const NetCfgLookup lookup = FindNetCfgPrinter(state, mac, PrinterCodePage(), StopToken());
    CheckInterrupted();
    if (lookup.run != NetCfgRun::Done)
        ThrowRun(lookup.run);
    if (!lookup.found)
        ThrowMacNotFound(mac);
    return lookup.row.wireSerial;
}

NetCfgEntryList Query(NetCfgState& state, const std::string& mac, const std::string& serial) {
    NetCfgDevice device;
    NetCfgEntryList entries{};
    const NetCfgRun run = state.RunQuery(mac, serial, device, entries, StopToken());
    CheckInterrupted();
    if (run != NetCfgRun::Done)
        ThrowRun(run);
    return entries;
}

void Search(Context& c, const ParsedArgs& a) {
    OpenState state(a);
    const NetCfgSearchResult found = RunNetCfgSearch(*state, PrinterCodePage(), StopToken());
    CheckInterrupted();
    if (found.run != NetCfgRun::Done)
        ThrowRun(found.run);
    if (found.rows.empty())
        ThrowNoPrinterFound();
    if (c.json) {
        Json doc = OkDocument("net search");
        Json list = Json::Array();
        for (const NetCfgRow& r : found.rows) {
            Json j = Json::Object();
            j.Set("serial", r.serial);
            j.Set("mac", r.mac);
            j.Set("name", r.name);
            j.Set("version", r.version);
            j.Set("ip", r.ip);
            j.Set("answers", static_cast<int>(r.answers));
            list.Push(std::move(j));
        }
        doc.Set("devices", std::move(list));
        PrintJson(doc);
        return;
    }
    PrintLine(Format("%-21s %-13s %-21s %-21s %-16s %s", L("SN.", "序列号"),
                     L("MAC Addr.", "MAC 地址"), L("Device name", "设备名称"),
                     L("FW Ver.", "固件版本"), L("IP Addr.", "IP 地址"), L("Answers", "应答")));
    for (const NetCfgRow& r : found.rows)
        PrintLine(Format("%-21s %-13s %-21s %-21s %-16s %u", r.serial.c_str(), r.mac.c_str(),
                         r.name.c_str(), r.version.c_str(), r.ip.c_str(), r.answers));
}

void QueryCommand(Context& c, const ParsedArgs& a) {
    const std::string mac = MacArgument(a.positional[0]);
    OpenState state(a);
    const std::string serial = a.positional.size() > 1 ? a.positional[1] : SerialByMac(*state, mac);
    PrintEntries(c, Query(*state, mac, serial), "net query");
}

void SetCommand(Context& c, const ParsedArgs& a) {
    const std::string mac = MacArgument(a.positional[0]);
    size_t first = 1;
    std::string serial;
    if (a.positional.size() > 1 && a.positional[1].find('=') == std::string::npos) {
        serial = a.positional[1];
        first = 2;
    }
    // Check the new values before anything goes out.
    PrecheckNetworkArguments(a.positional, first, true, "net set");
    long limit = 120;
    if (auto t = a.Find("confirm-timeout")) {
        limit = std::atol(t->c_str());
        if (limit <= 0)
            ThrowUsage(L("--confirm-timeout takes a number of seconds above 0",
                         "--confirm-timeout 需要大于 0 的秒数"));
    }

    OpenState state(a);
    if (serial.empty())
        serial = SerialByMac(*state, mac);
    // The configuration dialog: the printer's values, then the changes.
    NetConfigFields fields =
        NetConfigFields::FromEntries(Query(*state, mac, serial), PrinterCodePage());
    ApplyNetworkArguments(a.positional, first, fields, "net set");
    RequireValidFields(fields);

    NetCfgConfirmTiming timing;
    timing.limit = std::chrono::seconds(limit);
    if (a.Has("no-confirm")) {
        if ((*state).RunSet(mac, serial, NetCfgBuildSendList(fields)) != NetCfgRun::Done)
            ThrowRun(NetCfgRun::Busy);
        if (c.json)
            PrintJson(OkDocument("net set"));
        else
            PrintLine(L("Sent.", "已发送。"));
        return;
    }
    const NetCfgSetupResult result =
        RunNetCfgSetup(*state, mac, serial, fields, timing, StopToken());
    switch (result.outcome) {
    case NetCfgSetupOutcome::Confirmed:
        PrintEntries(c, result.entries, "net set");
        return;
    case NetCfgSetupOutcome::Stopped:
        ThrowOther(L("Interrupted.", "已中断。"));
    case NetCfgSetupOutcome::TimedOut:
        ThrowTimeout();
    default:
        ThrowRun(NetCfgRun::Busy);
    }
}

} // namespace

void AddNetworkCommands(std::vector<Command>& list) {
    const std::vector<OptionSpec> where = NetworkAddressOptions();
    list.push_back({"net search",
                    "",
                    "find the label printers on the network (one row per MAC)",
                    "查找网络上的标签打印机（每个 MAC 一行）",
                    where,
                    0,
                    0,
                    Search,
                    {}});
    list.push_back({"net query",
                    "MAC [SERIAL]",
                    "read one label printer's network configuration (SERIAL found by a search "
                    "when left out)",
                    "读取一台标签打印机的网络配置（省略 SERIAL 时先搜索）",
                    where,
                    1,
                    2,
                    QueryCommand,
                    {}});
    std::vector<OptionSpec> setOptions = where;
    setOptions.push_back(
        {"no-confirm", nullptr, "do not wait for the printer to report back", "不等待打印机回报"});
    setOptions.push_back({"confirm-timeout", "S",
                          "give up confirming after S seconds of real time (120)",
                          "确认等待的最长秒数（实际时间，120）"});
    list.push_back({"net set", "MAC [SERIAL] NAME=VALUE...",
                    "change a label printer's network configuration", "修改标签打印机的网络配置",
                    setOptions, 1, MANY, SetCommand, [] {
                        return std::string(
                            L("Settings: dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                              "gateway=A.B.C.D port=9000..9999 timeout=0..300\n"
                              "Values not given stay as the printer reports them. The "
                              "command ends once the printer reports the values set.\n",
                              "设置项：dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                              "gateway=A.B.C.D port=9000..9999 timeout=0..300\n"
                              "未给出的值保持打印机报告的值。打印机报告已设置的值后命令结束。\n"));
                    }});
}

} // namespace printune::cli
