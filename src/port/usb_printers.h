#pragma once
// Enumeration of the USB printer-class interfaces the kernel's usblp driver
// exposes: <sysfs>/class/usbmisc/lpN, vendor and product from the USB device
// above the interface, device node <dev>/usb/lpN.
#include <string>
#include <vector>

#include "port/usb_filter.h"

namespace printune {

struct UsbPrinterInterface {
    int minor = 0;    // N of lpN
    std::string node; // device node to open
    // Device path in the Windows form the filter parses, e.g.
    // "usb#VID_7A3E&PID_5C19#lp0"; a mark is missing when sysfs lacks the ID.
    std::string path;
};

// Interfaces in ascending N. Returns false (errno set) when the usbmisc
// class directory cannot be read at all.
bool ListUsbPrinters(const std::string& sysfsRoot, const std::string& devRoot,
                     std::vector<UsbPrinterInterface>& out);

// Whether the filter lets this interface be opened (an empty filter lets
// every one through; a path without both IDs passes no other filter).
bool UsbPrinterPasses(const UsbFilter& filter, const UsbPrinterInterface& printer);

// Present interfaces (of the first ten, as the open examines) that the
// filter lets through; -1 when the list cannot be read.
int CountUsbPrinters(const UsbFilter& filter);

} // namespace printune
