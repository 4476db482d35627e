// Each transport end to end through real descriptors against printune-sim.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "port/port_errors.h"
#include "port_test_util.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

const std::vector<uint8_t> kRequest = HexBytes("1B 0D 53 1B 33 00 1B 10 45");
const std::vector<uint8_t> kReply = HexBytes("06 11 22 33");

struct TransportCase {
    const char* name;
    std::vector<std::string> simArgs;
    int portType;
    const char* endpoint;
};

void PrintTo(const TransportCase& c, std::ostream* os) {
    *os << c.name;
}

class Transport : public ::testing::TestWithParam<TransportCase> {};

TEST_P(Transport, OpenWriteReadClose) {
    const TransportCase& c = GetParam();
    ScopedPortState state;
    std::vector<std::string> args = c.simArgs;
    args.insert(args.end(), {"--model", "silent", "--reply", "1B0D531B3300=06112233"});
    SimProcess sim(args);
    sim.ExportEnvironment();

    PortSettings s = CurrentPortSettings();
    s.listenPort = sim.TcpPort();
    s.ipAddr = "127.0.0.1";
    SetCurrentPortSettings(s);
    SetUsbFilter(UsbFilter{"7A3E", "5C19", 1});

    CPrinterPort port;
    port.portType = c.portType;
    port.comName = "COM1";
    port.lptName = "LPT2";
    port.data = kRequest.data();
    port.length = static_cast<int>(kRequest.size());
    ASSERT_EQ(port.Open(), 1);
    EXPECT_EQ(port.Write(), static_cast<int>(kRequest.size()));
    EXPECT_EQ(ReadReply(port, kReply.size()), kReply);
    EXPECT_EQ(port.Close(), 1);
    EXPECT_EQ(port.OpenHandleCount(), 0);
    ASSERT_TRUE(sim.WaitReceived(c.endpoint, kRequest.size()));
    EXPECT_EQ(sim.Received(c.endpoint), kRequest);
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, Transport,
    ::testing::Values(TransportCase{"Serial", {"--com", "1"}, PORT_COM, "COM1"},
                      TransportCase{"Parallel", {"--lpt", "2"}, PORT_LPT, "LPT2"},
                      TransportCase{"Usb", {"--usb", "7A3E:5C19"}, PORT_USB, "usb0"},
                      TransportCase{"Tcp", {}, PORT_LAN, "tcp"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
