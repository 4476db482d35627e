// download-mode, update: firmware and font updates.
#include <cerrno>
#include <cstdlib>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "firmware/firmware_transfer.h"
#include "link.h"
#include "output.h"
#include "port/models.h"
#include "progress.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

bool LabelPrinterWithDownloadCommand(const Context& c) {
    return IsLabelPrinterName(c.settings.printerModel, c.languageId);
}

// The update page offers an update over USB and, for the label printers,
// over the network; never over COM or LPT.
void RequireUpdateInterface(const Context& c) {
    const int32_t t = c.settings.portType;
    const bool label = LabelPrinterWithDownloadCommand(c);
    if (t == PORT_USB || (t == PORT_LAN && label))
        return;
    ThrowInput(label ? L("Firmware updates work over USB or the network (--port usb or lan).",
                         "固件升级只能通过 USB 或网络进行（--port usb 或 lan）。")
                     : L("Receipt printers are updated over USB only (--port usb).",
                         "票据打印机只能通过 USB 升级（--port usb）。"));
}

void RequireDownloadCommand(const Context& c) {
    if (!LabelPrinterWithDownloadCommand(c))
        ThrowInput(Format(L("'%s' has no download-mode command; put it into update mode by hand",
                            "'%s' 没有下载模式命令；请手动让打印机进入升级模式"),
                          c.settings.printerModel.c_str()));
}

void SendDownload(const Context& c) {
    CliLink link(c);
    const SendOutcome r = SendDownloadCommand(link, MessageLanguage());
    if (!r.ok)
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
}

void DownloadMode(Context& c, const ParsedArgs&) {
    RequireDownloadCommand(c);
    RequireUpdateInterface(c);
    SendDownload(c);
    ReportSent(c, "download-mode", static_cast<long long>(DownloadModeCommand().size()));
}

void Update(Context& c, const ParsedArgs& a) {
    const bool send = a.Has("download-mode");
    const bool downloadMode = send || a.Has("assume-download-mode");
    if (downloadMode)
        RequireDownloadCommand(c);
    RequireUpdateInterface(c);
    int waitMs = 1000;
    if (auto t = a.Find("wait")) {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(t->c_str(), &end, 10);
        if (t->empty() || *end != '\0' || errno != 0 || v < 0 || v > 600000)
            ThrowInput(Format(L("invalid --wait: '%s'", "--wait 无效：'%s'"), t->c_str()));
        waitMs = static_cast<int>(v);
    }
    const int lang = MessageLanguage();
    // The file is checked before anything goes to the printer.
    PreparedImage prepared = PrepareImage(a.positional[0], lang);
    if (!prepared.ok)
        ThrowInput(prepared.notice ? prepared.notice->text : std::string());

    if (send) {
        SendDownload(c);
        if (!SleepUnlessStopped(waitMs))
            ThrowOther(L("Interrupted.", "已中断。"));
    }
    CliLink link(c);
    Progress progress(!a.Has("no-progress"));
    const TransferResult r =
        TransferImage(link, prepared.image, downloadMode, StopToken(), lang,
                      [&](const TransferProgress& p) { progress.Update(p.sent, p.total); });
    progress.Finish();
    if (!r.ok) {
        if (StopRequested())
            ThrowOther(L("Interrupted.", "已中断。"));
        ThrowNotice(link, r.notice.value_or(Notice{}), EXIT_OTHER);
    }
    if (r.notice)
        PrintNotice(*r.notice);
    if (c.json) {
        Json doc = OkDocument("update");
        doc.Set("bytes", static_cast<long long>(r.sent));
        doc.Set("writes", r.writes);
        doc.Set("fileBytes", static_cast<long long>(prepared.image.fileLength));
        PrintJson(doc);
    } else {
        PrintLine(
            Format(L("Sent %lld bytes.", "已发送 %lld 字节。"), static_cast<long long>(r.sent)));
    }
}

} // namespace

void AddFirmwareCommands(std::vector<Command>& list) {
    list.push_back({"download-mode",
                    "",
                    "ask a label printer to enter download mode",
                    "让标签打印机进入下载模式",
                    {},
                    0,
                    0,
                    DownloadMode,
                    {}});
    list.push_back(
        {"update",
         "FILE",
         "update firmware or font: .bin (label), .fw / .FW (receipt), .cg / .CG (font)",
         "升级固件或字库：.bin（标签）、.fw / .FW（票据）、.cg / .CG（字库）",
         {{"download-mode", nullptr, "send the download-mode command first (label printers)",
           "先发送下载模式命令（标签打印机）"},
          {"assume-download-mode", nullptr, "the printer was put into download mode already",
           "打印机已处于下载模式"},
          {"wait", "MS", "pause after the download-mode command (default 1000)",
           "发送下载模式命令后的等待时间（默认 1000）"},
          {"no-progress", nullptr, "no progress display", "不显示进度"}},
         1,
         1,
         Update,
         {}});
}

} // namespace printune::cli
