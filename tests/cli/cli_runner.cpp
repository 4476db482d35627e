#include "cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "support/test_paths.h"

namespace printune_test {

namespace {

void Drain(int& fd, std::string& into) {
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
        into.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(fd);
        fd = -1;
    }
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
        pipe2(inPipe, O_CLOEXEC) != 0)
        return {};
    // PRINTUNE_CLI: another build of the command line (the wrong-offset one).
    const char* other = std::getenv("PRINTUNE_CLI");
    const std::string program = other && *other ? other : BinPath("printune-cli");
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0)
            _exit(126);
        for (const auto& [k, v] : options.env)
            setenv(k.c_str(), v.c_str(), 1);
        // The command line waits for these signals on a thread of its own
        // with them blocked; blocked from the start, one that comes before
        // that thread runs stays pending for it instead of killing a
        // program still starting on a busy machine.
        sigset_t watched;
        sigemptyset(&watched);
        sigaddset(&watched, SIGINT);
        sigaddset(&watched, SIGTERM);
        sigprocmask(SIG_BLOCK, &watched, nullptr);
        std::vector<char*> argv;
        for (auto& a : argvText)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!options.input.empty()) {
        const ssize_t ignored = write(inPipe[1], options.input.data(), options.input.size());
        (void)ignored;
    }
    close(inPipe[1]);

    CliResult r;
    int out = outPipe[0], err = errPipe[0];
    const auto start = std::chrono::steady_clock::now();
    bool interrupted = false, killed = false;
    while (out >= 0 || err >= 0) {
        pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        poll(fds, 2, 20);
        if (out >= 0 && fds[0].revents)
            Drain(out, r.out);
        if (err >= 0 && fds[1].revents)
            Drain(err, r.err);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        if (!interrupted && options.interruptAfterMs >= 0 && ms >= options.interruptAfterMs &&
            (!options.interruptWhen || options.interruptWhen())) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (!killed && ms >= options.timeoutMs) {
            kill(pid, SIGKILL);
            killed = true;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

} // namespace printune_test
