#include <gtest/gtest.h>

#include "base/language.h"
#include "port/models.h"
#include "port/port_errors.h"
#include "port/port_settings.h"

using namespace printune;

TEST(ModelList, FiveEntriesInEnglishFourInChinese) {
    EXPECT_EQ(ModelList(LANG_ENGLISH),
              (std::vector<std::string>{"KP-520", "KP-740", "HT-740", "HT-750", "KP-500"}));
    EXPECT_EQ(ModelList(LANG_CHINESE),
              (std::vector<std::string>{"Label Printer(200DPI)", "Label Printer(300DPI)", "HT-740",
                                        "HT-760"}));
}

TEST(ModelList, PositionsSelectFamilyAndFilter) {
    EXPECT_EQ(ModelPosition("HT-760", LANG_CHINESE), 4);
    EXPECT_EQ(ModelPosition("HT-760", LANG_ENGLISH), 0);
    EXPECT_EQ(ModelPosition("KP-500", LANG_CHINESE), 0);
    EXPECT_TRUE(IsLabelPrinterName("KP-500", LANG_CHINESE));
    EXPECT_FALSE(IsLabelPrinterName("HT-740", LANG_ENGLISH));
    EXPECT_TRUE(IsReceiptPosition(3));
    EXPECT_FALSE(IsReceiptPosition(0));

    UsbFilter f;
    ASSERT_TRUE(UsbFilterForPosition(5, f));
    EXPECT_EQ(f, (UsbFilter{"7A3E", "5C19", 1}));
    ASSERT_TRUE(UsbFilterForPosition(4, f));
    EXPECT_EQ(f, (UsbFilter{"7A3E", "3D72", 0}));
    EXPECT_FALSE(UsbFilterForPosition(0, f));
}

TEST(UsbFilterScope, RestoresPreviousFilterOnEveryPath) {
    SetUsbFilter(UsbFilter{"7A3E", "3D71", 0});
    try {
        ScopedUsbFilter scoped(UsbFilter{});
        EXPECT_TRUE(CurrentUsbFilter().Empty());
        throw PortError(PORT_ERR_WRITE, PORT_USB);
    } catch (const PortError&) {
    }
    EXPECT_EQ(CurrentUsbFilter(), (UsbFilter{"7A3E", "3D71", 0}));
    SetUsbFilter(UsbFilter{});
}
