#include "support/sim_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_paths.h"

extern char** environ;

namespace printune_test {

namespace {
std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// KEY='value' lines, as the simulator writes them.
std::map<std::string, std::string> ParseDescription(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string raw = line.substr(eq + 1), value;
        // Undo the shell quoting: '...' with '\'' for a quote.
        bool quoted = false;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\'') {
                quoted = !quoted;
            } else if (!quoted && raw[i] == '\\' && i + 1 < raw.size()) {
                value += raw[++i];
            } else {
                value += raw[i];
            }
        }
        values[line.substr(0, eq)] = value;
    }
    return values;
}

std::string KeyName(const std::string& endpoint) {
    std::string key;
    for (char c : endpoint)
        key += std::isalnum(static_cast<unsigned char>(c))
                   ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                   : '_';
    return key;
}
} // namespace

std::vector<uint8_t> HexBytes(const std::string& hex) {
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : hex) {
        int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : std::isxdigit(static_cast<unsigned char>(c))
                    ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                    : -1;
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

SimProcess::SimProcess(std::vector<std::string> args) {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/printune-test-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed: " + std::string(strerror(errno)));
    dir_ = tmpl;
    describePath_ = dir_ + "/sim.env";
    logPath_ = dir_ + "/sim.log";

    bool tcpChosen = false;
    for (const std::string& a : args)
        tcpChosen = tcpChosen || a == "--tcp" || a == "--no-tcp";
    // PRINTUNE_SIM: another build of the simulator (the wrong-offset one).
    const char* other = std::getenv("PRINTUNE_SIM");
    std::vector<std::string> argv = {other && *other ? other : BinPath("printune-sim"),
                                     "--dir",
                                     dir_ + "/sim",
                                     "--describe",
                                     describePath_,
                                     "--quiet"};
    if (!tcpChosen) {
        argv.push_back("--tcp");
        argv.push_back("127.0.0.1:0");
    }
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    int rc = posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        std::filesystem::remove_all(dir_);
        throw std::runtime_error("cannot start printune-sim: " + std::string(strerror(rc)));
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (access(describePath_.c_str(), R_OK) != 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::string log = Log();
            std::filesystem::remove_all(dir_);
            throw std::runtime_error("printune-sim exited at start: " + log);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            std::string log = Log();
            Stop();
            std::filesystem::remove_all(dir_);
            throw std::runtime_error("printune-sim did not describe itself: " + log);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    values_ = ParseDescription(ReadAll(describePath_));
}

SimProcess::~SimProcess() {
    Stop();
    for (auto it = savedEnv_.rbegin(); it != savedEnv_.rend(); ++it) {
        if (it->second.first)
            setenv(it->first.c_str(), it->second.second.c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

int SimProcess::Stop() {
    if (pid_ <= 0)
        return status_;
    kill(pid_, SIGTERM);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR))
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
}

std::string SimProcess::Log() const {
    return ReadAll(logPath_);
}

std::string SimProcess::Value(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

std::string SimProcess::Field(const std::string& endpoint, const std::string& field) const {
    return Value("SIM_" + KeyName(endpoint) + "_" + field);
}

std::vector<std::string> SimProcess::Endpoints() const {
    std::vector<std::string> names;
    std::istringstream in(Value("SIM_ENDPOINTS"));
    for (std::string n; in >> n;)
        names.push_back(n);
    return names;
}

int SimProcess::TcpPort(const std::string& endpoint) const {
    std::string v = Field(endpoint, "PORT");
    return v.empty() ? -1 : std::stoi(v);
}

std::string SimProcess::TcpAddress(const std::string& endpoint) const {
    return Field(endpoint, "ADDRESS");
}

std::string SimProcess::DevicePath(const std::string& endpoint) const {
    return Field(endpoint, "PATH");
}

std::vector<std::pair<std::string, std::string>> SimProcess::Environment() const {
    std::vector<std::pair<std::string, std::string>> env;
    for (const char* k : {"PRINTUNE_DEVICE_DIR", "PRINTUNE_SYSFS_ROOT", "PRINTUNE_DEV_ROOT"})
        env.emplace_back(k, Value(k));
    return env;
}

void SimProcess::ExportEnvironment() {
    for (const auto& [k, v] : Environment()) {
        const char* old = std::getenv(k.c_str());
        savedEnv_.push_back({k, {old != nullptr, old ? old : ""}});
        setenv(k.c_str(), v.c_str(), 1);
    }
}

std::vector<std::string> SimProcess::CaptureLines(const std::string& endpoint) const {
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(Field(endpoint, "CAPTURE")));
    for (std::string line; std::getline(in, line);) {
        size_t space = line.find(' ');
        lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return lines;
}

std::vector<uint8_t> SimProcess::Bytes(const std::string& endpoint,
                                       const std::string& direction) const {
    std::vector<uint8_t> bytes;
    const std::string prefix = direction + " ";
    for (const std::string& line : CaptureLines(endpoint)) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::vector<uint8_t> b = HexBytes(line.substr(prefix.size()));
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    return bytes;
}

std::vector<uint8_t> SimProcess::Received(const std::string& endpoint) const {
    return Bytes(endpoint, "rx");
}

std::vector<uint8_t> SimProcess::Sent(const std::string& endpoint) const {
    return Bytes(endpoint, "tx");
}

bool SimProcess::WaitReceived(const std::string& endpoint, size_t count, int timeoutMs) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (Received(endpoint).size() >= count)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace printune_test
