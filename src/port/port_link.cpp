#include "port/port_link.h"

#include <algorithm>
#include <cstdio>
#include <poll.h>

#include "base/device_texts.h"
#include "port/port_errors.h"
#include "port/printer_port.h"

namespace printune {

PrinterPortLink::PrinterPortLink(CPrinterPort& port, const PortSettings& settings,
                                 std::string address)
    : port_(port), address_(std::move(address)) {
    port_.portType = settings.portType;
    port_.comName = settings.comPortName;
    port_.lptName = settings.lptPortName;
}

PrinterPortLink::PrinterPortLink(const PortSettings& settings, std::string address)
    : owned_(std::make_unique<CPrinterPort>()), port_(*owned_), address_(std::move(address)) {
    port_.portType = settings.portType;
    port_.comName = settings.comPortName;
    port_.lptName = settings.lptPortName;
}

PrinterPortLink::~PrinterPortLink() {
    port_.Close();
}

bool PrinterPortLink::WaitForInput(int ms) {
    if (port_.portType != PORT_COM || port_.handles[0] < 0)
        return true;
    pollfd p{port_.handles[0], POLLIN, 0};
    // Errors and hang-ups count as ready: the read reports them.
    return ::poll(&p, 1, ms) != 0;
}

int PrinterPortLink::Open() {
    return port_.Open(address_);
}

int PrinterPortLink::Write(const uint8_t* data, int32_t length) {
    port_.data = data;
    port_.length = length;
    return port_.Write();
}

int PrinterPortLink::Read(uint8_t* buffer, int size) {
    return port_.Read(buffer, size);
}

int PrinterPortLink::Flush() {
    return port_.Flush();
}

int PrinterPortLink::Close() {
    return port_.Close();
}

int32_t PrinterPortLink::PortType() const {
    return port_.portType;
}

int PrinterPortLink::LastErrno() const {
    return port_.LastErrno();
}

Notice OpenFailureNotice(const PortError& error, Severity severity, int languageId) {
    Notice n;
    n.severity = severity;
    n.text = PortErrorMessage(error, languageId);
    if (n.text.empty())
        n.text = DeviceTextString(DeviceText::PortUnavailable, languageId);
    n.hint = PortErrorHint(error, languageId);
    return n;
}

Notice OpenFailureNotice(PortLink& link, int code, Severity severity, int languageId) {
    if (code != 0)
        return OpenFailureNotice(PortError(code, link.PortType(), link.LastErrno()), severity,
                                 languageId);
    return Notice{severity, DeviceTextString(DeviceText::PortUnavailable, languageId)};
}

namespace {

// A raised failure brings its cause's remedy line (a printer that closed
// the connection, a device that went away).
SendOutcome WriteFailure(int languageId, const PortError* error = nullptr) {
    SendOutcome out;
    out.portError = error ? error->Code() : 0;
    out.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::SendFailed, languageId),
                        error ? PortErrorHint(*error, languageId) : std::string()};
    return out;
}

} // namespace

SendOutcome SendToPrinter(PortLink& link, const std::vector<uint8_t>& bytes, int languageId,
                          size_t maxWrite) {
    LinkCloser closer(link);
    SendOutcome out;
    try {
        if (link.Open() != 1) {
            out.notice = OpenFailureNotice(link, 0, Severity::Warning, languageId);
            return out;
        }
    } catch (const PortError& e) {
        out.portError = e.Code();
        out.notice = OpenFailureNotice(e, Severity::Warning, languageId);
        return out;
    }
    size_t chunk = maxWrite == 0 ? bytes.size() : maxWrite;
    size_t pos = 0;
    try {
        while (pos < bytes.size()) {
            size_t n = std::min(chunk, bytes.size() - pos);
            int written = link.Write(bytes.data() + pos, static_cast<int32_t>(n));
            // A printer that takes fewer bytes than offered has not got the
            // command: report it rather than claim success.
            if (written != static_cast<int>(n)) {
                SendOutcome fail = WriteFailure(languageId);
                fail.bytesSent = static_cast<int64_t>(pos) + (written > 0 ? written : 0);
                return fail;
            }
            pos += n;
        }
        link.Flush();
    } catch (const PortError& e) {
        SendOutcome fail = WriteFailure(languageId, &e);
        fail.bytesSent = static_cast<int64_t>(pos);
        return fail;
    }
    out.ok = true;
    out.bytesSent = static_cast<int64_t>(pos);
    return out;
}

std::string PercentCaption(int64_t sent, int64_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld%%",
                  static_cast<long long>(total > 0 ? sent * 100 / total : 0));
    return text;
}

} // namespace printune
