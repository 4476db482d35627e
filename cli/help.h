#pragma once
#include <string>

#include "printune_version.h"

namespace printune::cli {

struct Command;

inline constexpr const char* CLI_VERSION = PRINTUNE_VERSION;

// The overview: synopsis, global options, commands by group, exit codes.
std::string GeneralHelp();
// One command: synopsis, summary, options, details.
std::string CommandHelp(const Command& command);

} // namespace printune::cli
