#include "app/keep_settings_update.h"

#include "base/language.h"
#include "firmware/firmware_rules.h"
#include "port/printer_port.h"
#include "printune_version.h"
#include "settings/settings_messages.h"

namespace printune {

namespace {

std::string Pick(int languageId, const std::string& english, const std::string& chinese) {
    return languageId == LANG_CHINESE ? chinese : english;
}

// "Print Speed" from the page label "Print Speed:".
std::string SettingName(int setting, int languageId) {
    std::string name = LabelSettingLabel(setting, languageId);
    for (const std::string colon : {":", "\xEF\xBC\x9A"})
        if (name.size() >= colon.size() &&
            name.compare(name.size() - colon.size(), colon.size(), colon) == 0)
            name.erase(name.size() - colon.size());
    return name;
}

std::string Names(const std::vector<ProfileDifference>& list, int languageId) {
    std::string out;
    for (const ProfileDifference& d : list)
        out += (out.empty() ? "" : ", ") + SettingName(d.setting, languageId);
    return out;
}

void Report(const std::function<void(const UpdateProgress&)>& onProgress, UpdateStage stage,
            std::string text) {
    if (!onProgress)
        return;
    UpdateProgress p;
    p.stage = stage;
    p.text = std::move(text);
    onProgress(p);
}

Notice RestoreNotice(const KeptSettingsUpdate& r, int portType, int lang) {
    const ProfileApplyResult& a = r.restore;
    switch (a.outcome) {
    case ApplyOutcome::Equal:
        return {Severity::Information,
                Pick(lang, "The printer kept its settings; none needed restoring.",
                     "打印机保留了原有设置，无需恢复。")};
    case ApplyOutcome::Verified:
        return {Severity::Information,
                Pick(lang,
                     "The printer's settings were restored (" +
                         std::to_string(a.differences.size()) + " sent and verified).",
                     "打印机设置已恢复（已发送并验证 " + std::to_string(a.differences.size()) +
                         " 项）。")};
    case ApplyOutcome::NotVerified:
        return {Severity::Warning,
                Pick(lang,
                     "The printer's settings were sent back, but these did not take: " +
                         Names(a.notTaken, lang),
                     "打印机设置已发回，但以下设置未生效：" + Names(a.notTaken, lang))};
    case ApplyOutcome::WouldSend:
    case ApplyOutcome::Stopped:
    case ApplyOutcome::Unreachable:
        break;
    }
    const std::string why = ExchangeFailureMessage(a.failure, portType, lang);
    return {Severity::Warning,
            Pick(lang, "The printer's settings could not be restored: ", "无法恢复打印机设置：") +
                (why.empty() ? Pick(lang, "interrupted.", "已中断。") : why)};
}

} // namespace

KeptSettingsUpdate
UpdateKeepingSettings(PortLink& link, const PortSettings& copy, FirmwareUpdateRequest q,
                      std::stop_token stop,
                      const std::function<void(const UpdateProgress&)>& onProgress) {
    KeptSettingsUpdate r;
    const int lang = q.languageId;
    auto refuse = [&r](Notice notice) {
        r.update.refused = true;
        r.update.transfer.notice = std::move(notice);
        r.update.updateEnabledAfter = true;
        return r;
    };
    if (auto refused = CheckUpdateFile(q.path, q.printerModel, lang))
        return refuse(*refused);
    if (!SettingsKeepable(q.portType, q.printerModel, q.path, lang))
        return refuse({Severity::Warning,
                       Pick(lang,
                            "The settings can be kept only for label printers updated with a "
                            ".bin image over USB or the network.",
                            "只有通过 USB 或网络用 .bin 文件升级的标签打印机才能保留设置。")});

    // While the old firmware still answers.
    Report(onProgress, UpdateStage::SavingSettings,
           Pick(lang, "Reading the printer's settings…", "正在读取打印机设置…"));
    ProfileTarget target{copy, {}};
    {
        CPrinterPort port;
        const ProfileReadResult read =
            ReadPrinterProfile(port, target, ProfileFamily::Label, PRINTUNE_VERSION, stop);
        if (!read.decoded) {
            r.readFailure = read.exchange;
            const std::string why = ExchangeFailureMessage(read.exchange, q.portType, lang);
            return refuse({Severity::Warning,
                           Pick(lang,
                                "The printer's settings could not be read, so the update did "
                                "not start: ",
                                "无法读取打印机设置，因此未开始升级：") +
                               (why.empty() ? Pick(lang, "interrupted.", "已中断。") : why)});
        }
        r.saved = true;
        r.savedProfile = read.profile;
    }

    const DownloadModeResult entered = EnterDownloadMode(link, q.printerModel, lang, stop);
    if (!entered.send.ok) {
        r.update.transfer.notice = entered.send.notice;
        r.update.updateEnabledAfter = true;
        r.update.settingsNotice = Notice{
            Severity::Information, Pick(lang, "Nothing was sent; the settings are as they were.",
                                        "未发送任何内容，设置保持不变。")};
        return r;
    }
    q.downloadMode = true;
    q.versionBefore = entered.versionBefore;
    r.update = RunFirmwareUpdate(link, q, stop, onProgress);
    if (r.update.check != PrinterCheck::Back) {
        r.update.settingsNotice =
            Notice{Severity::Warning,
                   Pick(lang,
                        "The printer's settings were not restored: the update did not end with "
                        "the printer answering.",
                        "未恢复打印机设置：升级结束时打印机没有应答。")};
        return r;
    }

    Report(onProgress, UpdateStage::RestoringSettings,
           Pick(lang, "Restoring the printer's settings…", "正在恢复打印机设置…"));
    CPrinterPort port;
    ApplyOptions options;
    options.toolVersion = PRINTUNE_VERSION;
    r.restore = ApplyProfile(port, target, r.savedProfile, options, stop);
    r.restoreRan = true;
    r.update.settingsNotice = RestoreNotice(r, q.portType, lang);
    return r;
}

} // namespace printune
