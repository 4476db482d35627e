// Placeholder until the Linux transports land: constructs, closes, parses
// device paths; every Open fails.
#include "port/printer_port.h"

#include <unistd.h>

#include "port/port_errors.h"

namespace printune {

CPrinterPort::CPrinterPort() {
    for (int& h : handles)
        h = NO_HANDLE;
}

CPrinterPort::~CPrinterPort() {
    Close();
}

int CPrinterPort::Open(const std::string&) {
    Raise(PORT_ERR_OPEN, 0);
}
int CPrinterPort::Write() {
    return 0;
}
int CPrinterPort::Read(uint8_t*, int) {
    return 0;
}

int CPrinterPort::Close() {
    for (int& h : handles) {
        if (h != NO_HANDLE)
            ::close(h);
        h = NO_HANDLE;
    }
    if (socket != NO_HANDLE)
        ::close(socket);
    socket = NO_HANDLE;
    return 1;
}

int CPrinterPort::OpenHandleCount() const {
    int n = 0;
    for (int h : handles)
        n += h != NO_HANDLE;
    return n;
}

bool CPrinterPort::GetVidPidFromPath(const std::string&, std::string&, std::string&) {
    return false;
}

void CPrinterPort::Raise(int code, int err) {
    lastErrno_ = err;
    throw code;
}

} // namespace printune
