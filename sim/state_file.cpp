#include "state_file.h"

#include <cstdio>
#include <fstream>
#include <mutex>

namespace printune_sim {

namespace {
std::mutex g_mutex;
std::string g_dir;
} // namespace

void SetStateDirectory(const std::string& dir) {
    std::lock_guard lock(g_mutex);
    g_dir = dir;
}

std::string StateFilePath(const std::string& model) {
    std::lock_guard lock(g_mutex);
    if (g_dir.empty() || model.empty() || model.find('/') != std::string::npos)
        return {};
    return g_dir + "/" + model + ".state";
}

bool LoadStateFile(const std::string& path, StateValues& values) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        try {
            values[line.substr(0, eq)] = std::stol(line.substr(eq + 1));
        } catch (...) {
            // A damaged line keeps its factory value.
        }
    }
    return true;
}

bool SaveStateFile(const std::string& path, const StateValues& values) {
    std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        if (!out)
            return false;
        for (const auto& [key, value] : values)
            out << key << '=' << value << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

} // namespace printune_sim
