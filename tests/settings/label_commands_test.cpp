#include <gtest/gtest.h>

#include "base/language.h"
#include "base/value_text.h"
#include "hex.h"
#include "settings/label_commands.h"

using namespace printune;

TEST(LabelRequests, FixedRequestBytes) {
    struct Case {
        LabelRequest kind;
        const char* hex;
        bool reply;
    } cases[] = {
        {LabelRequest::GetSettings, "1B 0D 53 1B 33 00 1B 10 45", true},
        {LabelRequest::FactoryReset, "1B 0D 53 1B 60 01 1B 10 45", false},
        {LabelRequest::Calibrate, "1B 0D 53 1B 3D 01 1B 10 45", false},
        {LabelRequest::GetSerialNumber, "1B 0D 53 1B 19 01 1B 10 45", true},
        {LabelRequest::GetFirmwareVersion, "1B 0D 53 1B 1A 01 1B 10 45", true},
        {LabelRequest::GetStatistics, "1B 0D 53 1B 18 01 1B 10 45", true},
        {LabelRequest::SelfTest, "1B 0D 4C", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildLabelRequest(c.kind), Hex(c.hex)) << c.hex;
        EXPECT_EQ(LabelRequestHasReply(c.kind), c.reply) << c.hex;
    }
}

TEST(LabelSetSettings, OrderIsSettingNumberNotChangeOrder) {
    // Cut Mode changed first, then Page Mode: Page Mode still goes first.
    EXPECT_EQ(BuildSetSettingsRequest(
                  {{LS_CUT_MODE, LabelValue::Choice(1)}, {LS_PAGE_MODE, LabelValue::Choice(0)}}),
              Hex("1B 0D 53 1B 27 00 1B 34 01 1B 10 45"));
    EXPECT_EQ(BuildSetSettingsRequest({}), Hex("1B 0D 53 1B 10 45"));
    // A setting named twice is sent once, with its last value.
    EXPECT_EQ(BuildSetSettingsRequest(
                  {{LS_PEELER, LabelValue::Choice(0)}, {LS_PEELER, LabelValue::Choice(1)}}),
              Hex("1B 0D 53 1B 2A 01 1B 10 45"));
}

TEST(LabelSetSettings, EveryCommandInOneRequest) {
    std::vector<std::pair<int, LabelValue>> all;
    for (int s = LABEL_SETTING_COUNT - 1; s >= 0; --s)
        all.push_back({s, IsLabelEditSetting(s) ? LabelValue::Text("1") : LabelValue::Choice(1)});
    EXPECT_EQ(BuildSetSettingsRequest(all),
              Hex("1B 0D 53 1B 27 01 1B 25 01 1B 2A 01 1B 26 01 1B 2B 01 1B 29 01 1B 16 01 "
                  "1B 24 01 1B 2F 01 1B 30 02 1B 22 01 1B 2C 08 00 1B 2D 08 00 1B 34 01 "
                  "1B 32 01 1B 28 01 00 1B 38 01 1B 1F 01 1B 20 01 1B 10 45"));
}

TEST(LabelSetSettings, ListWithoutSelectionIsLeftOut) {
    EXPECT_EQ(BuildSetSettingsRequest({{LS_PAGE_MODE, LabelValue::Choice(-1)},
                                       {LS_PRINT_SPEED, LabelValue::Choice(4)},
                                       {LS_PRINT_DENSITY, LabelValue::Choice(5)}}),
              Hex("1B 0D 53 1B 29 05 1B 10 45"));
}

TEST(LabelEncoding, ValueBytes) {
    struct Case {
        int setting;
        LabelValue value;
        const char* hex;
    } cases[] = {
        {LS_HOME_OFFSET, LabelValue::Text("0.06"), "00 00"}, // 0.48 truncates to 0
        {LS_HOME_OFFSET, LabelValue::Text("12.5"), "64 00"},
        {LS_HOME_OFFSET, LabelValue::Text("-0.3"), "FE FF"},   // -2.4 toward zero
        {LS_HOME_OFFSET, LabelValue::Text("4095.9"), "FF 7F"}, // 32767
        {LS_HOME_OFFSET, LabelValue::Text("mm"), "00 00"},
        {LS_HOME_OFFSET, LabelValue::Text(" +2mm"), "10 00"},
        {LS_CUT_OFFSET, LabelValue::Text("-4095"), "08 80"}, // -32760
        {LS_CUT_OFFSET, LabelValue::Text("1e400"), "FF FF"}, // saturates, low 16 bits
        {LS_BLACK_MARK_AD, LabelValue::Text("4660"), "34 12"},
        {LS_BLACK_MARK_AD, LabelValue::Text("-1"), "FF FF"},
        {LS_BLACK_MARK_AD, LabelValue::Text("abc"), "00 00"},
        {LS_LEFT_OFFSET, LabelValue::Text("-80"), "A0"},
        {LS_LEFT_OFFSET, LabelValue::Text("-1"), "51"},
        {LS_LEFT_OFFSET, LabelValue::Text("80"), "50"},
        {LS_PRINT_WIDTH, LabelValue::Text("108"), "6C"},
        {LS_PRINT_WIDTH, LabelValue::Text("300"), "2C"},
        {LS_PRINT_SPEED, LabelValue::Choice(0), "01"},
        {LS_PRINT_SPEED, LabelValue::Choice(3), "04"},
        {LS_EMULATION, LabelValue::Choice(0), "00"},
        {LS_EMULATION, LabelValue::Choice(3), "03"},
        {LS_EMULATION, LabelValue::Choice(4), ""},
        {LS_PRINT_DENSITY, LabelValue::Choice(6), ""},
        {LS_PAPER_SENSOR, LabelValue::Choice(2), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeLabelValue(c.setting, c.value), Hex(c.hex))
            << c.setting << " '" << c.value.text << "' " << c.value.choice;
}

TEST(LabelDecoding, EditFieldsFromTheirOffsets) {
    Bytes reply = ReplyWith(64, {{38, 0x64},
                                 {39, 0x00},
                                 {40, 0xFE},
                                 {41, 0xFF},
                                 {33, 0x34},
                                 {34, 0x12},
                                 {48, 0xA0},
                                 {47, 0x6C}});
    LabelSettings s = DecodeLabelSettingsReply(reply);
    EXPECT_EQ(s.values[LS_HOME_OFFSET].text, "12.50");
    EXPECT_EQ(s.values[LS_CUT_OFFSET].text, "-0.25");
    EXPECT_EQ(s.values[LS_BLACK_MARK_AD].text, "4660");
    EXPECT_EQ(s.values[LS_LEFT_OFFSET].text, "-80");
    EXPECT_EQ(s.values[LS_PRINT_WIDTH].text, "108");

    reply = ReplyWith(64, {{33, 0xFF}, {34, 0xFF}, {48, 0x50}, {47, 0xF0}, {38, 0x08}, {39, 0x80}});
    s = DecodeLabelSettingsReply(reply);
    EXPECT_EQ(s.values[LS_BLACK_MARK_AD].text, "65535");
    EXPECT_EQ(s.values[LS_LEFT_OFFSET].text, "80");
    EXPECT_EQ(s.values[LS_PRINT_WIDTH].text, "-16"); // signed byte
    EXPECT_EQ(s.values[LS_HOME_OFFSET].text, "-4095.00");
}

TEST(LabelDecoding, ListPositionsAndNoSelection) {
    Bytes reply = ReplyWith(49, {{28, 1}, {26, 2}, {37, 0xFF}, {36, 5}, {35, 0}, {15, 7}, {9, 1}});
    LabelSettings s = DecodeLabelSettingsReply(reply);
    EXPECT_EQ(s.values[LS_PAGE_MODE].choice, 1);
    EXPECT_EQ(s.values[LS_PRINT_MEDIA].choice, -1); // past the last entry
    EXPECT_EQ(s.values[LS_PEELER].choice, -1);      // negative as a signed byte
    EXPECT_EQ(s.values[LS_PRINT_DENSITY].choice, 5);
    EXPECT_EQ(s.values[LS_PRINT_SPEED].choice, -1); // speed byte 0
    EXPECT_EQ(s.values[LS_PRINTER_LANGUAGE].choice, 1);
    EXPECT_EQ(s.values[LS_EMULATION].choice, 7); // the raw code
    EXPECT_EQ(EmulationPosition(7, EmulationCodes("English", "KP-520")), -1);

    reply[35] = 4;
    EXPECT_EQ(DecodeLabelSettingsReply(reply).values[LS_PRINT_SPEED].choice, 3);
    reply[35] = 5;
    EXPECT_EQ(DecodeLabelSettingsReply(reply).values[LS_PRINT_SPEED].choice, -1);
}

TEST(LabelDecoding, ShortReplyReadsMissingBytesAsZero) {
    LabelSettings s = DecodeLabelSettingsReply(Hex("00 00 00 00 00 00 00 93 01"));
    EXPECT_EQ(s.values[LS_CUT_MODE].choice, 1); // offset 8 arrived
    EXPECT_EQ(s.values[LS_PRINTER_LANGUAGE].choice, 0);
    EXPECT_EQ(s.values[LS_PRINT_SPEED].choice, -1);
    EXPECT_EQ(s.values[LS_HOME_OFFSET].text, "0.00");
    EXPECT_EQ(s.values[LS_LEFT_OFFSET].text, "0");
    EXPECT_EQ(s.serial, (SerialLine{"9600", "Odd", "1", "7", ""}));
    EXPECT_EQ(DecodeLabelSettingsReply({}).values[LS_BLACK_MARK_AD].text, "0");
}

TEST(LabelDecoding, SerialLineByte) {
    struct Case {
        uint8_t byte;
        SerialLine line;
    } cases[] = {
        {0x93, {"9600", "Odd", "1", "7", ""}},
        {0x00, {"1200", "None", "1", "8", ""}},
        {0x27, {"115200", "Even", "1", "8", ""}},
        {0x4C, {"19200", "None", "2", "8", ""}}, // bit 3 not interpreted
        {0x35, {"38400", "", "1", "8", ""}},     // parity 3: unchanged
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeLabelSerialByte(c.byte), c.line) << int(c.byte);

    PortSettings ps;
    ps.paritySetup = "Even";
    ps.flowControl = "Xon/Xoff";
    ApplySerialLine(ps, DecodeLabelSerialByte(0x74));
    EXPECT_EQ(ps.baudrate, "19200");
    EXPECT_EQ(ps.paritySetup, "Even");
    EXPECT_EQ(ps.stopBit, "2");
    EXPECT_EQ(ps.dataBit, "8");
    EXPECT_EQ(ps.flowControl, "Xon/Xoff");
}

TEST(LabelDecoding, TextReply) {
    EXPECT_EQ(DecodeTextReply(Hex("4B 50 35 32 00 00 00"), LANG_ENGLISH), "KP52");
    EXPECT_EQ(DecodeTextReply(Hex("41 42 43"), LANG_ENGLISH), "ABC"); // no terminator
    EXPECT_EQ(DecodeTextReply(Hex("00 41"), LANG_ENGLISH), "");
    Bytes big(2000, 'A');
    EXPECT_EQ(DecodeTextReply(big, LANG_ENGLISH).size(), 1024u);
    EXPECT_EQ(DecodeTextReply(Hex("56 E9 00"), LANG_ENGLISH), "V\xC3\xA9");  // é
    EXPECT_EQ(DecodeTextReply(Hex("D6 D0 CE C4 00"), LANG_CHINESE), "中文"); // GBK
    EXPECT_EQ(DecodeTextReply(Hex("41 D6"), LANG_CHINESE), "A\xEF\xBF\xBD"); // cut short
}

TEST(Emulation, ListDependsOnLanguageAndModel) {
    EXPECT_EQ(EmulationEntries("English", "KP-520"),
              (std::vector<std::string>{"ZPL", "EPL", "TSPL"}));
    EXPECT_EQ(EmulationCodes("Chinese", "Label Printer(200DPI)"), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(EmulationEntries("Chinese", "Label Printer(200DPI)").front(), "ESC/POS");
    EXPECT_EQ(EmulationCodes("Chinese", "Label Printer(300DPI)"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(EmulationCodes("English", "Label Printer(200DPI)"), (std::vector<int>{1, 2, 3}));
    // Choosing "ZPL" in the three-entry list sends code 1.
    std::vector<int> three = EmulationCodes("English", "KP-520");
    EXPECT_EQ(BuildSetSettingsRequest({{LS_EMULATION, LabelValue::Choice(three[0])}}),
              Hex("1B 0D 53 1B 24 01 1B 10 45"));
    EXPECT_EQ(EmulationPosition(3, three), 2);
    EXPECT_EQ(EmulationPosition(0, three), -1);
}

TEST(LabelEditCheck, RangesAndCorrections) {
    struct Case {
        int setting;
        const char* text;
        const char* kept;
        bool corrected;
    } cases[] = {
        {LS_HOME_OFFSET, "5000", "4095", true},
        {LS_HOME_OFFSET, "4095.9", "4095.9", false},
        {LS_BLACK_MARK_AD, "-5000", "-4095", true},
        {LS_CUT_OFFSET, "-12.5", "-12.5", false},
        {LS_LEFT_OFFSET, "81", "80", true},
        {LS_LEFT_OFFSET, "-81", "-80", true},
        {LS_PRINT_WIDTH, "-1", "0", true},
        {LS_PRINT_WIDTH, "109", "108", true},
        {LS_PRINT_WIDTH, "", "", false},
    };
    for (const Case& c : cases) {
        EditCheck r = CheckLabelEdit(c.setting, c.text);
        EXPECT_EQ(r.text, c.kept) << c.text;
        EXPECT_EQ(r.corrected, c.corrected) << c.text;
    }
}

TEST(LabelTexts, KeysLabelsAndChoices) {
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        EXPECT_EQ(LabelSettingFromKey(LabelSettingKey(s)), s);
        EXPECT_FALSE(LabelSettingLabel(s, LANG_CHINESE).empty());
        EXPECT_EQ(LabelChoices(s, LANG_ENGLISH).size(), LabelChoices(s, LANG_CHINESE).size());
    }
    EXPECT_EQ(LabelSettingFromKey("nope"), -1);
    EXPECT_EQ(LabelSettingLabel(LS_PAGE_MODE, LANG_ENGLISH), "Page Mode:");
    EXPECT_EQ(LabelChoices(LS_PAPER_SENSOR, LANG_ENGLISH),
              (std::vector<std::string>{"Reflective sensor", "Gap sensor"}));
}

TEST(ValueText, LenientParsingAndLocaleFreeFormatting) {
    EXPECT_EQ(ParseLeadingInt("  -12abc"), -12);
    EXPECT_EQ(ParseLeadingInt("+"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999999"), INT64_MAX);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("-1.25e1x"), -12.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("inf"), 0.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("0x10"), 0.0);
    EXPECT_EQ(FormatFixed(-0.176, 1), "-0.2");
    EXPECT_EQ(FormatFixed(1.0583, 1), "1.1");
}
