#include "sim_files.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace printune_sim {

namespace {
std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

bool SimFiles::Init(const std::string& dir, std::string& error) {
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/printune-sim-XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            error = "cannot create a directory under " + tmpl + ": " + strerror(errno);
            return false;
        }
        root_ = tmpl;
        ownsRoot_ = true;
        return true;
    }
    root_ = dir;
    return MakeDir(dir, error);
}

bool SimFiles::MakeDir(const std::string& path, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        error = path + " exists and is not a directory";
        return false;
    }
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDir(path.substr(0, slash), error))
        return false;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create " + path + ": " + strerror(errno);
        return false;
    }
    created_.push_back({path, true});
    return true;
}

bool SimFiles::Symlink(const std::string& target, const std::string& link, std::string& error) {
    // A link left behind by a simulator that was killed is replaced.
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        unlink(link.c_str());
    if (symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot create link " + link + ": " + strerror(errno);
        return false;
    }
    created_.push_back({link, false});
    return true;
}

bool SimFiles::WriteFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    created_.push_back({path, false});
    return true;
}

void SimFiles::TrackOutput(const std::string& path) {
    outputs_.push_back(path);
}

void SimFiles::RemoveAll() {
    if (ownsRoot_)
        for (const std::string& p : outputs_)
            unlink(p.c_str());
    outputs_.clear();
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        if (it->dir)
            rmdir(it->path.c_str()); // fails, harmlessly, when others' files remain
        else
            unlink(it->path.c_str());
    }
    created_.clear();
    if (ownsRoot_ && !root_.empty())
        rmdir(root_.c_str());
    ownsRoot_ = false;
}

bool PublishUsbPrinter(SimFiles& files, const std::string& sysRoot, const std::string& devRoot,
                       int minor, const std::string& vid, const std::string& pid,
                       const std::string& product, const std::string& node, std::string& error) {
    const std::string lp = "lp" + std::to_string(minor);
    const std::string port = "1-" + std::to_string(minor + 1);
    const std::string usbDevice = sysRoot + "/devices/usb1/" + port;
    const std::string iface = port + ":1.0";
    const std::string lpDir = usbDevice + "/" + iface + "/usbmisc/" + lp;
    return files.MakeDir(sysRoot + "/class/usbmisc", error) && files.MakeDir(lpDir, error) &&
           files.MakeDir(devRoot + "/usb", error) &&
           files.WriteFile(usbDevice + "/idVendor", Lower(vid) + "\n", error) &&
           files.WriteFile(usbDevice + "/idProduct", Lower(pid) + "\n", error) &&
           files.WriteFile(usbDevice + "/manufacturer", "Vortan\n", error) &&
           files.WriteFile(usbDevice + "/product", product + "\n", error) &&
           files.WriteFile(usbDevice + "/" + iface + "/bInterfaceClass", "07\n", error) &&
           files.WriteFile(lpDir + "/dev", "180:" + std::to_string(minor) + "\n", error) &&
           files.Symlink("../../../" + iface, lpDir + "/device", error) &&
           files.Symlink("../../devices/usb1/" + port + "/" + iface + "/usbmisc/" + lp,
                         sysRoot + "/class/usbmisc/" + lp, error) &&
           files.Symlink(node, devRoot + "/usb/" + lp, error);
}

} // namespace printune_sim
