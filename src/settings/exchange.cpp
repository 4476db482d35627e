#include "settings/exchange.h"

#include "port/printer_port.h"

namespace printune {

void ConfigurePort(CPrinterPort& port, const PortSettings& settings) {
    port.portType = settings.portType;
    port.comName = settings.comPortName;
    port.lptName = settings.lptPortName;
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
