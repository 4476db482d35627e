// Firmware transfer throughput: an 8 MiB receipt-printer image through
// CPrinterPort to printune-sim over TCP, beside socat sending the same bytes
// to the same endpoint in the same run. Prints both times and their ratio
// (goal: at most 1.10).
//
//   firmware_bench PATH/TO/printune-sim [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "base/language.h"
#include "firmware/firmware_transfer.h"
#include "port/port_link.h"
#include "port/port_settings.h"

using namespace printune;
using Clock = std::chrono::steady_clock;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Value(const std::string& description, const std::string& key) {
    std::string mark = key + "='";
    size_t at = description.find(mark);
    if (at == std::string::npos)
        return "";
    at += mark.size();
    return description.substr(at, description.find('\'', at) - at);
}

// Counts the completed-image events in the capture, reading only what was
// added since the last call (the capture holds every byte as hex).
class ImageEvents {
public:
    explicit ImageEvents(std::string path) : path_(std::move(path)) {}
    int Count() {
        int fd = open(path_.c_str(), O_RDONLY);
        if (fd < 0)
            return count_;
        lseek(fd, offset_, SEEK_SET);
        char buf[1 << 16];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0) {
            offset_ += n;
            tail_.append(buf, static_cast<size_t>(n));
            size_t at;
            while ((at = tail_.find("crc32")) != std::string::npos) {
                ++count_;
                tail_.erase(0, at + 5);
            }
            if (tail_.size() > 16)
                tail_.erase(0, tail_.size() - 16);
        }
        close(fd);
        return count_;
    }

private:
    std::string path_;
    off_t offset_ = 0;
    std::string tail_;
    int count_ = 0;
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

int Run(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH/TO/printune-sim [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    char dirTemplate[] = "/tmp/printune-fwbench-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    const std::string describe = dir + "/sim.env";

    pid_t sim = fork();
    if (sim == 0) {
        execl(argv[1], argv[1], "--tcp", "127.0.0.1:0", "--model", "HT-740", "--dir",
              (dir + "/sim").c_str(), "--describe", describe.c_str(), "--quiet",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 500 && access(describe.c_str(), R_OK) != 0; ++i)
        usleep(10000);
    usleep(50000);
    const std::string description = ReadAll(describe);
    const int port = std::atoi(Value(description, "SIM_TCP_PORT").c_str());
    const std::string capture = Value(description, "SIM_TCP_CAPTURE");
    if (port <= 0) {
        std::fprintf(stderr, "printune-sim did not start\n");
        return 1;
    }

    // The file, and the tagged image socat sends.
    const size_t size = 8u << 20;
    std::vector<uint8_t> file(size);
    uint32_t x = 1;
    for (auto& b : file) {
        x = x * 1664525 + 1013904223;
        b = static_cast<uint8_t>(x >> 24);
    }
    const std::string fwPath = dir + "/image.fw";
    const std::string rawPath = dir + "/image.raw";
    std::ofstream(fwPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<long>(size));
    {
        std::ofstream raw(rawPath, std::ios::binary);
        raw << "UDFW";
        raw.write(reinterpret_cast<const char*>(file.data()), static_cast<long>(size));
    }

    PortSettings s = CurrentPortSettings();
    s.portType = PORT_LAN;
    s.ipAddr = "127.0.0.1";
    s.listenPort = port;
    SetCurrentPortSettings(s);

    int images = 0;
    ImageEvents events(capture);
    auto waitImage = [&] {
        ++images;
        while (events.Count() < images)
            usleep(2000);
    };
    std::vector<double> ours, theirs, oursSent, theirsSent;
    const std::string target = "TCP:127.0.0.1:" + std::to_string(port);
    for (int round = 0; round < rounds; ++round) {
        auto t0 = Clock::now();
        if (Run({"socat", "-u", "OPEN:" + rawPath, target}) != 0) {
            std::fprintf(stderr, "socat failed\n");
            return 1;
        }
        auto t1 = Clock::now();
        waitImage();
        auto t2 = Clock::now();
        theirsSent.push_back(Seconds(t1 - t0));
        theirs.push_back(Seconds(t2 - t0));

        PrinterPortLink link(s);
        std::stop_source stop;
        auto u0 = Clock::now();
        TransferResult r = UpdateFirmware(link, fwPath, false, stop.get_token(), LANG_ENGLISH);
        auto u1 = Clock::now();
        if (!r.ok) {
            std::fprintf(stderr, "update failed: %s\n", r.notice ? r.notice->text.c_str() : "");
            return 1;
        }
        waitImage();
        auto u2 = Clock::now();
        oursSent.push_back(Seconds(u1 - u0));
        ours.push_back(Seconds(u2 - u0));
    }
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    Run({"rm", "-rf", dir});

    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("8 MiB image over TCP to printune-sim, median of %d rounds\n", rounds);
    std::printf("  until received:  printune %.3f s   socat %.3f s   ratio %.3f\n", median(ours),
                median(theirs), median(ours) / median(theirs));
    std::printf("  sender finished: printune %.3f s   socat %.3f s   ratio %.3f\n",
                median(oursSent), median(theirsSent), median(oursSent) / median(theirsSent));
    return median(ours) / median(theirs) <= 1.10 ? 0 : 1;
}
