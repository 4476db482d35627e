#include "base/value_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace printune {

namespace {

// Skips leading blanks and an optional sign; returns the position of the
// first character of the digits and whether the sign was a minus.
size_t SkipBlanksAndSign(const std::string& text, bool& negative) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int64_t ParseLeadingInt(const std::string& text) {
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, negative);
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        int digit = text[i] - '0';
        if (value > (kMax - digit) / 10) {
            saturated = true;
            break;
        }
        value = value * 10 + digit;
    }
    if (saturated)
        return negative ? std::numeric_limits<int64_t>::min() : kMax;
    return negative ? -value : value;
}

double ParseLeadingDouble(const std::string& text) {
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, negative);
    // Only plain decimal notation: a digit or a point must come first, which
    // keeps "inf", "nan" and hexadecimal floats out.
    if (i >= text.size() || !(IsDigit(text[i]) || text[i] == '.'))
        return 0.0;
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                     std::chars_format::fixed | std::chars_format::scientific);
    (void)end;
    if (ec == std::errc::result_out_of_range)
        value = std::numeric_limits<double>::max();
    else if (ec != std::errc())
        return 0.0;
    if (!std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
    // to_chars rounds like printf but never uses the locale's decimal comma.
    char buf[400];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return "0";
    return std::string(buf, end);
}

int64_t TruncateToInt64(double value) {
    if (std::isnan(value))
        return 0;
    // 2^63 exactly representable; anything at or beyond saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit)
        return std::numeric_limits<int64_t>::max();
    if (value <= -kLimit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

} // namespace printune
