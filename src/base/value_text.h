#pragma once
// Number parsing and formatting with the C runtime's lenient rules, which the
// printers' edit fields rely on: leading blanks and a sign are accepted, the
// number stops at the first character that does not belong to it, and text
// without a number reads as 0. Independent of the process locale.
#include <cstdint>
#include <string>

namespace printune {

// Decimal integer from the start of the text ("12abc" → 12, "x" → 0, "-" → 0).
// Saturates at the int64 range instead of overflowing.
int64_t ParseLeadingInt(const std::string& text);

// Decimal floating-point number from the start of the text ("12.5mm" → 12.5,
// "" → 0). Infinite or NaN spellings read as 0.
double ParseLeadingDouble(const std::string& text);

// printf-style "%.Nlf" with '.' as decimal point.
std::string FormatFixed(double value, int decimals);

// Truncates toward zero into the int64 range (saturating), so later
// "low 16 bits" steps are well defined for any input.
int64_t TruncateToInt64(double value);

} // namespace printune
