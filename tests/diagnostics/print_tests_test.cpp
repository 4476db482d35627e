#include "diagnostics/print_tests.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "base/language.h"
#include "support/scripted_link.h"

using namespace printune;
using printune_test::Ascii;
using printune_test::Concat;
using printune_test::Hex;
using printune_test::ScriptedLink;

namespace {

TEST(ChineseTest, SectionLengthsAndOrder) {
    // Characters per section: leads x trails.
    const size_t chars[] = {9 * 47, 18 * 47, 8 * (31 + 63), 28 * (16 + 5), 2 * (62 + 20)};
    for (int s = 1; s <= 5; ++s)
        EXPECT_EQ(ChineseTestBytes(s, {}).size(), 3 + 2 * chars[s - 1] + 1) << s;
    auto s1 = ChineseTestBytes(1, {});
    EXPECT_EQ(s1.size(), 3u + 846 + 1);
    EXPECT_EQ(std::vector<uint8_t>(s1.begin(), s1.begin() + 7), Hex("1C 21 00 A1 A1 A1 A3"));
    EXPECT_EQ(std::vector<uint8_t>(s1.end() - 3, s1.end()), Hex("A9 FD 0A"));
    // Section 3: the first run of trails, then the second, per lead.
    auto s3 = ChineseTestBytes(3, {});
    EXPECT_EQ(std::vector<uint8_t>(s3.begin() + 3 + 60, s3.begin() + 3 + 64), Hex("81 7C 81 80"));
    auto s4 = ChineseTestBytes(4, {});
    EXPECT_EQ(std::vector<uint8_t>(s4.end() - 5, s4.end()), Hex("FB 8C FB 90 0A"));
    auto s5 = ChineseTestBytes(5, {});
    EXPECT_EQ(std::vector<uint8_t>(s5.end() - 3, s5.end()), Hex("AB 93 0A"));
    EXPECT_EQ(ChineseTestBytes(0, {}), Hex("1C 21 00 0A"));
    EXPECT_EQ(ChineseTestBytes(2, {true, true, true})[2], 0x8C);
}

TEST(AsciiTest, PatternsAndPrintModes) {
    auto fontB = AsciiTestBytes(AsciiPattern::Alphabet, false, {});
    EXPECT_EQ(fontB, Concat({Hex("1C 2E 1B 21 00"), Ascii("ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                             Hex("1B 21 00 0A")}));
    EXPECT_EQ(fontB.size(), 35u);
    EXPECT_EQ(AsciiPrintMode({true, true, true}, true), 0xB1);
    auto h = AsciiTestBytes(AsciiPattern::LetterH, true, {true, false, false});
    EXPECT_EQ(h,
              Concat({Hex("1C 2E 1B 21 21"), std::vector<uint8_t>(50, 'H'), Hex("1B 21 00 0A")}));
    EXPECT_EQ(AsciiTestBytes(AsciiPattern::LetterI, false, {})[5], 'I');
}

TEST(FixedTests, ExactSequences) {
    struct Case {
        FixedTest test;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {FixedTest::BlackMarkEnable, Concat({Hex("1C AA 11 01"), Ascii("  BM enable\n")})},
        {FixedTest::BlackMarkDisable, Concat({Hex("1C AA 11 00"), Ascii("  BM disable\n")})},
        {FixedTest::BlackMarkTest,
         Concat({Hex("1B 40 1D 0C"), Ascii(" BM test"), Hex("1B 4A FF 1B 4A FF")})},
        {FixedTest::BlackMarkTestCut, Concat({Hex("1B 40 1D 0C"), Ascii(" BM test"),
                                              Hex("1B 4A FF 1B 4A FF 1B 40 1D 0C 1D 56 42 01")})},
        {FixedTest::CutEnable, Concat({Hex("1B 40"), Ascii(" Cut Enable\n"), Hex("1C AA 23 01")})},
        {FixedTest::CutDisable,
         Concat({Hex("1B 40"), Ascii(" Cut Disable\n"), Hex("1C AA 23 00")})},
        {FixedTest::FullCut,
         Concat({Hex("1B 40"), Ascii(" Full Cut test\n"), Hex("1B 4A B0 1B 69")})},
        {FixedTest::PartialCut,
         Concat({Hex("1B 40"), Ascii(" Partial Cut test\n"), Hex("1B 4A B0 1B 6D")})},
        {FixedTest::Drawer1,
         Concat({Hex("1B 40"), Ascii(" Drawer test\n"), Hex("1B 4A 20 1B 70 00 33 00 00")})},
        {FixedTest::Drawer2,
         Concat({Hex("1B 40"), Ascii(" Drawer test\n"), Hex("1B 4A 20 1B 70 01 33 00 00")})},
    };
    const size_t lengths[] = {16, 17, 18, 26, 18, 19, 22, 25, 24, 24};
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(FixedTestBytes(cases[i].test), cases[i].bytes) << i;
        EXPECT_EQ(cases[i].bytes.size(), lengths[i]) << i;
    }
}

TEST(FixedTests, BaudRateAndBlackBar) {
    EXPECT_EQ(BaudRateTestBytes(3), Concat({Ascii("set successful\n"), Hex("1C AA 22 03 00")}));
    EXPECT_EQ(BaudRateTestBytes(0), Concat({Ascii("set successful\n"), Hex("1C AA 22 00 00 00")}));
    EXPECT_EQ(BaudRateTestBytes(5).size(), 20u);
    auto bar = BlackBarBytes();
    ASSERT_EQ(bar.size(), 1095u);
    for (int copy = 0; copy < 5; ++copy) {
        auto b = bar.begin() + copy * 219;
        EXPECT_EQ(std::vector<uint8_t>(b, b + 5), Hex("1B 2A 00 D2 00"));
        EXPECT_EQ(std::count(b + 5, b + 215, 0xFF), 210);
        EXPECT_EQ(std::vector<uint8_t>(b + 215, b + 219), Hex("0D 1B 4A 10"));
    }
}

class TestDataFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("printune-testdata-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& text) {
        std::string path = (dir_ / TEST_DATA_FILE).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(TestDataFile, SendsItsHexBytes) {
    ScriptedLink link;
    SendOutcome r = RunTestPrint(link, Write("1B 40 0A"), LANG_ENGLISH);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.AllWritten(), Hex("1B 40 0A"));
    EXPECT_EQ(link.closes, 1);
}

TEST_F(TestDataFile, LargeFileGoesOutInParts) {
    std::string text;
    for (int i = 0; i < 12453 + 10; ++i)
        text += "AB\r\n";
    ScriptedLink link;
    EXPECT_TRUE(RunTestPrint(link, Write(text), LANG_ENGLISH).ok);
    ASSERT_EQ(link.writes.size(), 2u);
    EXPECT_EQ(link.writes[0].size(), 12453u);
    EXPECT_EQ(link.writes[1].size(), 10u);
}

TEST_F(TestDataFile, MissingOrNotHexSendsNothing) {
    ScriptedLink link;
    SendOutcome missing = RunTestPrint(link, (dir_ / "none.vt").string(), LANG_ENGLISH);
    ASSERT_TRUE(missing.notice);
    EXPECT_EQ(missing.notice->text, "File -\"testPrint.vt\" is missing !");
    EXPECT_EQ(missing.notice->severity, Severity::Error);
    SendOutcome bad = RunTestPrint(link, Write("1B 4G"), LANG_ENGLISH);
    ASSERT_TRUE(bad.notice);
    EXPECT_EQ(bad.notice->text, "Data entered is not hexadecimal data!");
    EXPECT_EQ(link.opens, 0);
}

TEST(SendToPrinterTest, FailuresAreReportedWithWarnings) {
    ScriptedLink refused;
    refused.openError = 8000;
    SendOutcome r = SendToPrinter(refused, Hex("1B 40"), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.portError, 8000);
    ASSERT_TRUE(r.notice);
    EXPECT_EQ(r.notice->severity, Severity::Warning);
    EXPECT_EQ(refused.closes, 1);

    ScriptedLink failing;
    failing.onWrite = [](int, int32_t) -> int { throw PortError(PORT_ERR_WRITE, PORT_USB); };
    r = SendToPrinter(failing, Hex("1B 40"), LANG_CHINESE);
    EXPECT_EQ(r.notice->text, "无法发送文件到端口。");
    EXPECT_EQ(failing.closes, 1);

    // A USB open that found no printer writes nothing: not a success.
    ScriptedLink nobody;
    nobody.onWrite = [](int, int32_t) { return 0; };
    EXPECT_FALSE(SendToPrinter(nobody, Hex("1B 40"), LANG_ENGLISH).ok);
}

TEST(AsciiTestLoop, StopsOnRequestAndOnFailure) {
    ScriptedLink link;
    std::stop_source stop;
    auto bytes = AsciiTestBytes(AsciiPattern::Alphabet, false, {});
    SendOutcome r = RunAsciiTest(
        link, bytes, stop.get_token(), {}, LANG_ENGLISH,
        [&](int sends) {
            if (sends == 3)
                stop.request_stop();
        },
        1);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.writes.size(), 3u);
    EXPECT_EQ(link.opens, 3); // one open-write-close per print
    EXPECT_EQ(r.bytesSent, 3 * 35);

    ScriptedLink failing;
    failing.onWrite = [](int i, int32_t n) -> int {
        if (i == 1)
            throw PortError(PORT_ERR_WRITE, PORT_USB);
        return n;
    };
    std::stop_source never;
    r = RunAsciiTest(failing, bytes, never.get_token(), {}, LANG_ENGLISH, {}, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(failing.writes.size(), 1u);
}

// "Stop test" clicked during the wait: the wait ends as planned and one more
// line prints. Closing the page instead ends the wait at once, no print.
TEST(AsciiTestLoop, LateStopStillPrintsOnceAbortDoesNot) {
    auto bytes = AsciiTestBytes(AsciiPattern::Alphabet, false, {});
    ScriptedLink link;
    std::stop_source stopTest;
    stopTest.request_stop(); // made before the first wait ended
    SendOutcome r = RunAsciiTest(link, bytes, stopTest.get_token(), {}, LANG_ENGLISH, {}, 30);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(link.writes.size(), 1u);

    ScriptedLink closing;
    std::stop_source abort;
    std::jthread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        abort.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    r = RunAsciiTest(closing, bytes, {}, abort.get_token(), LANG_ENGLISH, {}, 60000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(closing.writes.empty());
    EXPECT_EQ(closing.opens, 0);
}

TEST(CutterRule, Ht740KeepsEveryCutterControlDisabled) {
    for (bool enable : {true, false}) {
        const TestButtonStates ht740 = TestButtonsFor(enable, HT740_POSITION);
        EXPECT_EQ(ht740.tests, enable);
        EXPECT_FALSE(ht740.cutterButtons);
        EXPECT_FALSE(ht740.cutAfterPrint);
        const TestButtonStates ht750 = TestButtonsFor(enable, 4);
        EXPECT_EQ(ht750.tests, enable);
        EXPECT_EQ(ht750.cutterButtons, enable);
        EXPECT_TRUE(ht750.cutAfterPrint);
    }
    EXPECT_FALSE(ModelHasCutter(HT740_POSITION));
    EXPECT_TRUE(ModelHasCutter(4));
    for (FixedTest t : {FixedTest::CutEnable, FixedTest::CutDisable, FixedTest::FullCut,
                        FixedTest::PartialCut, FixedTest::BlackMarkTestCut})
        EXPECT_TRUE(NeedsCutter(t));
    for (FixedTest t : {FixedTest::BlackMarkEnable, FixedTest::BlackMarkDisable,
                        FixedTest::BlackMarkTest, FixedTest::Drawer1, FixedTest::Drawer2})
        EXPECT_FALSE(NeedsCutter(t));
}

} // namespace
