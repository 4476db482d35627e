#include "firmware/firmware_texts.h"

#include <cstdio>

#include "base/language.h"

namespace printune {

namespace {

struct Entry {
    const char* english;
    const char* chinese;
};

Entry Lookup(FirmwareText id) {
    switch (id) {
    case FirmwareText::LabelModelTakes:
        return {"\"%s\" is not an update file for %s. This model takes firmware files ending in "
                ".bin and character libraries ending in .cg.",
                "“%s”不是 %s 的升级文件。该型号只接受以 .bin 结尾的固件文件和以 .cg "
                "结尾的字库文件。"};
    case FirmwareText::ReceiptModelTakes:
        return {"\"%s\" is not an update file for %s. This model takes firmware files ending in "
                ".fw and character libraries ending in .cg.",
                "“%s”不是 %s 的升级文件。该型号只接受以 .fw 结尾的固件文件和以 .cg "
                "结尾的字库文件。"};
    case FirmwareText::VersionChange:
        return {"Firmware %s → %s", "固件 %s → %s"};
    case FirmwareText::VersionAfter:
        return {"Firmware now %s", "当前固件 %s"};
    case FirmwareText::NotBack:
        return {"The printer did not answer within %s seconds after the update.\nSwitch it off "
                "and on again. If it still does not start, put it into the manual update mode: "
                "open the top cover, hold the paper-end sensor and switch the printer on (the "
                "power light on and the error light off show that it worked), then send the "
                "firmware file again.",
                "升级后 %s 秒内打印机没有应答。\n请关闭打印机电源后重新打开。如果仍无法启动，"
                "请手动进入升级模式：打开上盖，按住缺纸传感器并打开打印机电源（电源灯亮、错误灯"
                "灭表示成功），然后重新发送固件文件。"};
    case FirmwareText::WaitingForReturn:
        return {"Waiting for the printer to restart... %s s of %s s",
                "正在等待打印机重新启动…… %s 秒 / %s 秒"};
    case FirmwareText::WaitingForLoader:
        return {"Waiting for the printer to return in download mode...",
                "正在等待打印机以下载模式重新连接..."};
    case FirmwareText::ReadingVersion:
        return {"Reading the firmware version...", "正在读取固件版本……"};
    }
    return {"", ""};
}

std::string Substitute(std::string text, const std::string& a, const std::string& b) {
    size_t at = 0;
    for (const std::string* arg : {&a, &b}) {
        at = text.find("%s", at);
        if (at == std::string::npos)
            break;
        text.replace(at, 2, *arg);
        at += arg->size();
    }
    return text;
}

std::string Size(int64_t bytes) {
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

std::string Duration(int64_t seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(
            text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return text;
}

} // namespace

std::string FormatFirmwareText(FirmwareText id, int languageId, const std::string& a,
                               const std::string& b) {
    const Entry e = Lookup(id);
    return Substitute(languageId == LANG_CHINESE ? e.chinese : e.english, a, b);
}

std::string TransferDetail(int64_t sent, int64_t total, double bytesPerSecond, int64_t secondsLeft,
                           int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    std::string text = Size(sent) + (zh ? " / " : " of ") + Size(total);
    if (bytesPerSecond > 0)
        text +=
            (zh ? "，" : ", ") + Size(static_cast<int64_t>(bytesPerSecond)) + (zh ? "/秒" : "/s");
    if (secondsLeft >= 0)
        text += zh ? "，剩余 " + Duration(secondsLeft) : ", " + Duration(secondsLeft) + " left";
    return text;
}

} // namespace printune
