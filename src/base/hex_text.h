#pragma once
// Hexadecimal text as the command test and the test data file write it:
// "1B 40", "1b40" and "1 B4 0" are all the two bytes 1B 40.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace printune {

// Appends the bytes the text denotes to out and returns their number, or -1
// when a character other than a hex digit, space, CR or LF occurs (out then
// holds nothing of this text). Separators may stand anywhere, also between
// the two digits of a byte; a last digit without a partner is dropped.
int ParseHexText(std::string_view text, std::vector<uint8_t>& out);

// The bytes as lower-case hex digits without separators ("1b40").
std::string LowerHex(const uint8_t* data, size_t length);

} // namespace printune
