#pragma once
// Deadline-bounded waits and transfers on non-blocking descriptors. Every
// wait is a poll() against a monotonic deadline, so nothing here spins and
// nothing blocks longer than the caller allows.
#include <cstddef>
#include <cstdint>

namespace printune {

// Milliseconds of a monotonic clock.
int64_t MonotonicMs();

// Waits until fd reports one of events or the deadline (MonotonicMs) passes.
// Returns the revents seen, 0 on time-out, -1 on a poll failure (errno set).
// EINTR restarts the wait with the remaining time.
int WaitFd(int fd, short events, int64_t deadlineMs);

// Writes length bytes to a non-blocking fd. Gives up when the deadline
// passes, or when stallMs > 0 and no byte was accepted for stallMs. Returns
// the bytes written; sets ok = false with errno kept in err on a failed
// write (a deadline is not a failure: the count is just short).
size_t WriteWithDeadline(int fd, const uint8_t* data, size_t length, int64_t deadlineMs,
                         int stallMs, bool sendSocket, bool& ok, int& err);

// Waits until a device has finished its last write. The USB printer driver
// reports POLLOUT only once the block in flight has reached the printer, and
// its close() kills a block still in flight. Returns 1 when the device is
// writable again, 0 when the deadline passed first, -1 with err set when the
// device reported an error or hung up.
int WaitWritten(int fd, int64_t deadlineMs, int& err);

// Driver controls on the serial and parallel paths, behind one table so that
// tests can model drivers a pty cannot show (a UART whose close waits for a
// queue held by flow control, the parallel driver's abort flag). The defaults
// are the system calls; each returns 0 or -1 with errno set.
struct DeviceControl {
    int (*discardOutput)(int fd);                  // tcflush(TCOFLUSH)
    int (*limitClosingWait)(int fd, int centisec); // TIOCSSERIAL closing_wait
    int (*setLpAbort)(int fd, int on);             // LPABORT
    int (*setLpTimeout)(int fd, int64_t ms);       // LPSETTIMEOUT
};
DeviceControl& Devices();

// Closes fd unless it is negative, retrying nothing (close is never retried
// on Linux), and keeps errno unchanged.
void CloseQuietly(int fd);

} // namespace printune
