#pragma once
// Runs printune-sim for one test: starts it in a fresh temporary directory,
// waits for its endpoint description, answers questions about it, reads the
// captures, and stops it (SIGTERM, then waitpid) when it goes out of scope.
//
//   SimProcess sim({"--com", "1", "--usb", "7A3E:5C19", "--model", "silent"});
//   sim.ExportEnvironment();               // this process now sees its devices
//   ... CPrinterPort on "COM1" / USB / 127.0.0.1:sim.TcpPort() ...
//   EXPECT_TRUE(sim.WaitReceived("COM1", 9));
//
// Unless the arguments say --tcp or --no-tcp, the TCP listener takes a free
// port on 127.0.0.1, so tests can run in parallel.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace printune_test {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // The temporary directory of this run (the simulator works in Dir()/sim).
    const std::string& Dir() const { return dir_; }
    // The simulator's output so far (stdout and stderr).
    std::string Log() const;

    // A raw description value ("" when absent), e.g. "PRINTUNE_DEV_ROOT".
    std::string Value(const std::string& key) const;
    // SIM_<ENDPOINT>_<FIELD>: Field("COM1", "PATH"), Field("usb0", "PID").
    std::string Field(const std::string& endpoint, const std::string& field) const;
    std::vector<std::string> Endpoints() const;

    int TcpPort(const std::string& endpoint = "tcp") const;
    std::string TcpAddress(const std::string& endpoint = "tcp") const;
    // The node or link the tool opens: <dir>/devices/COM1, <dev>/usb/lp0.
    std::string DevicePath(const std::string& endpoint) const;
    std::string DeviceDir() const { return Value("PRINTUNE_DEVICE_DIR"); }
    std::string SysfsRoot() const { return Value("PRINTUNE_SYSFS_ROOT"); }
    std::string DevRoot() const { return Value("PRINTUNE_DEV_ROOT"); }

    // PRINTUNE_DEVICE_DIR, PRINTUNE_SYSFS_ROOT, PRINTUNE_DEV_ROOT with their
    // values, for a child process's environment.
    std::vector<std::pair<std::string, std::string>> Environment() const;
    // Sets them in this process; the destructor puts the old values back.
    void ExportEnvironment();

    // Bytes the endpoint received ("rx") or sent ("tx"), from its capture.
    std::vector<uint8_t> Received(const std::string& endpoint) const;
    std::vector<uint8_t> Sent(const std::string& endpoint) const;
    // Every capture line with its time stamp removed ("rx 1B 0D", "open ...").
    std::vector<std::string> CaptureLines(const std::string& endpoint) const;
    // Polls the capture until at least count bytes were received.
    bool WaitReceived(const std::string& endpoint, size_t count, int timeoutMs = 5000) const;

    // SIGTERM and wait; returns the exit status (-1 when killed). Idempotent.
    int Stop();

private:
    std::vector<uint8_t> Bytes(const std::string& endpoint, const std::string& direction) const;
    std::string dir_;
    std::string describePath_;
    std::string logPath_;
    pid_t pid_ = -1;
    int status_ = -1;
    std::map<std::string, std::string> values_;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> savedEnv_;
};

// Bytes written out inline in tests: "1B 0D 53" -> {0x1B, 0x0D, 0x53}.
std::vector<uint8_t> HexBytes(const std::string& hex);

} // namespace printune_test
