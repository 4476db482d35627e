// The four transports on Linux. Every descriptor is non-blocking and every
// wait is a poll() against a deadline, so no call can hang on a silent or
// vanished printer.
#include "port/printer_port.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/sockios.h>

#include "port/comm_trace.h"
#include "port/device_names.h"
#include "port/fd_io.h"
#include "port/port_errors.h"
#include "port/serial_config.h"
#include "port/usb_filter.h"
#include "port/usb_printers.h"

namespace printune {

namespace {
constexpr int COM_READ_INTERVAL_MS = 1000;
constexpr int COM_READ_CONSTANT_MS = 1000;
constexpr int COM_MS_PER_BYTE = 3;
constexpr int LPT_WRITE_MS_PER_BYTE = 20;

bool KnownType(int t) {
    return t == PORT_COM || t == PORT_LPT || t == PORT_USB || t == PORT_LAN;
}

// Opens a device node for exclusive use by this process. flock() keeps out
// other programs that honour it (and root, which TIOCEXCL does not stop).
int OpenDeviceNode(const std::string& path, int extraFlags, int& err) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | extraFlags);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        CloseQuietly(fd);
        err = EBUSY;
        return -1;
    }
    return fd;
}

void SleepMs(int64_t ms) {
    if (ms <= 0)
        return;
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}
} // namespace

CPrinterPort::CPrinterPort() {
    for (int& h : handles)
        h = NO_HANDLE;
}

CPrinterPort::~CPrinterPort() {
    Close();
}

void CPrinterPort::Raise(int code, int err) {
    lastErrno_ = err;
    if (TraceOn())
        TraceState(PortTypeKey(portType), traceEndpoint_,
                   err == ETIMEDOUT ? TraceKind::Timeout : TraceKind::Error, err, code);
    throw PortError(code, portType, err);
}

int CPrinterPort::Open(const std::string& address) {
    lastErrno_ = 0;
    if (!KnownType(portType))
        return 0;
    // A previous Open that was never closed must not leak its descriptors.
    Close();
    fanOutTold_ = false;
    const bool traced = TraceOn();
    if (traced) {
        traceEndpoint_ = TraceEndpointOf(address);
        traceBusy_ = true;
        TraceTransportBusy(true);
    }
    int opened = 0;
    switch (portType) {
    case PORT_COM:
        opened = OpenCom();
        break;
    case PORT_LPT:
        opened = OpenLpt();
        break;
    case PORT_USB:
        opened = OpenUsb();
        break;
    default:
        opened = OpenLan(address);
        break;
    }
    if (traced) {
        if (opened == 1)
            TraceState(PortTypeKey(portType), traceEndpoint_, TraceKind::Open);
        else
            TraceState(PortTypeKey(portType), traceEndpoint_, TraceKind::Error, lastErrno_);
    }
    return opened;
}

std::string CPrinterPort::TraceEndpointOf(const std::string& address) const {
    switch (portType) {
    case PORT_COM:
        return ResolveDeviceName(comName);
    case PORT_LPT:
        return ResolveDeviceName(lptName);
    case PORT_USB:
        return std::string(); // the printers opened, filled in by OpenUsb
    default: {
        const PortSettings current = CurrentPortSettings();
        return (address.empty() ? current.ipAddr : address) + ":" +
               std::to_string(static_cast<uint16_t>(current.listenPort));
    }
    }
}

int CPrinterPort::OpenCom() {
    int err = 0;
    int fd = OpenDeviceNode(ResolveDeviceName(comName), 0, err);
    if (fd < 0)
        Raise(PORT_ERR_IN_USE, err);
    handles[0] = fd;
    if (!IsSerialPortNode(fd))
        Raise(PORT_ERR_IN_USE, ENOTTY);
    if (::tcgetattr(fd, &dcb) != 0)
        Raise(PORT_ERR_IN_USE, errno); // not a serial device
    // Later opens by other programs fail with EBUSY while we hold the line.
    if (::ioctl(fd, TIOCEXCL) == 0)
        comExclusive_ = true;
    // The driver's default closing wait (30 s) would hold every close after a
    // write stopped by flow control; only root may change it, so the close
    // also discards a stuck queue first.
    Devices().limitClosingWait(fd, COM_CLOSING_WAIT_CS);

    SerialLineConfig cfg = BuildSerialLineConfig(dcb, CurrentPortSettings());
    // Failures to apply the line settings are deliberately ignored:
    // a pty, for one, refuses what it cannot emulate.
    ::tcsetattr(fd, TCSANOW, &cfg.tio);
    int dtr = TIOCM_DTR;
    if (cfg.dtr == DtrAction::Assert)
        ::ioctl(fd, TIOCMBIS, &dtr);
    else if (cfg.dtr == DtrAction::Clear)
        ::ioctl(fd, TIOCMBIC, &dtr);
    // Bytes that arrived while the port was closed belong to nobody. Our own
    // output still queued is the last operation's and goes out: on a pty or
    // a USB-serial adapter the other side may not have read it yet, and an
    // output flush here would throw that command away.
    ::tcflush(fd, TCIFLUSH);
    return 1;
}

int CPrinterPort::OpenLpt() {
    int err = 0;
    const std::string path = ResolveDeviceName(lptName);
    int fd = OpenDeviceNode(path, 0, err);
    if (fd < 0)
        Raise(PORT_ERR_OPEN, err);
    handles[0] = fd;
    // Printer bytes must never reach a disk or any other kind of node.
    if (!IsParallelPortNode(path, fd))
        Raise(PORT_ERR_OPEN, ENOTTY);
    // Without the abort flag the driver retries an offline or paper-out
    // printer for ever (about 10 s per write even without blocking); with
    // it the write fails once the driver's time-out, set per write, passes.
    Devices().setLpAbort(fd, 1);
    // A terminal behind an LPT name (a pty, a USB-parallel gadget) must pass
    // bytes untranslated.
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        MakeRawTermios(t, true);
        ::tcsetattr(fd, TCSANOW, &t);
        ::tcflush(fd, TCIOFLUSH);
    }
    return 1;
}

int CPrinterPort::OpenUsb() {
    std::vector<UsbPrinterInterface> present;
    if (!ListUsbPrinters(SysfsRoot(), DevRoot(), present))
        Raise(PORT_ERR_USB_LIST, errno);
    const UsbFilter filter = CurrentUsbFilter();
    int opened = 0;
    for (size_t index = 0; index < static_cast<size_t>(HANDLE_SLOTS); ++index) {
        if (index >= present.size()) {
            if (opened > 0)
                break;
            Raise(PORT_ERR_USB_NONE, ENODEV);
        }
        const UsbPrinterInterface& p = present[index];
        if (!UsbPrinterPasses(filter, p))
            continue;
        int err = 0;
        int fd = OpenDeviceNode(p.node, O_EXCL, err);
        if (fd < 0) {
            if (opened == 0)
                Raise(PORT_ERR_OPEN, err);
            continue;
        }
        handles[opened++] = fd;
        if (TraceOn()) {
            std::string vid, pid;
            traceEndpoint_ += (traceEndpoint_.empty() ? "" : ", ") + p.node;
            if (GetVidPidFromPath(p.path, vid, pid))
                traceEndpoint_ += " " + vid + ":" + pid;
        }
    }
    return 1;
}

int CPrinterPort::OpenLan(const std::string& address) {
    const PortSettings current = CurrentPortSettings();
    std::string host = address.empty() ? current.ipAddr : address;
    // The port number is taken modulo 65536 (a 16-bit field on the wire).
    uint16_t port = static_cast<uint16_t>(current.listenPort);
    // "IP:PORT" names a printer with its own port, so printers on different
    // ports can be reached at once without the process-wide settings.
    if (const auto colon = host.find(':'); colon != std::string::npos) {
        port = static_cast<uint16_t>(std::atoi(host.c_str() + colon + 1));
        host.erase(colon);
    }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        lastErrno_ = errno;
        return 0;
    }
    socket = fd;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &sa.sin_addr) != 1)
        Raise(PORT_ERR_OPEN, EINVAL);
    // Bounded: a blocking connect would wait about two minutes on Linux.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS && errno != EINTR)
            Raise(PORT_ERR_OPEN, errno);
        int r = WaitFd(fd, POLLOUT, MonotonicMs() + CONNECT_TIMEOUT_MS);
        if (r < 0)
            Raise(PORT_ERR_OPEN, errno);
        if (r == 0)
            Raise(PORT_ERR_OPEN, ETIMEDOUT);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
            Raise(PORT_ERR_OPEN, errno);
        if (soError != 0)
            Raise(PORT_ERR_OPEN, soError);
    }
    // Commands are short and answered at once; do not hold them back.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return 1;
}

int CPrinterPort::Write() {
    lastErrno_ = 0;
    if (!KnownType(portType))
        return 0;
    if (TraceOn()) {
        const int done = WriteTransport();
        TraceBytes(PortTypeKey(portType), traceEndpoint_, TraceKind::Write, TraceDirection::Out,
                   data, static_cast<size_t>(std::max(done, 0)));
        return done;
    }
    return WriteTransport();
}

int CPrinterPort::WriteTransport() {
    const size_t len = length > 0 ? static_cast<size_t>(length) : 0;
    if (len > 0 && data == nullptr)
        Raise(PORT_ERR_WRITE, EFAULT);
    if (portType == PORT_USB)
        return WriteUsb();
    if (portType == PORT_LAN)
        return WriteLan();

    int fd = handles[0];
    if (fd < 0)
        Raise(PORT_ERR_WRITE, EBADF);
    int64_t start = MonotonicMs();
    int64_t deadline;
    if (portType == PORT_LPT) {
        // Purge before writing: only a terminal keeps queues to drop.
        if (::isatty(fd))
            ::tcflush(fd, TCIOFLUSH);
        deadline = start + writeGraceMs + static_cast<int64_t>(LPT_WRITE_MS_PER_BYTE) * len;
        Devices().setLpTimeout(fd, deadline - start);
    } else {
        deadline = start + writeGraceMs + static_cast<int64_t>(COM_MS_PER_BYTE) * len;
        // Cleared only when every byte has left the port.
        outputStuck_ = true;
    }
    bool ok = true;
    int err = 0;
    size_t done = WriteWithDeadline(fd, data, len, deadline, 0, false, ok, err);
    if (!ok)
        Raise(PORT_ERR_WRITE, err);
    // A short write within the deadline is a failure on both ports: the
    // printer (stopped by flow control or offline) did not take the data.
    if (done < len)
        Raise(PORT_ERR_WRITE, ETIMEDOUT);
    if (portType == PORT_COM) {
        // The write is finished when the bytes have left the UART; a line
        // held by flow control runs into the deadline.
        int queued = 0;
        while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
            if (MonotonicMs() >= deadline)
                Raise(PORT_ERR_WRITE, ETIMEDOUT);
            SleepMs(std::min<int64_t>(5, deadline - MonotonicMs()));
        }
        outputStuck_ = false;
    }
    return static_cast<int>(done);
}

int CPrinterPort::WriteUsb() {
    const size_t len = length > 0 ? static_cast<size_t>(length) : 0;
    int last = 0;
    int printers = 0;
    for (int fd : handles) {
        if (fd < 0)
            continue;
        bool ok = true;
        int err = 0;
        // usblp never times out a write; give up when the printer has taken
        // nothing for writeGraceMs.
        size_t done = WriteWithDeadline(fd, data, len, INT64_MAX, writeGraceMs, false, ok, err);
        if (!ok)
            Raise(PORT_ERR_WRITE, err);
        if (done < len)
            Raise(PORT_ERR_WRITE, ETIMEDOUT);
        // A non-blocking usblp write returns while its last block is still
        // in flight, and close() kills that block: the bytes count as
        // written only once the driver is writable again.
        int r = WaitWritten(fd, MonotonicMs() + writeGraceMs, err);
        if (r < 0)
            Raise(PORT_ERR_WRITE, err);
        if (r == 0)
            Raise(PORT_ERR_WRITE, ETIMEDOUT);
        last = static_cast<int>(done);
        ++printers;
    }
    if (printers > 1 && !fanOutTold_) {
        fanOutTold_ = true;
        NotifyUsbFanOut(printers);
    }
    return last;
}

int CPrinterPort::WriteLan() {
    const size_t len = length > 0 ? static_cast<size_t>(length) : 0;
    if (socket < 0)
        Raise(PORT_ERR_WRITE, EBADF);
    bool ok = true;
    int err = 0;
    size_t done = WriteWithDeadline(socket, data, len, INT64_MAX, writeGraceMs, true, ok, err);
    if (!ok)
        Raise(PORT_ERR_WRITE, err);
    if (done < len)
        Raise(PORT_ERR_WRITE, ETIMEDOUT);
    return static_cast<int>(done);
}

int CPrinterPort::Read(uint8_t* buffer, int size) {
    lastErrno_ = 0;
    if (!KnownType(portType) || size <= 0)
        return 0;
    if (buffer == nullptr)
        Raise(PORT_ERR_READ, EFAULT);
    const int got = portType == PORT_COM ? ReadCom(buffer, size) : ReadSlice(buffer, size);
    // Empty slices are the idle loop of a reply wait, not events.
    if (got > 0 && TraceOn())
        TraceBytes(PortTypeKey(portType), traceEndpoint_, TraceKind::Read, TraceDirection::In,
                   buffer, static_cast<size_t>(got));
    return got;
}

int CPrinterPort::ReadCom(uint8_t* buffer, int size) {
    int fd = handles[0];
    if (fd < 0)
        Raise(PORT_ERR_READ, EBADF);
    // Total: 3 ms per byte asked for + 1000 ms; interval: 1000 ms after the
    // last byte received.
    const int64_t total =
        MonotonicMs() + COM_READ_CONSTANT_MS + static_cast<int64_t>(COM_MS_PER_BYTE) * size;
    int got = 0;
    int64_t lastByte = 0;
    while (got < size) {
        int64_t until = got > 0 ? std::min(total, lastByte + COM_READ_INTERVAL_MS) : total;
        int r = WaitFd(fd, POLLIN, until);
        if (r < 0)
            Raise(PORT_ERR_READ, errno);
        if (r == 0)
            break;
        ssize_t n = ::read(fd, buffer + got, static_cast<size_t>(size - got));
        if (n > 0) {
            got += static_cast<int>(n);
            lastByte = MonotonicMs();
        } else if (n == 0) {
            Raise(PORT_ERR_READ, EIO); // hung up
        } else if (errno != EAGAIN && errno != EINTR) {
            Raise(PORT_ERR_READ, errno);
        }
    }
    return got;
}

int CPrinterPort::ReadSlice(uint8_t* buffer, int size) {
    const int64_t deadline = MonotonicMs() + READ_SLICE_MS;
    std::vector<pollfd> fds;
    std::vector<int> slots;
    if (portType == PORT_LAN) {
        if (socket < 0)
            Raise(PORT_ERR_READ, EBADF);
        fds.push_back({socket, POLLIN, 0});
    } else if (replySlot_ >= 0) {
        // Several printers open: the first that answered is the only one
        // read from until the close, so replies are never mixed.
        fds.push_back({handles[replySlot_], POLLIN, 0});
    } else {
        for (int i = 0; i < HANDLE_SLOTS; ++i)
            if (handles[i] >= 0 && (portType == PORT_USB || i == 0))
                fds.push_back({handles[i], POLLIN, 0});
        if (fds.empty())
            return 0; // USB: nothing was opened (no printer passed the filter)
    }

    int ready = 0;
    for (;;) {
        int64_t left = std::max<int64_t>(0, deadline - MonotonicMs());
        ready = ::poll(fds.data(), fds.size(), static_cast<int>(left));
        if (ready >= 0)
            break;
        if (errno != EINTR)
            Raise(PORT_ERR_READ, errno);
    }
    if (ready == 0)
        return 0;

    int last = 0;
    bool delivered = false;
    for (const pollfd& p : fds) {
        if (p.revents == 0)
            continue;
        ssize_t n = portType == PORT_LAN ? ::recv(p.fd, buffer, static_cast<size_t>(size), 0)
                                         : ::read(p.fd, buffer, static_cast<size_t>(size));
        if (n > 0) {
            last = static_cast<int>(n);
            delivered = true;
            if (portType == PORT_USB) {
                for (int i = 0; i < HANDLE_SLOTS; ++i)
                    if (handles[i] == p.fd)
                        replySlot_ = i;
                break;
            }
            continue;
        }
        if (portType == PORT_LAN && n == 0)
            Raise(PORT_ERR_READ, ECONNRESET); // the printer closed the connection
        // A USB node that hung up (printer unplugged, simulator gone).
        if (portType == PORT_USB && n == 0 && (p.revents & (POLLHUP | POLLERR)))
            Raise(PORT_ERR_READ, ENODEV);
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            continue;
        // A unidirectional parallel port cannot read back: that is no reply,
        // not a failure.
        if (portType == PORT_LPT && (errno == EIO || errno == EINVAL))
            continue;
        Raise(PORT_ERR_READ, errno);
    }
    // Drivers without a poll method report ready with nothing to read; wait
    // out the slice so a caller's read loop does not spin.
    if (!delivered)
        SleepMs(deadline - MonotonicMs());
    return last;
}

int CPrinterPort::Flush() {
    lastErrno_ = 0;
    if (portType != PORT_LAN || socket < 0 || tcpFinished_)
        return 1;
    tcpFinished_ = true;
    int err = 0;
    if (FinishTcp(socket, err) != 1)
        Raise(PORT_ERR_WRITE, err);
    return 1;
}

int CPrinterPort::Close() {
    if (TraceOn() && (socket >= 0 || OpenHandleCount() > 0))
        TraceState(PortTypeKey(portType), traceEndpoint_, TraceKind::Close);
    for (int i = 0; i < HANDLE_SLOTS; ++i) {
        if (handles[i] < 0)
            continue;
        if (i == 0) {
            // A queue held by flow control would make close() wait for the
            // driver's closing time-out: drop it.
            int queued = 0;
            if (outputStuck_ || (::ioctl(handles[i], TIOCOUTQ, &queued) == 0 && queued > 0))
                Devices().discardOutput(handles[i]);
            if (comExclusive_)
                ::ioctl(handles[i], TIOCNXCL);
        }
        CloseQuietly(handles[i]);
        handles[i] = NO_HANDLE;
    }
    comExclusive_ = false;
    outputStuck_ = false;
    replySlot_ = NO_HANDLE;
    if (socket >= 0 && !tcpFinished_) {
        int err = 0;
        FinishTcp(socket, err);
    }
    CloseQuietly(socket);
    socket = NO_HANDLE;
    tcpFinished_ = false;
    if (traceBusy_) {
        traceBusy_ = false;
        TraceTransportBusy(false);
    }
    return 1;
}

// Closing a socket that still holds unread input makes Linux answer with a
// reset, and a reset throws away whatever of our data the printer has not
// acknowledged yet: the tail of a file or firmware image would be lost. So
// send our FIN behind the data, drop what the printer sends, and wait until
// everything written is acknowledged. The printer's own end of the session
// (its FIN, which acknowledges ours) wakes the wait at once; a bare
// acknowledgement wakes nothing, so the socket is looked at again after
// growing pauses. Returns 1 when delivered, 0 when the printer acknowledged
// nothing more for TCP_CLOSE_LINGER_MS, -1 on a reset or socket error.
int CPrinterPort::FinishTcp(int fd, int& err) {
    err = 0;
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError != 0) {
        err = soError;
        return -1;
    }
    if (::shutdown(fd, SHUT_WR) != 0) {
        err = errno == ENOTCONN ? ECONNRESET : errno;
        return -1;
    }
    int64_t lastProgress = MonotonicMs();
    int lastQueued = INT32_MAX;
    int pauseMs = 1;
    bool peerEnded = false;
    uint8_t sink[4096];
    for (;;) {
        for (;;) {
            ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
            if (n > 0)
                continue;
            if (n == 0) {
                peerEnded = true;
                break;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                err = errno;
                return -1;
            }
            break;
        }
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError != 0) {
            err = soError;
            return -1;
        }
        int queued = 0;
        if (::ioctl(fd, SIOCOUTQ, &queued) != 0 || queued <= 0)
            return 1;
        const int64_t now = MonotonicMs();
        if (queued < lastQueued) {
            lastQueued = queued;
            lastProgress = now;
        }
        const int64_t until = lastProgress + TCP_CLOSE_LINGER_MS;
        if (now >= until) {
            err = ETIMEDOUT;
            return 0;
        }
        const int64_t wakeAt = std::min(until, now + pauseMs);
        if (peerEnded)
            SleepMs(wakeAt - now);
        else
            WaitFd(fd, POLLIN | POLLRDHUP, wakeAt);
        pauseMs = std::min(pauseMs * 2, 50);
    }
}

int CPrinterPort::OpenHandleCount() const {
    int n = 0;
    for (int h : handles)
        n += h >= 0;
    return n;
}

bool CPrinterPort::GetVidPidFromPath(const std::string& path, std::string& vid, std::string& pid) {
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t v = upper.find("VID_");
    if (v == std::string::npos)
        return false;
    size_t p = upper.find("PID_");
    if (p == std::string::npos)
        return false;
    vid = upper.substr(v + 4, 4);
    pid = upper.substr(p + 4, 4);
    return true;
}

} // namespace printune
