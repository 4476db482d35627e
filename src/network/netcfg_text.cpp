#include "network/netcfg_text.h"

#include <algorithm>

#include "base/iconv.h"
#include "base/utf8.h"

namespace printune {

std::string NetWireToUtf8(std::string_view wire) {
    if (IsValidUtf8(wire))
        return std::string(wire);
    std::string out;
    // The converter's output is checked too: what leaves here is always
    // valid UTF-8, whatever the converter makes of odd four-byte forms.
    if (Iconv("UTF-8", "GB18030").Convert(wire, out) && IsValidUtf8(out))
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
    if (ascii || codePage.empty() || !Iconv("UTF-8", codePage).Convert(wire, text))
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
    Iconv toWire("GB18030", "UTF-8");
    for (size_t i = 0; i < utf8.size();) {
        size_t n = Utf8SequenceLength(utf8, i);
        std::string piece;
        if (n == 0) {
            piece = "?";
            n = 1;
        } else if (n == 1) {
            piece = utf8.substr(i, 1);
        } else if (!toWire.Convert(utf8.substr(i, n), piece)) {
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
