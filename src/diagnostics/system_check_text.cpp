// The system check as text: one line per printer, port and check, the
// mending command indented below its problem.
#include "base/language.h"
#include "diagnostics/system_check.h"

namespace printune {

namespace {

const char* Mark(Severity s) {
    switch (s) {
    case Severity::Ok:
        return "[ok]     ";
    case Severity::Note:
        return "[note]   ";
    default:
        return "[problem]";
    }
}

std::string FamilyText(const std::string& family, bool zh) {
    if (family == "label")
        return zh ? "标签打印机" : "label printer";
    if (family == "receipt")
        return zh ? "票据打印机" : "receipt printer";
    if (family == "loader")
        return zh ? "标签打印机（下载模式）" : "label printer in download mode";
    return zh ? "未知型号" : "unknown model";
}

} // namespace

std::string SystemReportText(const SystemReport& report, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    std::string text;
    text += zh ? "USB 打印机：\n" : "USB printers:\n";
    if (report.usb.empty())
        text += zh ? "  无\n" : "  none\n";
    for (const UsbPrinterFinding& p : report.usb) {
        text += "  " + p.vid + ":" + p.pid + "  " + FamilyText(p.family, zh);
        if (!p.models.empty())
            text += " (" + p.models + ")";
        text += "  " + (p.access.node.empty() ? std::string("-") : p.access.node);
        text += zh ? (p.usblpBound ? "  usblp 已绑定" : "  usblp 未绑定")
                   : (p.usblpBound ? "  usblp bound" : "  usblp not bound");
        text += "\n";
    }
    text += zh ? "串口和并口：\n" : "Serial and parallel ports:\n";
    if (report.ports.empty())
        text += zh ? "  无\n" : "  none\n";
    for (const PortFinding& port : report.ports) {
        text += "  " + port.name + "  " + port.access.node;
        if (!port.access.group.empty())
            text += (zh ? "  组 " : "  group ") + port.access.group;
        text += "\n";
    }
    text += zh ? "检查：\n" : "Checks:\n";
    for (const CheckFinding& f : report.findings) {
        text += std::string("  ") + Mark(f.severity) + " " + f.message + "\n";
        if (!f.command.empty())
            text += "              $ " + f.command + "\n";
    }
    const int problems = report.Problems();
    if (problems == 0)
        text += zh ? "没有发现问题。\n" : "No problems found.\n";
    else
        text += (zh ? "发现的问题：" : "Problems found: ") + std::to_string(problems) + "\n";
    return text;
}

} // namespace printune
