#pragma once
// Options shared by the network commands: where requests go and where
// replies are received (tests point them at loopback simulators).
#include <cstdint>
#include <string>
#include <vector>

#include "network/udp_socket.h"
#include "options.h"

namespace printune::cli {

std::vector<OptionSpec> NetworkAddressOptions();
// "a.b.c.d[:port]"; a usage failure otherwise.
Ipv4Endpoint CheckEndpoint(const std::string& text, uint16_t defaultPort, const char* option);

} // namespace printune::cli
