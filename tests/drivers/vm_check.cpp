// printune-vmcheck: small checks for the driver tests inside the virtual
// machine, where a shell over busybox would take seconds per file.
//   usb-list [SYSFS DEV]   the port's USB listing, one "node path" line each
//   rx CAPTURE             the bytes a simulator endpoint received, in hex
//   count CAPTURE          how many bytes it received
//   same CAPTURE FILE      exit 0 when it received exactly FILE's bytes
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "port/usb_printers.h"

namespace {

// Capture lines are "SECONDS rx HH HH ..." (see the simulator's capture).
bool Received(const char* path, std::vector<unsigned char>& out) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string stamp, dir, hex;
        if (!(words >> stamp >> dir) || dir != "rx")
            continue;
        while (words >> hex)
            out.push_back(static_cast<unsigned char>(std::stoul(hex, nullptr, 16)));
    }
    return true;
}

int UsbList(const char* sysfs, const char* dev) {
    std::vector<printune::UsbPrinterInterface> found;
    if (!printune::ListUsbPrinters(sysfs, dev, found)) {
        std::fprintf(stderr, "cannot list %s/class/usbmisc: %s\n", sysfs, std::strerror(errno));
        return 1;
    }
    for (const auto& p : found)
        std::printf("%s %s\n", p.node.c_str(), p.path.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "usb-list")
        return UsbList(argc > 2 ? argv[2] : "/sys", argc > 3 ? argv[3] : "/dev");
    std::vector<unsigned char> rx;
    if (argc < 3 || !Received(argv[2], rx)) {
        std::fprintf(stderr, "usage: printune-vmcheck usb-list|rx|count|same CAPTURE [FILE]\n");
        return 2;
    }
    if (what == "rx") {
        for (unsigned char b : rx)
            std::printf("%02X", b);
        return 0;
    }
    std::printf("%zu\n", rx.size());
    if (what == "same" && argc > 3) {
        std::ifstream f(argv[3], std::ios::binary);
        std::vector<unsigned char> want((std::istreambuf_iterator<char>(f)),
                                        std::istreambuf_iterator<char>());
        return rx == want ? 0 : 1;
    }
    return 0;
}
