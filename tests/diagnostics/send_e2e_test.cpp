// Data sends and print tests end to end against printune-sim over TCP.
#include <gtest/gtest.h>
#include <thread>

#include "base/language.h"
#include "diagnostics/data_send.h"
#include "diagnostics/print_tests.h"
#include "port/printer_port.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

class SendEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = CurrentPortSettings();
        settings_ = saved_;
        settings_.portType = PORT_LAN;
        settings_.ipAddr = "127.0.0.1";
        settings_.listenPort = sim_.TcpPort();
        SetCurrentPortSettings(settings_);
    }
    void TearDown() override { SetCurrentPortSettings(saved_); }

    SimProcess sim_{{"--model", "HT-740"}};
    PortSettings saved_;
    PortSettings settings_;
};

TEST_F(SendEndToEnd, LoopingDataSendStopsOnItsToken) {
    DataBytes bytes = BuildDataBytes("1B 40 48 49 0A", true, "GBK", LANG_ENGLISH);
    ASSERT_TRUE(bytes.ok);
    std::stop_source stop;
    PrinterPortLink link(settings_);
    int writes = 0;
    std::jthread worker([&] {
        writes = RunDataSend(link, bytes.bytes, true, 5, stop.get_token(), LANG_ENGLISH).writes;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    stop.request_stop();
    worker.join();
    ASSERT_GT(writes, 2);
    ASSERT_TRUE(sim_.WaitReceived("tcp", bytes.bytes.size() * static_cast<size_t>(writes)));
    std::vector<uint8_t> got = sim_.Received("tcp");
    EXPECT_EQ(got.size(), bytes.bytes.size() * static_cast<size_t>(writes));
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], bytes.bytes[i % bytes.bytes.size()]) << i;
}

// The same over a serial line (a pty), where writes go through termios.
TEST(SendEndToEndSerial, LoopingDataSendStopsOnItsToken) {
    SimProcess sim({"--no-tcp", "--com", "2=HT-740"});
    sim.ExportEnvironment();
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_COM;
    s.comPortName = "COM2";
    const std::vector<uint8_t> bytes = {0x1B, 0x40, 'O', 'K', 0x0A};
    std::stop_source stop;
    PrinterPortLink link(s);
    DataSendResult r =
        RunDataSend(link, bytes, true, 1, stop.get_token(), LANG_ENGLISH, [&](int writes, int64_t) {
            if (writes == 20)
                stop.request_stop();
        });
    ASSERT_TRUE(r.ok) << (r.notice ? r.notice->text : "");
    EXPECT_EQ(r.writes, 20);
    ASSERT_TRUE(sim.WaitReceived("COM2", bytes.size() * 20));
    std::vector<uint8_t> got = sim.Received("COM2");
    ASSERT_EQ(got.size(), bytes.size() * 20);
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], bytes[i % bytes.size()]) << i;
}

TEST_F(SendEndToEnd, PrintTestsArriveAsTheirEvents) {
    PrinterPortLink link(settings_);
    ASSERT_TRUE(SendToPrinter(link, FixedTestBytes(FixedTest::Drawer1), LANG_ENGLISH).ok);
    ASSERT_TRUE(SendToPrinter(link, BaudRateTestBytes(3), LANG_ENGLISH).ok);
    std::vector<std::string> events;
    for (int i = 0; i < 200 && events.size() < 2; ++i) {
        events.clear();
        for (const std::string& line : sim_.CaptureLines("tcp"))
            if (line.find("drawer 1 pulse") != std::string::npos ||
                line.find("baud rate 9600") != std::string::npos)
                events.push_back(line);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(events.size(), 2u);
}

} // namespace
