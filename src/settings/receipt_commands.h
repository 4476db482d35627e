#pragma once
// The receipt printers' (HT models) settings: the get, restore and set
// requests, the 100-byte reply, and the distance encoding in 1/144 inch.
// The frame and the get request are those of the label command set.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "settings/label_commands.h"

namespace printune {

enum ReceiptSetting : int {
    RS_PRINTER_LANGUAGE = 0,
    RS_CUTTER_SWITCH = 1,
    RS_PAPER_WIDE = 2,
    RS_PRINTING_DIRECTION = 3,
    RS_PAPER_TYPE = 4,
    RS_BLACK_MARK = 5,
    RS_MARK_TO_HOME = 6,
    RS_MARK_TO_CUTTER = 7,
};
inline constexpr int RECEIPT_SETTING_COUNT = 8;
inline constexpr int RECEIPT_REPLY_SIZE = 100;
inline constexpr int RECEIPT_SERIAL_OFFSET = 2;

const SettingWire& ReceiptWire(int setting);
bool IsReceiptDistanceSetting(int setting);

// The get-settings request (the label printers' one).
Bytes BuildReceiptGetRequest();
// Restore factory settings, also setting the printer's language: LL is 01
// when the settings copy's language text is "Chinese", else 00.
Bytes BuildReceiptRestoreRequest(const std::string& language);

// Lists: choice is the list position (-1: none, left out of the request).
// Distances: text in millimetres.
using ReceiptValue = LabelValue;

// Millimetre text → signed 1/144 inch, rounded half away from zero.
int16_t MillimetresToInch144(const std::string& text);
// 1/144 inch → millimetre text with one decimal.
std::string Inch144ToMillimetres(int16_t units);

Bytes EncodeReceiptValue(int setting, const ReceiptValue& value);
// The set commands of the given settings in ascending number inside the
// frame; the bare frame when there is nothing to send.
Bytes BuildReceiptSetRequest(const std::vector<std::pair<int, ReceiptValue>>& settings);

// The receipt printers' serial-line byte: parity codes 1 "Even", 2 "Odd"
// (swapped against the label printers) and the flow-control bit; code 3
// keeps currentParity as the label printers' byte does.
SerialLine DecodeReceiptSerialByte(uint8_t byte, const std::string& currentParity);

struct ReceiptSettings {
    // Lists: position, or -1 when the reply byte is not a valid position
    // (the page leaves that list as it is). Distances: millimetre text.
    std::array<LabelValue, RECEIPT_SETTING_COUNT> values;
    SerialLine serial;
};
ReceiptSettings DecodeReceiptSettingsReply(const Bytes& reply, const std::string& currentParity);

// Page labels, keys for scripts and list entries in the language 1033/2052.
std::string ReceiptSettingLabel(int setting, int languageId);
std::string ReceiptSettingKey(int setting);
int ReceiptSettingFromKey(const std::string& key);
std::vector<std::string> ReceiptChoices(int setting, int languageId);

// The distance edit check of the receipt page.
struct DistanceCheck {
    enum Outcome {
        Accepted,   // set the change mark
        NotInteger, // "Input integer please.": the last character was removed
        Corrected,  // "The value is too large!": the text is the bound
    };
    Outcome outcome = Accepted;
    std::string text;
};
IntRange ReceiptDistanceRange(int setting);
DistanceCheck CheckReceiptDistance(int setting, const std::string& text);

// Whether a distance text given whole (by a script rather than typed) is one
// the page keeps: exactly one "+" or "-", which reads as 0, or a decimal
// number of millimetres (sign, digits, an optional fraction).
bool IsReceiptDistanceText(const std::string& text);

} // namespace printune
