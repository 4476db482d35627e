// receipt ...: the receipt printers' internal settings.
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "exchange_io.h"
#include "failure.h"
#include "output.h"
#include "port/models.h"
#include "setting_values.h"
#include "settings/receipt_commands.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

const OptionSpec kNoSave = {"no-save", nullptr,
                            "do not take the printer's serial values into the settings file",
                            "不把打印机报告的串口参数写入设置文件"};

void RequireReceiptModel(const Context& c) {
    if (!IsReceiptModel(c))
        ThrowInput(Format(L("'%s' is not a receipt printer; use --model HT-740 or HT-750",
                            "'%s' 不是票据打印机；请用 --model HT-740 或 HT-750"),
                          c.settings.printerModel.c_str()));
}

// The HT-740 has no cutter setting: its page hides the row and never sends it.
bool HasCutterSwitch(const Context& c) {
    return c.modelPosition == 4;
}

std::string ShownValue(const ReceiptSettings& s, int setting, int languageId) {
    const LabelValue& v = s.values[static_cast<size_t>(setting)];
    if (IsReceiptDistanceSetting(setting))
        return v.text;
    const auto entries = ReceiptChoices(setting, languageId);
    if (v.choice < 0 || v.choice >= static_cast<int>(entries.size()))
        return {};
    return entries[static_cast<size_t>(v.choice)];
}

ReceiptSettings ReadReceiptSettings(Context& c, bool save) {
    const auto reply = RequestReply(c, BuildReceiptGetRequest(), ReceiptExchangeOptions());
    ReceiptSettings s = DecodeReceiptSettingsReply(reply);
    AdoptSerialLine(c, s.serial, save);
    return s;
}

void PrintReceiptSettings(const Context& c, const ReceiptSettings& s, const std::string& words) {
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("model", c.settings.printerModel);
        Json settings = Json::Object();
        for (int i = 0; i < RECEIPT_SETTING_COUNT; ++i) {
            if (i == RS_CUTTER_SWITCH && !HasCutterSwitch(c))
                continue;
            const std::string shown = ShownValue(s, i, LANG_ENGLISH);
            settings.Set(ReceiptSettingKey(i), shown.empty() ? Json() : Json(shown));
        }
        doc.Set("settings", std::move(settings));
        Json line = Json::Object();
        line.Set("baudrate", s.serial.baudrate);
        line.Set("paritySetup", s.serial.paritySetup);
        line.Set("dataBit", s.serial.dataBit);
        line.Set("stopBit", s.serial.stopBit);
        line.Set("flowControl", s.serial.flowControl);
        doc.Set("serialLine", std::move(line));
        PrintJson(doc);
        return;
    }
    const int lang = MessageLanguage();
    for (int i = 0; i < RECEIPT_SETTING_COUNT; ++i) {
        if (i == RS_CUTTER_SWITCH && !HasCutterSwitch(c))
            continue;
        std::string shown = ShownValue(s, i, lang);
        if (shown.empty())
            shown = "-";
        else if (IsReceiptDistanceSetting(i))
            shown += " mm";
        PrintLine(Column(ReceiptSettingLabel(i, lang) + ":", 24) + " " + Column(shown, 20) + " (" +
                  ReceiptSettingKey(i) + ")");
    }
    PrintLine(Column(L("Serial line:", "串口参数:"), 24) +
              Format(" %s %s %s %s %s", s.serial.baudrate.c_str(), s.serial.paritySetup.c_str(),
                     s.serial.dataBit.c_str(), s.serial.stopBit.c_str(),
                     s.serial.flowControl.c_str()));
}

std::pair<int, LabelValue> CheckAssignment(const Context& c, const std::string& argument) {
    const auto [key, value] = SplitAssignment(argument);
    const int setting = ReceiptSettingFromKey(key);
    if (setting < 0 || (setting == RS_CUTTER_SWITCH && !HasCutterSwitch(c)))
        ThrowInput(Format(L("unknown receipt setting '%s' for %s (see 'receipt set --help')",
                            "%2$s 没有票据打印机设置 '%1$s'（见 'receipt set --help'）"),
                          key.c_str(), c.settings.printerModel.c_str()));
    if (IsReceiptDistanceSetting(setting)) {
        if (!IsNumberText(value, true))
            ThrowInput(InputIntegerMessage() + Format(" (%s)", key.c_str()));
        const DistanceCheck check = CheckReceiptDistance(setting, value);
        if (check.outcome == DistanceCheck::NotInteger)
            ThrowInput(InputIntegerMessage() + Format(" (%s)", key.c_str()));
        if (check.outcome == DistanceCheck::Corrected) {
            const IntRange r = ReceiptDistanceRange(setting);
            ThrowInput(ValueTooLargeMessage() +
                       Format(" (%s: %d ... %d)", key.c_str(), r.min, r.max));
        }
        return {setting, LabelValue::Text(value)};
    }
    const int pos = ChoicePosition(value, ReceiptChoices(setting, LANG_ENGLISH),
                                   ReceiptChoices(setting, LANG_CHINESE));
    if (pos < 0)
        ThrowNotAChoice(key, value, ReceiptChoices(setting, MessageLanguage()));
    return {setting, LabelValue::Choice(pos)};
}

void Get(Context& c, const ParsedArgs& a) {
    RequireReceiptModel(c);
    PrintReceiptSettings(c, ReadReceiptSettings(c, !a.Has("no-save")), "receipt get");
}

void Set(Context& c, const ParsedArgs& a) {
    RequireReceiptModel(c);
    std::vector<std::pair<int, LabelValue>> values;
    for (const std::string& argument : a.positional)
        values.push_back(CheckAssignment(c, argument));
    ReportSent(c, "receipt set", RequestOneWay(c, BuildReceiptSetRequest(values)));
}

void Restore(Context& c, const ParsedArgs& a) {
    RequireReceiptModel(c);
    RequestOneWay(c, BuildReceiptRestoreRequest(c.settings.language));
    if (!SleepUnlessStopped(1000))
        ThrowOther(L("Interrupted.", "已中断。"));
    AdoptSerialLine(c, SerialLine{"9600", "None", "1", "8", "DTR"}, !a.Has("no-save"));
    PrintReceiptSettings(c, ReadReceiptSettings(c, !a.Has("no-save")), "receipt restore");
}

std::string SetDetails() {
    std::string out = L("Settings (NAME=VALUE; list entries in English or Chinese, distances in "
                        "mm; cutter-switch only on the HT-750):\n",
                        "设置项（名称=值；列表项可用英文或中文，距离单位为 mm；cutter-switch 仅限 "
                        "HT-750）：\n");
    const int lang = MessageLanguage();
    for (int i = 0; i < RECEIPT_SETTING_COUNT; ++i) {
        std::string values;
        if (IsReceiptDistanceSetting(i)) {
            const IntRange r = ReceiptDistanceRange(i);
            values = Format("%d ... %d", r.min, r.max);
        } else {
            values = JoinChoices(ReceiptChoices(i, lang));
        }
        out += Format("  %-26s %s\n", ReceiptSettingKey(i).c_str(), values.c_str());
    }
    return out;
}

} // namespace

void AddReceiptCommands(std::vector<Command>& list) {
    list.push_back({"receipt get",
                    "",
                    "read the settings of a receipt printer",
                    "读取票据打印机的设置",
                    {kNoSave},
                    0,
                    0,
                    Get,
                    {}});
    list.push_back({"receipt set",
                    "NAME=VALUE...",
                    "write settings (nothing is sent if one is invalid)",
                    "写入设置（任何一项无效则什么都不发送）",
                    {},
                    1,
                    MANY,
                    Set,
                    SetDetails});
    list.push_back({"receipt restore",
                    "",
                    "restore all settings (printer language follows --lang), then read back",
                    "恢复全部设置（打印机语言随程序语言），然后读回",
                    {kNoSave},
                    0,
                    0,
                    Restore,
                    {}});
}

} // namespace printune::cli
