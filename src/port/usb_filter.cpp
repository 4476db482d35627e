#include "port/usb_filter.h"

#include <mutex>

namespace printune {

namespace {
std::mutex g_filterMutex;
UsbFilter g_filter;
std::function<void(int)> g_fanOut;

bool IsReceiptProduct(const std::string& vid, const std::string& pid) {
    if (vid != RECEIPT_VENDOR)
        return false;
    for (const char* p : RECEIPT_PRODUCTS)
        if (pid == p)
            return true;
    return false;
}
} // namespace

bool UsbFilterPasses(const UsbFilter& filter, const std::string& vid, const std::string& pid) {
    if (filter.UsbVendorOnly != 1)
        return vid == filter.UsbVidFilter && pid == filter.UsbPidFilter;
    if (vid != filter.UsbVidFilter && vid != filter.UsbPidFilter)
        return false;
    return !IsReceiptProduct(vid, pid) ||
           IsReceiptProduct(filter.UsbVidFilter, filter.UsbPidFilter);
}

void SetUsbFanOutNotifier(std::function<void(int)> notify) {
    std::lock_guard lock(g_filterMutex);
    g_fanOut = std::move(notify);
}

void NotifyUsbFanOut(int printers) {
    std::function<void(int)> notify;
    {
        std::lock_guard lock(g_filterMutex);
        notify = g_fanOut;
    }
    if (notify)
        notify(printers);
}

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
