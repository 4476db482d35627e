// wifi ..., bt ..., netparam: the wireless and network-parameter commands
// that go through the printer port.
#include <strings.h>

#include "base/codepage.h"
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "failure.h"
#include "link.h"
#include "network/bluetooth_commands.h"
#include "network/netparam_command.h"
#include "network/wifi_commands.h"
#include "output.h"
#include "port/interface_commands.h"
#include "port/port_errors.h"
#include "setting_values.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

void Send(const Context& c, const PortSettings& settings, const std::vector<uint8_t>& bytes,
          const std::string& words) {
    CliLink link(settings);
    const SendOutcome r = SendToPrinter(link, bytes, MessageLanguage());
    if (!r.ok)
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
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
    const WifiCommand cmd = BuildWifiCommand(w, lang);
    if (!cmd.ok)
        ThrowInput(cmd.notice ? cmd.notice->text : std::string());
    Send(c, c.settings, cmd.bytes, "wifi set");
}

void BtSet(Context& c, const ParsedArgs& a) {
    RequireLabelPrinterForWireless(c);
    const int lang = MessageLanguage();
    const std::string& name = a.positional[0];
    // The dialog's name field takes at most 15 characters.
    if (Utf8CharCount(name) > static_cast<size_t>(BT_NAME_EDIT_MAX))
        ThrowInput(L("Please enter a valid Bluetooth name !", "请输入有效的蓝牙名称！"));
    const BluetoothCommand cmd = BuildBluetoothSettings(name, a.positional[1], lang);
    if (!cmd.ok)
        ThrowInput(cmd.notice ? cmd.notice->text : std::string());
    Send(c, c.settings, cmd.bytes, "bt set");
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
    // The USB configuration dialog's values at opening.
    Ipv4Octets ip{192, 168, 0, 10}, mask{255, 255, 255, 0}, gateway{192, 168, 0, 1};
    int dhcp = 0;
    if (auto v = a.Find("ip"))
        ip = Address("ip", *v);
    if (auto v = a.Find("mask"))
        mask = Address("mask", *v);
    if (auto v = a.Find("gateway"))
        gateway = Address("gateway", *v);
    if (auto v = a.Find("dhcp"))
        dhcp = IndexOf("dhcp", *v, {"Disable", "Enable"}, {"无效", "有效"});
    PortSettings target = c.settings;
    target.portType = a.Has("ether") ? PORT_LAN : PORT_USB;
    const auto bytes = BuildNetParamCommand(ip, mask, gateway, dhcp);
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
          {"gateway", "A.B.C.D", "gateway (192.168.1.11)", "网关（192.168.1.11）"}},
         0,
         0,
         WifiSet,
         [] {
             return std::string(L("Encryptions: ", "加密方式：")) + Names(WifiEncryptionNames()) +
                    "\n" +
                    L("KEY FORMAT INSTRUCTION:\n1.None:Key not required;\n2.WEP64:The key should "
                      "be 5 ASCII characters or 5 hexadecimal digits;\n3.WEP128:The key should be "
                      "13 ASCII characters or 13 hexadecimal digits;\n4.WPA-PSK(TKIP) or "
                      "WPA-PSK(CCMP/AES) or\nWPA2-PSK(TKIP) or WPA2-PSK(CCMP/AES):The key should "
                      "be 8 to 63 ASCII characters or 8 to 64 hexadecimal digits.\n",
                      "密钥格式说明：\n1.None：不需要密钥；\n2.WEP64：密钥应为 5 个 ASCII 字符或 5 "
                      "个十六进制数；\n3.WEP128：密钥应为 13 个 ASCII 字符或 13 个十六进制数；\n"
                      "4.WPA-PSK(TKIP)、WPA-PSK(CCMP/AES)、\nWPA2-PSK(TKIP)、WPA2-PSK(CCMP/AES)："
                      "密钥应为 8 到 63 个 ASCII 字符或 8 到 64 个十六进制数。\n");
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
                        Send(c, c.settings, BluetoothRestoreCommand(), "bt restore");
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
