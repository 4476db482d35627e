// download-mode, update: firmware and font updates.
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "app/keep_settings_update.h"
#include "command.h"
#include "context.h"
#include "exchange_io.h"
#include "failure.h"
#include "firmware/firmware_rules.h"
#include "firmware/firmware_update.h"
#include "link.h"
#include "output.h"
#include "port/models.h"
#include "port/printer_port.h"
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

// --keep-settings: the settings are read while the old firmware answers,
// so the printer must not be in download mode yet, and only the label
// printers have settings this way.
void RequireKeepSettings(const Context& c, const ParsedArgs& a) {
    if (!HasDownloadCommand(c.settings.printerModel, c.languageId))
        ThrowUsage(Format(L("--keep-settings works for label printers only; '%s' is not one",
                            "--keep-settings 仅适用于标签打印机；'%s' 不是标签打印机"),
                          c.settings.printerModel.c_str()));
    if (a.Has("assume-download-mode"))
        ThrowUsage(L("--keep-settings reads the settings before the download-mode command; it "
                     "cannot be used with --assume-download-mode",
                     "--keep-settings 在下载模式命令之前读取设置，不能与 --assume-download-mode "
                     "同时使用"));
}

void PrintSettingsOutcome(const KeptSettingsUpdate& k) {
    const std::optional<Notice>& notice = k.update.settingsNotice;
    if (!notice)
        return;
    if (notice->severity == Severity::Information) {
        PrintLine(notice->text);
        return;
    }
    PrintNotice(*notice);
    // Nothing is lost: the settings as read before the update, as a profile
    // to apply later.
    if (k.saved && (!k.restoreRan || k.restore.outcome == ApplyOutcome::Unreachable))
        PrintMessage(L("The settings read before the update:\n", "升级前读取的设置：\n") +
                     WriteSettingsProfile(k.savedProfile));
}

Json SettingsJson(const KeptSettingsUpdate& k) {
    Json j = Json::Object();
    const char* outcome = "not-restored";
    if (k.restoreRan) {
        switch (k.restore.outcome) {
        case ApplyOutcome::Equal:
            outcome = "equal";
            break;
        case ApplyOutcome::Verified:
            outcome = "verified";
            break;
        case ApplyOutcome::NotVerified:
            outcome = "not-verified";
            break;
        default:
            outcome = "unreachable";
            break;
        }
    }
    j.Set("outcome", outcome);
    Json sent = Json::Array();
    for (const ProfileDifference& d : k.restore.differences)
        sent.Push(ProfileSettingKey(ProfileFamily::Label, d.setting));
    j.Set("sent", std::move(sent));
    Json notTaken = Json::Array();
    for (const ProfileDifference& d : k.restore.notTaken)
        notTaken.Push(ProfileSettingKey(ProfileFamily::Label, d.setting));
    j.Set("notTaken", std::move(notTaken));
    if (k.update.settingsNotice)
        j.Set("message", k.update.settingsNotice->text);
    return j;
}

void Update(Context& c, const ParsedArgs& a) {
    const bool keep = a.Has("keep-settings");
    if (keep)
        RequireKeepSettings(c, a);
    const bool send = a.Has("download-mode") || keep;
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
    const int waitMs = MsOption(a, "wait", AFTER_DOWNLOAD_COMMAND_MS);
    // The file is checked before anything goes to the printer.
    if (auto refused = CheckUpdateFile(q.path, q.printerModel, q.languageId))
        ThrowInput(refused->text);

    if (send && !keep) {
        q.versionBefore = SendDownload(c);
        q.afterCommandMs = waitMs;
    }
    CliLink link(c);
    Progress progress(!a.Has("no-progress"));
    UpdateStage shown = UpdateStage::Sending;
    const auto onProgress = [&](const UpdateProgress& p) {
        if (p.stage == UpdateStage::Sending) {
            progress.Update(p.transfer.sent, p.transfer.total);
        } else if (p.stage != shown) {
            if (shown == UpdateStage::Sending && p.stage == UpdateStage::WaitingForReturn)
                progress.Finish();
            PrintMessage(p.text);
        }
        shown = p.stage;
    };
    KeptSettingsUpdate kept;
    if (keep) {
        q.afterCommandMs = waitMs;
        kept = UpdateKeepingSettings(link, c.settings, q, StopToken(), onProgress);
        if (!kept.saved) {
            if (StopRequested())
                ThrowOther(L("Interrupted.", "已中断。"));
            CPrinterPort port;
            RequireOutcome(c, kept.readFailure, port, ExchangeOutcome::Reply);
            ThrowInput(kept.update.transfer.notice.value_or(Notice{}).text);
        }
    }
    const FirmwareUpdateResult r =
        keep ? kept.update : RunFirmwareUpdate(link, q, StopToken(), onProgress);
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
    // Settings that were not put back fail the run too.
    const bool settingsFailed =
        keep && (!kept.restoreRan || (kept.restore.outcome != ApplyOutcome::Equal &&
                                      kept.restore.outcome != ApplyOutcome::Verified));
    if (c.json) {
        if (notBack) {
            PrintSettingsOutcome(kept);
            ThrowOther(notBackText);
        }
        Json doc = OkDocument("update");
        doc.Set("bytes", static_cast<long long>(r.transfer.sent));
        doc.Set("writes", r.transfer.writes);
        doc.Set("fileBytes", static_cast<long long>(r.fileLength));
        if (r.versionBefore)
            doc.Set("versionBefore", *r.versionBefore);
        if (r.versionAfter)
            doc.Set("versionAfter", *r.versionAfter);
        if (keep) {
            doc.Set("ok", !settingsFailed);
            doc.Set("settings", SettingsJson(kept));
        }
        PrintJson(doc);
    } else {
        PrintLine(Format(L("Sent %lld bytes.", "已发送 %lld 字节。"),
                         static_cast<long long>(r.transfer.sent)));
        if (notBack) {
            PrintSettingsOutcome(kept);
            ThrowOther(notBackText);
        }
        if (r.versionNotice)
            PrintLine(r.versionNotice->text);
        PrintSettingsOutcome(kept);
    }
    if (settingsFailed) {
        std::fflush(stdout);
        std::exit(EXIT_OTHER);
    }
}

std::string UpdateDetails() {
    return L("--keep-settings (label printers, .bin images): the printer's settings are read\n"
             "first, the download-mode command follows, and once the printer answers after\n"
             "the update the settings that differ are sent back and read back, as\n"
             "'profile apply' does. Exit code 1 when they were not all restored; the\n"
             "settings read before the update are then printed as a profile.\n",
             "--keep-settings（标签打印机，.bin 文件）：先读取打印机设置，再发送下载模式命令，\n"
             "升级后打印机应答时发回不同的设置并读回检查，与 'profile apply' 相同。\n"
             "设置未全部恢复时退出码为 1，并以配置文件格式打印升级前读取的设置。\n");
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
          {"keep-settings", nullptr,
           "label printers: read the settings first, send the download-mode command, and "
           "after the update write back what differs and read it back",
           "标签打印机：先读取设置，再发送下载模式命令，升级后写回不同的设置并读回检查"},
          {"no-progress", nullptr, "no progress display", "不显示进度"}},
         1,
         1,
         Update,
         UpdateDetails});
}

} // namespace printune::cli
