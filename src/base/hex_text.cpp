#include "base/hex_text.h"

namespace printune {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

} // namespace

int ParseHexText(std::string_view text, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    int high = -1;
    for (char c : text) {
        if (IsSeparator(c))
            continue;
        int v = DigitValue(c);
        if (v < 0) {
            out.resize(start);
            return -1;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return static_cast<int>(out.size() - start);
}

std::string LowerHex(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (size_t i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

} // namespace printune
