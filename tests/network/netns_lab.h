#pragma once
// Private network namespaces for the broadcast tests: hosts joined by veth
// pairs with documentation addresses, so that broadcasts never reach the
// machine's own network. Code runs inside a host in a forked child.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace printune_test {

class NetnsLab {
public:
    NetnsLab();
    ~NetnsLab(); // deletes every namespace it made, whatever happened

    // False (with the reason) when namespaces cannot be made here.
    bool AddHost(const std::string& host);
    // Whether hosts and veth pairs can be made here at all.
    bool Probe();
    // A veth pair between two hosts, each side with address/prefix, up.
    bool Link(const std::string& hostA, const std::string& ifA, const std::string& cidrA,
              const std::string& hostB, const std::string& ifB, const std::string& cidrB);
    bool Run(const std::string& host, const std::string& ipArguments);
    const std::string& Error() const { return error_; }

    // Runs `body` in a child inside `host`; its return value is the
    // child's exit code, and text it writes to `report` comes back.
    struct Child {
        int pid = -1;
        int reportFd = -1;
        int readyFd = -1;
    };
    Child Start(const std::string& host, const std::function<int(std::string& report)>& body);
    // Waits for the child (killing it after timeoutMs) and returns its exit
    // code, -1 when it did not exit normally.
    int Finish(Child child, std::string& report, int timeoutMs);

    // Reads one line the child wrote with ReportReady, within timeoutMs.
    static bool WaitReady(const Child& child, int timeoutMs);

private:
    std::string Name(const std::string& host) const;
    std::string prefix_;
    std::vector<std::string> made_;
    std::string error_;
};

// In a child started by NetnsLab::Start: tell the parent set-up is done.
void ReportReady();

// Skips the test, or under CI=true fails it, when namespaces are missing.
#define REQUIRE_NETNS(lab)                                                                         \
    do {                                                                                           \
        if (!(lab).Probe()) {                                                                      \
            if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true")               \
                FAIL() << "network namespaces unavailable under CI: " << (lab).Error();            \
            GTEST_SKIP() << "network namespaces unavailable: " << (lab).Error();                   \
        }                                                                                          \
    } while (0)

} // namespace printune_test
