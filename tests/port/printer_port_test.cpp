// CPrinterPort's error paths and time bounds through real descriptors.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/language.h"
#include "port/port_errors.h"
#include "port_test_util.h"
#include "support/free_port.h"
#include "support/sim_process.h"
#include "usb_tree.h"

using namespace printune;
using namespace printune_test;
using Clock = std::chrono::steady_clock;

namespace {

int64_t MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

int FreeTcpPort() {
    return FreeLoopbackPort();
}

void PointLanAt(const std::string& ip, int port) {
    PortSettings s = CurrentPortSettings();
    s.ipAddr = ip;
    s.listenPort = port;
    SetCurrentPortSettings(s);
}

TEST(PrinterPort, NewPortIsClosedSerialWithEmptyNames) {
    CPrinterPort port;
    EXPECT_EQ(port.portType, PORT_COM);
    EXPECT_EQ(port.data, nullptr);
    EXPECT_EQ(port.length, 0);
    EXPECT_TRUE(port.comName.empty());
    EXPECT_TRUE(port.lptName.empty());
    EXPECT_EQ(port.OpenHandleCount(), 0);
    EXPECT_EQ(port.socket, CPrinterPort::NO_HANDLE);
    // Closing a never-opened port closes no descriptor, not even 0.
    const bool stdinOpen = fcntl(0, F_GETFL) != -1;
    EXPECT_EQ(port.Close(), 1);
    EXPECT_EQ(fcntl(0, F_GETFL) != -1, stdinOpen);
}

TEST(PrinterPort, UnknownPortTypeDoesNothing) {
    for (int type : {0, 5, -1, 99}) {
        CPrinterPort port;
        port.portType = type;
        uint8_t b[4];
        port.data = b;
        port.length = 4;
        EXPECT_EQ(port.Open(), 0);
        EXPECT_EQ(port.Write(), 0);
        EXPECT_EQ(port.Read(b, sizeof b), 0);
        EXPECT_EQ(port.Close(), 1);
    }
}

struct PathCase {
    const char* path;
    bool found;
    const char* vid;
    const char* pid;
};

TEST(PrinterPort, GetVidPidFromPath) {
    const PathCase cases[] = {
        {"usb#VID_7A3E&PID_5C19#lp0", true, "7A3E", "5C19"},
        {"\\\\?\\usb#vid_7a3e&pid_3d71#5&1b2c&0&1#{28d78fad}", true, "7A3E", "3D71"},
        {"usb#PID_5C19&VID_7A3E", true, "7A3E", "5C19"},
        {"usb#VID_7A3E#lp0", false, "", ""},
        {"usb#PID_5C19#lp0", false, "", ""},
        {"", false, "", ""},
        {"usb#VID_7A&PID_5", true, "7A&P", "5"},
        {"VID_1111 VID_2222 PID_3333 PID_4444", true, "1111", "3333"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        std::string vid = "old", pid = "old";
        EXPECT_EQ(CPrinterPort::GetVidPidFromPath(c.path, vid, pid), c.found);
        EXPECT_EQ(vid, c.found ? c.vid : "old");
        EXPECT_EQ(pid, c.found ? c.pid : "old");
    }
}

TEST(PrinterPort, MissingDevicesRaiseTheirTransportsOpenCode) {
    ScopedPortState state;
    struct Case {
        int type;
        int code;
    } cases[] = {{PORT_COM, PORT_ERR_IN_USE}, {PORT_LPT, PORT_ERR_OPEN}};
    for (const Case& c : cases) {
        CPrinterPort port;
        port.portType = c.type;
        port.comName = port.lptName = "/nonexistent/printune-device";
        EXPECT_EQ(RaisedCode([&] { port.Open(); }), c.code);
        EXPECT_EQ(port.LastErrno(), ENOENT);
        EXPECT_EQ(port.Close(), 1);
    }
}

TEST(PrinterPort, ComOnSomethingThatIsNotATerminalRaises8002) {
    char path[] = "/tmp/printune-notatty-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    CPrinterPort port;
    port.comName = path;
    port.portType = PORT_COM;
    try {
        port.Open();
        ADD_FAILURE() << "no error raised";
    } catch (const PortError& e) {
        // The one exception carries the code, the cause and the port type.
        EXPECT_EQ(e.Code(), PORT_ERR_IN_USE);
        EXPECT_EQ(e.SysErrno(), ENOTTY);
        EXPECT_EQ(e.PortType(), PORT_COM);
        EXPECT_EQ(PortErrorMessage(e, LANG_ENGLISH),
                  PortErrorMessage(PORT_ERR_IN_USE, PORT_COM, LANG_ENGLISH));
        EXPECT_STREQ(e.what(),
                     (std::string("port error 8002 (") + std::strerror(ENOTTY) + ")").c_str());
    }
    EXPECT_EQ(port.LastErrno(), ENOTTY);
    port.Close();
    unlink(path);
}

TEST(PrinterPort, RefusedTcpRaises8000AndBadAddressToo) {
    ScopedPortState state;
    PointLanAt("127.0.0.1", FreeTcpPort());
    CPrinterPort port;
    port.portType = PORT_LAN;
    EXPECT_EQ(RaisedCode([&] { port.Open(); }), PORT_ERR_OPEN);
    EXPECT_EQ(port.LastErrno(), ECONNREFUSED);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_EQ(RaisedCode([&] { port.Open("not an address"); }), PORT_ERR_OPEN);
    EXPECT_EQ(port.LastErrno(), EINVAL);
    port.Close();
}

TEST(PrinterPort, LanAddressArgumentOverridesIpAddrButNotTheTcpPort) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent"});
    const uint8_t one[] = {0x31}, two[] = {0x32};
    CPrinterPort port;
    port.portType = PORT_LAN;
    // ipAddr points nowhere useful; the argument names the printer.
    PointLanAt("192.0.2.1", sim.TcpPort());
    ASSERT_EQ(port.Open("127.0.0.1"), 1);
    port.data = one;
    port.length = 1;
    EXPECT_EQ(port.Write(), 1);
    port.Close();
    // With an empty argument ipAddr is used.
    PointLanAt("127.0.0.1", sim.TcpPort());
    ASSERT_EQ(port.Open(""), 1);
    port.data = two;
    EXPECT_EQ(port.Write(), 1);
    port.Close();
    ASSERT_TRUE(sim.WaitReceived("tcp", 2));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("31 32"));
}

TEST(PrinterPort, ListenPortIsTakenModulo65536) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent"});
    CPrinterPort port;
    port.portType = PORT_LAN;
    PointLanAt("127.0.0.1", 65536 + sim.TcpPort());
    ASSERT_EQ(port.Open(), 1);
    port.Close();
    PointLanAt("127.0.0.1", sim.TcpPort() - 65536);
    ASSERT_EQ(port.Open(), 1);
    port.Close();
}

TEST(PrinterPort, ListenPort65545ConnectsToPort9) {
    ScopedPortState state;
    if (geteuid() != 0)
        GTEST_SKIP() << "binding port 9 needs root";
    SimProcess sim({"--tcp", "127.0.0.1:9", "--model", "silent"});
    PointLanAt("127.0.0.1", 65545);
    CPrinterPort port;
    port.portType = PORT_LAN;
    EXPECT_EQ(port.Open(), 1);
    port.Close();
}

TEST(PrinterPort, SilentPrinterDoesNotHoldAReaderBeyondItsSlice) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--lpt", "1", "--usb", "7A3E:5C19"});
    sim.ExportEnvironment();
    PointLanAt("127.0.0.1", sim.TcpPort());
    SetUsbFilter({});
    for (int type : {PORT_LAN, PORT_USB, PORT_LPT}) {
        SCOPED_TRACE(type);
        CPrinterPort port;
        port.portType = type;
        port.lptName = "LPT1";
        ASSERT_EQ(port.Open(), 1);
        uint8_t buf[64];
        auto start = Clock::now();
        EXPECT_EQ(port.Read(buf, sizeof buf), 0);
        int64_t ms = MsSince(start);
        EXPECT_GE(ms, CPrinterPort::READ_SLICE_MS - 5);
        EXPECT_LT(ms, 1000);
        port.Close();
    }
}

TEST(PrinterPort, SilentSerialReadEndsAtItsTotalDeadline) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--com", "1"});
    sim.ExportEnvironment();
    CPrinterPort port;
    port.comName = "COM1";
    ASSERT_EQ(port.Open(), 1);
    uint8_t buf[10];
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);
    int64_t ms = MsSince(start);
    EXPECT_GE(ms, 1000 + 3 * 10 - 5);
    EXPECT_LT(ms, 3000);
    port.Close();
}

TEST(PrinterPort, SerialReadStopsOneSecondAfterTheLastByte) {
    ScopedPortState state;
    // Two bytes answer, far fewer than asked for: the interval ends the read.
    SimProcess sim({"--model", "silent", "--com", "1", "--reply", "AA=0102"});
    sim.ExportEnvironment();
    CPrinterPort port;
    port.comName = "COM1";
    const uint8_t req[] = {0xAA};
    port.data = req;
    port.length = 1;
    ASSERT_EQ(port.Open(), 1);
    port.Write();
    uint8_t buf[1000]; // total deadline 4 s
    auto start = Clock::now();
    EXPECT_EQ(port.Read(buf, sizeof buf), 2);
    int64_t ms = MsSince(start);
    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 3000);
    port.Close();
}

TEST(PrinterPort, LanPeerThatClosedRaises8004) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--close-after", "3"});
    PointLanAt("127.0.0.1", sim.TcpPort());
    CPrinterPort port;
    port.portType = PORT_LAN;
    const uint8_t req[] = {1, 2, 3};
    port.data = req;
    port.length = 3;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(port.Write(), 3);
    uint8_t buf[16];
    auto start = Clock::now();
    int code = 0;
    while (code == 0 && MsSince(start) < 3000)
        code = RaisedCode([&] { port.Read(buf, sizeof buf); });
    EXPECT_EQ(code, PORT_ERR_READ);
    port.Close();
}

TEST(PrinterPort, WritesToAPrinterThatStoppedReadingFailWithinTheGrace) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--read-limit", "0", "--usb", "7A3E:5C19"});
    sim.ExportEnvironment();
    PointLanAt("127.0.0.1", sim.TcpPort());
    SetUsbFilter({});
    std::vector<uint8_t> big(32 * 1024 * 1024, 0x55);
    for (int type : {PORT_LAN, PORT_USB}) {
        SCOPED_TRACE(type);
        CPrinterPort port;
        port.portType = type;
        port.writeGraceMs = 300;
        port.data = big.data();
        port.length = static_cast<int>(big.size());
        ASSERT_EQ(port.Open(), 1);
        auto start = Clock::now();
        EXPECT_EQ(RaisedCode([&] { port.Write(); }), PORT_ERR_WRITE);
        EXPECT_EQ(port.LastErrno(), ETIMEDOUT);
        EXPECT_LT(MsSince(start), 5000);
        port.Close();
    }
}

TEST(PrinterPort, SerialWriteHeldByXoffRaises8003AtItsDeadline) {
    ScopedPortState state;
    // The printer answers every chunk with XOFF and never sends XON.
    SimProcess sim({"--model", "silent", "--com", "1", "--reply", "13"});
    sim.ExportEnvironment();
    PortSettings s = CurrentPortSettings();
    s.flowControl = "Xon/Xoff";
    SetCurrentPortSettings(s);
    CPrinterPort port;
    port.comName = "COM1";
    port.writeGraceMs = 200;
    const uint8_t first[] = {0x01};
    port.data = first;
    port.length = 1;
    ASSERT_EQ(port.Open(), 1);
    ASSERT_EQ(port.Write(), 1);
    ASSERT_TRUE(sim.WaitReceived("COM1", 1));
    usleep(200 * 1000); // the XOFF arrives
    std::vector<uint8_t> more(100, 0x55);
    port.data = more.data();
    port.length = static_cast<int>(more.size());
    auto start = Clock::now();
    EXPECT_EQ(RaisedCode([&] { port.Write(); }), PORT_ERR_WRITE);
    int64_t ms = MsSince(start);
    EXPECT_GE(ms, 200 + 3 * 100 - 5);
    EXPECT_LT(ms, 3000);
    port.Close();
}

TEST(PrinterPort, SeveralTcpConnectionsOneAfterAnother) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent"});
    PointLanAt("127.0.0.1", sim.TcpPort());
    const uint8_t req[] = {0x10, 0x04, 0x01};
    for (int i = 0; i < 3; ++i) {
        CPrinterPort port;
        port.portType = PORT_LAN;
        port.data = req;
        port.length = 3;
        ASSERT_EQ(port.Open(), 1);
        EXPECT_EQ(port.Write(), 3);
        port.Close();
    }
    ASSERT_TRUE(sim.WaitReceived("tcp", 9));
    EXPECT_EQ(sim.Received("tcp"), HexBytes("100401 100401 100401"));
}

TEST(PrinterPort, UsbWriteGoesToEveryOpenedPrinterAndReadSeesTheReply) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--usb", "7A3E:5C19", "--usb", "7A3E:1234", "--usb",
                    "7A3E:5C19", "--reply", "1D49=AB"});
    sim.ExportEnvironment();
    SetUsbFilter({"7A3E", "5C19", 1});
    const uint8_t req[] = {0x1D, 0x49};
    CPrinterPort port;
    port.portType = PORT_USB;
    port.data = req;
    port.length = 2;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(port.OpenHandleCount(), 3);
    EXPECT_EQ(port.Write(), 2);
    EXPECT_EQ(ReadReply(port, 1), HexBytes("AB"));
    port.Close();
    for (const char* ep : {"usb0", "usb1", "usb2"}) {
        ASSERT_TRUE(sim.WaitReceived(ep, 2)) << ep;
        EXPECT_EQ(sim.Received(ep), HexBytes("1D 49")) << ep;
    }
}

// Runs body in a child process; returns its exit status.
template <typename F>
int InChild(F&& body) {
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = body();
        } catch (...) {
        }
        _exit(rc);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PrinterPort, DeviceHeldByAnotherProcessIsInUse) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent", "--com", "1", "--lpt", "1", "--usb", "7A3E:5C19"});
    sim.ExportEnvironment();
    SetUsbFilter({});
    struct Case {
        int type;
        int code;
    } cases[] = {{PORT_COM, PORT_ERR_IN_USE}, {PORT_LPT, PORT_ERR_OPEN}, {PORT_USB, PORT_ERR_OPEN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        int ready[2], release[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(release), 0);
        pid_t holder = fork();
        if (holder == 0) {
            CPrinterPort held;
            held.portType = c.type;
            held.comName = "COM1";
            held.lptName = "LPT1";
            char b = held.Open() == 1 ? 'y' : 'n';
            [[maybe_unused]] ssize_t w = write(ready[1], &b, 1);
            [[maybe_unused]] ssize_t r = read(release[0], &b, 1);
            _exit(0);
        }
        char b = 0;
        ASSERT_EQ(read(ready[0], &b, 1), 1);
        ASSERT_EQ(b, 'y');
        CPrinterPort port;
        port.portType = c.type;
        port.comName = "COM1";
        port.lptName = "LPT1";
        EXPECT_EQ(RaisedCode([&] { port.Open(); }), c.code);
        EXPECT_EQ(port.LastErrno(), EBUSY);
        EXPECT_NE(PortErrorHint(c.code, c.type, port.LastErrno(), 1033), "");
        port.Close();
        ASSERT_EQ(write(release[1], "x", 1), 1);
        waitpid(holder, nullptr, 0);
        for (int fd : {ready[0], ready[1], release[0], release[1]})
            close(fd);
        // Free again once the other program let go.
        EXPECT_EQ(port.Open(), 1);
        port.Close();
    }
}

TEST(PrinterPort, PermissionDeniedKeepsEaccesForTheHint) {
    UsbTree tree(std::vector<FakeUsbPrinter>{{"7a3e", "5c19"}});
    chmod(tree.Node(0).c_str(), 0);
    tree.Export();
    struct Case {
        int type;
        int code;
    } cases[] = {{PORT_COM, PORT_ERR_IN_USE}, {PORT_LPT, PORT_ERR_OPEN}, {PORT_USB, PORT_ERR_OPEN}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        int rc = InChild([&] {
            // Root passes every permission check: become nobody first.
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                return 98;
            SetUsbFilter({});
            CPrinterPort port;
            port.portType = c.type;
            port.comName = port.lptName = tree.Node(0);
            int code = RaisedCode([&] { port.Open(); });
            return code == c.code && port.LastErrno() == EACCES ? 0 : 1;
        });
        EXPECT_EQ(rc, 0);
    }
}

TEST(PrinterPort, NoDescriptorLeaksAfterAThousandFailedOpens) {
    ScopedPortState state;
    UsbTree tree(std::vector<FakeUsbPrinter>{{"04b8", "0202"}});
    tree.Export();
    SetUsbFilter({"7A3E", "3D71", 0});
    PointLanAt("127.0.0.1", FreeTcpPort());
    char notTty[] = "/tmp/printune-notatty-XXXXXX";
    close(mkstemp(notTty));

    const int before = OpenDescriptorCount();
    CPrinterPort port;
    for (int i = 0; i < 1000; ++i) {
        const int types[] = {PORT_COM, PORT_COM, PORT_LPT, PORT_USB, PORT_LAN};
        port.portType = types[i % 5];
        port.comName = i % 5 == 0 ? "/nonexistent/tty" : notTty;
        port.lptName = "/nonexistent/lp";
        EXPECT_NE(RaisedCode([&] { port.Open(); }), 0);
        port.Close();
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
    unlink(notTty);
}

TEST(PrinterPort, WriteWithoutDataRaises8003InsteadOfReadingNull) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent"});
    PointLanAt("127.0.0.1", sim.TcpPort());
    CPrinterPort port;
    port.portType = PORT_LAN;
    ASSERT_EQ(port.Open(), 1);
    port.length = 16; // data left null
    EXPECT_EQ(RaisedCode([&] { port.Write(); }), PORT_ERR_WRITE);
    port.length = -5; // nothing to send
    uint8_t b = 0;
    port.data = &b;
    EXPECT_EQ(port.Write(), 0);
    port.Close();
}

TEST(PrinterPort, ReopeningWithoutCloseDoesNotLeak) {
    ScopedPortState state;
    SimProcess sim({"--model", "silent"});
    PointLanAt("127.0.0.1", sim.TcpPort());
    const int before = OpenDescriptorCount();
    CPrinterPort port;
    port.portType = PORT_LAN;
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(OpenDescriptorCount(), before + 1);
    port.Close();
    EXPECT_EQ(OpenDescriptorCount(), before);
}

} // namespace

namespace {

// A printer that answers while the tool is still sending leaves unread input
// in the socket; closing must still deliver every byte that was written.
TEST(PrinterPort, TcpCloseDeliversTheWholeWriteDespiteUnreadReplies) {
    ScopedPortState state;
    SimProcess sim({"--model", "echo"});
    PointLanAt("127.0.0.1", sim.TcpPort());
    std::vector<uint8_t> file(256 * 1024);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i * 7 + 1);
    for (int round = 0; round < 3; ++round) {
        CPrinterPort port;
        port.portType = PORT_LAN;
        port.data = file.data();
        port.length = static_cast<int32_t>(file.size());
        ASSERT_EQ(port.Open(), 1);
        EXPECT_EQ(port.Write(), port.length);
        port.Close();
        ASSERT_TRUE(sim.WaitReceived("tcp", file.size() * (round + 1)))
            << "round " << round << ": " << sim.Received("tcp").size() << " bytes arrived";
    }
}

TEST(PrinterPort, OpeningASerialPortKeepsWhatTheLastOperationWrote) {
    // A one-way command written just before the port closed may still wait
    // to be read on the printer's side (a pty's other end, a USB-serial
    // adapter's buffer) when the next operation opens the port: that open
    // may drop stale input, never output that belongs to the printer.
    ScopedPortState state;
    int master = -1, slave = -1;
    char slavePath[256] = {};
    ASSERT_EQ(openpty(&master, &slave, slavePath, nullptr, nullptr), 0);
    char dir[] = "/tmp/printune-com-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/COM1";
    ASSERT_EQ(symlink(slavePath, link.c_str()), 0);
    const char* old = std::getenv("PRINTUNE_DEVICE_DIR");
    const std::string saved = old ? old : "";
    setenv("PRINTUNE_DEVICE_DIR", dir, 1);

    const uint8_t command[] = {0x1B, 0x0D, 0x53, 0x1B, 0x30, 0x02, 0x1B, 0x10, 0x45};
    CPrinterPort port;
    port.portType = PORT_COM;
    port.comName = "COM1";
    port.data = command;
    port.length = sizeof command;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(port.Write(), static_cast<int>(sizeof command));
    port.Close();
    ASSERT_EQ(port.Open(), 1); // the next operation, before the printer read
    port.Close();

    uint8_t got[64];
    const int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    const ssize_t n = read(master, got, sizeof got);
    EXPECT_EQ(n, static_cast<ssize_t>(sizeof command));

    old ? setenv("PRINTUNE_DEVICE_DIR", saved.c_str(), 1) : unsetenv("PRINTUNE_DEVICE_DIR");
    unlink(link.c_str());
    rmdir(dir);
    close(slave);
    close(master);
}

} // namespace
