#include "port/usb_printers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>

#include <dirent.h>

#include "port/device_names.h"
#include "port/printer_port.h"

namespace printune {

namespace {
// "lp12" -> 12; -1 for anything else.
int MinorFromName(const char* name) {
    if (name[0] != 'l' || name[1] != 'p' || name[2] == '\0')
        return -1;
    long n = 0;
    for (const char* p = name + 2; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || n > 100000)
            return -1;
        n = n * 10 + (*p - '0');
    }
    return static_cast<int>(n);
}

// Four hex digits from an idVendor/idProduct file, upper case; empty when
// the file is missing or malformed.
std::string ReadId(const std::string& file) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || text.size() != 4 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c); }))
        return {};
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Parent(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}
} // namespace

bool ListUsbPrinters(const std::string& sysfsRoot, const std::string& devRoot,
                     std::vector<UsbPrinterInterface>& out) {
    out.clear();
    const std::string classDir = sysfsRoot + "/class/usbmisc";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(classDir.c_str()), closedir);
    if (!dir)
        return false;
    while (dirent* e = readdir(dir.get())) {
        int minor = MinorFromName(e->d_name);
        if (minor < 0)
            continue;
        UsbPrinterInterface p;
        p.minor = minor;
        p.node = devRoot + "/usb/" + e->d_name;
        std::string vid, pid;
        // lpN/device is the interface; the USB device is its parent.
        char resolved[PATH_MAX];
        std::string link = classDir + "/" + e->d_name + "/device";
        if (realpath(link.c_str(), resolved)) {
            std::string usbDevice = Parent(resolved);
            vid = ReadId(usbDevice + "/idVendor");
            pid = ReadId(usbDevice + "/idProduct");
        }
        p.path = "usb#";
        if (!vid.empty())
            p.path += "VID_" + vid;
        if (!pid.empty())
            p.path += (vid.empty() ? "" : "&") + std::string("PID_") + pid;
        p.path += std::string("#") + e->d_name;
        out.push_back(std::move(p));
    }
    std::sort(out.begin(), out.end(),
              [](const UsbPrinterInterface& a, const UsbPrinterInterface& b) {
                  return a.minor < b.minor;
              });
    return true;
}

bool UsbPrinterPasses(const UsbFilter& filter, const UsbPrinterInterface& printer) {
    if (filter.Empty())
        return true;
    std::string vid, pid;
    return CPrinterPort::GetVidPidFromPath(printer.path, vid, pid) &&
           UsbFilterPasses(filter, vid, pid);
}

int CountUsbPrinters(const UsbFilter& filter) {
    std::vector<UsbPrinterInterface> present;
    if (!ListUsbPrinters(SysfsRoot(), DevRoot(), present))
        return -1;
    if (present.size() > static_cast<size_t>(CPrinterPort::HANDLE_SLOTS))
        present.resize(static_cast<size_t>(CPrinterPort::HANDLE_SLOTS));
    return static_cast<int>(std::count_if(present.begin(), present.end(), [&](const auto& p) {
        return UsbPrinterPasses(filter, p);
    }));
}

} // namespace printune
