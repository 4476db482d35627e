#pragma once
// A throw-away sysfs and /dev tree shaped as the kernel shows USB printers,
// serial ports and parallel ports, for the system check.
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace printune_test {

class FakeSystem {
public:
    FakeSystem() {
        std::string tmpl = "/tmp/printune-fake-XXXXXX";
        root_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
        Dir(Sys() + "/bus/usb/devices");
        Dir(Sys() + "/class/usbmisc");
        Dir(Dev() + "/usb");
        Dir(Root() + "/devices");
        Dir(Root() + "/udev");
    }
    ~FakeSystem() { std::system(("rm -rf '" + root_ + "'").c_str()); }
    FakeSystem(const FakeSystem&) = delete;
    FakeSystem& operator=(const FakeSystem&) = delete;

    const std::string& Root() const { return root_; }
    std::string Sys() const { return root_ + "/sys"; }
    std::string Dev() const { return root_ + "/dev"; }

    void LoadUsblp() { Dir(Sys() + "/module/usblp"); }

    // A USB printer at bus port 1-<n>; bound to usblp as lp<n> when asked.
    // Returns the device node (empty when not bound).
    std::string AddUsbPrinter(int n, const std::string& vid, const std::string& pid, bool bound,
                              mode_t mode = 0666) {
        const std::string port = "1-" + std::to_string(n);
        const std::string iface = port + ":1.0";
        const std::string device = Sys() + "/devices/pci0000:00/usb1/" + port;
        Dir(device + "/" + iface);
        Write(device + "/idVendor", vid + "\n");
        Write(device + "/idProduct", pid + "\n");
        Write(device + "/" + iface + "/bInterfaceClass", "07\n");
        symlink(("../../../devices/pci0000:00/usb1/" + port).c_str(),
                (Sys() + "/bus/usb/devices/" + port).c_str());
        if (!bound)
            return {};
        const std::string lp = "lp" + std::to_string(n);
        Dir(Sys() + "/bus/usb/drivers/usblp");
        symlink("../../../../../bus/usb/drivers/usblp", (device + "/" + iface + "/driver").c_str());
        Dir(device + "/" + iface + "/usbmisc/" + lp);
        symlink(("../../../" + iface).c_str(),
                (device + "/" + iface + "/usbmisc/" + lp + "/device").c_str());
        symlink(("../../devices/pci0000:00/usb1/" + port + "/" + iface + "/usbmisc/" + lp).c_str(),
                (Sys() + "/class/usbmisc/" + lp).c_str());
        const std::string node = Dev() + "/usb/" + lp;
        Node(node, mode, 0);
        return node;
    }

    // A device node as a plain file with owner root, the given group and mode.
    void Node(const std::string& path, mode_t mode, gid_t group) {
        Write(path, "");
        chown(path.c_str(), 0, group);
        chmod(path.c_str(), mode);
    }

    void Dir(const std::string& path) { std::system(("mkdir -p '" + path + "'").c_str()); }
    void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

private:
    std::string root_;
};

} // namespace printune_test
