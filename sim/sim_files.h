#pragma once
// The files the simulator publishes (device links, the sysfs-like USB tree,
// device nodes), each recorded so that shutdown removes exactly what was
// created, newest first.
#include <string>
#include <vector>

namespace printune_sim {

class SimFiles {
public:
    SimFiles() = default;
    ~SimFiles() { RemoveAll(); }
    SimFiles(const SimFiles&) = delete;
    SimFiles& operator=(const SimFiles&) = delete;

    // Uses dir (created when missing), or a new directory under $TMPDIR when
    // dir is empty; a directory made here is removed with everything in it.
    bool Init(const std::string& dir, std::string& error);
    const std::string& Root() const { return root_; }

    bool MakeDir(const std::string& path, std::string& error); // parents too
    bool Symlink(const std::string& target, const std::string& link, std::string& error);
    bool WriteFile(const std::string& path, const std::string& text, std::string& error);
    // A file someone else creates that goes away with the directory the
    // simulator made (captures); kept in a directory the caller gave.
    void TrackOutput(const std::string& path);
    void RemoveAll();

private:
    struct Entry {
        std::string path;
        bool dir;
    };
    std::string root_;
    bool ownsRoot_ = false;
    std::vector<Entry> created_;
    std::vector<std::string> outputs_;
};

// The USB device tree of one simulated printer, as usblp shows it:
//   <sys>/class/usbmisc/lpN -> ../../devices/usb1/1-M/1-M:1.0/usbmisc/lpN
//   <sys>/devices/usb1/1-M/{idVendor,idProduct,manufacturer,product}
//   <sys>/devices/usb1/1-M/1-M:1.0/usbmisc/lpN/device -> ../../../1-M:1.0
//   <dev>/usb/lpN -> the pty slave
bool PublishUsbPrinter(SimFiles& files, const std::string& sysRoot, const std::string& devRoot,
                       int minor, const std::string& vid, const std::string& pid,
                       const std::string& product, const std::string& node, std::string& error);

} // namespace printune_sim
