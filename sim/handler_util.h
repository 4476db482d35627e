#pragma once
// Small helpers the simulated printers' command handlers share.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace printune_sim {

// How the bytes at the head of the stream relate to a fixed command start.
enum class Match { No, Partial, Full };

inline Match MatchPrefix(const uint8_t* data, size_t length, std::initializer_list<uint8_t> start) {
    size_t i = 0;
    for (uint8_t b : start) {
        if (i == length)
            return Match::Partial;
        if (data[i] != b)
            return Match::No;
        ++i;
    }
    return Match::Full;
}

inline std::string HexBytes(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        if (i)
            s += ' ';
        s += digits[data[i] >> 4];
        s += digits[data[i] & 0xF];
    }
    return s;
}

inline std::string Ipv4Text(const uint8_t* p) {
    return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) + "." +
           std::to_string(p[3]);
}

// Bytes as text for event lines: printable ASCII kept, others as \xHH.
inline std::string PrintableText(const uint8_t* data, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < length; ++i) {
        uint8_t c = data[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += static_cast<char>(c);
        } else {
            s += "\\x";
            s += digits[c >> 4];
            s += digits[c & 0xF];
        }
    }
    return s;
}

} // namespace printune_sim
