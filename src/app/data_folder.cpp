#include "app/data_folder.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace printune {

namespace {

bool MakeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

} // namespace

std::string UserDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/printune";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/printune";
    return {};
}

std::string InstalledHelpFolder(const std::string& exePath) {
    const size_t slash = exePath.find_last_of('/');
    const std::string bin = slash == std::string::npos ? "." : exePath.substr(0, slash);
    return bin + "/../share/printune/help";
}

bool PrepareDataFolder(const std::string& folder, const std::string& helpFolder) {
    if (folder.empty() || !MakeFolders(folder))
        return false;
    DIR* dir = opendir(helpFolder.c_str());
    if (!dir)
        return true; // no help documents installed: nothing to link
    char resolved[4096];
    const std::string target =
        realpath(helpFolder.c_str(), resolved) ? std::string(resolved) : helpFolder;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".pdf") != 0)
            continue;
        const std::string link = folder + "/" + name;
        struct stat st {};
        if (stat(link.c_str(), &st) == 0)
            continue; // present: the user's own file or a live link
        if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(link.c_str());
        // A failed link leaves that document missing, which Help tolerates.
        (void)symlink((target + "/" + name).c_str(), link.c_str());
    }
    closedir(dir);
    return true;
}

} // namespace printune
