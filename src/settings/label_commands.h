#pragma once
// The label printers' private settings command set: the fixed requests, the
// set-settings request, value encodings and the decoding of the settings and
// text replies. Pure functions over bytes; the exchange with the printer is
// in exchange.h.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "port/port_settings.h"

namespace printune {

using Bytes = std::vector<uint8_t>;

// The settings frame around every request except the self-test.
inline constexpr uint8_t FRAME_OPEN[3] = {0x1B, 0x0D, 0x53};
inline constexpr uint8_t FRAME_CLOSE[3] = {0x1B, 0x10, 0x45};

// Wraps one or more commands in the settings frame.
Bytes FrameCommands(const Bytes& body);

enum class LabelRequest {
    GetSettings,
    FactoryReset,
    Calibrate,
    GetSerialNumber,
    GetFirmwareVersion,
    GetStatistics, // print-head mileage
    SelfTest,      // the one request without the frame
};

// The complete bytes of a fixed request.
Bytes BuildLabelRequest(LabelRequest kind);
// Whether the printer answers the request (and the caller should wait).
bool LabelRequestHasReply(LabelRequest kind);

// Setting numbers; the set-settings request always carries them in this
// order.
enum LabelSetting : int {
    LS_PAGE_MODE = 0,
    LS_PRINT_MEDIA = 1,
    LS_PEELER = 2,
    LS_PRINT_METHOD = 3,
    LS_PAPER_OUT_DETECTION = 4,
    LS_PRINT_DENSITY = 5,
    LS_PRINTER_LANGUAGE = 6,
    LS_EMULATION = 7,
    LS_AUTO_CALIBRATE = 8,
    LS_PRINT_SPEED = 9,
    LS_TOP_FORM_SENSING = 10,
    LS_HOME_OFFSET = 11,
    LS_CUT_OFFSET = 12,
    LS_CUT_MODE = 13,
    LS_POSITION_DETECTION = 14,
    LS_BLACK_MARK_AD = 15,
    LS_PAPER_SENSOR = 16,
    LS_LEFT_OFFSET = 17,
    LS_PRINT_WIDTH = 18,
};
inline constexpr int LABEL_SETTING_COUNT = 19;

// Where each setting lives on the wire.
struct SettingWire {
    uint8_t command; // the byte after 1B
    int valueSize;   // 1 or 2
    int replyOffset; // first byte in the settings reply
};
const SettingWire& LabelWire(int setting);

// The serial-line parameter byte's offset in the settings reply; the reply
// needs at least LABEL_REPLY_MIN bytes to carry every setting.
inline constexpr int LABEL_SERIAL_OFFSET = 7;
inline constexpr int LABEL_REPLY_MIN = 49;

// Whether a setting is shown as an edit field (text) rather than a list.
bool IsLabelEditSetting(int setting);

// A setting's value as the page holds it. List settings: the position in
// the list shown (-1: no selection), except Emulation, which carries the
// emulation code (see EmulationCodes). Edit settings: the field's text.
struct LabelValue {
    int choice = -1;
    std::string text;

    static LabelValue Choice(int c) { return LabelValue{c, {}}; }
    static LabelValue Text(std::string t) { return LabelValue{-1, std::move(t)}; }
    bool operator==(const LabelValue&) const = default;
};

// The value bytes of one set command (1 or 2 bytes). Empty when a list
// setting has no valid selection: such a setting is left out of the request
// rather than sending the printer a value it never offered.
Bytes EncodeLabelValue(int setting, const LabelValue& value);

// The set-settings request: the given settings in ascending number, each at
// most once (a later duplicate replaces an earlier one), inside the frame.
// With nothing to send it is the bare frame, which is still written.
Bytes BuildSetSettingsRequest(const std::vector<std::pair<int, LabelValue>>& settings);

// Serial-line texts reported by a printer, as PortSettings field texts. An
// empty field leaves the corresponding setting unchanged.
struct SerialLine {
    std::string baudrate;
    std::string paritySetup;
    std::string stopBit;
    std::string dataBit;
    std::string flowControl;
    bool operator==(const SerialLine&) const = default;
};
void ApplySerialLine(PortSettings& settings, const SerialLine& line);

// The label printers' serial-line byte (no flow control in it). Parity code 3
// leaves the parity as it is: the result then carries currentParity, or
// "None" when that is not a parity the settings know.
SerialLine DecodeLabelSerialByte(uint8_t byte, const std::string& currentParity);

struct LabelSettings {
    // Index = setting number. Lists: position or -1 (no selection);
    // Emulation: the emulation code as a signed byte. Edits: decoded text.
    std::array<LabelValue, LABEL_SETTING_COUNT> values;
    SerialLine serial;
};

// Decodes a settings reply. Bytes that did not arrive read as zero, so a
// short reply is decoded, not rejected. currentParity: the settings copy's,
// kept by parity code 3.
LabelSettings DecodeLabelSettingsReply(const Bytes& reply, const std::string& currentParity);

// The text of a serial number, firmware version or statistics reply: the
// bytes up to the first zero (at most 1024), from the system's narrow code
// page (chosen by its default language, see narrow_text.h) to UTF-8.
std::string DecodeTextReply(const Bytes& reply, int systemLanguageId);

// --- Emulation list -------------------------------------------------------

// The emulation codes of the list positions the page shows for the settings
// copy's language text and model name: 0..3 (with "ESC/POS") for Chinese
// and the first label model's Chinese name, otherwise 1..3.
std::vector<int> EmulationCodes(const std::string& language, const std::string& printerModel);
// The entries of that list ("ESC/POS", "ZPL", "EPL", "TSPL").
std::vector<std::string> EmulationEntries(const std::string& language,
                                          const std::string& printerModel);
// Position of a code in the list, -1 when the list has no such code (the
// page then leaves the list as it is).
int EmulationPosition(int code, const std::vector<int>& codes);
// Name of an emulation code, empty when unknown.
std::string EmulationName(int code);

// --- Texts and ranges shared by the page and the command line ---------------

// The page label of a setting ("Page Mode:") in the language 1033 or 2052.
std::string LabelSettingLabel(int setting, int languageId);
// A stable key for scripts ("page-mode"); -1 from the lookup when unknown.
std::string LabelSettingKey(int setting);
int LabelSettingFromKey(const std::string& key);
// The list entries of a list setting in the language (empty for edits;
// Emulation: use EmulationEntries).
std::vector<std::string> LabelChoices(int setting, int languageId);

// Range of an edit setting, checked on the integer part of its text.
struct IntRange {
    int min;
    int max;
};
IntRange LabelEditRange(int setting);

// The edit check of the page: the text parsed as an integer (fraction
// ignored) outside the range is replaced by the bound it passed.
struct EditCheck {
    std::string text;       // the text to keep
    bool corrected = false; // show "The value is too large!"
};
EditCheck CheckLabelEdit(int setting, const std::string& text);

} // namespace printune
