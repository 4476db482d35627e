#include "link.h"

#include "context.h"
#include "failure.h"
#include "output.h"

namespace printune::cli {

CliLink::CliLink(const Context& context, std::string address)
    : inner_(context.settings, std::move(address)) {}

CliLink::CliLink(const PortSettings& settings, std::string address)
    : inner_(settings, std::move(address)) {}

int CliLink::Open() {
    try {
        const int opened = inner_.Open();
        if (opened != 1)
            failure_ = PortError(0, inner_.PortType(), inner_.LastErrno());
        return opened;
    } catch (const PortError& e) {
        failure_ = e;
        throw;
    }
}

int CliLink::Write(const uint8_t* data, int32_t length) {
    try {
        return inner_.Write(data, length);
    } catch (const PortError& e) {
        failure_ = e;
        throw;
    }
}

int CliLink::Read(uint8_t* buffer, int size) {
    try {
        return inner_.Read(buffer, size);
    } catch (const PortError& e) {
        failure_ = e;
        throw;
    }
}

int CliLink::Flush() {
    try {
        return inner_.Flush();
    } catch (const PortError& e) {
        failure_ = e;
        throw;
    }
}

void ThrowNotice(const CliLink& link, const Notice& notice, int exitCode) {
    Failure f;
    f.message = notice.text;
    f.hint = notice.hint;
    if (link.PortFailure()) {
        f.exitCode = EXIT_PORT;
        f.kind = "port";
        f.portCode = link.PortFailure()->Code();
    } else {
        f.exitCode = exitCode;
        f.kind = exitCode == EXIT_INPUT ? "input" : exitCode == EXIT_TIMEOUT ? "timeout" : "error";
    }
    throw f;
}

void PrintNotice(const Notice& notice) {
    PrintMessage(notice.text);
    if (!notice.hint.empty())
        PrintMessage(notice.hint);
}

} // namespace printune::cli
