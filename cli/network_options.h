#pragma once
// What the network commands share: where requests go and where replies are
// received (tests point them at loopback simulators), the code page of
// printer texts, the "not found" failure, and the settings they accept.
#include <cstdint>
#include <string>
#include <vector>

#include "network/htnet_client.h"
#include "network/net_fields.h"
#include "network/netcfg.h"
#include "options.h"

namespace printune::cli {

std::vector<OptionSpec> NetworkAddressOptions();
// "a.b.c.d[:port]"; a usage failure otherwise.
Ipv4Endpoint CheckEndpoint(const std::string& text, uint16_t defaultPort, const char* option);
// --dest and --bind into the protocols' addresses (one address replaces
// the broadcast destination; a list or range becomes a sweep).
NetCfgAddresses LabelAddresses(const ParsedArgs& a);
HtNetOptions HtAddresses(const ParsedArgs& a);

// The code page printer texts are converted from.
std::string PrinterCodePage();

// "No network printer was found." with what to check.
[[noreturn]] void ThrowNoPrinterFound();
// No printer with this MAC answered the search.
[[noreturn]] void ThrowMacNotFound(const std::string& mac);

// NAME=VALUE arguments applied to the dialog's fields ("dhcp", "ip",
// "mask", "gateway", "port", and "timeout" when the mode has it); an input
// failure on a value that is not one. Values not given stay.
void ApplyNetworkArguments(const std::vector<std::string>& arguments, size_t first,
                           NetConfigFields& fields, const char* command);
// The same arguments checked on their own, before any request goes out.
void PrecheckNetworkArguments(const std::vector<std::string>& arguments, size_t first,
                              bool withTimeout, const char* command);
// An input failure unless the fields pass the dialog's "OK".
void RequireValidFields(const NetConfigFields& fields);

} // namespace printune::cli
