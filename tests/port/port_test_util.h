#pragma once
// Helpers shared by the port suites.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "port/port_settings.h"
#include "port/printer_port.h"
#include "port/usb_filter.h"
#include "support/process_counts.h"

namespace printune_test {

// Runs f and returns the port error code it raised, or 0 when it raised none.
template <typename F>
int RaisedCode(F&& f) {
    try {
        f();
    } catch (const printune::PortError& e) {
        return e.Code();
    }
    return 0;
}

// Puts the current settings and USB filter back after a test changes them.
class ScopedPortState {
public:
    ScopedPortState()
        : settings_(printune::CurrentPortSettings()), filter_(printune::CurrentUsbFilter()) {}
    ~ScopedPortState() {
        printune::SetCurrentPortSettings(settings_);
        printune::SetUsbFilter(filter_);
    }

private:
    printune::PortSettings settings_;
    printune::UsbFilter filter_;
};

// Reads until count bytes arrived or timeoutMs passed, as the pages do.
inline std::vector<uint8_t> ReadReply(printune::CPrinterPort& port, size_t count,
                                      int timeoutMs = 3000) {
    std::vector<uint8_t> got;
    uint8_t buf[4096];
    auto start = std::chrono::steady_clock::now();
    while (got.size() < count &&
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        int n = port.Read(buf, sizeof buf);
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

} // namespace printune_test
