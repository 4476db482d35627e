#include "settings/receipt_commands.h"

#include <algorithm>

#include "base/language.h"
#include "base/value_text.h"
#include "settings/setting_tables.h"

namespace printune {

namespace {

constexpr SettingWire kWire[RECEIPT_SETTING_COUNT] = {
    {0x16, 1, 0},  // 0 Printer Language
    {0x34, 1, 3},  // 1 Cutter Switch
    {0x38, 1, 13}, // 2 Paper Wide
    {0x3A, 1, 11}, // 3 Printing Direction
    {0x25, 1, 12}, // 4 Paper type
    {0x22, 1, 4},  // 5 Black Mark
    {0x2C, 2, 5},  // 6 Black Mark to Home
    {0x2D, 2, 7},  // 7 Black Mark to Cutter
};

constexpr detail::SettingText kText[RECEIPT_SETTING_COUNT] = {
    {"printer-language", "Printer Language", "打印机语言"},
    {"cutter-switch", "Cutter Switch", "切刀开关"},
    {"paper-wide", "Paper Wide", "纸宽"},
    {"printing-direction", "Printing Direction", "打印方向"},
    {"paper-type", "Paper type", "纸张类型"},
    {"black-mark", "Black Mark", "黑标"},
    {"mark-to-home", "Black Mark to Home", "黑标到起始位置"},
    {"mark-to-cutter", "Black Mark to Cutter", "黑标到切刀位置"},
};

bool ValidSetting(int setting) {
    return setting >= 0 && setting < RECEIPT_SETTING_COUNT;
}

int ListSize(int setting) {
    if (IsReceiptDistanceSetting(setting))
        return 0;
    return setting == RS_PAPER_WIDE ? 3 : 2;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

const SettingWire& ReceiptWire(int setting) {
    return kWire[std::clamp(setting, 0, RECEIPT_SETTING_COUNT - 1)];
}

bool IsReceiptDistanceSetting(int setting) {
    return setting == RS_MARK_TO_HOME || setting == RS_MARK_TO_CUTTER;
}

Bytes BuildReceiptGetRequest() {
    return BuildLabelRequest(LabelRequest::GetSettings);
}

Bytes BuildReceiptRestoreRequest(const std::string& language) {
    Bytes out = FrameCommands({0x1B, 0x16, static_cast<uint8_t>(language == "Chinese" ? 1 : 0)});
    out.insert(out.end(), {0x1D, 0x10, 0x01});
    return out;
}

int16_t MillimetresToInch144(const std::string& text) {
    // The printer's own rounding steps, kept as they are: the remainder of
    // the truncated tenth-millimetre value decides the rounding of the
    // unrounded quotient.
    double m = ParseLeadingDouble(text);
    double t = m * 1440.0;
    int64_t a = TruncateToInt64(t);
    double q = t / 254.0;
    int64_t r = a % 254;
    if (r >= 127)
        q += 1;
    else if (r <= -127)
        q -= 1;
    return static_cast<int16_t>(
        static_cast<uint16_t>(static_cast<uint64_t>(TruncateToInt64(q)) & 0xFFFF));
}

std::string Inch144ToMillimetres(int16_t units) {
    return FormatFixed(units / 144.0 * 25.4, 1);
}

Bytes EncodeReceiptValue(int setting, const ReceiptValue& value) {
    if (!ValidSetting(setting))
        return {};
    if (IsReceiptDistanceSetting(setting)) {
        auto u = static_cast<uint16_t>(MillimetresToInch144(value.text));
        return {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)};
    }
    if (value.choice < 0 || value.choice >= ListSize(setting))
        return {};
    return {static_cast<uint8_t>(value.choice)};
}

Bytes BuildReceiptSetRequest(const std::vector<std::pair<int, ReceiptValue>>& settings) {
    return detail::BuildFramedSetCommands(settings, RECEIPT_SETTING_COUNT, kWire,
                                          EncodeReceiptValue);
}

SerialLine DecodeReceiptSerialByte(uint8_t byte) {
    static const char* const kParity[3] = {"None", "Even", "Odd"};
    // Bits 0-2, 6 and 7 mean what they mean in the label printers' byte.
    SerialLine line = DecodeLabelSerialByte(byte);
    int parity = (byte >> 4) & 0x03;
    line.paritySetup = parity < 3 ? kParity[parity] : "";
    line.flowControl = (byte & 0x08) ? "Xon/Xoff" : "DTR";
    return line;
}

ReceiptSettings DecodeReceiptSettingsReply(const Bytes& reply) {
    ReceiptSettings out;
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        const SettingWire& w = kWire[s];
        LabelValue& v = out.values[static_cast<size_t>(s)];
        if (IsReceiptDistanceSetting(s)) {
            auto d = static_cast<int16_t>(detail::Le16At(reply, w.replyOffset));
            v.text = Inch144ToMillimetres(d);
        } else {
            int b = detail::ByteAt(reply, w.replyOffset);
            v.choice = b < ListSize(s) ? b : -1;
        }
    }
    out.serial = DecodeReceiptSerialByte(detail::ByteAt(reply, RECEIPT_SERIAL_OFFSET));
    return out;
}

std::string ReceiptSettingLabel(int setting, int languageId) {
    return detail::SettingLabel(kText, RECEIPT_SETTING_COUNT, setting, languageId);
}

std::string ReceiptSettingKey(int setting) {
    return detail::SettingKey(kText, RECEIPT_SETTING_COUNT, setting);
}

int ReceiptSettingFromKey(const std::string& key) {
    return detail::SettingFromKey(kText, RECEIPT_SETTING_COUNT, key);
}

std::vector<std::string> ReceiptChoices(int setting, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    switch (setting) {
    case RS_PRINTER_LANGUAGE:
        return zh ? std::vector<std::string>{"英文", "中文"}
                  : std::vector<std::string>{"English", "Chinese"};
    case RS_CUTTER_SWITCH:
    case RS_BLACK_MARK:
        return zh ? std::vector<std::string>{"关闭", "打开"}
                  : std::vector<std::string>{"Off", "On"};
    case RS_PAPER_WIDE:
        return {"76mm", "69mm", "57mm"};
    case RS_PRINTING_DIRECTION:
        return zh ? std::vector<std::string>{"单向", "双向"}
                  : std::vector<std::string>{"Unidirectional", "Bidirectional"};
    case RS_PAPER_TYPE:
        return zh ? std::vector<std::string>{"一联&二联", "三联"}
                  : std::vector<std::string>{"Single", "Multipart"};
    default:
        return {};
    }
}

IntRange ReceiptDistanceRange(int setting) {
    return {setting == RS_MARK_TO_CUTTER ? -54 : -35, 5766};
}

DistanceCheck CheckReceiptDistance(int setting, const std::string& text) {
    const bool loneSign = text == "-" || text == "+";
    if (text.empty() || (!IsDigit(text.back()) && !loneSign)) {
        // Remove the whole last character, not just its last UTF-8 byte.
        std::string kept = text;
        while (!kept.empty() && (static_cast<unsigned char>(kept.back()) & 0xC0) == 0x80)
            kept.pop_back();
        if (!kept.empty())
            kept.pop_back();
        return {DistanceCheck::NotInteger, kept};
    }
    IntRange r = ReceiptDistanceRange(setting);
    int64_t v = ParseLeadingInt(text);
    if (v > r.max)
        return {DistanceCheck::Corrected, std::to_string(r.max)};
    if (v < r.min)
        return {DistanceCheck::Corrected, std::to_string(r.min)};
    return {DistanceCheck::Accepted, text};
}

} // namespace printune
