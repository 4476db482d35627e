#include "base/utf8.h"

namespace printune {

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

size_t Utf8SequenceLength(std::string_view text, size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t n;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4;
    else
        return 0; // continuation byte, overlong lead (C0, C1) or beyond U+10FFFF
    if (i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if (!IsContinuation(text[i + k]))
            return 0;
    const auto b1 = static_cast<unsigned char>(text[i + 1]);
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 > 0x9F) || (b == 0xF0 && b1 < 0x90) ||
        (b == 0xF4 && b1 > 0x8F))
        return 0; // overlong, surrogate or above U+10FFFF
    return n;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool IsValidFieldText(std::string_view text) {
    return text.find('\0') == std::string_view::npos && IsValidUtf8(text);
}

bool DecodeUtf8(std::string_view text, std::u32string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out.clear();
            return false;
        }
        static constexpr unsigned char LEAD_MASK[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t c = static_cast<unsigned char>(text[i]) & LEAD_MASK[n];
        for (size_t k = 1; k < n; ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(c);
        i += n;
    }
    return true;
}

std::string EncodeUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

size_t Utf8CharCount(std::string_view text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (i == 0 || !IsContinuation(text[i]))
            ++n;
    return n;
}

std::string_view Utf8Prefix(std::string_view text, size_t chars) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 0 || !IsContinuation(text[i])) {
            if (seen == chars)
                return text.substr(0, i);
            ++seen;
        }
    }
    return text;
}

} // namespace printune
