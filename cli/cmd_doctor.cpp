// doctor: what on this machine stands between the user and a printer, each
// problem with the command that mends it. Opens nothing for writing.
#include <cstdio>

#include "command.h"
#include "context.h"
#include "diagnostics/system_check.h"
#include "output.h"
#include "texts.h"

namespace printune::cli {

namespace {

const char* SeverityName(Severity s) {
    switch (s) {
    case Severity::Ok:
        return "ok";
    case Severity::Note:
        return "note";
    default:
        return "problem";
    }
}

Json NodeJson(const NodeAccess& a) {
    Json j = Json::Object();
    j.Set("node", a.node);
    j.Set("exists", a.exists);
    j.Set("canOpen", a.canOpen);
    j.Set("group", a.group);
    Json holders = Json::Array();
    for (const Holder& h : a.heldBy) {
        Json one = Json::Object();
        one.Set("pid", h.pid);
        one.Set("program", h.program);
        holders.Push(std::move(one));
    }
    j.Set("heldBy", std::move(holders));
    return j;
}

Json ReportJson(const SystemReport& report) {
    Json doc = OkDocument("doctor");
    Json usb = Json::Array();
    for (const UsbPrinterFinding& p : report.usb) {
        Json j = Json::Object();
        j.Set("vendor", p.vid);
        j.Set("product", p.pid);
        j.Set("family", p.family);
        j.Set("models", p.models);
        j.Set("interface", p.interfaceName);
        j.Set("usblpBound", p.usblpBound);
        j.Set("access", NodeJson(p.access));
        usb.Push(std::move(j));
    }
    doc.Set("usblpLoaded", report.usblpLoaded);
    doc.Set("usbPrinters", std::move(usb));
    Json ports = Json::Array();
    for (const PortFinding& port : report.ports) {
        Json j = Json::Object();
        j.Set("name", port.name);
        j.Set("kind", port.parallel ? "parallel" : "serial");
        j.Set("access", NodeJson(port.access));
        ports.Push(std::move(j));
    }
    doc.Set("ports", std::move(ports));
    doc.Set("udevRules", report.udevRules);
    Json findings = Json::Array();
    for (const CheckFinding& f : report.findings) {
        Json j = Json::Object();
        j.Set("severity", SeverityName(f.severity));
        j.Set("area", f.area);
        j.Set("subject", f.subject);
        j.Set("message", f.message);
        j.Set("command", f.command);
        findings.Push(std::move(j));
    }
    doc.Set("findings", std::move(findings));
    doc.Set("problems", report.Problems());
    return doc;
}

void Doctor(Context& context, const ParsedArgs&) {
    SystemCheckRoots roots = DefaultRoots();
    roots.settingsFile = context.configPath;
    const SystemReport report = RunSystemCheck(roots, CurrentIdentity(), MessageLanguage());
    if (context.json)
        PrintJson(ReportJson(report));
    else
        std::fputs(SystemReportText(report, MessageLanguage()).c_str(), stdout);
}

} // namespace

void AddDoctorCommands(std::vector<Command>& commands) {
    commands.push_back(
        {"doctor",
         "",
         "check this machine: USB printers, ports, udev rules, firewall, settings file",
         "检查本机：USB 打印机、端口、udev 规则、防火墙、设置文件",
         {},
         0,
         0,
         Doctor,
         [] {
             return std::string(
                 L("Opens nothing for writing. Each problem comes with the command that mends "
                   "it. The exit code is 0 whenever the check ran; the number of problems is "
                   "the last line (\"problems\" with --json).\n",
                   "不以写方式打开任何设备。每个问题都附有解决它的命令。只要检查完成，退出码就是 "
                   "0；问题数量在最后一行（--json 时为 \"problems\"）。\n"));
         }});
}

} // namespace printune::cli
