// download-mode, update: firmware and font updates.
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "command.h"
#include "context.h"
#include "failure.h"
#include "firmware/firmware_rules.h"
#include "firmware/firmware_update.h"
#include "link.h"
#include "output.h"
#include "port/models.h"
#include "progress.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

// The update page's rules decide where an update and the download-mode
// command may run.
void RequireUpdateInterface(const Context& c) {
    if (UpdateAvailable(c.settings.portType, c.settings.printerModel, c.languageId))
        return;
    ThrowInput(HasDownloadCommand(c.settings.printerModel, c.languageId)
                   ? L("Firmware updates work over USB or the network (--port usb or lan).",
                       "固件升级只能通过 USB 或网络进行（--port usb 或 lan）。")
                   : L("Receipt printers are updated over USB only (--port usb).",
                       "票据打印机只能通过 USB 升级（--port usb）。"));
}

void RequireDownloadCommand(const Context& c) {
    if (!HasDownloadCommand(c.settings.printerModel, c.languageId))
        ThrowInput(Format(L("'%s' has no download-mode command; put it into update mode by hand",
                            "'%s' 没有下载模式命令；请手动让打印机进入升级模式"),
                          c.settings.printerModel.c_str()));
}

std::optional<std::string> SendDownload(const Context& c) {
    CliLink link(c);
    const DownloadModeResult r =
        EnterDownloadMode(link, c.settings.printerModel, MessageLanguage(), StopToken());
    if (!r.send.ok)
        ThrowNotice(link, r.send.notice.value_or(Notice{}), EXIT_OTHER);
    return r.versionBefore;
}

void DownloadMode(Context& c, const ParsedArgs&) {
    RequireDownloadCommand(c);
    RequireUpdateInterface(c);
    const std::optional<std::string> version = SendDownload(c);
    if (version && !c.json)
        PrintLine(Format(L("Firmware version: %s", "固件版本：%s"), version->c_str()));
    ReportSent(c, "download-mode", static_cast<long long>(DownloadModeCommand().size()));
}

int MsOption(const ParsedArgs& a, const char* name, int fallback) {
    auto t = a.Find(name);
    if (!t)
        return fallback;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(t->c_str(), &end, 10);
    if (t->empty() || *end != '\0' || errno != 0 || v < 0 || v > 600000)
        ThrowInput(Format(L("invalid --%s: '%s'", "--%s 无效：'%s'"), name, t->c_str()));
    return static_cast<int>(v);
}

void Update(Context& c, const ParsedArgs& a) {
    const bool send = a.Has("download-mode");
    const bool downloadMode = send || a.Has("assume-download-mode");
    if (downloadMode)
        RequireDownloadCommand(c);
    RequireUpdateInterface(c);
    FirmwareUpdateRequest q;
    q.path = a.positional[0];
    q.printerModel = c.settings.printerModel;
    q.portType = c.settings.portType;
    q.downloadMode = downloadMode;
    q.languageId = MessageLanguage();
    q.returnMaxMs = MsOption(a, "return-wait", UPDATE_RETURN_MAX_MS);
    const int waitMs = MsOption(a, "wait", 1000);
    // The file is checked before anything goes to the printer.
    if (auto refused = CheckUpdateFile(q.path, q.printerModel, q.languageId))
        ThrowInput(refused->text);

    if (send) {
        q.versionBefore = SendDownload(c);
        q.afterCommandMs = waitMs;
    }
    CliLink link(c);
    Progress progress(!a.Has("no-progress"));
    UpdateStage shown = UpdateStage::Sending;
    const FirmwareUpdateResult r =
        RunFirmwareUpdate(link, q, StopToken(), [&](const UpdateProgress& p) {
            if (p.stage == UpdateStage::Sending) {
                progress.Update(p.transfer.sent, p.transfer.total);
            } else if (p.stage != shown) {
                if (shown == UpdateStage::Sending && p.stage == UpdateStage::WaitingForReturn)
                    progress.Finish();
                PrintMessage(p.text);
            }
            shown = p.stage;
        });
    progress.Finish();
    if (!r.transfer.ok) {
        if (StopRequested())
            ThrowOther(L("Interrupted.", "已中断。"));
        ThrowNotice(link, r.transfer.notice.value_or(Notice{}), EXIT_OTHER);
    }
    if (r.transfer.notice)
        PrintNotice(*r.transfer.notice);
    if (r.check == PrinterCheck::Stopped)
        ThrowOther(L("Interrupted.", "已中断。"));
    // A printer that did not come back is the run's failure, after the
    // bytes were reported.
    const bool notBack = r.check == PrinterCheck::NotBack;
    const std::string notBackText = notBack && r.versionNotice ? r.versionNotice->text : "";
    if (c.json) {
        if (notBack)
            ThrowOther(notBackText);
        Json doc = OkDocument("update");
        doc.Set("bytes", static_cast<long long>(r.transfer.sent));
        doc.Set("writes", r.transfer.writes);
        doc.Set("fileBytes", static_cast<long long>(r.fileLength));
        if (r.versionBefore)
            doc.Set("versionBefore", *r.versionBefore);
        if (r.versionAfter)
            doc.Set("versionAfter", *r.versionAfter);
        PrintJson(doc);
    } else {
        PrintLine(Format(L("Sent %lld bytes.", "已发送 %lld 字节。"),
                         static_cast<long long>(r.transfer.sent)));
        if (notBack)
            ThrowOther(notBackText);
        if (r.versionNotice)
            PrintLine(r.versionNotice->text);
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
          {"wait", "MS",
           "pause after the download-mode command (default 1000); over USB the least time "
           "to look for the printer's return, which is awaited up to 10 s",
           "发送下载模式命令后的等待时间（默认 1000）；USB 接口下为等待打印机重新连接的最短"
           "时间，最长等待 10 秒"},
          {"return-wait", "MS",
           "how long to wait for a label printer to answer after the update and read its new "
           "firmware version (default 60000)",
           "升级后等待标签打印机应答并读取新固件版本的最长时间（默认 60000）"},
          {"no-progress", nullptr, "no progress display", "不显示进度"}},
         1,
         1,
         Update,
         {}});
}

} // namespace printune::cli
