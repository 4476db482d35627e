#pragma once
// The command table: every command names its words, arguments, options and
// the function that runs it.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "options.h"

namespace printune::cli {

struct Context;

inline constexpr size_t MANY = static_cast<size_t>(-1);

struct Command {
    std::string words;     // "label get", "connect"
    std::string arguments; // synopsis of the positional arguments
    const char* english = "";
    const char* chinese = "";
    std::vector<OptionSpec> options;
    size_t minArgs = 0;
    size_t maxArgs = 0;
    std::function<void(Context&, const ParsedArgs&)> run;
    std::function<std::string()> details; // more text for the command's --help
};

// The groups, in the order --help lists them.
void AddConnectionCommands(std::vector<Command>& commands);
void AddInterfaceCommands(std::vector<Command>& commands);
void AddLabelCommands(std::vector<Command>& commands);
void AddReceiptCommands(std::vector<Command>& commands);
void AddFirmwareCommands(std::vector<Command>& commands);
void AddNetworkCommands(std::vector<Command>& commands);
void AddWirelessCommands(std::vector<Command>& commands);
void AddHtNetCommands(std::vector<Command>& commands);
void AddSendCommands(std::vector<Command>& commands);
void AddTestCommands(std::vector<Command>& commands);
void AddDoctorCommands(std::vector<Command>& commands);
void AddProfileCommands(std::vector<Command>& commands);
void AddTraceCommands(std::vector<Command>& commands);

const std::vector<Command>& AllCommands();

// Shared by the wireless commands: Wi-Fi and Bluetooth belong to the label
// printers (the interface page shows their buttons only for those).
void RequireLabelPrinterForWireless(const Context& context);
void WifiReset(Context& context, const ParsedArgs& args);

} // namespace printune::cli
