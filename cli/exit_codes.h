#pragma once
// The command line's exit codes (documented in --help, the man page and the
// README).

namespace printune::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_OTHER = 1;   // anything not listed below
inline constexpr int EXIT_USAGE = 2;   // unknown command or option, bad syntax
inline constexpr int EXIT_PORT = 3;    // port failure; the code 8000..8006 is printed
inline constexpr int EXIT_TIMEOUT = 4; // the printer did not answer in time
inline constexpr int EXIT_INPUT = 5;   // a value failed its check; nothing was sent
inline constexpr int EXIT_NOT_FOUND = 6; // no network printer (with that MAC) answered

} // namespace printune::cli
