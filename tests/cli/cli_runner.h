#pragma once
// Runs build/bin/printune-cli as a child process and collects what it says.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace printune_test {

struct CliResult {
    int exitCode = -1; // 128 + signal when it died of one
    std::string out;
    std::string err;
};

struct CliOptions {
    std::string cwd;                        // empty: the test's directory
    std::map<std::string, std::string> env; // added to the environment
    std::string input;                      // standard input
    int timeoutMs = 30000;                  // killed after this
    int interruptAfterMs = -1;              // SIGINT after this many ms
    std::function<bool()> interruptWhen;    // and once this holds, if set
};

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {});

} // namespace printune_test
