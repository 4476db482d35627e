#pragma once
// Reading a file whole.
#include <cstdint>
#include <string>
#include <vector>

namespace printune {

// The whole file in out; false (out empty, errno kept in err) when it cannot
// be read. A directory is refused with EISDIR.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, int* err = nullptr);

} // namespace printune
