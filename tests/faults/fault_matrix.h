#pragma once
// The table of engine operations and faults shared by the fault matrix and
// its thousand-failure run: every operation the pages and the command line
// start, run through the engine exactly as they run it, and reduced to what
// the user is told (the message and its remedy line).
#include <functional>
#include <string>
#include <vector>

#include "port/port_settings.h"
#include "port/printer_port.h"

namespace printune_test {

// How an operation talks to the printer, which decides what a fault does
// to it.
enum class OpKind {
    Reply,  // waits for an answer
    OneWay, // a short command, nothing read back
    File,   // a file the user names
};

struct OpOutcome {
    bool ok = false;
    std::string message; // empty when the operation says nothing
    std::string hint;
};

struct OpContext {
    printune::CPrinterPort& port; // the port every operation runs on
    printune::PortSettings settings;
    std::string file; // File operations: the file to send
};

struct Operation {
    const char* name;
    OpKind kind;
    bool receipt; // talks to a receipt printer (else a label printer)
    bool comOnly; // only exists for the serial interface
    std::function<OpOutcome(OpContext&)> run;
};

const std::vector<Operation>& Operations();

// The standard texts a fault may end in.
inline const std::string kTimeout = "Communication is time out!";
inline const std::string kReadFail = "Unable to get printer's setting!";
inline const std::string kWriteFail = "Unable to send file to port.";
inline const std::string kLanFail =
    "Lan connect fail. Please ensure the wire is connecting and the IP is valid.";
inline const std::string kInUse = "The interface is used by other program or non-existent!";

// Whether the port holds nothing: no descriptor in a slot, no socket.
inline bool PortClosed(const printune::CPrinterPort& port) {
    return port.OpenHandleCount() == 0 && port.socket == printune::CPrinterPort::NO_HANDLE;
}

} // namespace printune_test
