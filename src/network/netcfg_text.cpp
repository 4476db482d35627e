#include "network/netcfg_text.h"

#include <algorithm>
#include <iconv.h>

namespace printune {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when malformed.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t length;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4;
    else
        return 0;
    if (i + length > s.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8SequenceLength(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

// One conversion of a whole piece; false when iconv refuses any of it.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string buffer(in.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || srcLeft != 0)
        return false;
    buffer.resize(buffer.size() - dstLeft);
    out = buffer;
    return true;
}

} // namespace

std::string NetWireToUtf8(std::string_view wire) {
    if (IsUtf8(wire))
        return std::string(wire);
    std::string out;
    if (Convert("UTF-8", "GB18030", wire, out))
        return out;
    // Mixed or broken bytes: keep ASCII, mark the rest.
    out.clear();
    for (char c : wire)
        out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
}

std::string NetDisplayText(std::string_view wire, const std::string& codePage) {
    while (!wire.empty() && (wire.back() == ' ' || wire.back() == '\0'))
        wire.remove_suffix(1);
    std::string text;
    bool ascii = true;
    for (char c : wire)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii || codePage.empty() || !Convert("UTF-8", codePage.c_str(), wire, text))
        text = NetWireToUtf8(wire);
    // Control characters (C0, DEL and C1) never reach a terminal or a list.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = std::max<size_t>(1, Utf8SequenceLength(text, i));
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if ((n == 1 && (c < 0x20 || c == 0x7F)) || c1)
            out += '?';
        else
            out.append(text, i, n);
        i += n;
    }
    return out;
}

std::string Utf8ToNetWire(std::string_view utf8, size_t maxBytes) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = Utf8SequenceLength(utf8, i);
        std::string piece;
        if (n == 0) {
            piece = "?";
            n = 1;
        } else if (n == 1) {
            piece = utf8.substr(i, 1);
        } else if (!Convert("GB18030", "UTF-8", utf8.substr(i, n), piece)) {
            piece = "?";
        }
        if (out.size() + piece.size() > maxBytes)
            break;
        out += piece;
        i += n;
    }
    return out;
}

} // namespace printune
