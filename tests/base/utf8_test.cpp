#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/iconv.h"
#include "base/pause.h"
#include "base/utf8.h"

namespace printune {
namespace {

TEST(Utf8, StrictAtEveryBoundary) {
    // Last of each length and the edges around the surrogates are fine.
    for (const char* good : {"\x7F", "\xDF\xBF", "\xED\x9F\xBF", "\xEE\x80\x80", "\xEF\xBF\xBF",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    // Overlong forms, surrogates, beyond U+10FFFF, stray or missing
    // continuation bytes.
    for (const char* bad :
         {"\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",
          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xBF", "\xE4\xB8", "\xE4\x41\x41"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    std::u32string out;
    EXPECT_TRUE(DecodeUtf8("\xF4\x8F\xBF\xBF", out));
    EXPECT_EQ(out, U"\U0010FFFF");
    EXPECT_FALSE(DecodeUtf8("ok\xED\xA0\x80", out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(EncodeUtf8(U'\U0010FFFF'), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8, FieldTextHasNoZeroCharacter) {
    EXPECT_TRUE(IsValidFieldText("KP-520 WF"));
    EXPECT_TRUE(IsValidFieldText(""));
    EXPECT_FALSE(IsValidFieldText(std::string("A\0B", 3)));
    EXPECT_FALSE(IsValidFieldText("\xED\xA0\x80"));     // a surrogate
    EXPECT_FALSE(IsValidFieldText("\xF4\x90\x80\x80")); // above U+10FFFF
}

TEST(Utf8, CountAndPrefixCutBetweenCharacters) {
    EXPECT_EQ(Utf8CharCount(""), 0u);
    EXPECT_EQ(Utf8CharCount("\x80\x80"), 1u); // malformed text still has a length
    EXPECT_EQ(Utf8Prefix("a中b", 2), "a中");
    EXPECT_EQ(Utf8Prefix("a中b", 9), "a中b");
    EXPECT_EQ(Utf8Prefix("a中b", 0), "");
}

TEST(Iconv, ConvertsWholeOrNothing) {
    Iconv toGbk("GBK", "UTF-8");
    ASSERT_TRUE(toGbk.Valid());
    std::string out = "x";
    EXPECT_TRUE(toGbk.Convert("中", out));
    EXPECT_EQ(out, "x\xD6\xD0");
    EXPECT_FALSE(toGbk.Convert("a\xF0\x9F\x98\x80", out)); // no emoji in GBK
    EXPECT_EQ(out, "x\xD6\xD0");
    EXPECT_TRUE(toGbk.Convert("b", out)); // a refusal leaves no state behind
    EXPECT_EQ(out, "x\xD6\xD0"
                   "b");
    EXPECT_FALSE(Iconv("NO-SUCH-PAGE", "UTF-8").Valid());
    EXPECT_EQ(Iconv("UTF-8", "GBK").ConvertReplacing("a\xD6\xD0\xFF", "?"), "a中?");
}

TEST(Pause, EndsEarlyOnStop) {
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_FALSE(PauseFor(60000, stopped.get_token()));
    EXPECT_FALSE(PauseFor(0, stopped.get_token()));
    EXPECT_TRUE(PauseFor(1, {}));

    std::stop_source source;
    std::jthread stopper([&source] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        source.request_stop();
    });
    EXPECT_FALSE(PauseFor(60000, source.get_token())); // a hang here fails by time-out
}

} // namespace
} // namespace printune
