// Display conversion of printer texts.
#include <gtest/gtest.h>

#include "base/utf8.h"
#include "network/netcfg_text.h"

using namespace printune;

TEST(NetWireText, AsciiAndUtf8PassThrough) {
    EXPECT_EQ(NetWireToUtf8("KP-520"), "KP-520");
    EXPECT_EQ(NetWireToUtf8("打印机"), "打印机");
    EXPECT_EQ(Utf8ToNetWire("192.168.0.10", 15), "192.168.0.10");
}

TEST(NetWireText, GbkBytesRoundTrip) {
    const std::string gbk = "\xB4\xF2\xD3\xA1\xBB\xFA"; // 打印机 in GBK
    EXPECT_EQ(NetWireToUtf8(gbk), "打印机");
    EXPECT_EQ(Utf8ToNetWire("打印机", 20), gbk);
}

TEST(NetWireText, CutsOnlyBetweenCharacters) {
    // Five bytes allow two double-byte characters, never half of the third.
    EXPECT_EQ(Utf8ToNetWire("打印机", 5), "\xB4\xF2\xD3\xA1");
    EXPECT_EQ(Utf8ToNetWire("AB打", 3), "AB");
    EXPECT_EQ(Utf8ToNetWire("A\xFF"
                            "B",
                            10),
              "A?B");
    // A lone lead byte at the end is neither UTF-8 nor GB18030.
    EXPECT_EQ(NetWireToUtf8("AB\x81"), "AB?");
}

TEST(NetWireText, OutputIsAlwaysValidUtf8) {
    // Encoded surrogates, code points above U+10FFFF (as UTF-8 and as
    // GB18030 four-byte forms past the last one) never come out as such.
    for (const std::string& wire :
         {std::string("\xED\xA0\x80"), std::string("A\xED\xBF\xBF"),
          std::string("\xF4\x90\x80\x80"), std::string("\xF7\xBF\xBF\xBF"),
          std::string("\xE3\x32\x9A\x36"), std::string("\xFE\x39\xFE\x39"),
          std::string("\x84\x31\xA4\x39\xE3\x32\x9A\x35")}) {
        const std::string text = NetWireToUtf8(wire);
        EXPECT_TRUE(IsValidUtf8(text)) << ::testing::PrintToString(text);
        EXPECT_EQ(text.find("\xED\xA0"), std::string::npos);
    }
}
