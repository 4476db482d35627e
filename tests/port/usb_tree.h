#pragma once
// A sysfs-like usbmisc tree in a temporary directory, with plain files as
// device nodes, for the USB enumeration and filter cases.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace printune_test {

struct FakeUsbPrinter {
    std::string vid;  // empty: no idVendor file
    std::string pid;  // empty: no idProduct file
    bool node = true; // false: the device node is missing
};

class UsbTree {
public:
    explicit UsbTree(const std::vector<FakeUsbPrinter>& printers, bool withClass = true) {
        char tmpl[] = "/tmp/printune-usbtree-XXXXXX";
        root_ = mkdtemp(tmpl);
        chmod(root_.c_str(), 0755);
        namespace fs = std::filesystem;
        fs::create_directories(Dev() + "/usb");
        if (withClass)
            fs::create_directories(Sys() + "/class/usbmisc");
        for (size_t i = 0; i < printers.size(); ++i) {
            const FakeUsbPrinter& p = printers[i];
            std::string lp = "lp" + std::to_string(i);
            std::string dev = Sys() + "/devices/usb1/1-" + std::to_string(i + 1);
            std::string iface = dev + "/1-" + std::to_string(i + 1) + ":1.0";
            fs::create_directories(iface + "/usbmisc/" + lp);
            if (!p.vid.empty())
                std::ofstream(dev + "/idVendor") << p.vid << "\n";
            if (!p.pid.empty())
                std::ofstream(dev + "/idProduct") << p.pid << "\n";
            fs::create_symlink(iface, iface + "/usbmisc/" + lp + "/device");
            if (withClass)
                fs::create_symlink(iface + "/usbmisc/" + lp, Sys() + "/class/usbmisc/" + lp);
            if (p.node)
                std::ofstream(Node(i)).flush();
        }
    }
    ~UsbTree() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string Sys() const { return root_ + "/sys"; }
    std::string Dev() const { return root_ + "/dev"; }
    std::string Node(size_t i) const { return Dev() + "/usb/lp" + std::to_string(i); }
    std::string NodeText(size_t i) const {
        std::ifstream in(Node(i));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Points the port at this tree for the life of the scope.
    void Export() const {
        setenv("PRINTUNE_SYSFS_ROOT", Sys().c_str(), 1);
        setenv("PRINTUNE_DEV_ROOT", Dev().c_str(), 1);
    }

private:
    std::string root_;
};

} // namespace printune_test
