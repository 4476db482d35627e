#include "port/exchange.h"

#include <poll.h>

#include "port/printer_port.h"

namespace printune {

void ConfigurePort(CPrinterPort& port, const PortSettings& settings) {
    port.portType = settings.portType;
    port.comName = settings.comPortName;
    port.lptName = settings.lptPortName;
}

bool WaitForInput(CPrinterPort& port, int ms) {
    if (port.portType != PORT_COM || port.handles[0] < 0)
        return true;
    pollfd p{port.handles[0], POLLIN, 0};
    // Errors and hang-ups count as "ready": the read reports them.
    return ::poll(&p, 1, ms) != 0;
}

ExchangeResult Exchange(CPrinterPort& port, const std::vector<uint8_t>& request,
                        const ExchangeOptions& options, std::stop_token stop) {
    return ExchangeOver(port, request, true, options, std::move(stop));
}

ExchangeResult SendRequest(CPrinterPort& port, const std::vector<uint8_t>& request,
                           const std::string& address) {
    ExchangeOptions options;
    options.address = address;
    return ExchangeOver(port, request, false, options, {});
}

} // namespace printune
