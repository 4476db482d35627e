#include "network/netcfg_text.h"

#include "base/iconv.h"
#include "base/utf8.h"

namespace printune {

std::string NetWireToUtf8(std::string_view wire) {
    if (IsValidUtf8(wire))
        return std::string(wire);
    std::string out;
    if (Iconv("UTF-8", "GB18030").Convert(wire, out))
        return out;
    // Mixed or broken bytes: keep ASCII, mark the rest.
    out.clear();
    for (char c : wire)
        out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
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
