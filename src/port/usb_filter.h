#pragma once
// The process-wide USB device filter. The model choice sets it; a firmware
// update switches it for its duration (ScopedUsbFilter).
#include <functional>
#include <string>

namespace printune {

struct UsbFilter {
    std::string UsbVidFilter; // four upper-case hex digits or empty
    std::string UsbPidFilter; // four upper-case hex digits or empty
    int UsbVendorOnly = 0;    // 1: vendor ID must equal either text

    bool operator==(const UsbFilter&) const = default;
    bool Empty() const { return UsbVidFilter.empty() && UsbPidFilter.empty(); }
};

// Whether the filter lets a printer with these IDs (upper-case hex) be opened.
// The label models' vendor-only match would also take the same vendor's
// receipt printers, so a receipt model's product is refused unless the filter
// itself names a receipt product.
bool UsbFilterPasses(const UsbFilter& filter, const std::string& vid, const std::string& pid);

// Vendor and products of the receipt models in the model list.
inline constexpr const char* RECEIPT_VENDOR = "7A3E";
inline constexpr const char* RECEIPT_PRODUCTS[] = {"3D71", "3D72"};

// Called (on the writing thread) when one USB write went to more than one
// printer, once per open, with the number of printers; the front end tells
// the user. Empty: nobody is told.
void SetUsbFanOutNotifier(std::function<void(int printers)> notify);
void NotifyUsbFanOut(int printers);

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
