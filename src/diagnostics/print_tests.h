#pragma once
// The receipt printers' print tests: the command sequences of every test
// button, the repeated ASCII test and the test print from "testPrint.vt".
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/port_link.h"

namespace printune {

struct FontStyle {
    bool doubleWidth = false;
    bool doubleHeight = false;
    bool underline = false;
};

// Chinese test: 1C 21 n, the double-byte characters of section 1..5 (any
// other value: none), 0A.
std::vector<uint8_t> ChineseTestBytes(int section, const FontStyle& style);
// The FS ! n and ESC ! n print-mode values.
uint8_t ChinesePrintMode(const FontStyle& style);
uint8_t AsciiPrintMode(const FontStyle& style, bool fontA);

enum class AsciiPattern { Alphabet, LetterH, LetterI }; // "ASCII Print", "H Print", "I Print"

// 1C 2E, 1B 21 n, the pattern, 1B 21 00, 0A.
std::vector<uint8_t> AsciiTestBytes(AsciiPattern pattern, bool fontA, const FontStyle& style);

enum class FixedTest {
    BlackMarkEnable,
    BlackMarkDisable,
    BlackMarkTest,
    BlackMarkTestCut, // "Black Mark Test" with "Cut Paper After Print"
    CutEnable,
    CutDisable,
    FullCut,
    PartialCut,
    Drawer1,
    Drawer2,
};
std::vector<uint8_t> FixedTestBytes(FixedTest test);
// The tests that work the cutter (the cuts, the cutter switch, the black
// mark test that cuts after print).
bool NeedsCutter(FixedTest test);

// Baud-rate list positions 0..5 = 1200, 2400, 4800, 9600, 19200, 38400.
std::vector<uint8_t> BaudRateTestBytes(int position);
// The baud-rate list's texts.
const std::vector<std::string>& BaudRateTestList();

// "Black Prn": five full-width bit-image blocks.
std::vector<uint8_t> BlackBarBytes();

inline constexpr const char* TEST_DATA_FILE = "testPrint.vt";
inline constexpr size_t TEST_DATA_MAX_WRITE = 12453;

struct TestData {
    bool ok = false;
    std::vector<uint8_t> bytes;
    std::optional<Notice> notice;
};

// The test data file's hex text as bytes. A missing file gives the
// "is missing" message, text that is not hex the hex message.
TestData LoadTestData(const std::string& path, int languageId);

// "Test Prn": the test data sent in writes of at most 12453 bytes. Nothing
// is sent when the file is missing or not hex.
SendOutcome RunTestPrint(PortLink& link, const std::string& path, int languageId);

inline constexpr int ASCII_TEST_INTERVAL_MS = 600;

// The repeated ASCII test: wait intervalMs, send the bytes, until stopTest.
// stopTest ("Stop test") is looked at after each send only, so a stop made
// during the wait still lets one more print out. abort (the page closing,
// the program ending) ends the wait at once without a further send. A
// failed send ends the test. onSend runs after every successful send.
SendOutcome RunAsciiTest(PortLink& link, const std::vector<uint8_t>& bytes,
                         std::stop_token stopTest, std::stop_token abort, int languageId,
                         const std::function<void(int sends)>& onSend = {},
                         int intervalMs = ASCII_TEST_INTERVAL_MS);

// The HT-740 has no cutter; every other model position has one.
inline constexpr int HT740_POSITION = 3;
bool ModelHasCutter(int modelPosition);

// What the print tests page enables after SetTestButtons(enable): the test
// buttons follow enable; the four cutter buttons follow it too, except on a
// model without a cutter, where they and "Cut Paper After Print" stay
// disabled. "Stop test" is never disabled.
struct TestButtonStates {
    bool tests = true;
    bool cutterButtons = true;
    bool cutAfterPrint = true;
};
TestButtonStates TestButtonsFor(bool enable, int modelPosition);

} // namespace printune
