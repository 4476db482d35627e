#pragma once
// Wire bytes written as hex text in the tests ("1B 0D 53"), and replies
// with given bytes at given offsets.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/sim_process.h"

inline std::vector<uint8_t> Hex(const std::string& text) {
    return printune_test::HexBytes(text);
}

inline std::vector<uint8_t> ReplyWith(size_t size,
                                      std::initializer_list<std::pair<int, uint8_t>> bytes) {
    std::vector<uint8_t> r(size, 0);
    for (auto [offset, value] : bytes)
        r[static_cast<size_t>(offset)] = value;
    return r;
}
