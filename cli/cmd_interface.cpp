// serial-config, wifi reset: the interface page's two printer commands.
#include "command.h"
#include "context.h"
#include "failure.h"
#include "output.h"
#include "port/exchange.h"
#include "port/interface_commands.h"
#include "port/models.h"
#include "port/printer_port.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

[[noreturn]] void ThrowExchange(const ExchangeResult& r, int32_t portType, int sysErrno) {
    if (r.outcome == ExchangeOutcome::OpenFailed || r.outcome == ExchangeOutcome::WriteFailed ||
        r.outcome == ExchangeOutcome::ReadFailed)
        ThrowPort(r.portError, portType, sysErrno);
    ThrowOther(L("Interrupted.", "已中断。"));
}

// The serial dialog's OK: the printer is told its new line values (over USB,
// else over the new COM port with the old values), then the new values and
// the serial interface are taken into the settings file, as the interface
// page does whether or not the command arrived.
void SerialConfig(Context& c, const ParsedArgs& a) {
    PortSettings pending = c.settings;
    if (auto v = a.Find("com")) {
        const std::string name = *v;
        if (name.empty())
            ThrowInput(L("invalid COM name", "COM 名称无效"));
        pending.comPortName = name;
    }
    if (auto v = a.Find("baud"))
        pending.baudrate = CheckBaud(*v);
    if (auto v = a.Find("parity"))
        pending.paritySetup = CheckParity(*v);
    if (auto v = a.Find("data-bits"))
        pending.dataBit = CheckDataBits(*v);
    if (auto v = a.Find("stop-bits"))
        pending.stopBit = CheckStopBits(*v);
    if (auto v = a.Find("flow"))
        pending.flowControl = CheckFlow(*v);

    const SerialReconfiguration r = ReconfigureSerial(pending, c.modelPosition, StopToken());
    const int32_t usedType = r.usedType;
    if (!a.Has("no-save")) {
        c.settings = r.adopted;
        SetCurrentPortSettings(r.adopted);
        SaveRunSettings(c);
    }
    if (r.result.outcome != ExchangeOutcome::Sent)
        ThrowExchange(r.result, usedType, r.sysErrno);
    const std::vector<uint8_t> bytes = BuildSerialConfigCommand(pending, c.modelPosition);
    if (c.json) {
        Json doc = OkDocument("serial-config");
        doc.Set("sentOver", usedType == PORT_USB ? "usb" : "com");
        doc.Set("configByte", static_cast<int>(bytes[5]));
        doc.Set("bytes", static_cast<int>(bytes.size()));
        PrintJson(doc);
    } else {
        PrintLine(Format(L("Sent the serial configuration (%02X) over %s.",
                           "已通过 %2$s 发送串口配置（%1$02X）。"),
                         bytes[5], usedType == PORT_USB ? "USB" : pending.comPortName.c_str()));
    }
}

} // namespace

void RequireLabelPrinterForWireless(const Context& c) {
    if (!IsLabelPrinterName(c.settings.printerModel, c.languageId) && IsReceiptModel(c))
        ThrowInput(Format(L("Wi-Fi and Bluetooth settings are for the KP label printers, not '%s'",
                            "Wi-Fi 和蓝牙设置只适用于 KP 标签打印机，不适用于 '%s'"),
                          c.settings.printerModel.c_str()));
}

void WifiReset(Context& c, const ParsedArgs&) {
    RequireLabelPrinterForWireless(c);
    CPrinterPort port;
    const ExchangeResult r = SendWifiReset(port, c.settings, StopToken());
    if (r.outcome != ExchangeOutcome::Sent)
        ThrowExchange(r, c.settings.portType, port.LastErrno());
    ReportSent(c, "wifi reset", static_cast<long long>(BuildWifiResetCommand().size()));
}

void AddInterfaceCommands(std::vector<Command>& list) {
    list.push_back(
        {"serial-config",
         "",
         "tell the printer new serial values (over USB, else COM), then save them",
         "把新的串口参数告诉打印机（先 USB，否则 COM），然后保存",
         {{"com", "NAME", "new COM port (default: the current one)", "新的 COM 口（默认当前）"},
          {"baud", "RATE", "new baud rate", "新的波特率"},
          {"parity", "None|Even|Odd", "new parity", "新的校验"},
          {"data-bits", "8|7", "new data bits", "新的数据位"},
          {"stop-bits", "1|2", "new stop bits", "新的停止位"},
          {"flow", "DTR|Xon/Xoff", "new flow control", "新的流控"},
          {"no-save", nullptr, "do not write the settings file", "不写设置文件"}},
         0,
         0,
         SerialConfig,
         [] {
             return std::string(
                 L("The options after the command are the new values; global options "
                   "before it describe the\ncurrent connection, which the COM attempt "
                   "still uses.\n",
                   "命令之后的选项是新参数；命令之前的全局选项描述当前连接，COM "
                   "尝试仍使用当前参数。\n"));
         }});
}

} // namespace printune::cli
