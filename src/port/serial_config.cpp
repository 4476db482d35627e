#include "port/serial_config.h"

#include <charconv>

namespace printune {

namespace {
bool ParseDecimal(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}
} // namespace

speed_t BaudConstant(const std::string& text) {
    long rate = 0;
    if (!ParseDecimal(text, rate))
        return B0;
    struct Entry {
        long rate;
        speed_t constant;
    };
    static const Entry kRates[] = {
        {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const Entry& e : kRates)
        if (e.rate == rate)
            return e.constant;
    return B0;
}

void MakeRawTermios(struct termios& t, bool withoutFlow) {
    if (withoutFlow)
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

SerialLineConfig BuildSerialLineConfig(const struct termios& current, const PortSettings& s) {
    SerialLineConfig cfg;
    termios& t = cfg.tio;
    t = current;
    MakeRawTermios(t);

    speed_t speed = BaudConstant(s.baudrate);
    if (speed != B0) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        cfg.baudApplied = true;
    }

    // Parity errors are checked; without PARMRK a bad byte reads as 0.
    t.c_iflag |= INPCK;
    if (s.paritySetup == "None")
        t.c_cflag &= ~(PARENB | PARODD);
    else if (s.paritySetup == "Even")
        t.c_cflag = (t.c_cflag | PARENB) & ~PARODD;
    else if (s.paritySetup == "Odd")
        t.c_cflag |= PARENB | PARODD;

    long value = 0;
    if (ParseDecimal(s.dataBit, value) && (value == 7 || value == 8))
        t.c_cflag = (t.c_cflag & ~CSIZE) | (value == 7 ? CS7 : CS8);

    if (s.flowControl == "DTR") {
        // Linux offers neither DSR output flow control nor a DTR handshake
        // mode; the nearest is RTS/CTS hardware flow with DTR held asserted.
        t.c_cflag |= CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        cfg.dtr = DtrAction::Assert;
    } else if (s.flowControl == "Xon/Xoff") {
        // Not IXANY: a status byte from the printer must not resume output
        // that the printer stopped with XOFF.
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag = (t.c_iflag | IXON | IXOFF) & ~IXANY;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
        cfg.dtr = DtrAction::Clear;
    }

    if (ParseDecimal(s.stopBit, value)) {
        if (value == 1)
            t.c_cflag &= ~CSTOPB;
        else if (value == 2)
            t.c_cflag |= CSTOPB;
    }
    return cfg;
}

} // namespace printune
