#include "port/usb_filter.h"

#include <mutex>

namespace printune {

namespace {
std::mutex g_filterMutex;
UsbFilter g_filter;
} // namespace

UsbFilter CurrentUsbFilter() {
    std::lock_guard lock(g_filterMutex);
    return g_filter;
}

void SetUsbFilter(const UsbFilter& filter) {
    std::lock_guard lock(g_filterMutex);
    g_filter = filter;
}

ScopedUsbFilter::ScopedUsbFilter(const UsbFilter& filter) : previous_(CurrentUsbFilter()) {
    SetUsbFilter(filter);
}

ScopedUsbFilter::~ScopedUsbFilter() {
    SetUsbFilter(previous_);
}

} // namespace printune
