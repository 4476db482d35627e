// The termios a COM open applies, checked on the struct itself: a pty
// ignores parity, byte size and modem lines, so the byte flow tests cannot.
#include <gtest/gtest.h>

#include "port/serial_config.h"

using namespace printune;

namespace {

// A line as a device might report it before we open it: 2400 7E2, software
// flow with IXANY, cooked input.
termios DeviceLine() {
    termios t{};
    t.c_iflag = ICRNL | IXON | IXOFF | IXANY | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CS7 | PARENB | CSTOPB | CREAD | HUPCL;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    t.c_cc[VSTART] = 0x01;
    t.c_cc[VSTOP] = 0x02;
    cfsetispeed(&t, B2400);
    cfsetospeed(&t, B2400);
    return t;
}

PortSettings Line(const char* baud, const char* parity, const char* bits, const char* stop,
                  const char* flow) {
    PortSettings s;
    s.baudrate = baud;
    s.paritySetup = parity;
    s.dataBit = bits;
    s.stopBit = stop;
    s.flowControl = flow;
    return s;
}

TEST(SerialLine, DefaultsGiveRaw9600N81WithHardwareFlowAndDtr) {
    SerialLineConfig c = BuildSerialLineConfig(DeviceLine(), Line("9600", "None", "8", "1", "DTR"));
    const termios& t = c.tio;
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_TRUE(c.baudApplied);
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD), 0u);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
    EXPECT_EQ(c.dtr, DtrAction::Assert);
    // Parity checking is on whatever the parity.
    EXPECT_NE(t.c_iflag & INPCK, 0u);
    // Raw: no cooking in either direction, reads never wait in the driver.
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | BRKINT), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    // Bits the mapping does not own keep the device's value.
    EXPECT_NE(t.c_cflag & HUPCL, 0u);
}

TEST(SerialLine, XonXoffTurnsHardwareFlowOffAndSoftwareFlowOnWithoutIxany) {
    termios device = DeviceLine();
    device.c_cflag |= CRTSCTS;
    device.c_iflag &= ~(IXON | IXOFF);
    SerialLineConfig c = BuildSerialLineConfig(device, Line("9600", "None", "8", "1", "Xon/Xoff"));
    EXPECT_EQ(c.tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(c.tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(c.tio.c_iflag & IXANY, 0u);
    EXPECT_EQ(c.tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(c.tio.c_cc[VSTOP], 0x13);
    EXPECT_EQ(c.dtr, DtrAction::Clear);
}

struct BaudCase {
    const char* text;
    speed_t expected; // B0: the device's speed stays
};

TEST(SerialLine, BaudTexts) {
    const BaudCase cases[] = {
        {"1200", B1200},     {"2400", B2400},   {"4800", B4800},   {"9600", B9600},
        {"19200", B19200},   {"38400", B38400}, {"57600", B57600}, {"115200", B115200},
        {"230400", B230400}, {"14400", B0},     {"", B0},          {"9600x", B0},
        {" 9600", B0},       {"-9600", B0},     {"abc", B0},
    };
    for (const BaudCase& c : cases) {
        SCOPED_TRACE(c.text);
        SerialLineConfig cfg =
            BuildSerialLineConfig(DeviceLine(), Line(c.text, "None", "8", "1", "DTR"));
        EXPECT_EQ(cfgetospeed(&cfg.tio),
                  c.expected == B0 ? static_cast<speed_t>(B2400) : c.expected);
        EXPECT_EQ(cfg.baudApplied, c.expected != B0);
    }
}

struct FrameCase {
    const char* parity;
    const char* bits;
    const char* stop;
    tcflag_t parityBits; // PARENB / PARODD expected
    tcflag_t size;
    bool twoStop;
};

TEST(SerialLine, ParityByteSizeAndStopBits) {
    // The device starts as 7E2: texts the mapping does not know keep that.
    const FrameCase cases[] = {
        {"None", "8", "1", 0, CS8, false},
        {"Even", "7", "2", PARENB, CS7, true},
        {"Odd", "8", "2", PARENB | PARODD, CS8, true},
        {"Mark", "8", "1", PARENB, CS8, false},
        {"none", "6", "1", PARENB, CS7, false},
        {"Odd", "", "3", PARENB | PARODD, CS7, true},
        {"Even", "9", "0", PARENB, CS7, true},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(std::string(c.parity) + "/" + c.bits + "/" + c.stop);
        SerialLineConfig cfg =
            BuildSerialLineConfig(DeviceLine(), Line("9600", c.parity, c.bits, c.stop, "DTR"));
        EXPECT_EQ(cfg.tio.c_cflag & (PARENB | PARODD), c.parityBits);
        EXPECT_EQ(cfg.tio.c_cflag & CSIZE, c.size);
        EXPECT_EQ((cfg.tio.c_cflag & CSTOPB) != 0, c.twoStop);
    }
}

TEST(SerialLine, UnknownFlowTextKeepsTheDevicesFlowSettings) {
    termios device = DeviceLine();
    SerialLineConfig c = BuildSerialLineConfig(device, Line("9600", "None", "8", "1", "RTS"));
    EXPECT_EQ(c.tio.c_iflag & (IXON | IXOFF | IXANY), device.c_iflag & (IXON | IXOFF | IXANY));
    EXPECT_EQ(c.tio.c_cflag & CRTSCTS, device.c_cflag & CRTSCTS);
    EXPECT_EQ(c.tio.c_cc[VSTART], 0x01);
    EXPECT_EQ(c.dtr, DtrAction::Keep);
}

TEST(SerialLine, RawWithoutFlowLetsXonAndXoffThrough) {
    termios t = DeviceLine();
    MakeRawTermios(t, true);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
    termios keep = DeviceLine();
    MakeRawTermios(keep);
    EXPECT_NE(keep.c_iflag & IXON, 0u);
}

} // namespace
