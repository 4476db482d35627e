// connect, show: the connection of the run and the settings file.
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "failure.h"
#include "output.h"
#include "port/usb_filter.h"
#include "texts.h"

namespace printune::cli {

namespace {

Json SettingsJson(const PortSettings& s) {
    Json j = Json::Object();
    j.Set("printerModel", s.printerModel);
    j.Set("portType", s.portType);
    j.Set("interface", PortTypeKey(s.portType));
    j.Set("comPortName", s.comPortName);
    j.Set("baudrate", s.baudrate);
    j.Set("paritySetup", s.paritySetup);
    j.Set("dataBit", s.dataBit);
    j.Set("stopBit", s.stopBit);
    j.Set("flowControl", s.flowControl);
    j.Set("lptPortName", s.lptPortName);
    j.Set("language", s.language);
    j.Set("ipAddr", s.ipAddr);
    j.Set("listenPort", s.listenPort);
    return j;
}

void PrintConnection(const Context& c, const std::string& words) {
    const PortSettings& s = c.settings;
    const UsbFilter filter = CurrentUsbFilter();
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("settings", SettingsJson(s));
        Json usb = Json::Object();
        usb.Set("UsbVidFilter", filter.UsbVidFilter);
        usb.Set("UsbPidFilter", filter.UsbPidFilter);
        usb.Set("UsbVendorOnly", filter.UsbVendorOnly);
        doc.Set("usbFilter", std::move(usb));
        Json file = Json::Object();
        file.Set("path", c.configPath);
        file.Set("exists", c.configExists);
        doc.Set("settingsFile", std::move(file));
        PrintJson(doc);
        return;
    }
    std::string iface;
    switch (s.portType) {
    case PORT_COM:
        iface = Format("%s %s %s %s %s %s", s.comPortName.c_str(), s.baudrate.c_str(),
                       s.paritySetup.c_str(), s.dataBit.c_str(), s.stopBit.c_str(),
                       s.flowControl.c_str());
        break;
    case PORT_LPT:
        iface = s.lptPortName;
        break;
    case PORT_USB:
        iface = filter.Empty()
                    ? std::string("USB")
                    : Format("USB (%s %s/%s)",
                             filter.UsbVendorOnly ? L("vendor", "厂商") : L("pair", "成对"),
                             filter.UsbVidFilter.c_str(), filter.UsbPidFilter.c_str());
        break;
    case PORT_LAN:
        iface = Format("LAN %s:%d", s.ipAddr.c_str(), s.listenPort);
        break;
    default:
        iface = Format(L("none (%d)", "未选择（%d）"), s.portType);
        break;
    }
    PrintLine(Column(L("Model:", "型号："), 12) + Format("%s", s.printerModel.c_str()));
    PrintLine(Column(L("Interface:", "接口："), 12) + Format("%s", iface.c_str()));
    PrintLine(Column(L("Serial:", "串口："), 12) +
              Format("%s %s %s %s %s %s", s.comPortName.c_str(), s.baudrate.c_str(),
                     s.paritySetup.c_str(), s.dataBit.c_str(), s.stopBit.c_str(),
                     s.flowControl.c_str()));
    PrintLine(Column(L("Parallel:", "并口："), 12) + Format("%s", s.lptPortName.c_str()));
    PrintLine(Column(L("Network:", "网络："), 12) +
              Format("%s:%d", s.ipAddr.c_str(), s.listenPort));
    PrintLine(Column(L("Language:", "语言："), 12) + Format("%s", s.language.c_str()));
    PrintLine(
        Column(L("Settings:", "设置文件："), 12) +
        Format("%s%s", c.configPath.c_str(),
               c.configExists ? "" : L(" (not present; defaults)", "（不存在；使用默认值）")));
}

void Show(Context& c, const ParsedArgs&) {
    PrintConnection(c, "show");
}

void Connect(Context& c, const ParsedArgs&) {
    SaveRunSettings(c);
    c.configExists = true;
    PrintConnection(c, "connect");
}

} // namespace

void AddConnectionCommands(std::vector<Command>& list) {
    list.push_back({"show",
                    "",
                    "show the connection of this run (settings file and options)",
                    "显示本次运行的连接参数（设置文件和选项）",
                    {},
                    0,
                    0,
                    Show,
                    {}});
    list.push_back({"connect",
                    "",
                    "save the connection given by the options into the settings file",
                    "把选项给出的连接参数保存到设置文件",
                    {},
                    0,
                    0,
                    Connect,
                    {}});
}

} // namespace printune::cli
