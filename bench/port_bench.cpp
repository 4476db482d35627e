// Driver for bench/port_bench.sh: sends a file through CPrinterPort, or
// waits on a silent printer and reports the CPU it cost.
//   port_bench send lan ADDR PORT FILE
//   port_bench send usb FILE              (PRINTUNE_SYSFS_ROOT / _DEV_ROOT set)
//   port_bench wait lan ADDR PORT MS | wait usb MS | wait com NAME MS
// Prints one line: "seconds S" or "cpu_percent P".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "port/port_settings.h"
#include "port/printer_port.h"
#include "port/usb_filter.h"

using namespace printune;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

int Usage() {
    std::fputs("usage: port_bench send lan ADDR PORT FILE | send usb FILE |\n"
               "       port_bench wait lan ADDR PORT MS | wait usb MS | wait com NAME MS\n",
               stderr);
    return 2;
}

// Sets up the port for the transport named in args[2...]; returns the index
// of the first argument after the transport's own.
size_t Prepare(CPrinterPort& port, const std::vector<std::string>& a) {
    const std::string& t = a[2];
    if (t == "lan") {
        PortSettings s = CurrentPortSettings();
        s.ipAddr = a.at(3);
        s.listenPort = std::stoi(a.at(4));
        SetCurrentPortSettings(s);
        port.portType = PORT_LAN;
        return 5;
    }
    if (t == "com") {
        port.portType = PORT_COM;
        port.comName = a.at(3);
        return 4;
    }
    port.portType = PORT_USB;
    SetUsbFilter({});
    return 3;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a(argv, argv + argc);
    if (a.size() < 4)
        return Usage();
    CPrinterPort port;
    try {
        size_t next = Prepare(port, a);
        if (a[1] == "send" && next < a.size()) {
            // Mapped, not read: like socat, the bytes come from the page
            // cache while they are being sent.
            int fd = open(a[next].c_str(), O_RDONLY);
            struct stat st {};
            if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0)
                return Usage();
            size_t size = static_cast<size_t>(st.st_size);
            void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            close(fd);
            if (map == MAP_FAILED)
                return Usage();
            const auto* bytes = static_cast<const uint8_t*>(map);
            auto start = std::chrono::steady_clock::now();
            port.Open();
            port.data = bytes;
            port.length = static_cast<int>(size);
            int sent = port.Write();
            port.Close();
            munmap(map, size);
            double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (sent != static_cast<int>(size)) {
                std::fprintf(stderr, "short write: %d of %zu\n", sent, size);
                return 1;
            }
            std::printf("seconds %.4f\n", s);
            return 0;
        }
        if (a[1] == "wait" && next < a.size()) {
            const int ms = std::stoi(a[next]);
            port.Open();
            uint8_t buf[1024];
            double cpu0 = CpuSeconds();
            auto start = std::chrono::steady_clock::now();
            auto end = start + std::chrono::milliseconds(ms);
            int got = 0;
            while (std::chrono::steady_clock::now() < end)
                got += port.Read(buf, sizeof buf);
            double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            double cpu = CpuSeconds() - cpu0;
            port.Close();
            std::printf("cpu_percent %.3f (%.3f s cpu in %.3f s, %d bytes)\n", 100.0 * cpu / wall,
                        cpu, wall, got);
            return 0;
        }
    } catch (const PortError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Usage();
}
