#pragma once
// The port link the engines drive, for this run's connection. It remembers
// the port failure an operation met, so that a failure the engine reports as
// a message can still end with exit code 3 and its code.
#include <optional>
#include <string>

#include "port/port_link.h"

namespace printune::cli {

struct Context;

class CliLink final : public PortLink {
public:
    explicit CliLink(const Context& context, std::string address = std::string());
    // A port of the given type and devices instead of the run's.
    explicit CliLink(const PortSettings& settings, std::string address = std::string());

    int Open() override;
    int Write(const uint8_t* data, int32_t length) override;
    int Read(uint8_t* buffer, int size) override;
    int Flush() override;
    int Close() override { return inner_.Close(); }
    int32_t PortType() const override { return inner_.PortType(); }
    int LastErrno() const override { return inner_.LastErrno(); }
    bool WaitForInput(int ms) override { return inner_.WaitForInput(ms); }

    // The last failure Open, Write or Read raised; code 0 when Open opened
    // nothing without raising; empty when the port never failed.
    const std::optional<PortError>& PortFailure() const { return failure_; }

private:
    PrinterPortLink inner_;
    std::optional<PortError> failure_;
};

// Turns an engine's notice into a failure: a port failure (exit 3) when the
// link raised a code, otherwise one with the given exit code.
[[noreturn]] void ThrowNotice(const CliLink& link, const Notice& notice, int exitCode);

// Prints an engine's notice (an information or warning that is not a
// failure) on standard error.
void PrintNotice(const Notice& notice);

} // namespace printune::cli
