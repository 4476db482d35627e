// wifi ..., bt ..., netparam: the wireless and network-parameter commands
// that go through the printer port.
#include <strings.h>

#include <chrono>
#include <cstdlib>

#include "base/codepage.h"
#include "base/device_texts.h"
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "failure.h"
#include "link.h"
#include "network/bluetooth_commands.h"
#include "network/net_fields.h"
#include "network/wifi_commands.h"
#include "network/wifi_join.h"
#include "network/wireless_operations.h"
#include "network_options.h"
#include "output.h"
#include "port/interface_commands.h"
#include "port/port_errors.h"
#include "setting_values.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

// Reports a wireless operation's outcome: failures leave with the notice
// (a refused input as a usage error), success prints what was sent.
void Report(const Context& c, const CliLink& link, const WirelessOutcome& r,
            const std::string& words, bool print = true) {
    if (r.stopped)
        ThrowOther(L("Interrupted.", "已中断。"));
    if (r.refused)
        ThrowInput(r.notice ? r.notice->text : std::string());
    if (!r.ok)
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
    if (print)
        ReportSent(c, words, r.bytesSent);
}

int IndexOf(const std::string& option, const std::string& value,
            const std::vector<std::string>& english, const std::vector<std::string>& chinese) {
    const int pos = ChoicePosition(value, english, chinese);
    if (pos < 0)
        ThrowNotAChoice("--" + option, value, english);
    return pos;
}

Ipv4Octets Address(const std::string& option, const std::string& text) {
    Ipv4Octets ip{};
    if (!ParseIpv4Octets(text, ip))
        ThrowInput(Format(L("invalid --%s '%s' (A.B.C.D)", "--%s 无效：'%s'（A.B.C.D）"),
                          option.c_str(), text.c_str()));
    return ip;
}

int CheckJoinWait(const std::string& text) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 1 || v > WIFI_JOIN_WAIT_MAX_S)
        ThrowInput(Format(
            L("invalid --wait-join '%s' (1..%d seconds)", "--wait-join 无效：'%s'（1..%d 秒）"),
            text.c_str(), WIFI_JOIN_WAIT_MAX_S));
    return static_cast<int>(v);
}

// Looks for the printer on the network after the Wi-Fi command.
void WaitJoin(const Context& c, const ParsedArgs& a, const WifiJoinTarget& target, int seconds,
              int64_t bytesSent) {
    NetCfgAddresses addresses = NetCfgAddresses::FromEnvironment();
    if (auto d = a.Find("dest"))
        addresses.destination = CheckEndpoint(*d, NETCFG_PORT, "--dest");
    if (auto b = a.Find("bind"))
        addresses.bind = CheckEndpoint(*b, NETCFG_PORT, "--bind");
    if (!c.json)
        PrintLine(Format(L("Looking for the printer on the network (up to %d s)...",
                           "正在网络上查找打印机（最多 %d 秒）..."),
                         seconds));
    const WifiJoinResult r =
        WaitForWifiJoin(target, std::chrono::seconds(seconds), addresses, StopToken());
    switch (r.outcome) {
    case WifiJoinOutcome::Stopped:
        ThrowOther(L("Interrupted.", "已中断。"));
    case WifiJoinOutcome::NoNetwork:
        ThrowOther(NetCfgOpenErrorMessage(r.openError, MessageLanguage()));
    case WifiJoinOutcome::NotFound:
        ThrowOther(Format(L("The printer did not appear on the network within %d s.",
                            "打印机在 %d 秒内没有出现在网络上。"),
                          seconds));
    case WifiJoinOutcome::Found:
        break;
    }
    if (c.json) {
        Json doc = OkDocument("wifi set");
        doc.Set("bytes", static_cast<long long>(bytesSent));
        doc.Set("joined", true);
        doc.Set("ip", std::string(r.device.ip));
        doc.Set("mac", std::string(r.device.mac));
        doc.Set("serial", std::string(r.device.serial));
        doc.Set("name", std::string(r.device.name));
        PrintJson(doc);
        return;
    }
    PrintLine(Format(L("The printer %s (serial %s, MAC %s) is on the network at %s.",
                       "打印机 %s（序列号 %s，MAC %s）已在网络上，地址 %s。"),
                     r.device.name, r.device.serial, r.device.mac, r.device.ip));
}

void WifiSet(Context& c, const ParsedArgs& a) {
    RequireLabelPrinterForWireless(c);
    const int lang = MessageLanguage();
    WifiConfig w; // the dialog's values at opening
    if (auto v = a.Find("mode"))
        w.mode = IndexOf("mode", *v, WifiModeNames(), WifiModeNames());
    if (auto v = a.Find("ssid"))
        w.ssid = *v;
    if (auto v = a.Find("encryption"))
        w.encryption = IndexOf("encryption", *v, WifiEncryptionNames(), WifiEncryptionNames());
    if (auto v = a.Find("key-format"))
        w.keyFormat = IndexOf("key-format", *v, WifiKeyFormatNames(), WifiKeyFormatNames());
    if (auto v = a.Find("key"))
        w.key = *v;
    if (auto v = a.Find("dhcp"))
        w.dhcp = IndexOf("dhcp", *v, WifiDhcpNames(LANG_ENGLISH), WifiDhcpNames(LANG_CHINESE));
    if (auto v = a.Find("ip"))
        w.ip = Address("ip", *v);
    if (auto v = a.Find("mask"))
        w.mask = Address("mask", *v);
    if (auto v = a.Find("gateway"))
        w.gateway = Address("gateway", *v);
    // With "None" the dialog empties and disables the key field.
    if (w.encryption == WIFI_ENCRYPTION_NONE && !w.key.empty())
        ThrowInput(L("--key needs an --encryption other than None",
                     "--key 需要 None 以外的 --encryption"));
    int waitJoin = 0;
    if (auto v = a.Find("wait-join")) {
        waitJoin = CheckJoinWait(*v);
        if (!WifiJoinWaitApplies(w))
            ThrowInput(L("--wait-join needs --mode STA: in AP mode the printer joins no network",
                         "--wait-join 需要 --mode STA：AP 模式下打印机不加入网络"));
    }
    CliLink link(c);
    const WirelessOutcome r = SendWifiSettings(link, w, lang, StopToken());
    // With a join wait the JSON document comes after it, with the bytes.
    Report(c, link, r, "wifi set", waitJoin == 0 || !c.json);
    if (waitJoin > 0)
        WaitJoin(c, a,
                 WifiJoinTargetFor(w, a.Find("serial").value_or(std::string()),
                                   a.Find("mac").value_or(std::string())),
                 waitJoin, r.bytesSent);
}

void BtSet(Context& c, const ParsedArgs& a) {
    RequireLabelPrinterForWireless(c);
    const int lang = MessageLanguage();
    CliLink link(c);
    Report(c, link,
           SendBluetoothSettings(link, a.positional[0], a.positional[1], lang, StopToken()),
           "bt set");
}

void BtGet(Context& c, const ParsedArgs&) {
    RequireLabelPrinterForWireless(c);
    CliLink link(c);
    const BluetoothGetResult r = GetBluetoothSettings(link, StopToken(), MessageLanguage());
    if (!r.ok) {
        if (StopRequested())
            ThrowOther(L("Interrupted.", "已中断。"));
        // No reply is the one failure here that is not the port's.
        const bool timedOut = !link.PortFailure();
        ThrowNotice(link, r.notice.value_or(Notice{}), timedOut ? EXIT_TIMEOUT : EXIT_OTHER);
    }
    if (c.json) {
        Json doc = OkDocument("bt get");
        doc.Set("mac", r.info.mac);
        doc.Set("password", r.info.password);
        doc.Set("name", r.info.name);
        PrintJson(doc);
        return;
    }
    PrintLine(Column(L("Bluetooth Name:", "蓝牙名称:"), 20) + " " +
              std::string(r.info.name.c_str()));
    PrintLine(Column(L("Bluetooth Password:", "蓝牙密码:"), 20) + " " +
              std::string(r.info.password.c_str()));
    PrintLine(Column(L("Mac Address:", "MAC 地址:"), 20) + " " + std::string(r.info.mac.c_str()));
}

void NetParam(Context& c, const ParsedArgs& a) {
    RequireLabelPrinterForWireless(c);
    NetParamFields fields; // the USB configuration dialog's values at opening
    if (auto v = a.Find("ip"))
        fields.ip = Address("ip", *v);
    if (auto v = a.Find("mask"))
        fields.mask = Address("mask", *v);
    if (auto v = a.Find("gateway"))
        fields.gateway = Address("gateway", *v);
    if (auto v = a.Find("dhcp")) {
        fields.dhcpIndex = NetDhcpChoiceIndex(*v);
        if (fields.dhcpIndex == NET_DHCP_NONE)
            ThrowNotAChoice("--dhcp", *v, {"Disable", "Enable"});
    }
    fields.sendByEther = a.Has("ether");
    PortSettings target = c.settings;
    target.portType = fields.sendByEther ? PORT_LAN : PORT_USB;
    const auto bytes = fields.Command();
    CliLink link(target);
    const SendOutcome r = SendToPrinter(link, bytes, MessageLanguage());
    if (!r.ok) {
        // The setup dialog reports every port failure of this command so.
        Notice n{Severity::Error, PortErrorMessage(8003, target.portType, MessageLanguage()),
                 r.notice ? r.notice->text : std::string()};
        ThrowNotice(link, n, EXIT_OTHER);
    }
    ReportSent(c, "netparam", r.bytesSent);
}

std::string Names(const std::vector<std::string>& v) {
    return JoinChoices(v);
}

} // namespace

void AddWirelessCommands(std::vector<Command>& list) {
    list.push_back(
        {"wifi set",
         "",
         "set a Wi-Fi label printer's mode, network, key and addresses",
         "设置 Wi-Fi 标签打印机的模式、网络、密钥和地址",
         {{"mode", "AP|STA", "Wi-Fi mode (AP)", "Wi-Fi 模式（AP）"},
          {"ssid", "SSID", "network name (KP-520 WF)", "网络名称（KP-520 WF）"},
          {"encryption", "NAME", "None, WEP64, WEP128, WPA-PSK(TKIP), ... (None)",
           "None、WEP64、WEP128、WPA-PSK(TKIP) ...（None）"},
          {"key-format", "HEX|ASCII", "key format (ASCII)", "密钥格式（ASCII）"},
          {"key", "KEY", "the key", "密钥"},
          {"dhcp", "Enable|Disable", "DHCP (Enable)", "DHCP（Enable）"},
          {"ip", "A.B.C.D", "IP address (192.168.1.11)", "IP 地址（192.168.1.11）"},
          {"mask", "A.B.C.D", "subnet mask (255.255.255.0)", "子网掩码（255.255.255.0）"},
          {"gateway", "A.B.C.D", "gateway (192.168.1.11)", "网关（192.168.1.11）"},
          {"wait-join", "SECONDS",
           "then look for the printer on the network up to SECONDS (STA mode)",
           "然后在网络上查找打印机，最多 SECONDS 秒（STA 模式）"},
          {"serial", "SERIAL", "with --wait-join: the printer's serial number",
           "与 --wait-join 一起：打印机的序列号"},
          {"mac", "MAC", "with --wait-join: the printer's MAC address",
           "与 --wait-join 一起：打印机的 MAC 地址"},
          {"dest", "ADDRESS[:PORT]", "with --wait-join: where the search goes",
           "与 --wait-join 一起：搜索请求的目标"},
          {"bind", "ADDRESS[:PORT]", "with --wait-join: where replies are received",
           "与 --wait-join 一起：接收应答的地址"}},
         0,
         0,
         WifiSet,
         [] {
             return std::string(L("Encryptions: ", "加密方式：")) + Names(WifiEncryptionNames()) +
                    "\n" + DeviceTextString(DeviceText::WifiKeyInstruction, MessageLanguage()) +
                    "\n";
         }});
    list.push_back({"wifi reset",
                    "",
                    "reset the printer's Wi-Fi settings",
                    "复位打印机的 Wi-Fi 设置",
                    {},
                    0,
                    0,
                    WifiReset,
                    {}});
    list.push_back({"bt set",
                    "NAME PASSWORD",
                    "set the Bluetooth name (1 to 15 characters) and password (4 characters)",
                    "设置蓝牙名称（1 到 15 个字符）和密码（4 个字符）",
                    {},
                    2,
                    2,
                    BtSet,
                    {}});
    list.push_back({"bt get",
                    "",
                    "read the Bluetooth name, password and MAC address",
                    "读取蓝牙名称、密码和 MAC 地址",
                    {},
                    0,
                    0,
                    BtGet,
                    {}});
    list.push_back({"bt restore",
                    "",
                    "restore all Bluetooth settings",
                    "恢复全部蓝牙设置",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) {
                        RequireLabelPrinterForWireless(c);
                        CliLink link(c);
                        Report(c, link,
                               RestoreBluetoothSettings(link, MessageLanguage(), StopToken()),
                               "bt restore");
                    },
                    {}});
    list.push_back(
        {"netparam",
         "",
         "send the network-parameter command over USB (or TCP with --ether)",
         "通过 USB（或用 --ether 通过 TCP）发送网络参数命令",
         {{"ip", "A.B.C.D", "IP address (192.168.0.10)", "IP 地址（192.168.0.10）"},
          {"mask", "A.B.C.D", "subnet mask (255.255.255.0)", "子网掩码（255.255.255.0）"},
          {"gateway", "A.B.C.D", "gateway (192.168.0.1)", "网关（192.168.0.1）"},
          {"dhcp", "Enable|Disable", "DHCP (Disable)", "DHCP（Disable）"},
          {"ether", nullptr, "send over TCP to the connection's address",
           "通过 TCP 发往连接的地址"}},
         0,
         0,
         NetParam,
         {}});
}

} // namespace printune::cli
