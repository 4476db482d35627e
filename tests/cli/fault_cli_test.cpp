// The command line against the faults of the engine's fault matrix
// (tests/faults): every printer command ends with its exit code and the
// standard message, and a failed command leaves printune.ini exactly as it
// was (bytes and modification time).
#include <gtest/gtest.h>

#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_fixture.h"
#include "support/free_port.h"

using namespace printune_test;

namespace {

const std::string kTimeout = "Communication is time out!";
const std::string kReadFail = "Unable to get printer's setting!";
const std::string kWriteFail = "Unable to send file to port.";
const std::string kLanFail = "Lan connect fail.";
const std::string kInUse = "The interface is used by other program or non-existent!";

struct CliCommand {
    std::vector<std::string> args;
    bool receipt;
    bool reply; // waits for an answer
};

const CliCommand kCommands[] = {
    {{"label", "get"}, false, true},
    {{"label", "reset"}, false, true},
    {{"label", "set", "print-speed=1"}, false, false},
    {{"label", "calibrate"}, false, false},
    {{"label", "selftest"}, false, false},
    {{"label", "serial"}, false, true},
    {{"label", "version"}, false, true},
    {{"label", "mileage"}, false, true},
    {{"receipt", "get"}, true, true},
    {{"receipt", "restore"}, true, true},
    {{"send", "text", "hello"}, false, false},
    {{"send", "hex", "1B 40 0A"}, false, false},
    {{"send", "file", "data.bin"}, false, false},
    {{"wifi", "reset"}, false, false},
    {{"bt", "get"}, false, true},
    {{"bt", "restore"}, false, false},
    {{"test", "drawer1"}, true, false},
};

struct Expect {
    std::set<int> exitCodes;
    std::set<std::string> messages; // one of them on standard error (empty: success)
};

struct FileState {
    std::string bytes;
    timespec mtime{};
    bool operator==(const FileState& o) const {
        return bytes == o.bytes && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

class FaultCli : public CliSim {
protected:
    enum class Port { Lan, Com };

    void StartWith(std::vector<std::string> faults) {
        std::vector<std::string> args = {
            "--tcp", "127.0.0.1:0=KP-520", "--tcp", "127.0.0.1:0=HT-740",
            "--com", "1=KP-520",           "--com", "2=HT-740"};
        args.insert(args.end(), faults.begin(), faults.end());
        Start(args);
        WriteFile("data.bin", std::string(3000, 'D'));
        WriteFile("printune.ini", "[PrinterModel]\r\nPrinter Model=KP-520\r\n[PortType]\r\n"
                                  "CurPortType=4\r\n[LanguageSetting]\r\nLanguage=English\r\n");
    }

    FileState Ini() const {
        FileState s;
        s.bytes = ReadFile("printune.ini");
        struct stat st {};
        ::stat((sim_->Dir() + "/printune.ini").c_str(), &st);
        s.mtime = st.st_mtim;
        return s;
    }

    std::vector<std::string> PortArgs(Port port, bool receipt, int lanPort = 0) const {
        const std::string model = receipt ? "HT-740" : "KP-520";
        if (port == Port::Com)
            return {"--model", model, "--port",
                    !comOverride_.empty() ? comOverride_
                    : receipt             ? "com:COM2"
                                          : "com:COM1"};
        const int p = lanPort ? lanPort : sim_->TcpPort(receipt ? "tcp2" : "tcp");
        return {"--model", model, "--port", "lan:127.0.0.1:" + std::to_string(p)};
    }

    std::string comOverride_; // --port for Port::Com instead of the simulator's

    // Every command against the running simulator; expect(command) says how
    // each must end.
    void RunAll(const std::string& fault, Port port,
                const std::function<Expect(const CliCommand&)>& expect, int lanPort = 0) {
        for (const CliCommand& c : kCommands) {
            std::vector<std::string> args = PortArgs(port, c.receipt, lanPort);
            args.insert(args.end(), c.args.begin(), c.args.end());
            const FileState before = Ini();
            const CliResult r = Run(args);
            const Expect e = expect(c);
            std::string shown = r.err.substr(0, r.err.find('\n'));
            std::printf("fault-cli: %s | %s | exit %d | %s\n", fault.c_str(), c.args[0].c_str(),
                        r.exitCode, shown.c_str());
            EXPECT_TRUE(e.exitCodes.count(r.exitCode))
                << fault << " / " << testing::PrintToString(c.args) << ": exit " << r.exitCode
                << "\n"
                << r.err;
            bool said = e.messages.empty();
            for (const std::string& m : e.messages)
                said = said || r.err.find(m) != std::string::npos;
            EXPECT_TRUE(said) << fault << " / " << testing::PrintToString(c.args) << ": " << r.err;
            // A factory reset that went out is followed by adopting the
            // printer's reset serial line before the read-back; a read-back
            // that then times out keeps what the printer now uses.
            const bool resetSent =
                r.exitCode == 4 && (c.args[1] == "reset" || c.args[1] == "restore");
            if (r.exitCode != 0 && !resetSent) {
                EXPECT_TRUE(Ini() == before)
                    << fault << " / " << testing::PrintToString(c.args) << ": printune.ini changed";
            }
        }
    }
};

TEST_F(FaultCli, SilentPrinter) {
    StartWith({"--reply-fault", "silent"});
    RunAll("silent printer", Port::Lan, [](const CliCommand& c) {
        return c.reply ? Expect{{4}, {kTimeout}} : Expect{{0}, {}};
    });
}

TEST_F(FaultCli, GarbageAndSplitReplies) {
    StartWith({"--reply-fault", "garbage,split:200"});
    RunAll("garbage in two pieces", Port::Com, [](const CliCommand& c) {
        // Garbage decodes to values or is refused as a failed read; never a
        // crash or a hang.
        return c.reply ? Expect{{0, 3}, {}} : Expect{{0}, {}};
    });
}

TEST_F(FaultCli, ConnectionDroppedAfterTwoBytes) {
    StartWith({"--close-after", "2"});
    RunAll("dropped after 2 bytes", Port::Lan, [](const CliCommand&) {
        return Expect{{3}, {kReadFail, kWriteFail}};
    });
}

TEST_F(FaultCli, NoPrinterListeningAndNoSuchNode) {
    StartWith({});
    RunAll(
        "no printer listening", Port::Lan,
        [](const CliCommand&) {
            return Expect{{3}, {kLanFail}};
        },
        FreeLoopbackPort());
    // A serial port the simulator does not provide.
    comOverride_ = "com:COM9";
    RunAll("no such serial node", Port::Com, [](const CliCommand&) {
        return Expect{{3}, {kInUse}};
    });
}

TEST_F(FaultCli, PortHeldByAnotherCommandLine) {
    StartWith({"--reply-fault", "silent"});
    // A command line that waits for its reply holds both serial ports
    // (3 s each): meanwhile every command is told the port is in use.
    std::vector<pid_t> holders;
    for (const char* com : {"com:COM1", "com:COM2"}) {
        const pid_t p = ::fork();
        ASSERT_GE(p, 0);
        if (p == 0) {
            CliOptions o = options_;
            RunCli({"--port", com, "--model", "KP-520", "label", "get"}, o);
            ::_exit(0);
        }
        holders.push_back(p);
    }
    ASSERT_TRUE(sim_->WaitReceived("COM1", 9));
    ASSERT_TRUE(sim_->WaitReceived("COM2", 9));
    const CliCommand& get = kCommands[0];
    std::vector<std::string> args = PortArgs(Port::Com, false);
    args.insert(args.end(), get.args.begin(), get.args.end());
    const FileState before = Ini();
    const CliResult r = Run(args);
    std::printf("fault-cli: port held | label get | exit %d | %s\n", r.exitCode,
                r.err.substr(0, r.err.find('\n')).c_str());
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find(kInUse), std::string::npos) << r.err;
    EXPECT_TRUE(Ini() == before);
    for (pid_t p : holders)
        ::waitpid(p, nullptr, 0);
}

} // namespace
