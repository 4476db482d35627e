#include "port/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

#include <linux/lp.h>
#include <linux/serial.h>

namespace printune {

int64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int WaitFd(int fd, short events, int64_t deadlineMs) {
    for (;;) {
        int64_t left = std::max<int64_t>(0, deadlineMs - MonotonicMs());
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1 << 30)));
        if (r > 0)
            return p.revents;
        if (r == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

namespace {
// Some drivers (the parallel port's lp) have no poll method and always
// report ready; a write then fails with EAGAIN. Back off briefly instead of
// spinning on such a descriptor.
void BackOff(int64_t deadlineMs) {
    int64_t left = deadlineMs - MonotonicMs();
    if (left <= 0)
        return;
    timespec ts{0, static_cast<long>(std::min<int64_t>(left, 10)) * 1000000L};
    nanosleep(&ts, nullptr);
}
} // namespace

size_t WriteWithDeadline(int fd, const uint8_t* data, size_t length, int64_t deadlineMs,
                         int stallMs, bool sendSocket, bool& ok, int& err) {
    ok = true;
    err = 0;
    size_t done = 0;
    int64_t lastProgress = MonotonicMs();
    bool pollSaidReady = false;
    while (done < length) {
        ssize_t n = sendSocket ? ::send(fd, data + done, length - done, MSG_NOSIGNAL)
                               : ::write(fd, data + done, length - done);
        bool full = false;
        if (n > 0) {
            done += static_cast<size_t>(n);
            lastProgress = MonotonicMs();
            pollSaidReady = false;
            if (done == length)
                break;
            // A short write means the buffer is full: wait for room rather
            // than asking again only to be told EAGAIN.
            full = true;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            ok = false;
            err = n == 0 ? EIO : errno;
            return done;
        }
        int64_t limit = deadlineMs;
        if (stallMs > 0)
            limit = std::min(limit, lastProgress + stallMs);
        if (MonotonicMs() >= limit)
            return done;
        // Ready according to poll, yet the write still refused: the driver
        // cannot poll (the parallel port's lp always reports ready). Wait a
        // little instead of spinning.
        if (pollSaidReady && !full)
            BackOff(limit);
        int r = WaitFd(fd, POLLOUT, limit);
        if (r < 0) {
            ok = false;
            err = errno;
            return done;
        }
        if (r == 0)
            return done;
        pollSaidReady = true;
    }
    return done;
}

int WaitWritten(int fd, int64_t deadlineMs, int& err) {
    err = 0;
    int r = WaitFd(fd, POLLOUT, deadlineMs);
    if (r < 0) {
        err = errno;
        return -1;
    }
    if (r & (POLLERR | POLLHUP | POLLNVAL)) {
        err = (r & POLLHUP) ? ENODEV : EIO;
        return -1;
    }
    return r == 0 ? 0 : 1;
}

namespace {
int SystemDiscardOutput(int fd) {
    return ::tcflush(fd, TCOFLUSH);
}

int SystemLimitClosingWait(int fd, int centisec) {
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) != 0)
        return -1;
    ss.closing_wait = static_cast<unsigned short>(centisec);
    return ::ioctl(fd, TIOCSSERIAL, &ss);
}

int SystemSetLpAbort(int fd, int on) {
    return ::ioctl(fd, LPABORT, on);
}

int SystemSetLpTimeout(int fd, int64_t ms) {
    timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000) * 1000};
    return ::ioctl(fd, LPSETTIMEOUT, &tv);
}
} // namespace

DeviceControl& Devices() {
    static DeviceControl control{SystemDiscardOutput, SystemLimitClosingWait, SystemSetLpAbort,
                                 SystemSetLpTimeout};
    return control;
}

void CloseQuietly(int fd) {
    if (fd < 0)
        return;
    int saved = errno;
    ::close(fd);
    errno = saved;
}

} // namespace printune
