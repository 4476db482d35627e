#pragma once
// CPrinterPort: one open / write / read / close interface over the four
// transports (serial, parallel, USB printer class, TCP). Failures are raised
// as PortError (port_errors.h), which carries the code, the errno and the
// port type; LastErrno() keeps the errno of the last failure as well.
#include <cstdint>
#include <string>

#include <termios.h>

#include "port/port_errors.h"
#include "port/port_settings.h"

namespace printune {

class CPrinterPort {
public:
    static constexpr int HANDLE_SLOTS = 10;
    static constexpr int NO_HANDLE = -1;
    // A USB, LPT or TCP read waits at most this long and then returns 0, so
    // callers' time-outs and stop flags are honoured.
    static constexpr int READ_SLICE_MS = 100;
    // Upper bound of a TCP connect (Linux would otherwise wait ~2 minutes).
    static constexpr int CONNECT_TIMEOUT_MS = 10000;
    // How long the end of a TCP session may go without the printer
    // acknowledging any more of what was written; then the data counts as
    // not delivered.
    static constexpr int TCP_CLOSE_LINGER_MS = 2000;
    // A serial close gives up a queue held by flow control after this long
    // (centiseconds, the driver's unit).
    static constexpr int COM_CLOSING_WAIT_CS = 100;
    // Constant part of the COM and LPT write deadlines, and how long a USB or
    // TCP write may go without the printer accepting a byte before it fails.
    static constexpr int WRITE_GRACE_MS = 10000;

    CPrinterPort();
    ~CPrinterPort();
    CPrinterPort(const CPrinterPort&) = delete;
    CPrinterPort& operator=(const CPrinterPort&) = delete;

    // Returns 1 on success; 0 for an unknown port type or when no TCP socket
    // can be created; raises 8000, 8002, 8005 or 8006. Whatever an earlier
    // Open left open is closed first.
    int Open(const std::string& address = std::string());
    // Sends length bytes from data; returns the count; raises 8003.
    int Write();
    // Reads at most size bytes; returns the count (0: nothing within the
    // slice or time-out); raises 8004. USB: every open printer is read into
    // the same buffer; the count is that of the last printer that answered.
    int Read(uint8_t* buffer, int size);
    // Waits until the printer has taken everything written: over TCP the
    // write side is ended and every byte must be acknowledged without a
    // reset within TCP_CLOSE_LINGER_MS of the last progress. USB writes
    // already wait for the driver before returning. Raises 8003; returns 1.
    // No Write may follow on the same Open.
    int Flush();
    // Closes every descriptor and the socket. Always returns 1.
    int Close();

    // Finds "VID_xxxx" and "PID_xxxx" in a device path (case-insensitive).
    // False, outputs untouched, when either mark is missing.
    static bool GetVidPidFromPath(const std::string& path, std::string& vid, std::string& pid);

    // errno of the failure behind the last raised code (0 when none).
    int LastErrno() const { return lastErrno_; }
    // Number of handle slots holding a descriptor (USB: printers open).
    int OpenHandleCount() const;

    const uint8_t* data = nullptr;
    int32_t length = 0;
    int32_t portType = PORT_COM;
    std::string lptName;
    std::string comName;
    int handles[HANDLE_SLOTS];
    int socket = NO_HANDLE;
    struct termios dcb {};
    // WRITE_GRACE_MS unless a caller (a test) shortens it.
    int writeGraceMs = WRITE_GRACE_MS;

private:
    int OpenCom();
    int OpenLpt();
    int OpenUsb();
    int OpenLan(const std::string& address);
    static int FinishTcp(int fd, int& err);
    int ReadCom(uint8_t* buffer, int size);
    int ReadSlice(uint8_t* buffer, int size);
    int WriteTransport();
    int WriteUsb();
    // How the trace names the endpoint of an Open.
    std::string TraceEndpointOf(const std::string& address) const;
    int WriteLan();
    [[noreturn]] void Raise(int code, int err);

    int lastErrno_ = 0;
    bool comExclusive_ = false; // slot 0 holds a tty we set TIOCEXCL on
    bool outputStuck_ = false;  // a COM write failed: its queue must be discarded
    bool tcpFinished_ = false;  // Flush ended the TCP session already
    bool fanOutTold_ = false;   // the USB fan-out was reported for this Open
    int replySlot_ = NO_HANDLE; // USB: the printer whose reply is being read
    std::string traceEndpoint_; // set by Open while tracing
    bool traceBusy_ = false;    // counted as an open traced port
};

} // namespace printune
