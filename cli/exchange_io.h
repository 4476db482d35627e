#pragma once
// The request/reply cycle of the settings commands for this run, with the
// outcomes turned into exit codes, and the adoption of the serial-line
// values a printer reports.
#include <cstdint>
#include <string>
#include <vector>

#include "port/exchange.h"
#include "settings/label_commands.h"
#include "settings/settings_operations.h"

namespace printune::cli {

struct Context;

// Ends the run when an engine operation's exchange did not end in 'expected'
// (a reply or a send): open, write and read failures with exit 3, no reply
// with exit 4, Ctrl-C with exit 1.
void RequireOutcome(const Context& context, const ExchangeResult& result, const CPrinterPort& port,
                    ExchangeOutcome expected);

// The engine's serial-line adopter for this run: the values go into the
// run's settings and, unless 'save' is false, into the settings file.
SerialLineAdopter RunAdopter(Context& context, bool save);

// The desktop program takes the serial-line values a printer reports into
// its settings and rewrites the settings file. The command line does the
// same to the file's own record (this run's overrides are not written),
// when the file exists and unless --no-save was given.
void AdoptSerialLine(Context& context, const SerialLine& line, bool save);

} // namespace printune::cli
