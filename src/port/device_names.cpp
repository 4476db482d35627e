#include "port/device_names.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <memory>
#include <set>

#include <dirent.h>
#include <sys/stat.h>

namespace printune {

namespace {
std::string EnvOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string(fallback);
}

// "COM3" (any case) with prefix "COM" -> 3; 0 when the name is not of that form.
int NumberAfter(const std::string& name, const char* prefix) {
    size_t n = std::char_traits<char>::length(prefix);
    if (name.size() <= n || name.size() > n + 3)
        return 0;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != prefix[i])
            return 0;
    int value = 0;
    for (size_t i = n; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        value = value * 10 + (name[i] - '0');
    }
    return value;
}

std::string Canonical(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : path;
}
} // namespace

std::string ResolveDeviceName(const std::string& name) {
    if (!name.empty() && name[0] == '/')
        return name;
    std::string dir = EnvOr("PRINTUNE_DEVICE_DIR", "");
    if (!dir.empty() && name.find('/') == std::string::npos && !name.empty()) {
        std::string candidate = dir + "/" + name;
        struct stat st {};
        if (lstat(candidate.c_str(), &st) == 0)
            return candidate;
    }
    if (int n = NumberAfter(name, "COM"); n > 0)
        return "/dev/ttyS" + std::to_string(n - 1);
    if (int n = NumberAfter(name, "LPT"); n > 0)
        return "/dev/lp" + std::to_string(n - 1);
    // A bare kernel name such as "ttyUSB0".
    if (!name.empty() && name.find('/') == std::string::npos)
        return "/dev/" + name;
    return name;
}

namespace {
bool IsCharDevice(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
}

// "lp" followed by digits only.
bool IsLpName(const std::string& name) {
    return name.size() > 2 && name.compare(0, 2, "lp") == 0 &&
           std::all_of(name.begin() + 2, name.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}
} // namespace

bool IsParallelPortNode(const std::string& path, int fd) {
    if (!IsCharDevice(fd))
        return false;
    const std::string dir = EnvOr("PRINTUNE_DEVICE_DIR", "");
    if (!dir.empty() && path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
        path[dir.size()] == '/')
        return true;
    const std::string target = Canonical(path);
    for (const char* prefix : {"/dev/", "/dev/usb/"}) {
        const std::string p = prefix;
        if (target.size() > p.size() && target.compare(0, p.size(), p) == 0 &&
            IsLpName(target.substr(p.size())))
            return true;
    }
    return false;
}

bool IsSerialPortNode(int fd) {
    return IsCharDevice(fd);
}

std::string SysfsRoot() {
    return EnvOr("PRINTUNE_SYSFS_ROOT", "/sys");
}

std::string DevRoot() {
    return EnvOr("PRINTUNE_DEV_ROOT", "/dev");
}

std::vector<std::string> ListUnmappedSerialDevices() {
    std::set<std::string> mapped;
    for (int i = 1; i <= 15; ++i)
        mapped.insert(Canonical(ResolveDeviceName("COM" + std::to_string(i))));

    static const char* const kPrefixes[] = {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};
    std::vector<std::string> found;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir("/dev"), closedir);
    if (!dir)
        return found;
    while (dirent* e = readdir(dir.get())) {
        std::string entry = e->d_name;
        bool serial = std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                                  [&](const char* p) { return entry.rfind(p, 0) == 0; });
        std::string path = "/dev/" + entry;
        if (serial && !mapped.count(Canonical(path)))
            found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace printune
