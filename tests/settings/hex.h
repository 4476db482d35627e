#pragma once
// Wire bytes written as hex text in the tests ("1B 0D 53").
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte)
        out.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    return out;
}

// A reply buffer of the given size with the given bytes at their offsets.
inline std::vector<uint8_t> ReplyWith(size_t size,
                                      std::initializer_list<std::pair<int, uint8_t>> bytes) {
    std::vector<uint8_t> r(size, 0);
    for (auto [offset, value] : bytes)
        r[static_cast<size_t>(offset)] = value;
    return r;
}
