// The receipt page's pure rules: the real-time status codec, the send
// request built from the change marks, and the Cutter Switch row rule.
#include <gtest/gtest.h>

#include "hex.h"
#include "settings/receipt_operations.h"
#include "settings/receipt_status.h"

using namespace printune;

TEST(ReceiptStatusCodec, RequestsAndEachCondition) {
    EXPECT_EQ(BuildReceiptStatusRequest(1), Hex("10 04 01"));
    EXPECT_EQ(BuildReceiptStatusRequest(4), Hex("10 04 04"));

    const ReceiptStatus ready = DecodeReceiptStatus({0x12, 0x12, 0x12, 0x12});
    ASSERT_TRUE(ready.Known());
    EXPECT_TRUE(ready.Conditions().empty());
    EXPECT_EQ(ready.Has(ReceiptCondition::PaperEnd), false);

    struct Case {
        std::array<uint8_t, 4> bytes;
        ReceiptCondition condition;
    };
    const Case cases[] = {
        {{0x12, 0x12, 0x12, 0x1E}, ReceiptCondition::PaperNearEnd},
        {{0x12, 0x32, 0x12, 0x72}, ReceiptCondition::PaperEnd},
        {{0x12, 0x16, 0x12, 0x12}, ReceiptCondition::CoverOpen},
        {{0x12, 0x12, 0x1A, 0x12}, ReceiptCondition::CutterError},
        {{0x1A, 0x12, 0x12, 0x12}, ReceiptCondition::Offline},
    };
    for (const Case& c : cases) {
        const ReceiptStatus s = DecodeReceiptStatus(c.bytes);
        EXPECT_EQ(s.Conditions(), std::vector<ReceiptCondition>{c.condition})
            << static_cast<int>(c.condition);
    }
    // One of the two paper-end sensor bits is not the paper end.
    EXPECT_TRUE(DecodeReceiptStatus({0x12, 0x12, 0x12, 0x32}).Conditions().empty());
}

TEST(ReceiptStatusCodec, AnythingButStatusBytesIsUnknownNeverPaperEnd) {
    // 0x00 or 0xFF (a line held low or high, an echo) lack the fixed bits.
    for (const std::array<uint8_t, 4>& bytes : {std::array<uint8_t, 4>{0x00, 0x00, 0x00, 0x00},
                                                std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF},
                                                std::array<uint8_t, 4>{0x12, 0x12, 0x12, 0xF2}}) {
        const ReceiptStatus s = DecodeReceiptStatus(bytes);
        EXPECT_FALSE(s.Known());
        EXPECT_FALSE(s.Has(ReceiptCondition::PaperEnd).has_value());
        EXPECT_TRUE(s.Conditions().empty());
    }
    EXPECT_FALSE(ReceiptStatus{}.Known());
}

TEST(ReceiptSend, MarkedSettingsOnlyAndTheBareFrame) {
    ReceiptValues values;
    values[RS_PAPER_WIDE] = ReceiptValue::Choice(2);
    values[RS_CUTTER_SWITCH] = ReceiptValue::Choice(1);
    values[RS_MARK_TO_HOME] = ReceiptValue::Text("-");
    ReceiptMarks marks{};
    EXPECT_EQ(BuildReceiptSendRequest(values, marks), Hex("1B 0D 53 1B 10 45"));
    marks[RS_MARK_TO_HOME] = true;
    marks[RS_PAPER_WIDE] = true;
    // A lone "-" is the value 0.
    EXPECT_EQ(BuildReceiptSendRequest(values, marks),
              Hex("1B 0D 53 1B 38 02 1B 2C 00 00 1B 10 45"));
}

TEST(ReceiptSend, CutterRowRuleOfTheThirdAndFourthModel) {
    ReceiptMarks marks{};
    // Fourth model: shown; marked once the list has a selection, even
    // though the user never touched it.
    EXPECT_EQ(PaintCutterRow(4, false, marks), CutterRow::Shown);
    EXPECT_FALSE(marks[RS_CUTTER_SWITCH]);
    EXPECT_EQ(PaintCutterRow(4, true, marks), CutterRow::Shown);
    EXPECT_TRUE(marks[RS_CUTTER_SWITCH]);
    // Third model: hidden and the mark cleared, so it is never sent.
    EXPECT_EQ(PaintCutterRow(3, true, marks), CutterRow::Hidden);
    EXPECT_FALSE(marks[RS_CUTTER_SWITCH]);
    marks[RS_CUTTER_SWITCH] = true;
    EXPECT_EQ(PaintCutterRow(1, true, marks), CutterRow::Unchanged);
    EXPECT_TRUE(marks[RS_CUTTER_SWITCH]);
    EXPECT_TRUE(ReceiptModelHasCutter(4));
    EXPECT_FALSE(ReceiptModelHasCutter(3));
}
