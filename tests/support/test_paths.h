#pragma once
// Paths of the built programs and the source tree, for end-to-end tests.
#include <string>

namespace printune_test {

inline std::string BinPath(const std::string& program) {
    return std::string(PRINTUNE_BIN_DIR) + "/" + program;
}

inline std::string SourcePath(const std::string& relative) {
    return std::string(PRINTUNE_SOURCE_DIR) + "/" + relative;
}

} // namespace printune_test
