#pragma once
// SHA-256 digests, for recording large payloads by length and digest.
#include <cstddef>
#include <cstdint>
#include <string>

namespace printune {

// Lower-case hex digest of the bytes.
std::string Sha256Hex(const uint8_t* data, size_t length);

} // namespace printune
