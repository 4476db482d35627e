#include <gtest/gtest.h>

#include "base/language.h"
#include "hex.h"
#include "settings/receipt_commands.h"

using namespace printune;

TEST(ReceiptRequests, GetAndRestore) {
    EXPECT_EQ(BuildReceiptGetRequest(), Hex("1B 0D 53 1B 33 00 1B 10 45"));
    EXPECT_EQ(BuildReceiptRestoreRequest("Chinese"), Hex("1B 0D 53 1B 16 01 1B 10 45 1D 10 01"));
    EXPECT_EQ(BuildReceiptRestoreRequest("English"), Hex("1B 0D 53 1B 16 00 1B 10 45 1D 10 01"));
    EXPECT_EQ(BuildReceiptRestoreRequest("chinese")[5], 0x00); // only the exact keyword
}

TEST(ReceiptRequests, SetSettingsInTableOrder) {
    EXPECT_EQ(BuildReceiptSetRequest({}), Hex("1B 0D 53 1B 10 45"));
    EXPECT_EQ(BuildReceiptSetRequest({{RS_MARK_TO_CUTTER, ReceiptValue::Text("-35")},
                                      {RS_PAPER_WIDE, ReceiptValue::Choice(2)},
                                      {RS_CUTTER_SWITCH, ReceiptValue::Choice(1)},
                                      {RS_PRINTER_LANGUAGE, ReceiptValue::Choice(0)},
                                      {RS_BLACK_MARK, ReceiptValue::Choice(1)},
                                      {RS_PAPER_TYPE, ReceiptValue::Choice(1)},
                                      {RS_PRINTING_DIRECTION, ReceiptValue::Choice(0)},
                                      {RS_MARK_TO_HOME, ReceiptValue::Text("1")}}),
              Hex("1B 0D 53 1B 16 00 1B 34 01 1B 38 02 1B 3A 00 1B 25 01 1B 22 01 "
                  "1B 2C 06 00 1B 2D 3A FF 1B 10 45"));
    // Paper Wide has three entries, the others two; no selection is left out.
    EXPECT_EQ(BuildReceiptSetRequest({{RS_BLACK_MARK, ReceiptValue::Choice(2)},
                                      {RS_CUTTER_SWITCH, ReceiptValue::Choice(-1)}}),
              Hex("1B 0D 53 1B 10 45"));
}

TEST(ReceiptDistance, MillimetresToInch144) {
    struct Case {
        const char* mm;
        int16_t units;
        const char* wire;
    } cases[] = {
        {"1", 6, "06 00"},      {"-35", -198, "3A FF"}, {"5766", 32689, "B1 7F"}, {"0", 0, "00 00"},
        {"-54", -306, "CE FE"}, {"x", 0, "00 00"},      {"-1", -6, "FA FF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MillimetresToInch144(c.mm), c.units) << c.mm;
        EXPECT_EQ(EncodeReceiptValue(RS_MARK_TO_HOME, ReceiptValue::Text(c.mm)), Hex(c.wire))
            << c.mm;
    }
    // Half-way: 127/1440 mm gives t = 127 → r = 127 rounds up to 1; 126 stays 0.
    EXPECT_EQ(MillimetresToInch144("0.08819444"), 0); // t = 126.99999 → a = 126
    EXPECT_EQ(MillimetresToInch144("0.0882"), 1);     // t = 127.008 → a = 127
    EXPECT_EQ(MillimetresToInch144("-0.0882"), -1);
}

TEST(ReceiptDecoding, ReplyLayout) {
    Bytes reply = ReplyWith(100, {{0, 1},
                                  {2, 0x18},
                                  {3, 1},
                                  {4, 0},
                                  {5, 0xFF},
                                  {6, 0xFF},
                                  {7, 0x06},
                                  {8, 0x00},
                                  {11, 1},
                                  {12, 1},
                                  {13, 2}});
    ReceiptSettings s = DecodeReceiptSettingsReply(reply);
    EXPECT_EQ(s.values[RS_PRINTER_LANGUAGE].choice, 1);
    EXPECT_EQ(s.values[RS_CUTTER_SWITCH].choice, 1);
    EXPECT_EQ(s.values[RS_PAPER_WIDE].choice, 2); // "57mm"
    EXPECT_EQ(s.values[RS_PRINTING_DIRECTION].choice, 1);
    EXPECT_EQ(s.values[RS_PAPER_TYPE].choice, 1);
    EXPECT_EQ(s.values[RS_BLACK_MARK].choice, 0);
    EXPECT_EQ(s.values[RS_MARK_TO_HOME].text, "-0.2");
    EXPECT_EQ(s.values[RS_MARK_TO_CUTTER].text, "1.1");
    EXPECT_EQ(s.serial, (SerialLine{"1200", "Even", "1", "8", "Xon/Xoff"}));

    reply[0] = 5; // not a position: the list stays as it is
    reply[13] = 3;
    s = DecodeReceiptSettingsReply(reply);
    EXPECT_EQ(s.values[RS_PRINTER_LANGUAGE].choice, -1);
    EXPECT_EQ(s.values[RS_PAPER_WIDE].choice, -1);
    EXPECT_EQ(DecodeReceiptSettingsReply(Hex("00")).values[RS_MARK_TO_HOME].text, "0.0");
}

TEST(ReceiptDecoding, SerialByteHasSwappedParityAndFlow) {
    EXPECT_EQ(DecodeReceiptSerialByte(0x18), (SerialLine{"1200", "Even", "1", "8", "Xon/Xoff"}));
    EXPECT_EQ(DecodeReceiptSerialByte(0xE3), (SerialLine{"9600", "Odd", "2", "7", "DTR"}));
    EXPECT_EQ(DecodeReceiptSerialByte(0x37).paritySetup, "");
}

TEST(ReceiptDistanceCheck, PageValidation) {
    struct Case {
        int setting;
        const char* text;
        DistanceCheck::Outcome outcome;
        const char* kept;
    } cases[] = {
        {RS_MARK_TO_HOME, "-", DistanceCheck::Accepted, "-"},
        {RS_MARK_TO_HOME, "1-", DistanceCheck::NotInteger, "1"},
        {RS_MARK_TO_HOME, "", DistanceCheck::NotInteger, ""},
        {RS_MARK_TO_HOME, "12a", DistanceCheck::NotInteger, "12"},
        {RS_MARK_TO_HOME, "5\xE4\xB8\x80", DistanceCheck::NotInteger, "5"}, // whole character
        {RS_MARK_TO_CUTTER, "6000", DistanceCheck::Corrected, "5766"},
        {RS_MARK_TO_HOME, "-36", DistanceCheck::Corrected, "-35"},
        {RS_MARK_TO_CUTTER, "-54", DistanceCheck::Accepted, "-54"},
        {RS_MARK_TO_CUTTER, "-55", DistanceCheck::Corrected, "-54"},
    };
    for (const Case& c : cases) {
        DistanceCheck r = CheckReceiptDistance(c.setting, c.text);
        EXPECT_EQ(r.outcome, c.outcome) << c.text;
        EXPECT_EQ(r.text, c.kept) << c.text;
    }
}

TEST(ReceiptTexts, BothLanguages) {
    EXPECT_EQ(ReceiptChoices(RS_PAPER_TYPE, LANG_CHINESE),
              (std::vector<std::string>{"一联&二联", "三联"}));
    EXPECT_EQ(ReceiptChoices(RS_PAPER_WIDE, LANG_ENGLISH),
              (std::vector<std::string>{"76mm", "69mm", "57mm"}));
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s)
        EXPECT_EQ(ReceiptSettingFromKey(ReceiptSettingKey(s)), s);
}
