#include "base/codepage.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "base/language.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Hex;

namespace {

TEST(CodePage, FollowsSystemLanguageUnlessOverridden) {
    unsetenv("PRINTUNE_CODEPAGE");
    EXPECT_EQ(NarrowCodePage(LANG_CHINESE), "GBK");
    EXPECT_EQ(NarrowCodePage(LANG_ENGLISH), "WINDOWS-1252");
    setenv("PRINTUNE_CODEPAGE", "932", 1);
    EXPECT_EQ(NarrowCodePage(LANG_ENGLISH), "CP932");
    setenv("PRINTUNE_CODEPAGE", "UTF-8", 1);
    EXPECT_EQ(NarrowCodePage(LANG_CHINESE), "UTF-8");
    unsetenv("PRINTUNE_CODEPAGE");
}

struct TextCase {
    const char* text;
    const char* codePage;
    bool ok;
    const char* bytes;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.codePage << ":\"" << c.text << "\"";
}

class CommandTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CommandTextTest, Bytes) {
    const TextCase& c = GetParam();
    TextBytes r = CommandTextBytes(c.text, c.codePage, LANG_ENGLISH);
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (c.ok)
        EXPECT_EQ(r.bytes, Hex(c.bytes)) << c.text;
    else
        EXPECT_FALSE(r.error.empty());
}

INSTANTIATE_TEST_SUITE_P(Conversions, CommandTextTest,
                         ::testing::Values(
                             // ASCII first: converted, no terminator.
                             TextCase{"ABC", "GBK", true, "41 42 43"},
                             // Nothing is cut after a leading ASCII character.
                             TextCase{"AB中文", "GBK", true, "41 42 D6 D0 CE C4"},
                             // Non-ASCII first: 2n bytes then 0A.
                             TextCase{"中文", "GBK", true, "D6 D0 CE C4 0A"},
                             // A shorter conversion is zero-filled up to 2n.
                             TextCase{"中A", "GBK", true, "D6 D0 41 00 0A"},
                             TextCase{"é", "WINDOWS-1252", true, "E9 00 0A"},
                             // A code page with three bytes per character widens the area.
                             TextCase{"中", "UTF-8", true, "E4 B8 AD 0A"},
                             // Not in the code page: refused, not sent as '?'.
                             TextCase{"A中", "WINDOWS-1252", false, ""},
                             TextCase{"A\xff", "GBK", false, ""}));

TEST(CodePage, RefusalNamesTheCharacter) {
    TextBytes r = ToNarrow("ab€中", "WINDOWS-1252", LANG_ENGLISH);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("中"), std::string::npos);
    EXPECT_NE(r.error.find("WINDOWS-1252"), std::string::npos);
    EXPECT_NE(ToNarrow("中", "ISO-8859-1", LANG_CHINESE).error.find("代码页"), std::string::npos);
}

TEST(CodePage, LowByteRule) {
    EXPECT_EQ(LowByteText("KP-520 WF", LANG_ENGLISH).bytes, Hex("4B 50 2D 35 32 30 20 57 46"));
    EXPECT_EQ(LowByteText("é", LANG_ENGLISH).bytes, Hex("E9"));
    // The low byte of 中 (U+4E2D) would be '-': refused.
    TextBytes r = LowByteText("a中", LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.bytes.empty());
    const uint8_t reply[] = {'a', 0xE9, 0, 'x'};
    EXPECT_EQ(LowByteToUtf8(reply, sizeof reply), "aé");
}

TEST(CodePage, Utf8DecodingRejectsMalformedInput) {
    std::u32string out;
    EXPECT_TRUE(DecodeUtf8("a中😀", out));
    EXPECT_EQ(out, U"a中😀");
    for (const char* bad : {"\xC0\x80", "\xE4\xB8", "\xED\xA0\x80", "\x80", "\xF8\x88\x80\x80"})
        EXPECT_FALSE(DecodeUtf8(bad, out)) << bad;
    EXPECT_EQ(Utf8CharCount("a中😀"), 3u);
}

} // namespace
