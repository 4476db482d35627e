#include "base/hex_text.h"

#include <gtest/gtest.h>

#include "support/scripted_link.h"

using namespace printune;
using printune_test::Hex;

namespace {

struct HexCase {
    const char* text;
    int count; // -1: refused
    const char* bytes;
};

void PrintTo(const HexCase& c, std::ostream* os) {
    *os << "\"" << c.text << "\"";
}

class ParseHexTextTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(ParseHexTextTest, Bytes) {
    const HexCase& c = GetParam();
    std::vector<uint8_t> out = {0xEE}; // earlier contents stay
    EXPECT_EQ(ParseHexText(c.text, out), c.count) << c.text;
    std::vector<uint8_t> expected = {0xEE};
    if (c.count > 0) {
        auto b = Hex(c.bytes);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_EQ(out, expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ParseHexTextTest,
    ::testing::Values(HexCase{"1B 40", 2, "1B 40"}, HexCase{"1b40", 2, "1B 40"},
                      HexCase{"1 B4 0", 2, "1B 40"}, HexCase{"1B4", 1, "1B"},
                      HexCase{"1B 4", 1, "1B"}, HexCase{"1B 4 \r\n", 1, "1B"},
                      HexCase{"1\r\nB", 1, "1B"}, HexCase{"   \r\n", 0, ""}, HexCase{"", 0, ""},
                      HexCase{"1G", -1, ""}, HexCase{"0x1B", -1, ""}, HexCase{"1B\t40", -1, ""},
                      HexCase{"1B 40 zz", -1, ""}, HexCase{"ff00Aa", 3, "FF 00 AA"}));

} // namespace
