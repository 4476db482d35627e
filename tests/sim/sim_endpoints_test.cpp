// printune-sim as a process: start-up, published files, captures, reply
// timing and clean shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>

#include <sys/stat.h>
#include <unistd.h>

#include "port/printer_port.h"
#include "port/usb_printers.h"
#include "support/sim_process.h"
#include "support/test_paths.h"

using namespace printune;
using namespace printune_test;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

TEST(SimProcess, StartsWellUnderASecondAndDescribesEveryEndpoint) {
    auto start = Clock::now();
    SimProcess sim({"--all", "--tcp", "127.0.0.1:0", "--usb", "7A3E:3D72"});
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(sim.Endpoints(),
              (std::vector<std::string>{"tcp", "COM1", "LPT1", "usb0", "usb1", "usb2"}));
    EXPECT_GT(sim.TcpPort(), 0);
    EXPECT_EQ(sim.TcpAddress(), "127.0.0.1");
    EXPECT_EQ(sim.DevicePath("COM1"), sim.DeviceDir() + "/COM1");
    EXPECT_EQ(sim.DevicePath("usb1"), sim.DevRoot() + "/usb/lp1");
    EXPECT_EQ(sim.Field("usb0", "MODEL"), "KP-520");
    EXPECT_EQ(sim.Field("usb1", "MODEL"), "HT-740");
    EXPECT_EQ(sim.Field("usb2", "MODEL"), "HT-750");
    EXPECT_EQ(sim.Field("COM1", "KIND"), "serial");
    for (const char* ep : {"COM1", "LPT1", "usb0"})
        EXPECT_TRUE(fs::exists(sim.DevicePath(ep))) << ep;
}

TEST(SimProcess, UsbTreeLooksLikeUsblps) {
    SimProcess sim({"--usb", "7A3E:5C19", "--usb", "7a3e:3d71"});
    std::vector<UsbPrinterInterface> list;
    ASSERT_TRUE(ListUsbPrinters(sim.SysfsRoot(), sim.DevRoot(), list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, "usb#VID_7A3E&PID_5C19#lp0");
    EXPECT_EQ(list[1].path, "usb#VID_7A3E&PID_3D71#lp1");
    // The node is a terminal in raw mode.
    int fd = open(list[1].node.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(isatty(fd));
    termios t{};
    tcgetattr(fd, &t);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_iflag & IXON, 0u);
    close(fd);
}

TEST(SimProcess, SigtermRemovesWhatTheSimulatorCreated) {
    SimProcess sim({"--com", "2", "--lpt", "1", "--usb", "7A3E:5C19"});
    const std::string dir = sim.Value("PRINTUNE_SIM_DIR");
    const std::string com = sim.DevicePath("COM2");
    ASSERT_TRUE(fs::is_symlink(com));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(com)));
    EXPECT_FALSE(fs::exists(sim.SysfsRoot()));
    EXPECT_FALSE(fs::exists(sim.DevRoot()));
    // Only the captures stay, in the directory the caller named.
    for (const auto& e : fs::recursive_directory_iterator(dir))
        EXPECT_TRUE(e.is_directory() || e.path().extension() == ".txt") << e.path();
}

TEST(SimProcess, OwnTemporaryDirectoryGoesAwayEntirely) {
    // Run the binary directly: without --dir it makes and removes its own.
    char out[] = "/tmp/printune-simout-XXXXXX";
    close(mkstemp(out));
    std::string describe = std::string(out) + ".env";
    pid_t pid = fork();
    if (pid == 0) {
        execl(BinPath("printune-sim").c_str(), "printune-sim", "--tcp", "127.0.0.1:0", "--com", "1",
              "--quiet", "--describe", describe.c_str(), nullptr);
        _exit(127);
    }
    auto start = Clock::now();
    while (access(describe.c_str(), R_OK) != 0 && Clock::now() - start < std::chrono::seconds(5))
        usleep(5000);
    std::ifstream in(describe);
    std::string line, dir;
    while (std::getline(in, line))
        if (line.rfind("PRINTUNE_SIM_DIR='", 0) == 0)
            dir = line.substr(18, line.size() - 19);
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::exists(dir + "/devices/COM1"));
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_FALSE(fs::exists(describe)); // it described endpoints that are gone
    unlink(out);
}

TEST(SimProcess, BadCommandLineExitsWithUsage) {
    EXPECT_THROW(SimProcess({"--usb", "nonsense"}), std::runtime_error);
}

TEST(SimProcess, CaptureHoldsHexWithTimeStampsAndReplies) {
    SimProcess sim({"--model", "silent", "--reply", "0102=0A0B"});
    PortSettings s = CurrentPortSettings();
    PortSettings saved = s;
    s.ipAddr = "127.0.0.1";
    s.listenPort = sim.TcpPort();
    SetCurrentPortSettings(s);
    std::vector<uint8_t> bytes(70);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i + 1);
    CPrinterPort port;
    port.portType = PORT_LAN;
    port.data = bytes.data();
    port.length = static_cast<int>(bytes.size());
    ASSERT_EQ(port.Open(), 1);
    port.Write();
    ASSERT_TRUE(sim.WaitReceived("tcp", bytes.size()));
    port.Close();
    SetCurrentPortSettings(saved);
    EXPECT_EQ(sim.Received("tcp"), bytes);
    EXPECT_EQ(sim.Sent("tcp"), HexBytes("0A 0B"));
    std::vector<std::string> lines = sim.CaptureLines("tcp");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("open 127.0.0.1:", 0), 0u);
    // 32 bytes a line.
    EXPECT_EQ(lines[1].size(), std::string("rx").size() + 32 * 3);
    std::ifstream raw(sim.Field("tcp", "CAPTURE"));
    double stamp = -1;
    raw >> stamp;
    EXPECT_GE(stamp, 0.0);
}

TEST(SimProcess, ReplyDelayHoldsTheAnswerBack) {
    SimProcess sim({"--model", "silent", "--com", "1", "--reply", "05", "--reply-delay", "300"});
    int fd = open(sim.DevicePath("COM1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    auto start = Clock::now();
    ASSERT_EQ(write(fd, "x", 1), 1);
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 3000), 1);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(ms, 290);
    uint8_t b = 0;
    EXPECT_EQ(read(fd, &b, 1), 1);
    EXPECT_EQ(b, 0x05);
    close(fd);
}

// The capture's time stamps of the received lines, in seconds.
std::vector<double> RxStamps(const std::string& capture) {
    std::ifstream in(capture);
    std::vector<double> stamps;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        double t = 0;
        std::string dir;
        if (words >> t >> dir && dir == "rx")
            stamps.push_back(t);
    }
    return stamps;
}

TEST(SimProcess, SlowReadPacesWhatThePrinterTakes) {
    SimProcess sim({"--model", "silent", "--com", "1", "--slow-read", "100:50"});
    int fd = open(sim.DevicePath("COM1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_TRUE(sim.WaitReceived("COM1", bytes.size()));
    close(fd);
    EXPECT_EQ(sim.Received("COM1"), bytes);
    // Ten reads of at most 100 bytes, 50 ms apart at the least.
    std::vector<double> stamps = RxStamps(sim.Field("COM1", "CAPTURE"));
    ASSERT_GE(stamps.size(), 10u);
    EXPECT_GE(stamps.back() - stamps.front(), 0.44);
}

// A gadget node is any character device the simulator opens as it is; a pty
// stands in for /dev/g_printer0 here.
TEST(SimProcess, GadgetNodeServesThePrinterModel) {
    int master = -1;
    int slave = -1;
    char path[256] = {};
    ASSERT_EQ(openpty(&master, &slave, path, nullptr, nullptr), 0);
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    SimProcess sim({"--no-tcp", "--gadget", std::string(path) + "=echo"});
    EXPECT_EQ(sim.Field("gadget0", "KIND"), "gadget");
    EXPECT_EQ(sim.Field("gadget0", "MODEL"), "echo");
    ASSERT_EQ(write(master, "\x1B\x40", 2), 2);
    pollfd p{master, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    uint8_t back[2] = {};
    EXPECT_EQ(read(master, back, 2), 2);
    EXPECT_EQ(back[0], 0x1B);
    // No wait: the capture is written before the reply goes out.
    EXPECT_EQ(sim.Received("gadget0"), HexBytes("1B 40"));
    close(master);
    close(slave);
}

TEST(SimProcess, GadgetThatCannotBeOpenedIsAnError) {
    EXPECT_THROW(SimProcess({"--no-tcp", "--gadget", "/nonexistent/g_printer0"}),
                 std::runtime_error);
}

} // namespace

namespace {

int ConnectTo(const SimProcess& sim) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(sim.TcpPort()));
    inet_pton(AF_INET, sim.TcpAddress().c_str(), &sa.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(SimProcess, AConnectionPastTheReadLimitGivesWayToTheNextClient) {
    SimProcess sim({"--tcp", "127.0.0.1:0", "--model", "KP-520", "--read-limit", "16"});
    // The first client fills the limit and then just stays connected.
    const int stalled = ConnectTo(sim);
    ASSERT_GE(stalled, 0);
    const std::string junk(64, 'x');
    ASSERT_EQ(send(stalled, junk.data(), junk.size(), MSG_NOSIGNAL), 64);
    ASSERT_TRUE(sim.WaitReceived("tcp", 16));

    // The next one is served: it asks the firmware version and gets a reply.
    const int next = ConnectTo(sim);
    ASSERT_GE(next, 0);
    const uint8_t ask[] = {0x1B, 0x0D, 0x53, 0x1B, 0x1A, 0x01, 0x1B, 0x10, 0x45};
    ASSERT_EQ(send(next, ask, sizeof ask, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof ask));
    pollfd p{next, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 10000), 1);
    char reply[64];
    EXPECT_GT(recv(next, reply, sizeof reply, 0), 0);
    close(next);
    close(stalled);
}

TEST(SimProcess, AVanishingDeviceTakesItsNodeAndItsListenerWithIt) {
    SimProcess sim({"--tcp", "127.0.0.1:0", "--com", "1", "--vanish-after", "4"});
    const std::string node = sim.DevicePath("COM1");
    const int com = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(com, 0);
    ASSERT_EQ(write(com, "\x1B\x0D\x53\x1B", 4), 4);
    ASSERT_TRUE(sim.WaitReceived("COM1", 4));
    // The link goes, and the descriptor the tool still holds hangs up.
    pollfd p{com, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << p.revents;
    EXPECT_FALSE(fs::exists(fs::symlink_status(node)));
    close(com);

    const int tcp = ConnectTo(sim);
    ASSERT_GE(tcp, 0);
    ASSERT_EQ(send(tcp, "abcd", 4, MSG_NOSIGNAL), 4);
    ASSERT_TRUE(sim.WaitReceived("tcp", 4));
    char c;
    p = {tcp, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    EXPECT_LE(recv(tcp, &c, 1, 0), 0);
    close(tcp);
    // Nobody listens any more.
    EXPECT_LT(ConnectTo(sim), 0);
}

} // namespace
