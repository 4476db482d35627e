#pragma once
// What the send engines (data and file sends, print tests, firmware, Wi-Fi
// and Bluetooth commands) need from a printer port, and the outcome they
// report. PrinterPortLink drives a CPrinterPort the way every page does; tests
// put scripted ports behind the same interface.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/notice.h"
#include "port/port_errors.h"
#include "port/port_settings.h"

namespace printune {

class CPrinterPort;

// Same contract as CPrinterPort: Open returns 1 (0: nothing could be opened),
// failures raise PortError, Write returns the count reported.
class PortLink {
public:
    virtual ~PortLink() = default;
    virtual int Open() = 0;
    virtual int Write(const uint8_t* data, int32_t length) = 0;
    virtual int Read(uint8_t* buffer, int size) = 0;
    // Waits until the printer has taken everything written (CPrinterPort::
    // Flush); raises 8003. No Write may follow.
    virtual int Flush() { return 1; }
    virtual int Close() = 0;
    virtual int32_t PortType() const = 0;
    virtual int LastErrno() const { return 0; }
    // Waits up to ms for input before a read that would block long (a
    // serial read waits for the port's own time-outs, seconds for a large
    // buffer), so a reply wait keeps its time-out and its stop token. True
    // when a read may follow.
    virtual bool WaitForInput(int ms) {
        (void)ms;
        return true;
    }
};

class PrinterPortLink final : public PortLink {
public:
    // Takes portType, comPortName and lptPortName from the settings copy; a
    // LAN port connects to address, or the current settings' ipAddr when it
    // is empty.
    PrinterPortLink(CPrinterPort& port, const PortSettings& settings,
                    std::string address = std::string());
    // Same, with a port of its own.
    explicit PrinterPortLink(const PortSettings& settings, std::string address = std::string());
    ~PrinterPortLink() override;

    int Open() override;
    int Write(const uint8_t* data, int32_t length) override;
    int Read(uint8_t* buffer, int size) override;
    int Flush() override;
    int Close() override;
    int32_t PortType() const override;
    int LastErrno() const override;
    bool WaitForInput(int ms) override;

private:
    std::unique_ptr<CPrinterPort> owned_;
    CPrinterPort& port_;
    std::string address_;
};

struct SendOutcome {
    bool ok = false;
    int portError = 0; // the code raised by the port, 0 when none
    int64_t bytesSent = 0;
    std::optional<Notice> notice;
};

// The notice for a failed Open: the standard message of the code for the
// port type with the remedy hint for its errno.
Notice OpenFailureNotice(const PortError& error, Severity severity, int languageId);
// The same for a code the link raised last (code 0: Open opened nothing).
Notice OpenFailureNotice(PortLink& link, int code, Severity severity, int languageId);

// One open, write, close of the given bytes, with the standard messages and
// warning icons. Bytes beyond maxWrite per write go out in further writes
// (0: everything in one write). Empty bytes open and close the port.
SendOutcome SendToPrinter(PortLink& link, const std::vector<uint8_t>& bytes, int languageId,
                          size_t maxWrite = 0);

// A PortLink in the shape of CPrinterPort (data, length, Open(address),
// Write(), Read, Close), for the request/reply exchange.
struct LinkAsPort {
    PortLink& link;
    const uint8_t* data = nullptr;
    int32_t length = 0;
    int Open(const std::string&) { return link.Open(); }
    int Write() { return link.Write(data, length); }
    int Read(uint8_t* buffer, int size) { return link.Read(buffer, size); }
    int Flush() { return link.Flush(); }
    int Close() { return link.Close(); }
};

// The reply wait of the exchange over a link.
inline bool WaitForInput(LinkAsPort& port, int ms) {
    return port.link.WaitForInput(ms);
}

// Closes the link when the scope ends, on every path.
class LinkCloser {
public:
    explicit LinkCloser(PortLink& link) : link_(link) {}
    ~LinkCloser() { link_.Close(); }
    LinkCloser(const LinkCloser&) = delete;
    LinkCloser& operator=(const LinkCloser&) = delete;

private:
    PortLink& link_;
};

// The progress caption of a send: "%d%%" of sent * 100 / total.
std::string PercentCaption(int64_t sent, int64_t total);

} // namespace printune
