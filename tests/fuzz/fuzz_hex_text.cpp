// Hexadecimal text of the command test and the test data file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/hex_text.h"
#include "base/language.h"
#include "diagnostics/data_send.h"
#include "diagnostics/print_tests.h"

using namespace printune;

namespace {

// The reference: every hex digit in order, pairs make bytes, a lone last
// digit dropped; any other character but space, CR and LF refuses the text.
int Reference(const std::string& text, std::vector<uint8_t>& out) {
    std::vector<int> digits;
    for (char c : text) {
        if (c == ' ' || c == '\r' || c == '\n')
            continue;
        if (c >= '0' && c <= '9')
            digits.push_back(c - '0');
        else if (c >= 'a' && c <= 'f')
            digits.push_back(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digits.push_back(c - 'A' + 10);
        else
            return -1;
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(digits[i] * 16 + digits[i + 1]));
    return static_cast<int>(digits.size() / 2);
}

// The test data file, written once per process and rewritten per input.
const std::string& TestDataPath() {
    static const std::string path = [] {
        char name[] = "/tmp/printune-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

bool WriteTestData(const std::string& text) {
    std::FILE* f = std::fopen(TestDataPath().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> got{0xAA}, want{0xAA}; // appends keep what was there
    const int n = ParseHexText(text, got);
    const int m = Reference(text, want);
    if (n != m || (n >= 0 && got != want) || (n < 0 && got.size() != 1))
        abort();
    // The test data file and the command test's hex send read the same.
    if (!WriteTestData(text))
        abort();
    const TestData file = LoadTestData(TestDataPath(), LANG_ENGLISH);
    if (file.ok != (n >= 0) || file.notice.has_value() == file.ok ||
        (file.ok && file.bytes != std::vector<uint8_t>(want.begin() + 1, want.end())))
        abort();
    const DataBytes send = BuildDataBytes(text, true, "WINDOWS-1252", LANG_CHINESE);
    if (send.ok != (n > 0) || (send.ok && send.bytes != file.bytes))
        abort();
    if (n > 0) {
        // Bytes -> text -> the same bytes.
        std::string again;
        char piece[4];
        for (size_t i = 1; i < got.size(); ++i) {
            std::snprintf(piece, sizeof piece, "%02X ", got[i]);
            again += piece;
        }
        std::vector<uint8_t> round;
        if (ParseHexText(again, round) != n ||
            round != std::vector<uint8_t>(got.begin() + 1, got.end()))
            abort();
    }
    return 0;
}
