#pragma once
// A command that cannot finish throws Failure; main prints its message on
// standard error (and an error document with --json) and exits with its code.
#include <stdexcept>
#include <string>

#include "exit_codes.h"
#include "port/port_errors.h"

namespace printune::cli {

struct Failure {
    int exitCode = EXIT_OTHER;
    std::string message;        // the system's own text, in the run's language
    std::string hint;           // an optional second line (a remedy)
    int portCode = 0;           // 8000..8006 for EXIT_PORT
    const char* kind = "error"; // "usage", "port", "timeout", "input", "error"
};

[[noreturn]] void ThrowUsage(const std::string& message);
[[noreturn]] void ThrowInput(const std::string& message);
[[noreturn]] void ThrowTimeout();
[[noreturn]] void ThrowOther(const std::string& message);
// The standard message for a port error code and the port type in use, with
// the remedy line when the port knows the cause.
[[noreturn]] void ThrowPort(int code, int portType, int sysErrno);
[[noreturn]] void ThrowPort(const PortError& error);

// The system's time-out message, "Communication is time out!".
std::string TimeoutMessage();

} // namespace printune::cli
