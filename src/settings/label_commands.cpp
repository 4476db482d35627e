#include "settings/label_commands.h"

#include <algorithm>

#include "base/language.h"
#include "base/narrow_text.h"
#include "base/value_text.h"
#include "port/models.h"
#include "settings/setting_tables.h"

namespace printune {

namespace {

constexpr SettingWire kWire[LABEL_SETTING_COUNT] = {
    {0x27, 1, 28}, // 0 Page Mode
    {0x25, 1, 26}, // 1 Print Media
    {0x2A, 1, 37}, // 2 Peeler
    {0x26, 1, 27}, // 3 Print Method
    {0x2B, 1, 17}, // 4 Paper Out Detection
    {0x29, 1, 36}, // 5 Print Density
    {0x16, 1, 9},  // 6 Printer Language
    {0x24, 1, 15}, // 7 Emulation
    {0x2F, 1, 19}, // 8 Auto Calibrate Label
    {0x30, 1, 35}, // 9 Print Speed
    {0x22, 1, 13}, // 10 Top Form Sensing
    {0x2C, 2, 38}, // 11 Print Home Offset
    {0x2D, 2, 40}, // 12 Cutting Position Offset
    {0x34, 1, 8},  // 13 Cut Mode
    {0x32, 1, 11}, // 14 Print Position Detection
    {0x28, 2, 33}, // 15 Black Mark AD value
    {0x38, 1, 12}, // 16 Paper sensor selection
    {0x1F, 1, 48}, // 17 Print Left Offset
    {0x20, 1, 47}, // 18 Print Width
};

constexpr detail::SettingText kSettingText[LABEL_SETTING_COUNT] = {
    {"page-mode", "Page Mode:", "页模式:"},
    {"print-media", "Print Media:", "打印介质:"},
    {"peeler", "Peeler:", "剥离器:"},
    {"print-method", "Print Method:", "打印方式:"},
    {"paper-out-detection", "Paper Out Detection:", "缺纸检测:"},
    {"print-density", "Print Density:", "打印浓度:"},
    {"printer-language", "Printer Language:", "打印机语言:"},
    {"emulation", "Emulation:", "仿真指令:"},
    {"auto-calibrate", "Auto Calibrate Label:", "自动校验标签:"},
    {"print-speed", "Print Speed:", "打印速度:"},
    {"top-form-sensing", "Top Form Sensing:", "页首检测:"},
    {"home-offset", "Print Home Offset:", "打印起始偏移:"},
    {"cut-offset", "Cutting Position Offset:", "切纸位置偏移:"},
    {"cut-mode", "Cut Mode:", "切纸模式:"},
    {"position-detection", "Print Position Detection:", "打印位置检测:"},
    {"black-mark-ad", "Black Mark AD value:", "黑标AD值:"},
    {"paper-sensor", "Paper sensor selection:", "纸张传感器选择:"},
    {"left-offset", "Print Left Offset:", "打印左偏移:"},
    {"print-width", "Print Width:", "打印宽度:"},
};

const char* const kBaud[8] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

bool ValidSetting(int setting) {
    return setting >= 0 && setting < LABEL_SETTING_COUNT;
}

// Number of entries of a list setting (0 for edits and Emulation, whose
// list depends on the settings copy).
int ListSize(int setting) {
    switch (setting) {
    case LS_PRINT_DENSITY:
        return 6;
    case LS_PRINT_SPEED:
        return 4;
    case LS_EMULATION:
        return 0;
    default:
        return IsLabelEditSetting(setting) ? 0 : 2;
    }
}

void PutLow16(Bytes& out, int64_t v) {
    uint16_t u = static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFF);
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
}

} // namespace

Bytes FrameCommands(const Bytes& body) {
    Bytes out;
    out.reserve(body.size() + 6);
    for (uint8_t b : FRAME_OPEN)
        out.push_back(b);
    for (uint8_t b : body)
        out.push_back(b);
    for (uint8_t b : FRAME_CLOSE)
        out.push_back(b);
    return out;
}

Bytes BuildLabelRequest(LabelRequest kind) {
    switch (kind) {
    case LabelRequest::GetSettings:
        return FrameCommands({0x1B, 0x33, 0x00});
    case LabelRequest::FactoryReset:
        return FrameCommands({0x1B, 0x60, 0x01});
    case LabelRequest::Calibrate:
        return FrameCommands({0x1B, 0x3D, 0x01});
    case LabelRequest::GetSerialNumber:
        return FrameCommands({0x1B, 0x19, 0x01});
    case LabelRequest::GetFirmwareVersion:
        return FrameCommands({0x1B, 0x1A, 0x01});
    case LabelRequest::GetStatistics:
        return FrameCommands({0x1B, 0x18, 0x01});
    case LabelRequest::SelfTest:
        return {0x1B, 0x0D, 0x4C};
    }
    return {};
}

bool LabelRequestHasReply(LabelRequest kind) {
    return kind == LabelRequest::GetSettings || kind == LabelRequest::GetSerialNumber ||
           kind == LabelRequest::GetFirmwareVersion || kind == LabelRequest::GetStatistics;
}

const SettingWire& LabelWire(int setting) {
    return kWire[std::clamp(setting, 0, LABEL_SETTING_COUNT - 1)];
}

bool IsLabelEditSetting(int setting) {
    return setting == LS_HOME_OFFSET || setting == LS_CUT_OFFSET || setting == LS_BLACK_MARK_AD ||
           setting == LS_LEFT_OFFSET || setting == LS_PRINT_WIDTH;
}

Bytes EncodeLabelValue(int setting, const LabelValue& value) {
    if (!ValidSetting(setting))
        return {};
    Bytes out;
    switch (setting) {
    case LS_HOME_OFFSET:
    case LS_CUT_OFFSET:
        // 8 units per millimetre on every model, truncated toward zero.
        PutLow16(out, TruncateToInt64(ParseLeadingDouble(value.text) * 8.0));
        return out;
    case LS_BLACK_MARK_AD:
        PutLow16(out, ParseLeadingInt(value.text));
        return out;
    case LS_LEFT_OFFSET: {
        int64_t v = ParseLeadingInt(value.text);
        int64_t code = v < 0 ? 80 - v : v;
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(code) & 0xFF));
        return out;
    }
    case LS_PRINT_WIDTH:
        out.push_back(
            static_cast<uint8_t>(static_cast<uint64_t>(ParseLeadingInt(value.text)) & 0xFF));
        return out;
    case LS_EMULATION:
        if (value.choice < 0 || value.choice > 3)
            return {};
        out.push_back(static_cast<uint8_t>(value.choice));
        return out;
    case LS_PRINT_SPEED:
        if (value.choice < 0 || value.choice >= ListSize(setting))
            return {};
        out.push_back(static_cast<uint8_t>(value.choice + 1));
        return out;
    default:
        if (value.choice < 0 || value.choice >= ListSize(setting))
            return {};
        out.push_back(static_cast<uint8_t>(value.choice));
        return out;
    }
}

Bytes BuildSetSettingsRequest(const std::vector<std::pair<int, LabelValue>>& settings) {
    return detail::BuildFramedSetCommands(settings, LABEL_SETTING_COUNT, kWire, EncodeLabelValue);
}

void ApplySerialLine(PortSettings& settings, const SerialLine& line) {
    if (!line.baudrate.empty())
        settings.baudrate = line.baudrate;
    if (!line.paritySetup.empty())
        settings.paritySetup = line.paritySetup;
    if (!line.stopBit.empty())
        settings.stopBit = line.stopBit;
    if (!line.dataBit.empty())
        settings.dataBit = line.dataBit;
    if (!line.flowControl.empty())
        settings.flowControl = line.flowControl;
}

SerialLine DecodeLabelSerialByte(uint8_t byte) {
    static const char* const kParity[3] = {"None", "Odd", "Even"};
    SerialLine line;
    line.baudrate = kBaud[byte & 0x07];
    int parity = (byte >> 4) & 0x03;
    if (parity < 3)
        line.paritySetup = kParity[parity];
    line.stopBit = (byte & 0x40) ? "2" : "1";
    line.dataBit = (byte & 0x80) ? "7" : "8";
    return line;
}

LabelSettings DecodeLabelSettingsReply(const Bytes& reply) {
    LabelSettings out;
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        const SettingWire& w = kWire[s];
        LabelValue& v = out.values[static_cast<size_t>(s)];
        const auto signedByte = static_cast<int8_t>(detail::ByteAt(reply, w.replyOffset));
        switch (s) {
        case LS_HOME_OFFSET:
        case LS_CUT_OFFSET:
            v.text =
                FormatFixed(static_cast<int16_t>(detail::Le16At(reply, w.replyOffset)) * 0.125, 2);
            break;
        case LS_BLACK_MARK_AD:
            v.text = std::to_string(detail::Le16At(reply, w.replyOffset));
            break;
        case LS_PRINT_WIDTH:
            v.text = std::to_string(static_cast<int>(signedByte));
            break;
        case LS_LEFT_OFFSET: {
            int b = detail::ByteAt(reply, w.replyOffset);
            v.text = std::to_string(b <= 80 ? b : 80 - b);
            break;
        }
        case LS_EMULATION:
            v.choice = signedByte;
            break;
        case LS_PRINT_SPEED:
            v.choice = signedByte - 1;
            if (v.choice < 0 || v.choice >= ListSize(s))
                v.choice = -1;
            break;
        default:
            v.choice = signedByte;
            if (v.choice < 0 || v.choice >= ListSize(s))
                v.choice = -1;
            break;
        }
    }
    out.serial = DecodeLabelSerialByte(detail::ByteAt(reply, LABEL_SERIAL_OFFSET));
    return out;
}

std::string DecodeTextReply(const Bytes& reply, int systemLanguageId) {
    size_t n = std::min<size_t>(reply.size(), 1024);
    auto zero = std::find(reply.begin(), reply.begin() + static_cast<long>(n), 0);
    return NarrowToUtf8(std::string(reply.begin(), zero), systemLanguageId);
}

std::vector<int> EmulationCodes(const std::string& language, const std::string& printerModel) {
    if (language == "Chinese" && printerModel == ModelName(1, LANG_CHINESE))
        return {0, 1, 2, 3};
    return {1, 2, 3};
}

std::vector<std::string> EmulationEntries(const std::string& language,
                                          const std::string& printerModel) {
    std::vector<std::string> names;
    for (int code : EmulationCodes(language, printerModel))
        names.push_back(EmulationName(code));
    return names;
}

int EmulationPosition(int code, const std::vector<int>& codes) {
    auto it = std::find(codes.begin(), codes.end(), code);
    return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
}

std::string EmulationName(int code) {
    static const char* const kNames[4] = {"ESC/POS", "ZPL", "EPL", "TSPL"};
    return code >= 0 && code < 4 ? kNames[code] : std::string();
}

std::string LabelSettingLabel(int setting, int languageId) {
    return detail::SettingLabel(kSettingText, LABEL_SETTING_COUNT, setting, languageId);
}

std::string LabelSettingKey(int setting) {
    return detail::SettingKey(kSettingText, LABEL_SETTING_COUNT, setting);
}

int LabelSettingFromKey(const std::string& key) {
    return detail::SettingFromKey(kSettingText, LABEL_SETTING_COUNT, key);
}

std::vector<std::string> LabelChoices(int setting, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    switch (setting) {
    case LS_PRINT_MEDIA:
        return zh ? std::vector<std::string>{"标签纸", "连续纸"}
                  : std::vector<std::string>{"Label Paper", "Continuous Paper"};
    case LS_PRINT_METHOD:
        return zh ? std::vector<std::string>{"热转印", "热敏"}
                  : std::vector<std::string>{"Thermal Transfer", "Direct Thermal"};
    case LS_PRINTER_LANGUAGE:
        return zh ? std::vector<std::string>{"英文", "中文"}
                  : std::vector<std::string>{"English", "Chinese"};
    case LS_PAPER_SENSOR:
        return zh ? std::vector<std::string>{"反射传感器", "间隙传感器"}
                  : std::vector<std::string>{"Reflective sensor", "Gap sensor"};
    case LS_PRINT_DENSITY:
        return {"1", "2", "3", "4", "5", "6"};
    case LS_PRINT_SPEED:
        return {"1", "2", "3", "4"};
    case LS_EMULATION:
        return {};
    default:
        if (!ValidSetting(setting) || IsLabelEditSetting(setting))
            return {};
        return zh ? std::vector<std::string>{"关闭", "打开"}
                  : std::vector<std::string>{"Off", "On"};
    }
}

IntRange LabelEditRange(int setting) {
    switch (setting) {
    case LS_LEFT_OFFSET:
        return {-80, 80};
    case LS_PRINT_WIDTH:
        return {0, 108};
    default:
        return {-4095, 4095};
    }
}

EditCheck CheckLabelEdit(int setting, const std::string& text) {
    IntRange r = LabelEditRange(setting);
    int64_t v = ParseLeadingInt(text);
    if (v > r.max)
        return {std::to_string(r.max), true};
    if (v < r.min)
        return {std::to_string(r.min), true};
    return {text, false};
}

} // namespace printune
