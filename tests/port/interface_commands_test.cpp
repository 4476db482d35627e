#include <gtest/gtest.h>

#include "port/interface_commands.h"

using namespace printune;

namespace {
PortSettings Serial(const char* baud, const char* parity, const char* data, const char* stop,
                    const char* flow) {
    PortSettings p;
    p.baudrate = baud;
    p.paritySetup = parity;
    p.dataBit = data;
    p.stopBit = stop;
    p.flowControl = flow;
    return p;
}
} // namespace

TEST(SerialConfigCommand, BytesByModelPosition) {
    struct Case {
        PortSettings pending;
        int position;
        uint8_t byte;
    } cases[] = {
        {Serial("115200", "Even", "8", "1", "DTR"), 1, 0x27},
        {Serial("115200", "Even", "8", "1", "DTR"), 3, 0x17},
        {Serial("9600", "Odd", "7", "2", "Xon/Xoff"), 1, 0xDB},
        {Serial("9600", "Odd", "7", "2", "Xon/Xoff"), 3, 0xEB},
        {Serial("9600", "Odd", "8", "1", "DTR"), 2, 0x13},
        {Serial("9600", "Even", "8", "1", "DTR"), 4, 0x03}, // no parity for position 4
        {Serial("9600", "Odd", "8", "1", "DTR"), 5, 0x03},
        {Serial("9600", "Odd", "8", "1", "DTR"), 0, 0x03},
        {Serial("1200", "None", "8", "1", "DTR"), 1, 0x00},
        {Serial("300", "Mark", "x", "1.5", "RTS"), 1, 0x00}, // unknown texts add nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(SerialConfigByte(c.pending, c.position), c.byte)
            << c.pending.baudrate << " " << c.pending.paritySetup << " pos " << c.position;

    std::vector<uint8_t> expected = {0x1B, 0x0D, 0x53, 0x1B, 0x23, 0x27, 0x1B, 0x10, 0x45};
    EXPECT_EQ(BuildSerialConfigCommand(Serial("115200", "Even", "8", "1", "DTR"), 1), expected);
    expected = {0x1B, 0x0D, 0x53, 0x1B, 0x40, 0x01, 0x1B, 0x10, 0x45};
    EXPECT_EQ(BuildWifiResetCommand(), expected);
}
