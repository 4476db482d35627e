#pragma once
// The process-wide USB device filter. The model choice sets it; a firmware
// update switches it for its duration (ScopedUsbFilter).
#include <string>

namespace printune {

struct UsbFilter {
    std::string UsbVidFilter; // four upper-case hex digits or empty
    std::string UsbPidFilter; // four upper-case hex digits or empty
    int UsbVendorOnly = 0;    // 1: vendor ID must equal either text

    bool operator==(const UsbFilter&) const = default;
    bool Empty() const { return UsbVidFilter.empty() && UsbPidFilter.empty(); }
};

// Whole-record copies under a lock.
UsbFilter CurrentUsbFilter();
void SetUsbFilter(const UsbFilter& filter);

// Switches the filter for one scope and puts the previous one back on every
// path out of it.
class ScopedUsbFilter {
public:
    explicit ScopedUsbFilter(const UsbFilter& filter);
    ~ScopedUsbFilter();
    ScopedUsbFilter(const ScopedUsbFilter&) = delete;
    ScopedUsbFilter& operator=(const ScopedUsbFilter&) = delete;

private:
    UsbFilter previous_;
};

} // namespace printune
