#pragma once
// The run's connection: the settings file as the desktop program loads it,
// with the global options laid over it for this run only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "options.h"
#include "port/port_settings.h"
#include "port/printer_port.h"

namespace printune::cli {

struct Context {
    GlobalOptions global;
    std::string configPath;    // the settings file of this run
    bool configExists = false; // whether it existed when the run started
    PortSettings settings;     // effective settings of this run
    int fileLanguageId = 0;    // language of the settings file as loaded
    int languageId = 0;        // LANG_ENGLISH / LANG_CHINESE of the settings
    int modelPosition = 0;     // 1-based position in the model list, 0 unknown
    bool json = false;
};

// Loads the settings file named by --config (defaults when it does not
// exist; the file is not created) and sets the message language from --lang
// or the file.
void LoadRunSettings(Context& context);
// Checks and applies the global options over the loaded settings; sets the
// process-wide current settings and the USB filter.
void ApplyOverrides(Context& context);

// Writes the run's settings into its settings file, as the interface page
// does on every choice. Throws a failure when the file cannot be written.
void SaveRunSettings(const Context& context);

// Whether the run's model is a receipt printer (positions 3 and 4).
bool IsReceiptModel(const Context& context);

// Copies port type and device names of the settings into the port, as every
// page does before an open.
void SetUpPort(CPrinterPort& port, const PortSettings& settings);

// One open-write-close cycle. Port errors become failures with exit code 3.
// Returns the bytes written.
int SendOnce(const Context& context, const std::vector<uint8_t>& bytes,
             const std::string& address = {});

// Runs f(port) between Open and Close, turning raised port codes into
// failures; the port is closed on every path.
void WithOpenPort(const Context& context, const std::string& address,
                  const std::function<void(CPrinterPort&)>& f);

// Validation of the serial line values; each returns the canonical text
// ("Xon/Xoff", "Even", ...) or throws an input failure.
std::string CheckBaud(const std::string& text);
std::string CheckParity(const std::string& text);
std::string CheckDataBits(const std::string& text);
std::string CheckStopBits(const std::string& text);
std::string CheckFlow(const std::string& text);
// A dotted IPv4 address; throws an input failure naming what.
std::string CheckIpv4(const std::string& text, const char* what);

} // namespace printune::cli
