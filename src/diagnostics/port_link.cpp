#include "diagnostics/port_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "diagnostics/device_texts.h"
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

int PrinterPortLink::Close() {
    return port_.Close();
}

int32_t PrinterPortLink::PortType() const {
    return port_.portType;
}

int PrinterPortLink::LastErrno() const {
    return port_.LastErrno();
}

Notice OpenFailureNotice(PortLink& link, int code, Severity severity, int languageId) {
    Notice n;
    n.severity = severity;
    n.text = code == 0 ? std::string() : PortErrorMessage(code, link.PortType(), languageId);
    if (n.text.empty())
        n.text = DeviceTextString(DeviceText::PortUnavailable, languageId);
    if (code != 0)
        n.hint = PortErrorHint(code, link.PortType(), link.LastErrno(), languageId);
    return n;
}

namespace {

SendOutcome WriteFailure(int languageId, int code) {
    SendOutcome out;
    out.portError = code;
    out.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::SendFailed, languageId)};
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
    } catch (int code) {
        out.portError = code;
        out.notice = OpenFailureNotice(link, code, Severity::Warning, languageId);
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
                SendOutcome fail = WriteFailure(languageId, 0);
                fail.bytesSent = static_cast<int64_t>(pos) + (written > 0 ? written : 0);
                return fail;
            }
            pos += n;
        }
    } catch (int code) {
        SendOutcome fail = WriteFailure(languageId, code);
        fail.bytesSent = static_cast<int64_t>(pos);
        return fail;
    }
    out.ok = true;
    out.bytesSent = static_cast<int64_t>(pos);
    return out;
}

bool PauseFor(int ms, std::stop_token stop) {
    if (ms <= 0)
        return !stop.stop_requested();
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, stop, std::chrono::milliseconds(ms), [] { return false; });
    return !stop.stop_requested();
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, int* err) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    auto fail = [&](int e) {
        if (err)
            *err = e;
        if (fd >= 0)
            ::close(fd);
        out.clear();
        return false;
    };
    if (fd < 0)
        return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (S_ISREG(st.st_mode))
        out.reserve(static_cast<size_t>(st.st_size));
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        out.insert(out.end(), buffer, buffer + n);
    }
    ::close(fd);
    if (err)
        *err = 0;
    return true;
}

} // namespace printune
