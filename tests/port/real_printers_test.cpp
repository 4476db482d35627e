// What real drivers do that the simulator's ptys cannot show: a usblp block
// still in flight at close, a UART close held by flow control, the parallel
// driver's abort flag, a TCP peer that stops reading or resets, replies from
// several USB printers at once. Seams: a FIFO with a one-page buffer as the
// USB node (it reports POLLOUT only once the reader took everything, as usblp
// does once its block reached the printer), the DeviceControl table of fd_io
// for the serial and parallel driver controls, plain loopback sockets.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "port/port_link.h"
#include "port/fd_io.h"
#include "port/port_errors.h"
#include "port/usb_printers.h"
#include "port_test_util.h"
#include "port/exchange.h"
#include "usb_tree.h"

using namespace printune;
using namespace printune_test;

namespace {

// Puts the driver controls back after a test records them.
class RecordedDevices {
public:
    RecordedDevices() : saved_(Devices()) {
        Calls() = {};
        Devices().discardOutput = [](int) {
            ++Calls().discards;
            return 0;
        };
        Devices().limitClosingWait = [](int, int cs) {
            Calls().closingWaitCs = cs;
            return 0;
        };
        Devices().setLpAbort = [](int, int on) {
            Calls().lpAbort = on;
            return 0;
        };
        Devices().setLpTimeout = [](int, int64_t ms) {
            Calls().lpTimeoutMs = ms;
            return 0;
        };
    }
    ~RecordedDevices() { Devices() = saved_; }
    struct Log {
        int discards = 0;
        int closingWaitCs = -1;
        int lpAbort = -1;
        int64_t lpTimeoutMs = -1;
    };
    static Log& Calls() {
        static Log log;
        return log;
    }

private:
    DeviceControl saved_;
};

struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
    Pty() {
        char name[128];
        openpty(&master, &slave, name, nullptr, nullptr);
        path = name;
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    ~Pty() {
        close(master);
        close(slave);
    }
};

// A label printer whose node is a FIFO of one page: the printer's end
// (printerEnd) drains it; the writer sees POLLOUT only once it is empty.
struct FifoUsbPrinter {
    UsbTree tree{std::vector<FakeUsbPrinter>{{"7a3e", "5c19", false}}};
    int printerEnd = -1;
    FifoUsbPrinter() {
        if (mkfifo(tree.Node(0).c_str(), 0600) != 0)
            return;
        tree.Export();
        SetUsbFilter({"7A3E", "5C19", 1});
        printerEnd = open(tree.Node(0).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (printerEnd >= 0 && fcntl(printerEnd, F_SETPIPE_SZ, 4096) != 4096) {
            close(printerEnd);
            printerEnd = -1;
        }
    }
    ~FifoUsbPrinter() { close(printerEnd); }
};

TEST(RealPrinters, UsbWriteReturnsOnlyOnceTheDriverTookTheLastBlock) {
    ScopedPortState state;
    FifoUsbPrinter fifo;
    const int printer = fifo.printerEnd;
    ASSERT_GE(printer, 0);

    CPrinterPort port;
    port.portType = PORT_USB;
    ASSERT_EQ(port.Open(), 1);
    // The printer takes the block a while after the write was accepted.
    std::vector<uint8_t> got;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        uint8_t buf[4096];
        ssize_t n = 0;
        while (got.size() < 3000 && (n = read(printer, buf, sizeof buf)) != 0)
            if (n > 0)
                got.insert(got.end(), buf, buf + n);
    });
    std::vector<uint8_t> tail(3000, 0x5A);
    port.data = tail.data();
    port.length = static_cast<int>(tail.size());
    EXPECT_EQ(port.Write(), 3000);
    // Nothing may be left in flight for close() to kill.
    int inFlight = -1;
    ioctl(printer, FIONREAD, &inFlight);
    EXPECT_EQ(inFlight, 0);
    port.Close();
    reader.join();
    EXPECT_EQ(got.size(), 3000u);
}

TEST(RealPrinters, UsbPrinterThatNeverTakesTheLastBlockIsAFailedWrite) {
    ScopedPortState state;
    FifoUsbPrinter fifo;
    const int printer = fifo.printerEnd;
    ASSERT_GE(printer, 0);
    CPrinterPort port;
    port.portType = PORT_USB;
    port.writeGraceMs = 200;
    const uint8_t bytes[] = {1, 2, 3};
    port.data = bytes;
    port.length = 3;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(RaisedCode([&] { port.Write(); }), PORT_ERR_WRITE);
    EXPECT_EQ(port.LastErrno(), ETIMEDOUT);
    port.Close();
}

TEST(RealPrinters, SeveralUsbPrintersGiveOnePrintersWholeReplyAndAreCounted) {
    ScopedPortState state;
    UsbTree tree(std::vector<FakeUsbPrinter>{{"7a3e", "5c19"}, {"7a3e", "5c20"}});
    // What each printer has sent back (the nodes are plain files).
    std::ofstream(tree.Node(0)) << std::string(60, 'A');
    std::ofstream(tree.Node(1)) << std::string(10, 'B');
    tree.Export();
    SetUsbFilter({"7A3E", "5C19", 1});
    std::atomic<int> told{0};
    SetUsbFanOutNotifier([&](int printers) { told += printers; });

    CPrinterPort port;
    port.portType = PORT_USB;
    ExchangeOptions options;
    options.timeoutMs = 500;
    options.replyLength = 60;
    ExchangeResult r = Exchange(port, {}, options);
    EXPECT_EQ(r.outcome, ExchangeOutcome::Reply);
    EXPECT_EQ(std::string(r.reply.begin(), r.reply.end()), std::string(60, 'A'));

    // Reported once per open, with the count: the request above, and this
    // open's two writes.
    const uint8_t bytes[] = {0x1B, 0x40};
    port.data = bytes;
    port.length = 2;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(port.Write(), 2);
    EXPECT_EQ(port.Write(), 2);
    port.Close();
    SetUsbFanOutNotifier({});
    EXPECT_EQ(told.load(), 4);
}

TEST(RealPrinters, FailedSerialWriteDiscardsItsQueueAndBoundsTheClose) {
    ScopedPortState state;
    RecordedDevices devices;
    Pty pty;
    PortSettings s = CurrentPortSettings();
    s.flowControl = "Xon/Xoff";
    SetCurrentPortSettings(s);
    CPrinterPort port;
    port.comName = pty.path;
    port.writeGraceMs = 100;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(RecordedDevices::Calls().closingWaitCs, CPrinterPort::COM_CLOSING_WAIT_CS);
    EXPECT_LE(RecordedDevices::Calls().closingWaitCs, 100);

    // A successful write leaves nothing to discard.
    const uint8_t one[] = {0x01};
    port.data = one;
    port.length = 1;
    ASSERT_EQ(port.Write(), 1);
    port.Close();
    EXPECT_EQ(RecordedDevices::Calls().discards, 0);

    // The printer stops us with XOFF (as CTS held low would) and never resumes.
    ASSERT_EQ(port.Open(), 1);
    const uint8_t xoff = 0x13;
    ASSERT_EQ(write(pty.master, &xoff, 1), 1);
    pollfd p{port.handles[0], POLLIN, 0};
    poll(&p, 1, 100); // let the line discipline see it
    std::vector<uint8_t> more(100, 0x55);
    port.data = more.data();
    port.length = static_cast<int>(more.size());
    EXPECT_EQ(RaisedCode([&] { port.Write(); }), PORT_ERR_WRITE);
    port.Close();
    EXPECT_EQ(RecordedDevices::Calls().discards, 1);
}

TEST(RealPrinters, ParallelNamesMustNameAParallelPort) {
    ScopedPortState state;
    char file[] = "/tmp/printune-notlp-XXXXXX";
    close(mkstemp(file));
    // "null" resolves to /dev/null, a character device but no printer.
    for (std::string name : {std::string("null"), std::string(file)}) {
        SCOPED_TRACE(name);
        CPrinterPort port;
        port.portType = PORT_LPT;
        port.lptName = name;
        EXPECT_EQ(RaisedCode([&] { port.Open(); }), PORT_ERR_OPEN);
        EXPECT_EQ(port.LastErrno(), ENOTTY);
        EXPECT_EQ(port.OpenHandleCount(), 1); // left for Close, as every failure
        port.Close();
        EXPECT_EQ(port.OpenHandleCount(), 0);
    }
    struct stat st {};
    EXPECT_EQ(stat(file, &st), 0);
    EXPECT_EQ(st.st_size, 0);
    unlink(file);
    EXPECT_FALSE(PortErrorHint(PORT_ERR_OPEN, PORT_LPT, ENOTTY, 1033).empty());
}

TEST(RealPrinters, ParallelWriteFailsWithinItsDeadlineNotTheDriversRetries) {
    ScopedPortState state;
    RecordedDevices devices;
    Pty pty;
    char dir[] = "/tmp/printune-lptdir-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::filesystem::create_symlink(pty.path, std::string(dir) + "/LPT1");
    const char* old = std::getenv("PRINTUNE_DEVICE_DIR");
    const std::string saved = old ? old : "";
    setenv("PRINTUNE_DEVICE_DIR", dir, 1);

    CPrinterPort port;
    port.portType = PORT_LPT;
    port.lptName = "LPT1";
    const uint8_t bytes[10] = {};
    port.data = bytes;
    port.length = 10;
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(RecordedDevices::Calls().lpAbort, 1);
    EXPECT_EQ(port.Write(), 10);
    EXPECT_EQ(RecordedDevices::Calls().lpTimeoutMs, CPrinterPort::WRITE_GRACE_MS + 20 * 10);
    port.Close();

    old ? setenv("PRINTUNE_DEVICE_DIR", saved.c_str(), 1) : unsetenv("PRINTUNE_DEVICE_DIR");
    std::filesystem::remove_all(dir);
}

// A loopback listener standing in for a network printer.
class FakeNetworkPrinter {
public:
    explicit FakeNetworkPrinter(int receiveBuffer) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        setsockopt(listen_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        socklen_t len = sizeof sa;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        listen(listen_, 1);
        PortSettings s = CurrentPortSettings();
        s.ipAddr = "127.0.0.1";
        s.listenPort = port_;
        SetCurrentPortSettings(s);
    }
    ~FakeNetworkPrinter() {
        close(conn_);
        close(listen_);
    }
    void Accept() { conn_ = accept(listen_, nullptr, nullptr); }
    // Reads count bytes, then takes nothing more.
    void ReadThenStop(size_t count) {
        std::vector<uint8_t> buf(count);
        size_t got = 0;
        while (got < count) {
            ssize_t n = recv(conn_, buf.data() + got, count - got, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
    }
    // Closes with our data unread: the kernel answers with a reset.
    void CloseUnread() {
        close(conn_);
        conn_ = -1;
    }

private:
    int listen_ = -1;
    int conn_ = -1;
    int port_ = 0;
};

TEST(RealPrinters, FileToANetworkPrinterThatStopsReadingIsNotSent) {
    ScopedPortState state;
    FakeNetworkPrinter printer(4096);
    PortSettings lan = CurrentPortSettings();
    lan.portType = PORT_LAN;
    PrinterPortLink link(lan);
    std::thread peer([&] {
        printer.Accept();
        printer.ReadThenStop(16);
    });
    std::vector<uint8_t> file(20000, 0x41);
    const SendOutcome r = SendToPrinter(link, file, 1033);
    peer.join();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.portError, PORT_ERR_WRITE);
}

TEST(RealPrinters, ResetAfterTheLastWriteIsAFailedWrite) {
    ScopedPortState state;
    FakeNetworkPrinter printer(1 << 16);
    CPrinterPort port;
    port.portType = PORT_LAN;
    std::thread accept([&] { printer.Accept(); });
    ASSERT_EQ(port.Open(), 1);
    accept.join();
    std::vector<uint8_t> file(2000, 0x42);
    port.data = file.data();
    port.length = static_cast<int>(file.size());
    ASSERT_EQ(port.Write(), 2000);
    printer.ReadThenStop(5);
    printer.CloseUnread();
    EXPECT_EQ(RaisedCode([&] { port.Flush(); }), PORT_ERR_WRITE);
    port.Close();
}

} // namespace
