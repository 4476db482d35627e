// label ...: the label printers' internal settings and information.
#include "app/startup_language.h"
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "exchange_io.h"
#include "failure.h"
#include "output.h"
#include "port/printer_port.h"
#include "profile_file.h"
#include "setting_values.h"
#include "settings/label_operations.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

const OptionSpec kNoSave = {"no-save", nullptr,
                            "do not take the printer's serial values into the settings file",
                            "不把打印机报告的串口参数写入设置文件"};

void RequireLabelModel(const Context& c) {
    if (IsReceiptModel(c))
        ThrowInput(Format(L("'%s' is a receipt printer; use the 'receipt' commands",
                            "'%s' 是票据打印机；请使用 'receipt' 命令"),
                          c.settings.printerModel.c_str()));
}

std::vector<std::string> Choices(const Context& c, int setting, int languageId) {
    if (setting == LS_EMULATION)
        return EmulationEntries(c.settings.language, c.settings.printerModel);
    return LabelChoices(setting, languageId);
}

// The value as the page shows it; empty when the list has no selection.
std::string ShownValue(const Context& c, const LabelSettings& s, int setting, int languageId) {
    const LabelValue& v = s.values[static_cast<size_t>(setting)];
    if (IsLabelEditSetting(setting))
        return v.text;
    if (setting == LS_EMULATION) {
        const auto codes = EmulationCodes(c.settings.language, c.settings.printerModel);
        const int pos = EmulationPosition(v.choice, codes);
        return pos < 0 ? std::string() : EmulationName(v.choice);
    }
    const auto entries = LabelChoices(setting, languageId);
    if (v.choice < 0 || v.choice >= static_cast<int>(entries.size()))
        return {};
    return entries[static_cast<size_t>(v.choice)];
}

Json SerialLineJson(const SerialLine& line) {
    Json j = Json::Object();
    j.Set("baudrate", line.baudrate);
    j.Set("paritySetup", line.paritySetup);
    j.Set("dataBit", line.dataBit);
    j.Set("stopBit", line.stopBit);
    if (!line.flowControl.empty())
        j.Set("flowControl", line.flowControl);
    return j;
}

LabelSettings ReadSettings(Context& c, bool save) {
    CPrinterPort port;
    PortSettings copy = c.settings;
    const LabelReadResult r = ReadLabelSettings(port, copy, RunAdopter(c, save), StopToken());
    RequireOutcome(c, r.exchange, port, ExchangeOutcome::Reply);
    return r.settings;
}

void PrintLabelSettings(const Context& c, const LabelSettings& s, const std::string& words) {
    if (c.json) {
        Json doc = OkDocument(words);
        doc.Set("model", c.settings.printerModel);
        Json settings = Json::Object();
        for (int i = 0; i < LABEL_SETTING_COUNT; ++i) {
            const std::string shown = ShownValue(c, s, i, LANG_ENGLISH);
            settings.Set(LabelSettingKey(i), shown.empty() ? Json() : Json(shown));
        }
        doc.Set("settings", std::move(settings));
        doc.Set("serialLine", SerialLineJson(s.serial));
        PrintJson(doc);
        return;
    }
    const int lang = MessageLanguage();
    for (int i = 0; i < LABEL_SETTING_COUNT; ++i) {
        std::string shown = ShownValue(c, s, i, lang);
        if (shown.empty())
            shown = "-";
        else if (i == LS_HOME_OFFSET || i == LS_CUT_OFFSET || i == LS_LEFT_OFFSET ||
                 i == LS_PRINT_WIDTH)
            shown += " mm";
        PrintLine(Column(LabelSettingLabel(i, lang), 28) + " " + Column(shown, 20) + " (" +
                  LabelSettingKey(i) + ")");
    }
    PrintLine(Column(L("Serial line:", "串口参数:"), 28) +
              Format(" %s %s %s %s", s.serial.baudrate.c_str(), s.serial.paritySetup.c_str(),
                     s.serial.dataBit.c_str(), s.serial.stopBit.c_str()));
}

void Get(Context& c, const ParsedArgs& a) {
    RequireLabelModel(c);
    const LabelSettings settings = ReadSettings(c, !a.Has("no-save"));
    if (a.Has(SAVE_PROFILE_OPTION.name))
        SaveLabelProfile(c, settings, a.Get(SAVE_PROFILE_OPTION.name));
    PrintLabelSettings(c, settings, "label get");
}

// One NAME=VALUE checked as the page checks it; throws on a bad value.
std::pair<int, LabelValue> CheckAssignment(const Context& c, const std::string& argument) {
    const auto [key, value] = SplitAssignment(argument);
    const int setting = LabelSettingFromKey(key);
    if (setting < 0 || setting == LS_PRINT_WIDTH)
        ThrowInput(Format(L("unknown label setting '%s' (see 'label set --help')",
                            "未知的标签打印机设置 '%s'（见 'label set --help'）"),
                          key.c_str()));
    if (IsLabelEditSetting(setting)) {
        const bool fraction = setting == LS_HOME_OFFSET || setting == LS_CUT_OFFSET;
        if (!IsNumberText(value, fraction))
            ThrowInput(Format(L("%s: '%s' is not a number", "%s：'%s' 不是数字"), key.c_str(),
                              value.c_str()));
        if (CheckLabelEdit(setting, value).corrected) {
            const IntRange r = LabelEditRange(setting);
            ThrowInput(ValueTooLargeMessage() +
                       Format(" (%s: %d ... %d)", key.c_str(), r.min, r.max));
        }
        return {setting, LabelValue::Text(value)};
    }
    const int pos =
        ChoicePosition(value, Choices(c, setting, LANG_ENGLISH), Choices(c, setting, LANG_CHINESE));
    if (pos < 0)
        ThrowNotAChoice(key, value, Choices(c, setting, MessageLanguage()));
    if (setting == LS_EMULATION) {
        const auto codes = EmulationCodes(c.settings.language, c.settings.printerModel);
        return {setting, LabelValue::Choice(codes[static_cast<size_t>(pos)])};
    }
    return {setting, LabelValue::Choice(pos)};
}

void Set(Context& c, const ParsedArgs& a) {
    CheckSetArguments("label set", a);
    RequireLabelModel(c);
    std::vector<std::pair<int, LabelValue>> values;
    for (const std::string& argument : a.positional)
        values.push_back(CheckAssignment(c, argument));
    CPrinterPort port;
    RequireOutcome(c, SendLabelSettings(port, c.settings, values), port, ExchangeOutcome::Sent);
    if (!a.Has("verify")) {
        ReportSent(c, "label set", static_cast<int>(BuildSetSettingsRequest(values).size()));
        return;
    }
    PortSettings copy = c.settings;
    const LabelVerifyResult r =
        VerifyLabelSettings(port, copy, values, RunAdopter(c, !a.Has("no-save")), StopToken());
    RequireOutcome(c, r.read.exchange, port, ExchangeOutcome::Reply);
    if (!r.notTaken.empty()) {
        std::vector<std::string> differ;
        for (const int setting : r.notTaken)
            differ.push_back(LabelSettingKey(setting));
        ThrowOther(Format(L("The printer did not take: %s", "打印机没有接受：%s"),
                          JoinChoices(differ).c_str()));
    }
    PrintLabelSettings(c, r.read.settings, "label set");
}

void Reset(Context& c, const ParsedArgs& a) {
    RequireLabelModel(c);
    CPrinterPort port;
    PortSettings copy = c.settings;
    const LabelReadResult r =
        ResetLabelSettings(port, copy, RunAdopter(c, !a.Has("no-save")), StopToken());
    RequireOutcome(c, r.exchange, port, ExchangeOutcome::Reply);
    PrintLabelSettings(c, r.settings, "label reset");
}

void OneWay(Context& c, LabelRequest request, const std::string& words) {
    RequireLabelModel(c);
    CPrinterPort port;
    RequireOutcome(c, SendLabelCommand(port, c.settings, request), port, ExchangeOutcome::Sent);
    ReportSent(c, words, static_cast<int>(BuildLabelRequest(request).size()));
}

struct InfoItem {
    LabelRequest request;
    const char* key;
    const char* english;
    const char* chinese;
};

const InfoItem kInfo[] = {
    {LabelRequest::GetSerialNumber, "serialNumber", "Serial Number:", "序列号:"},
    {LabelRequest::GetFirmwareVersion, "firmwareVersion", "Firmware Version:", "固件版本:"},
    {LabelRequest::GetStatistics, "headMileage", "Mileage of Print Head:", "打印头里程:"},
};

std::string ReadText(const Context& c, LabelRequest request) {
    CPrinterPort port;
    std::string text;
    RequireOutcome(
        c, ReadLabelText(port, c.settings, request, SystemDefaultLanguageId(), text, StopToken()),
        port, ExchangeOutcome::Reply);
    return text;
}

void Info(Context& c, const std::vector<const InfoItem*>& items, const std::string& words) {
    RequireLabelModel(c);
    Json doc = OkDocument(words);
    for (const InfoItem* item : items) {
        const std::string text = ReadText(c, item->request);
        if (c.json)
            doc.Set(item->key, text);
        else if (items.size() == 1)
            PrintLine(text);
        else
            PrintLine(Column(L(item->english, item->chinese), 24) + " " +
                      std::string(text.c_str()));
    }
    if (c.json)
        PrintJson(doc);
}

std::string SetDetails() {
    std::string out =
        L("Settings (NAME=VALUE; list entries in English or Chinese, offsets in mm):\n",
          "设置项（名称=值；列表项可用英文或中文，偏移量单位为 mm）：\n");
    const int lang = MessageLanguage();
    for (int i = 0; i < LABEL_SETTING_COUNT; ++i) {
        if (i == LS_PRINT_WIDTH)
            continue;
        std::string values;
        if (IsLabelEditSetting(i)) {
            const IntRange r = LabelEditRange(i);
            values = Format("%d ... %d", r.min, r.max);
        } else if (i == LS_EMULATION) {
            values = L("ZPL | EPL | TSPL (ESC/POS too for the Chinese 200 DPI model)",
                       "ZPL | EPL | TSPL（中文 200DPI 型号另有 ESC/POS）");
        } else {
            values = JoinChoices(LabelChoices(i, lang));
        }
        out += Format("  %-26s %s\n", LabelSettingKey(i).c_str(), values.c_str());
    }
    return out;
}

} // namespace

void AddLabelCommands(std::vector<Command>& list) {
    list.push_back({"label get",
                    "",
                    "read all settings of a label printer",
                    "读取标签打印机的全部设置",
                    {kNoSave, SAVE_PROFILE_OPTION},
                    0,
                    0,
                    Get,
                    {}});
    list.push_back({"label set",
                    SET_SYNOPSIS,
                    "write settings (in the printer's order; nothing is sent if one is invalid)",
                    "写入设置（按打印机的顺序；任何一项无效则什么都不发送）",
                    {{"verify", nullptr, "read the settings back and compare", "写入后读回并比较"},
                     kNoSave,
                     NONE_OPTION},
                    0,
                    MANY,
                    Set,
                    SetDetails});
    list.push_back({"label reset",
                    "",
                    "reset to factory settings, then read them back",
                    "恢复出厂设置，然后读回",
                    {kNoSave},
                    0,
                    0,
                    Reset,
                    {}});
    list.push_back({"label calibrate",
                    "",
                    "calibrate the label",
                    "标签校准",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) {
                        OneWay(c, LabelRequest::Calibrate, "label calibrate");
                    },
                    {}});
    list.push_back(
        {"label selftest",
         "",
         "print the self-test page",
         "打印自检页",
         {},
         0,
         0,
         [](Context& c, const ParsedArgs&) { OneWay(c, LabelRequest::SelfTest, "label selftest"); },
         {}});
    list.push_back({"label serial",
                    "",
                    "read the serial number",
                    "读取序列号",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) { Info(c, {&kInfo[0]}, "label serial"); },
                    {}});
    list.push_back({"label version",
                    "",
                    "read the firmware version",
                    "读取固件版本",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) { Info(c, {&kInfo[1]}, "label version"); },
                    {}});
    list.push_back({"label mileage",
                    "",
                    "read the print-head mileage",
                    "读取打印头里程",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) { Info(c, {&kInfo[2]}, "label mileage"); },
                    {}});
    list.push_back({"label info",
                    "",
                    "read serial number, firmware version and mileage",
                    "读取序列号、固件版本和打印头里程",
                    {},
                    0,
                    0,
                    [](Context& c, const ParsedArgs&) {
                        Info(c, {&kInfo[0], &kInfo[1], &kInfo[2]}, "label info");
                    },
                    {}});
}

} // namespace printune::cli
