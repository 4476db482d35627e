// receipt ...: the receipt printers' internal settings.
#include "base/language.h"
#include "command.h"
#include "context.h"
#include "exchange_io.h"
#include "failure.h"
#include "output.h"
#include "port/models.h"
#include "port/printer_port.h"
#include "profile_file.h"
#include "setting_values.h"
#include "settings/receipt_commands.h"
#include "settings/receipt_operations.h"
#include "settings/receipt_status.h"
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

bool HasCutterSwitch(const Context& c) {
    return ReceiptModelHasCutter(c.modelPosition);
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

SerialLine LineOf(const PortSettings& s) {
    return {s.baudrate, s.paritySetup, s.stopBit, s.dataBit, s.flowControl};
}

// The engine's read or restore has ended: a failure ends the run, a reply's
// serial values go into the run's settings (and the file unless --no-save).
ReceiptSettings Finish(Context& c, const ReceiptReadResult& r, const CPrinterPort& port,
                       const PortSettings& copy, bool save) {
    RequireOutcome(c, r.exchange, port, ExchangeOutcome::Reply);
    AdoptSerialLine(c, LineOf(copy), save);
    return r.settings;
}

ReceiptSettings ReadSettings(Context& c, bool save) {
    CPrinterPort port;
    PortSettings copy = c.settings;
    const ReceiptReadResult r = ReadReceiptSettings(port, copy, StopToken());
    return Finish(c, r, port, copy, save);
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
        if (!IsReceiptDistanceText(value))
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
    const ReceiptSettings settings = ReadSettings(c, !a.Has("no-save"));
    if (a.Has(SAVE_PROFILE_OPTION.name))
        SaveReceiptProfile(c, settings, a.Get(SAVE_PROFILE_OPTION.name));
    PrintReceiptSettings(c, settings, "receipt get");
}

void Set(Context& c, const ParsedArgs& a) {
    CheckSetArguments("receipt set", a);
    RequireReceiptModel(c);
    std::vector<std::pair<int, LabelValue>> values;
    for (const std::string& argument : a.positional)
        values.push_back(CheckAssignment(c, argument));
    const Bytes request = BuildReceiptSetRequest(values);
    CPrinterPort port;
    RequireOutcome(c, SendReceiptSettings(port, c.settings, request), port, ExchangeOutcome::Sent);
    ReportSent(c, "receipt set", static_cast<long long>(request.size()));
}

void Restore(Context& c, const ParsedArgs& a) {
    RequireReceiptModel(c);
    const bool save = !a.Has("no-save");
    CPrinterPort port;
    PortSettings copy = c.settings;
    const ReceiptReadResult r = RestoreReceiptSettings(
        port, copy, [&](const PortSettings& line) { AdoptSerialLine(c, LineOf(line), save); },
        StopToken());
    PrintReceiptSettings(c, Finish(c, r, port, copy, save), "receipt restore");
}

const OptionSpec kWatch = {"watch", nullptr, "ask again every second until interrupted",
                           "每秒重新查询，直到中断"};

std::string ConditionWords(ReceiptCondition condition) {
    switch (condition) {
    case ReceiptCondition::PaperNearEnd:
        return L("paper near end", "纸将尽");
    case ReceiptCondition::PaperEnd:
        return L("paper end", "缺纸");
    case ReceiptCondition::CoverOpen:
        return L("cover open", "上盖打开");
    case ReceiptCondition::CutterError:
        return L("cutter error", "切刀错误");
    case ReceiptCondition::Offline:
    default:
        return L("off-line", "脱机");
    }
}

const char* ConditionKey(ReceiptCondition condition) {
    static const char* const kKeys[RECEIPT_CONDITION_COUNT] = {
        "paperNearEnd", "paperEnd", "coverOpen", "cutterError", "offline"};
    return kKeys[static_cast<int>(condition)];
}

std::string StatusLine(const ReceiptStatus& status) {
    std::string words;
    if (!status.Known())
        words = L("unknown", "未知");
    for (ReceiptCondition condition : status.Conditions())
        words += (words.empty() ? "" : L(", ", "、")) + ConditionWords(condition);
    if (words.empty())
        words = L("ready", "就绪");
    return L("Printer status: ", "打印机状态：") + words;
}

void PrintStatus(const Context& c, const ReceiptStatus& status) {
    if (!c.json) {
        PrintLine(StatusLine(status));
        return;
    }
    Json doc = OkDocument("receipt status");
    doc.Set("known", status.Known());
    Json conditions = Json::Object();
    for (int i = 0; i < RECEIPT_CONDITION_COUNT; ++i) {
        const auto condition = static_cast<ReceiptCondition>(i);
        const std::optional<bool> has = status.Has(condition);
        conditions.Set(ConditionKey(condition), has ? Json(*has) : Json());
    }
    doc.Set("conditions", std::move(conditions));
    Json bytes = Json::Array();
    if (status.bytes)
        for (uint8_t b : *status.bytes)
            bytes.Push(static_cast<int>(b));
    doc.Set("bytes", status.bytes ? std::move(bytes) : Json());
    PrintJson(doc);
}

// One inquiry, or with --watch one a second until Ctrl-C, where every round
// is shown ("unknown" included) and port failures are only messages.
void Status(Context& c, const ParsedArgs& a) {
    RequireReceiptModel(c);
    const bool watch = a.Has("watch");
    do {
        CPrinterPort port;
        const ReceiptStatusResult r = ReadReceiptStatus(port, c.settings, StopToken());
        if (r.exchange.outcome == ExchangeOutcome::Stopped)
            break;
        const ExchangeOutcome outcome = r.exchange.outcome;
        if (outcome != ExchangeOutcome::Reply && outcome != ExchangeOutcome::TimedOut) {
            try {
                RequireOutcome(c, r.exchange, port, ExchangeOutcome::Reply);
            } catch (const Failure& failure) {
                if (!watch)
                    throw;
                PrintMessage(failure.message);
            }
        }
        // Without --watch an unknown status ends the run as a time-out: with
        // --json the failure document is the one document printed.
        if (!r.status.Known() && !watch) {
            if (!c.json)
                PrintStatus(c, r.status);
            ThrowTimeout();
        }
        PrintStatus(c, r.status);
    } while (watch && SleepUnlessStopped(1000));
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
                    {kNoSave, SAVE_PROFILE_OPTION},
                    0,
                    0,
                    Get,
                    {}});
    list.push_back({"receipt set",
                    SET_SYNOPSIS,
                    "write settings (nothing is sent if one is invalid)",
                    "写入设置（任何一项无效则什么都不发送）",
                    {NONE_OPTION},
                    0,
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
    list.push_back({"receipt status",
                    "",
                    "ask a receipt printer for its real-time status",
                    "查询票据打印机的实时状态",
                    {kWatch},
                    0,
                    0,
                    Status,
                    {}});
}

} // namespace printune::cli
