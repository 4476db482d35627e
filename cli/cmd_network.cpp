// net ...: the label printers' network protocol (search, query, set).
#include <algorithm>
#include <cstdlib>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "network/netcfg.h"
#include "network_options.h"
#include "output.h"
#include "setting_values.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

// A NetCfgState of this run, opened on the addresses of the options and
// closed (its threads joined) on every path.
class OpenState {
public:
    explicit OpenState(const ParsedArgs& a) {
        NetCfgAddresses addresses = NetCfgAddresses::FromEnvironment();
        if (auto d = a.Find("dest"))
            addresses.destination = CheckEndpoint(*d, NETCFG_PORT, "--dest");
        if (auto b = a.Find("bind"))
            addresses.bind = CheckEndpoint(*b, NETCFG_PORT, "--bind");
        const int e = state_.Open(addresses);
        if (e != 0)
            ThrowOther(NetCfgOpenErrorMessage(e, MessageLanguage()));
    }
    ~OpenState() { state_.Close(); }
    NetCfgState* operator->() { return &state_; }

private:
    NetCfgState state_;
};

[[noreturn]] void ThrowRun(NetCfgRun run) {
    if (run == NetCfgRun::TimedOut)
        ThrowTimeout();
    ThrowOther(L("Current condition is busy. Please try again.", "当前状态忙，请稍后再试。"));
}

Json DeviceJson(const NetCfgDevice& d) {
    Json j = Json::Object();
    j.Set("serial", d.serial);
    j.Set("mac", d.mac);
    j.Set("name", d.name);
    j.Set("version", d.version);
    j.Set("ip", d.ip);
    return j;
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
    if (c.json) {
        Json doc = OkDocument(words);
        Json e = Json::Object();
        for (size_t i = 0; i < NetCfgEntryCount(entries); ++i)
            e.Set(std::string(entries[i].key), std::string(entries[i].Value()));
        doc.Set("entries", std::move(e));
        PrintJson(doc);
        return;
    }
    for (const KeyLabel& k : kLabels) {
        const NetCfgEntry* entry = NetCfgFindEntry(entries, k.key);
        if (!entry)
            continue;
        std::string value(entry->Value());
        if (std::string(k.key) == "DHCP")
            value = value == "1"   ? L("Enable", "有效")
                    : value == "0" ? L("Disable", "无效")
                                   : value;
        PrintLine(Column(L(k.english, k.chinese), 22) + " " + std::string(value.c_str()));
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
std::string SerialByMac(OpenState& state, const std::string& mac) {
    std::vector<NetCfgDevice> devices;
    const NetCfgRun run = state->RunSearch(devices);
    if (run != NetCfgRun::Done)
        ThrowRun(run);
    for (const NetCfgDevice& d : devices)
        if (mac == d.mac)
            return d.serial;
    ThrowTimeout();
}

NetCfgEntryList Query(OpenState& state, const std::string& mac, const std::string& serial) {
    NetCfgDevice device;
    NetCfgEntryList entries{};
    const NetCfgRun run = state->RunQuery(mac, serial, device, entries);
    if (run != NetCfgRun::Done)
        ThrowRun(run);
    return entries;
}

void Search(Context& c, const ParsedArgs& a) {
    OpenState state(a);
    std::vector<NetCfgDevice> devices;
    const NetCfgRun run = state->RunSearch(devices);
    if (run != NetCfgRun::Done)
        ThrowRun(run);
    if (c.json) {
        Json doc = OkDocument("net search");
        Json list = Json::Array();
        for (const NetCfgDevice& d : devices)
            list.Push(DeviceJson(d));
        doc.Set("devices", std::move(list));
        PrintJson(doc);
        return;
    }
    PrintLine(Format("%-21s %-13s %-21s %-21s %s", L("SN.", "序列号"), L("MAC Addr.", "MAC 地址"),
                     L("Device name", "设备名称"), L("FW Ver.", "固件版本"),
                     L("IP Addr.", "IP 地址")));
    for (const NetCfgDevice& d : devices)
        PrintLine(Format("%-21s %-13s %-21s %-21s %s", d.serial, d.mac, d.name, d.version, d.ip));
}

void QueryCommand(Context& c, const ParsedArgs& a) {
    const std::string mac = MacArgument(a.positional[0]);
    OpenState state(a);
    const std::string serial = a.positional.size() > 1 ? a.positional[1] : SerialByMac(state, mac);
    PrintEntries(c, Query(state, mac, serial), "net query");
}

// Values of the configuration dialog, checked as its OK button checks them.
struct NetValues {
    int dhcp = -1; // -1: no choice (no DHCP entry is sent)
    std::string ip, mask, gateway, currentIp;
    long port = -1, timeout = -1;
};

std::string OctetsOf(const std::string& text) {
    // The address controls show an unparsable value as 255.255.255.255.
    const auto ip = ParseIpv4(text);
    return FormatIpv4(ip ? *ip : 0xFFFFFFFFu);
}

long RangeValue(const std::string& key, const std::string& text, long min, long max) {
    if (!IsNumberText(text, false) || std::atol(text.c_str()) < min ||
        std::atol(text.c_str()) > max)
        ThrowInput(Format(L("%s: please enter an integer between %ld and %ld.",
                            "%s：请输入一个 %ld 至 %ld 之间的整数。"),
                          key.c_str(), min, max));
    return std::atol(text.c_str());
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
    std::vector<std::pair<std::string, std::string>> changes;
    for (size_t i = first; i < a.positional.size(); ++i) {
        auto [key, value] = SplitAssignment(a.positional[i]);
        if (key == "dhcp") {
            const int pos = ChoicePosition(value, {"Disable", "Enable"}, {"无效", "有效"});
            if (pos < 0)
                ThrowNotAChoice(key, value, {"Disable", "Enable"});
            value = std::to_string(pos);
        } else if (key == "ip" || key == "mask" || key == "gateway") {
            CheckIpv4(value, key.c_str());
        } else if (key == "port") {
            RangeValue(key, value, 9000, 9999);
        } else if (key == "timeout") {
            RangeValue(key, value, 0, 300);
        } else {
            ThrowInput(Format(L("unknown network setting '%s' (see 'net set --help')",
                                "未知的网络设置 '%s'（见 'net set --help'）"),
                              key.c_str()));
        }
        changes.emplace_back(key, value);
    }

    OpenState state(a);
    if (serial.empty())
        serial = SerialByMac(state, mac);
    const NetCfgEntryList received = Query(state, mac, serial);
    auto value = [&](const char* key) {
        const NetCfgEntry* e = NetCfgFindEntry(received, key);
        return e ? std::string(e->Value()) : std::string();
    };
    NetValues v;
    if (const NetCfgEntry* e = NetCfgFindEntry(received, "DHCP"))
        v.dhcp = std::atoi(std::string(e->Value()).c_str());
    v.currentIp = value("IP_CUR");
    v.ip = value("IP");
    v.mask = value("SUBNET_MASK");
    v.gateway = value("GATEWAY");
    std::string port = value("PRNT_PORT"), timeout = value("PRNT_RCV_TMO");
    for (const auto& [key, text] : changes) {
        if (key == "dhcp")
            v.dhcp = std::atoi(text.c_str());
        else if (key == "ip")
            v.ip = text;
        else if (key == "mask")
            v.mask = text;
        else if (key == "gateway")
            v.gateway = text;
        else if (key == "port")
            port = text;
        else if (key == "timeout")
            timeout = text;
    }
    // The dialog's OK refuses a port or time-out outside its range, also
    // one that came from the printer.
    v.port = RangeValue("port", port, 9000, 9999);
    v.timeout = RangeValue("timeout", timeout, 0, 300);

    NetCfgEntryList list{};
    NetCfgAppendEntry(list, "DEV", value("DEV"));
    NetCfgAppendEntry(list, "VER", value("VER"));
    NetCfgAppendEntry(list, "SERIAL_NUM", value("SERIAL_NUM"));
    NetCfgAppendEntry(list, "MAC", value("MAC"));
    NetCfgAppendEntry(list, "IP_CUR", OctetsOf(v.currentIp));
    if (v.dhcp >= 0)
        NetCfgAppendEntry(list, "DHCP", std::to_string(v.dhcp));
    NetCfgAppendEntry(list, "IP", OctetsOf(v.ip));
    NetCfgAppendEntry(list, "SUBNET_MASK", OctetsOf(v.mask));
    NetCfgAppendEntry(list, "GATEWAY", OctetsOf(v.gateway));
    NetCfgAppendEntry(list, "PRNT_PORT", std::to_string(v.port));
    NetCfgAppendEntry(list, "PRNT_RCV_TMO", std::to_string(v.timeout));
    const NetCfgRun run = state->RunSet(mac, serial, list);
    if (run != NetCfgRun::Done)
        ThrowRun(run);
    if (a.Has("no-confirm")) {
        if (c.json)
            PrintJson(OkDocument("net set"));
        else
            PrintLine(L("Sent.", "已发送。"));
        return;
    }
    // As the setup dialog does: let the printer restart, then ask until it
    // reports an address (with DHCP on, "----" means not yet).
    long waitedMs = 0;
    const long limitMs = 1000L * std::atol(a.Get("confirm-timeout", "60").c_str());
    if (!SleepUnlessStopped(5000))
        ThrowOther(L("Interrupted.", "已中断。"));
    for (;;) {
        NetCfgDevice device;
        NetCfgEntryList now{};
        const NetCfgRun q = state->RunQuery(mac, serial, device, now);
        if (q == NetCfgRun::Done) {
            const NetCfgEntry* dhcp = NetCfgFindEntry(now, "DHCP");
            const NetCfgEntry* ip = NetCfgFindEntry(now, "IP_CUR");
            const bool ready = ip && (!dhcp || dhcp->Value() != "1" || ip->Value() != "----");
            if (ready) {
                PrintEntries(c, now, "net set");
                return;
            }
        }
        waitedMs += 6000; // about one query window and the pause after it
        if (waitedMs >= limitMs)
            ThrowTimeout();
        if (!SleepUnlessStopped(2000))
            ThrowOther(L("Interrupted.", "已中断。"));
    }
}

} // namespace

void AddNetworkCommands(std::vector<Command>& list) {
    const std::vector<OptionSpec> where = NetworkAddressOptions();
    list.push_back({"net search",
                    "",
                    "find the label printers on the network",
                    "查找网络上的标签打印机",
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
    setOptions.push_back({"confirm-timeout", "S", "give up confirming after S seconds (60)",
                          "确认等待的最长秒数（60）"});
    list.push_back(
        {"net set", "MAC [SERIAL] NAME=VALUE...", "change a label printer's network configuration",
         "修改标签打印机的网络配置", setOptions, 1, MANY, SetCommand, [] {
             return std::string(L("Settings: dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                                  "gateway=A.B.C.D port=9000..9999 timeout=0..300\n"
                                  "Values not given stay as the printer reports them.\n",
                                  "设置项：dhcp=Enable|Disable ip=A.B.C.D mask=A.B.C.D "
                                  "gateway=A.B.C.D port=9000..9999 timeout=0..300\n"
                                  "未给出的值保持打印机报告的值。\n"));
         }});
}

} // namespace printune::cli
