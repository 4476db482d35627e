// Firmware updates end to end: images through a real port to printune-sim.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "base/language.h"
#include "firmware/firmware_transfer.h"
#include "port/printer_port.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

class FirmwareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = CurrentPortSettings();
        savedFilter_ = CurrentUsbFilter();
        dir_ = std::filesystem::temp_directory_path() /
               ("printune-fw-e2e-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        SetCurrentPortSettings(savedSettings_);
        SetUsbFilter(savedFilter_);
        std::filesystem::remove_all(dir_);
    }
    std::vector<uint8_t> MakeFile(const std::string& name, size_t size, std::string& path) {
        std::vector<uint8_t> bytes(size);
        uint32_t x = 12345;
        for (auto& b : bytes) {
            x = x * 1103515245 + 12345;
            b = static_cast<uint8_t>(x >> 16);
        }
        path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(size));
        return bytes;
    }
    static bool HasEvent(const SimProcess& sim, const std::string& endpoint,
                         const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            for (const std::string& line : sim.CaptureLines(endpoint))
                if (line.find(text) != std::string::npos)
                    return true;
            usleep(10000);
        }
        return false;
    }

    PortSettings savedSettings_;
    UsbFilter savedFilter_;
    std::filesystem::path dir_;
    std::stop_source stop_;
};

TEST_F(FirmwareEndToEnd, LabelFirmwareOverTcpAfterDownloadMode) {
    SimProcess sim;
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_LAN;
    s.ipAddr = "127.0.0.1";
    s.listenPort = sim.TcpPort();
    SetCurrentPortSettings(s);
    const UsbFilter before{"7A3E", "5C19", 1};
    SetUsbFilter(before);

    CPrinterPort port;
    PrinterPortLink link(port, s);
    ASSERT_TRUE(SendDownloadCommand(link, LANG_ENGLISH).ok);
    std::string path;
    auto file = MakeFile("kp520.bin", 200 * 1024 + 37, path);
    std::vector<int> percents;
    TransferResult r =
        UpdateFirmware(link, path, true, stop_.get_token(), LANG_ENGLISH,
                       [&](const TransferProgress& p) { percents.push_back(p.percent); });
    ASSERT_TRUE(r.ok) << (r.notice ? r.notice->text : "");
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(CurrentUsbFilter(), before);

    std::vector<uint8_t> expected = DownloadModeCommand();
    expected.insert(expected.end(), file.begin(), file.end());
    ASSERT_TRUE(sim.WaitReceived("tcp", expected.size()));
    EXPECT_EQ(sim.Received("tcp"), expected);
    EXPECT_TRUE(HasEvent(sim, "tcp", "firmware: download mode"));
    EXPECT_TRUE(HasEvent(sim, "tcp", "label image " + std::to_string(file.size()) + " bytes"));
}

TEST_F(FirmwareEndToEnd, ReceiptFirmwareReachesTheUsbPrinterThroughTheSwitchedFilter) {
    SimProcess sim({"--no-tcp", "--usb", "7A3E:3D71"});
    sim.ExportEnvironment();
    // The filter of the other receipt model: without the switch to 3D71 no
    // printer would be found.
    const UsbFilter before{"7A3E", "3D72", 0};
    SetUsbFilter(before);
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_USB;

    std::string path;
    auto file = MakeFile("ht740.FW", 50 * 1024 + 3, path);
    PrinterPortLink link(s);
    TransferResult r = UpdateFirmware(link, path, false, stop_.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.ok) << (r.notice ? r.notice->text : "");
    EXPECT_EQ(CurrentUsbFilter(), before);

    std::vector<uint8_t> expected = {'U', 'D', 'F', 'W'};
    expected.insert(expected.end(), file.begin(), file.end());
    ASSERT_TRUE(sim.WaitReceived("usb0", expected.size()));
    EXPECT_EQ(sim.Received("usb0"), expected);

    // And with the filter restored, the printer is out of reach again.
    PrinterPortLink again(s);
    TransferResult none = TransferImage(again, BuildImage(ImageKind::LabelFile, file), false,
                                        stop_.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(CurrentUsbFilter(), before);
}

TEST_F(FirmwareEndToEnd, LabelFirmwareOverSerial) {
    SimProcess sim({"--no-tcp", "--com", "3=KP-740"});
    sim.ExportEnvironment();
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_COM;
    s.comPortName = "COM3";
    std::string path;
    auto file = MakeFile("kp740.BIN", 20 * 1000 + 11, path);
    PrinterPortLink link(s);
    ASSERT_TRUE(SendDownloadCommand(link, LANG_ENGLISH).ok);
    // The printer takes its time to restart into download mode; meanwhile
    // the next open of the line must not meet the command still queued
    // (opening a serial port drops what is pending on it).
    ASSERT_TRUE(sim.WaitReceived("COM3", DownloadModeCommand().size()));
    TransferResult r = UpdateFirmware(link, path, true, stop_.get_token(), LANG_ENGLISH);
    ASSERT_TRUE(r.ok) << (r.notice ? r.notice->text : "");
    EXPECT_EQ(r.writes, 101);
    std::vector<uint8_t> expected = DownloadModeCommand();
    expected.insert(expected.end(), file.begin(), file.end());
    ASSERT_TRUE(sim.WaitReceived("COM3", expected.size()));
    EXPECT_EQ(sim.Received("COM3"), expected);
}

TEST_F(FirmwareEndToEnd, RefusedConnectionLeavesTheFilterAlone) {
    SimProcess sim;
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_LAN;
    s.ipAddr = "127.0.0.1";
    s.listenPort = sim.TcpPort();
    sim.Stop();
    SetCurrentPortSettings(s);
    const UsbFilter before{"7A3E", "5C19", 1};
    SetUsbFilter(before);
    std::string path;
    MakeFile("font.cg", 1000, path);
    PrinterPortLink link(s);
    TransferResult r = UpdateFirmware(link, path, false, stop_.get_token(), LANG_ENGLISH);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.portError, 8000);
    EXPECT_EQ(r.notice->severity, Severity::Error);
    EXPECT_EQ(CurrentUsbFilter(), before);
}

} // namespace
