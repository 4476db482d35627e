#include "diagnostics/print_tests.h"

#include <cerrno>
#include <cstring>

#include "base/device_texts.h"
#include "base/file_bytes.h"
#include "base/hex_text.h"
#include "base/pause.h"

namespace printune {

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

void Append(Bytes& out, const char* text) {
    out.insert(out.end(), text, text + std::strlen(text));
}

// One run of trail bytes: first, first + step, ... up to last.
struct Run {
    int first, last, step;
};

struct Section {
    Run leads;
    Run trails[2];
    int trailRuns;
};

constexpr Section SECTIONS[5] = {
    {{0xA1, 0xA9, 1}, {{0xA1, 0xFD, 2}, {}}, 1},
    {{0xB0, 0xF4, 4}, {{0xA1, 0xFD, 2}, {}}, 1},
    {{0x81, 0x9D, 4}, {{0x40, 0x7C, 2}, {0x80, 0xFC, 2}}, 2},
    {{0xAA, 0xFB, 3}, {{0x40, 0x7C, 4}, {0x80, 0x90, 4}}, 2},
    {{0xAA, 0xAB, 1}, {{0x40, 0x7D, 1}, {0x80, 0x93, 1}}, 2},
};

} // namespace

uint8_t ChinesePrintMode(const FontStyle& style) {
    return static_cast<uint8_t>((style.doubleWidth ? 0x04 : 0) | (style.doubleHeight ? 0x08 : 0) |
                                (style.underline ? 0x80 : 0));
}

uint8_t AsciiPrintMode(const FontStyle& style, bool fontA) {
    return static_cast<uint8_t>((style.doubleWidth ? 0x20 : 0) | (style.doubleHeight ? 0x10 : 0) |
                                (style.underline ? 0x80 : 0) | (fontA ? 0x01 : 0));
}

std::vector<uint8_t> ChineseTestBytes(int section, const FontStyle& style) {
    Bytes out;
    Append(out, {0x1C, 0x21, ChinesePrintMode(style)});
    if (section >= 1 && section <= 5) {
        const Section& s = SECTIONS[section - 1];
        for (int lead = s.leads.first; lead <= s.leads.last; lead += s.leads.step)
            for (int r = 0; r < s.trailRuns; ++r)
                for (int t = s.trails[r].first; t <= s.trails[r].last; t += s.trails[r].step)
                    Append(out, {static_cast<uint8_t>(lead), static_cast<uint8_t>(t)});
    }
    out.push_back(0x0A);
    return out;
}

std::vector<uint8_t> AsciiTestBytes(AsciiPattern pattern, bool fontA, const FontStyle& style) {
    Bytes out;
    Append(out, {0x1C, 0x2E, 0x1B, 0x21, AsciiPrintMode(style, fontA)});
    if (pattern == AsciiPattern::Alphabet)
        for (uint8_t c = 'A'; c <= 'Z'; ++c)
            out.push_back(c);
    else
        out.insert(out.end(), 50, pattern == AsciiPattern::LetterH ? 'H' : 'I');
    Append(out, {0x1B, 0x21, 0x00, 0x0A});
    return out;
}

std::vector<uint8_t> FixedTestBytes(FixedTest test) {
    Bytes out;
    switch (test) {
    case FixedTest::BlackMarkEnable:
        Append(out, {0x1C, 0xAA, 0x11, 0x01});
        Append(out, "  BM enable\n");
        break;
    case FixedTest::BlackMarkDisable:
        Append(out, {0x1C, 0xAA, 0x11, 0x00});
        Append(out, "  BM disable\n");
        break;
    case FixedTest::BlackMarkTest:
    case FixedTest::BlackMarkTestCut:
        Append(out, {0x1B, 0x40, 0x1D, 0x0C});
        Append(out, " BM test");
        Append(out, {0x1B, 0x4A, 0xFF, 0x1B, 0x4A, 0xFF});
        if (test == FixedTest::BlackMarkTestCut)
            Append(out, {0x1B, 0x40, 0x1D, 0x0C, 0x1D, 0x56, 0x42, 0x01});
        break;
    case FixedTest::CutEnable:
    case FixedTest::CutDisable:
        Append(out, {0x1B, 0x40});
        Append(out, test == FixedTest::CutEnable ? " Cut Enable\n" : " Cut Disable\n");
        Append(out, {0x1C, 0xAA, 0x23, static_cast<uint8_t>(test == FixedTest::CutEnable)});
        break;
    case FixedTest::FullCut:
    case FixedTest::PartialCut:
        Append(out, {0x1B, 0x40});
        Append(out, test == FixedTest::FullCut ? " Full Cut test\n" : " Partial Cut test\n");
        Append(out, {0x1B, 0x4A, 0xB0, 0x1B});
        out.push_back(test == FixedTest::FullCut ? 0x69 : 0x6D);
        break;
    case FixedTest::Drawer1:
    case FixedTest::Drawer2:
        Append(out, {0x1B, 0x40});
        Append(out, " Drawer test\n");
        Append(out, {0x1B, 0x4A, 0x20, 0x1B, 0x70});
        Append(out, {static_cast<uint8_t>(test == FixedTest::Drawer2), 0x33, 0x00, 0x00});
        break;
    }
    return out;
}

bool NeedsCutter(FixedTest test) {
    switch (test) {
    case FixedTest::BlackMarkTestCut:
    case FixedTest::CutEnable:
    case FixedTest::CutDisable:
    case FixedTest::FullCut:
    case FixedTest::PartialCut:
        return true;
    default:
        return false;
    }
}

std::vector<uint8_t> BaudRateTestBytes(int position) {
    Bytes out;
    Append(out, "set successful\n");
    Append(out, {0x1C, 0xAA, 0x22});
    // The first position goes out as three zero bytes.
    if (position <= 0)
        Append(out, {0x00, 0x00, 0x00});
    else
        Append(out, {static_cast<uint8_t>(position), 0x00});
    return out;
}

const std::vector<std::string>& BaudRateTestList() {
    static const std::vector<std::string> list = {"1200", "2400", "4800", "9600", "19200", "38400"};
    return list;
}

std::vector<uint8_t> BlackBarBytes() {
    Bytes out;
    for (int copy = 0; copy < 5; ++copy) {
        Append(out, {0x1B, 0x2A, 0x00, 0xD2, 0x00});
        out.insert(out.end(), 210, 0xFF);
        Append(out, {0x0D, 0x1B, 0x4A, 0x10});
    }
    return out;
}

TestData LoadTestData(const std::string& path, int languageId) {
    TestData r;
    std::vector<uint8_t> raw;
    int err = 0;
    if (!ReadFileBytes(path, raw, &err)) {
        r.notice =
            Notice{Severity::Error,
                   err == ENOENT ? DeviceTextString(DeviceText::TestDataMissing, languageId)
                                 : FormatDeviceText(DeviceText::FileUnreadable, languageId, path)};
        return r;
    }
    std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
    if (ParseHexText(text, r.bytes) < 0) {
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::NotHex, languageId)};
        return r;
    }
    r.ok = true;
    return r;
}

SendOutcome RunTestPrint(PortLink& link, const std::string& path, int languageId) {
    TestData data = LoadTestData(path, languageId);
    if (!data.ok) {
        SendOutcome out;
        out.notice = data.notice;
        return out;
    }
    return SendToPrinter(link, data.bytes, languageId, TEST_DATA_MAX_WRITE);
}

SendOutcome RunAsciiTest(PortLink& link, const std::vector<uint8_t>& bytes,
                         std::stop_token stopTest, std::stop_token abort, int languageId,
                         const std::function<void(int)>& onSend, int intervalMs) {
    SendOutcome last;
    last.ok = true;
    int sends = 0;
    int64_t total = 0;
    do {
        if (!PauseFor(intervalMs, abort))
            break;
        last = SendToPrinter(link, bytes, languageId);
        total += last.bytesSent;
        if (!last.ok)
            break;
        ++sends;
        if (onSend)
            onSend(sends);
    } while (!stopTest.stop_requested() && !abort.stop_requested());
    last.bytesSent = total;
    return last;
}

bool ModelHasCutter(int modelPosition) {
    return modelPosition != HT740_POSITION;
}

TestButtonStates TestButtonsFor(bool enable, int modelPosition) {
    const bool cutter = ModelHasCutter(modelPosition);
    return TestButtonStates{enable, enable && cutter, cutter};
}

} // namespace printune
