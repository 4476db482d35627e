#include "netns_lab.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace printune_test {

namespace {

int readyFd = -1; // the child's end of the ready line

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool ProcessAlive(int pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

// Namespaces left by an earlier run that crashed: prefix "ptn<pid>-".
void SweepLeftovers() {
    FILE* list = popen("ip netns list 2>/dev/null", "r");
    if (list == nullptr)
        return;
    char line[256];
    std::vector<std::string> stale;
    while (std::fgets(line, sizeof line, list) != nullptr) {
        std::string name(line);
        name = name.substr(0, name.find_first_of(" \n"));
        if (name.rfind("ptn", 0) != 0)
            continue;
        const int pid = std::atoi(name.c_str() + 3);
        if (pid > 0 && pid != getpid() && !ProcessAlive(pid))
            stale.push_back(name);
    }
    pclose(list);
    for (const std::string& name : stale)
        Shell("ip netns del " + name);
}

} // namespace

void ReportReady() {
    if (readyFd >= 0) {
        [[maybe_unused]] ssize_t n = write(readyFd, "R", 1);
    }
}

NetnsLab::NetnsLab() : prefix_("ptn" + std::to_string(getpid()) + "-") {
    SweepLeftovers();
}

NetnsLab::~NetnsLab() {
    for (const std::string& name : made_)
        Shell("ip netns del " + name);
}

std::string NetnsLab::Name(const std::string& host) const {
    return prefix_ + host;
}

bool NetnsLab::AddHost(const std::string& host) {
    if (geteuid() != 0) {
        error_ = "not running as root";
        return false;
    }
    if (!Shell("ip netns add " + Name(host))) {
        error_ = "ip netns add failed";
        return false;
    }
    made_.push_back(Name(host));
    return Run(host, "link set lo up");
}

bool NetnsLab::Probe() {
    return AddHost("probe") && Run("probe", "link add p0 type veth peer name p1") &&
           Run("probe", "link del p0");
}

bool NetnsLab::Run(const std::string& host, const std::string& ipArguments) {
    if (!Shell("ip -n " + Name(host) + " " + ipArguments)) {
        error_ = "ip -n " + Name(host) + " " + ipArguments + " failed";
        return false;
    }
    return true;
}

bool NetnsLab::Link(const std::string& hostA, const std::string& ifA, const std::string& cidrA,
                    const std::string& hostB, const std::string& ifB, const std::string& cidrB) {
    return Run(hostA,
               "link add " + ifA + " type veth peer name " + ifB + " netns " + Name(hostB)) &&
           Run(hostA, "addr add " + cidrA + " brd + dev " + ifA) &&
           Run(hostB, "addr add " + cidrB + " brd + dev " + ifB) &&
           Run(hostA, "link set " + ifA + " up") && Run(hostB, "link set " + ifB + " up");
}

NetnsLab::Child NetnsLab::Start(const std::string& host,
                                const std::function<int(std::string& report)>& body) {
    int report[2], ready[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return {};
    if (pipe2(ready, O_CLOEXEC) != 0) {
        close(report[0]);
        close(report[1]);
        return {};
    }
    const std::string path = "/run/netns/" + Name(host);
    const int pid = fork();
    if (pid == 0) {
        // Never outlive a test process that was killed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(report[0]);
        close(ready[0]);
        readyFd = ready[1];
        const int ns = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (ns < 0 || setns(ns, CLONE_NEWNET) != 0)
            _exit(90);
        close(ns);
        std::string text;
        const int code = body(text);
        [[maybe_unused]] ssize_t n = write(report[1], text.data(), text.size());
        _exit(code);
    }
    close(report[1]);
    close(ready[1]);
    if (pid < 0) {
        close(report[0]);
        close(ready[0]);
        return {};
    }
    return Child{pid, report[0], ready[0]};
}

bool NetnsLab::WaitReady(const Child& child, int timeoutMs) {
    pollfd fd{child.readyFd, POLLIN, 0};
    char c = 0;
    return poll(&fd, 1, timeoutMs) == 1 && read(child.readyFd, &c, 1) == 1 && c == 'R';
}

int NetnsLab::Finish(Child child, std::string& report, int timeoutMs) {
    if (child.pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    int done = 0;
    while ((done = waitpid(child.pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &status, 0);
    }
    char buffer[4096];
    ssize_t n;
    fcntl(child.reportFd, F_SETFL, O_NONBLOCK);
    while ((n = read(child.reportFd, buffer, sizeof buffer)) > 0)
        report.append(buffer, static_cast<size_t>(n));
    close(child.reportFd);
    close(child.readyFd);
    if (done == 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace printune_test
