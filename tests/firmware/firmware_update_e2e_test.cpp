// The whole update against printune-sim: the version before and after, a
// printer that never comes back, an image the model does not take.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <unistd.h>

#include "base/language.h"
#include "firmware/firmware_update.h"
#include "port/printer_port.h"
#include "support/sim_process.h"

using namespace printune;
using namespace printune_test;

namespace {

class FirmwareUpdateE2E : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = CurrentPortSettings();
        savedFilter_ = CurrentUsbFilter();
        dir_ = std::filesystem::temp_directory_path() /
               ("printune-fw-update-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        SetUsbFilter(filter_);
    }
    void TearDown() override {
        SetCurrentPortSettings(savedSettings_);
        SetUsbFilter(savedFilter_);
        std::filesystem::remove_all(dir_);
    }
    std::string MakeFile(const std::string& name, size_t size) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << std::string(size, 'k');
        return path;
    }
    PortSettings Lan(const SimProcess& sim) {
        PortSettings s = CurrentPortSettings();
        s.portType = PORT_LAN;
        s.printerModel = "KP-520";
        s.ipAddr = "127.0.0.1";
        s.listenPort = sim.TcpPort();
        SetCurrentPortSettings(s);
        return s;
    }
    FirmwareUpdateRequest Request(const std::string& path, const DownloadModeResult& entered) {
        FirmwareUpdateRequest q;
        q.path = path;
        q.printerModel = "KP-520";
        q.portType = PORT_LAN;
        q.downloadMode = true;
        q.languageId = LANG_ENGLISH;
        q.versionBefore = entered.versionBefore;
        return q;
    }

    const UsbFilter filter_{"7A3E", "5C19", 1};
    PortSettings savedSettings_;
    UsbFilter savedFilter_;
    std::filesystem::path dir_;
};

TEST_F(FirmwareUpdateE2E, VersionReadBeforeTheCommandAndAfterThePrinterRestarted) {
    SimProcess sim({"--fw-version-after", "KP520 V2.20 2026-11-30"});
    PrinterPortLink link(Lan(sim));
    const DownloadModeResult entered = EnterDownloadMode(link, "KP-520", LANG_ENGLISH);
    ASSERT_TRUE(entered.send.ok);
    ASSERT_EQ(entered.versionBefore, std::optional<std::string>("KP520 V2.16 2026-05-12"));

    std::vector<UpdateStage> stages;
    const FirmwareUpdateResult r = RunFirmwareUpdate(
        link, Request(MakeFile("kp.bin", 5000), entered), {}, [&](const UpdateProgress& p) {
            if (stages.empty() || stages.back() != p.stage)
                stages.push_back(p.stage);
        });
    ASSERT_TRUE(r.transfer.ok);
    EXPECT_EQ(r.check, PrinterCheck::Back);
    EXPECT_EQ(r.versionAfter, std::optional<std::string>("KP520 V2.20 2026-11-30"));
    ASSERT_TRUE(r.versionNotice);
    EXPECT_EQ(r.versionNotice->text, "Firmware KP520 V2.16 2026-05-12 → KP520 V2.20 2026-11-30");
    EXPECT_EQ(stages,
              (std::vector<UpdateStage>{UpdateStage::Sending, UpdateStage::WaitingForReturn}));
    // On the wire: version request, command, image, version request.
    std::vector<uint8_t> wire = FirmwareVersionRequest();
    const std::vector<uint8_t> command = DownloadModeCommand();
    wire.insert(wire.end(), command.begin(), command.end());
    wire.insert(wire.end(), 5000, 'k');
    const std::vector<uint8_t> ask = FirmwareVersionRequest();
    wire.insert(wire.end(), ask.begin(), ask.end());
    ASSERT_TRUE(sim.WaitReceived("tcp", wire.size()));
    EXPECT_EQ(sim.Received("tcp"), wire);
    EXPECT_EQ(CurrentUsbFilter(), filter_);
}

TEST_F(FirmwareUpdateE2E, APrinterThatDoesNotComeBackGetsTheRecoveryAdvice) {
    SimProcess sim({"--gone-after-update"});
    PrinterPortLink link(Lan(sim));
    const DownloadModeResult entered = EnterDownloadMode(link, "KP-520", LANG_ENGLISH);
    ASSERT_TRUE(entered.send.ok);
    FirmwareUpdateRequest q = Request(MakeFile("kp.bin", 3000), entered);
    q.returnMaxMs = 4000;
    const FirmwareUpdateResult r = RunFirmwareUpdate(link, q, {}, {});
    ASSERT_TRUE(r.transfer.ok);
    EXPECT_EQ(r.check, PrinterCheck::NotBack);
    EXPECT_FALSE(r.versionAfter);
    ASSERT_TRUE(r.versionNotice);
    EXPECT_EQ(r.versionNotice->severity, Severity::Warning);
    EXPECT_NE(r.versionNotice->text.find("manual update mode"), std::string::npos);
}

TEST_F(FirmwareUpdateE2E, ReceiptFirmwareForALabelModelIsRefusedBeforeAnythingHappens) {
    SimProcess sim;
    PrinterPortLink link(Lan(sim));
    FirmwareUpdateRequest q = Request(MakeFile("receipt.fw", 300), {});
    q.downloadMode = false;
    UsbFilter seen;
    const FirmwareUpdateResult r =
        RunFirmwareUpdate(link, q, {}, [&](const UpdateProgress&) { seen = CurrentUsbFilter(); });
    EXPECT_TRUE(r.refused);
    EXPECT_FALSE(r.transfer.ok);
    ASSERT_TRUE(r.transfer.notice);
    EXPECT_NE(r.transfer.notice->text.find("KP-520"), std::string::npos);
    EXPECT_TRUE(seen.Empty());
    EXPECT_EQ(CurrentUsbFilter(), filter_);
    usleep(200000);
    EXPECT_TRUE(sim.Received("tcp").empty());
}

TEST_F(FirmwareUpdateE2E, AReceiptPrinterIsNotAskedForItsVersion) {
    SimProcess sim({"--no-tcp", "--usb", "7A3E:3D71"});
    sim.ExportEnvironment();
    PortSettings s = CurrentPortSettings();
    s.portType = PORT_USB;
    SetCurrentPortSettings(s);
    SetUsbFilter(UsbFilter{"7A3E", "3D71", 0});
    PrinterPortLink link(s);
    FirmwareUpdateRequest q;
    q.path = MakeFile("p.FW", 400);
    q.printerModel = "HT-740";
    q.portType = PORT_USB;
    const FirmwareUpdateResult r = RunFirmwareUpdate(link, q, {}, {});
    ASSERT_TRUE(r.transfer.ok) << (r.transfer.notice ? r.transfer.notice->text : "");
    EXPECT_EQ(r.check, PrinterCheck::NotChecked);
    ASSERT_TRUE(sim.WaitReceived("usb0", 404));
    EXPECT_EQ(sim.Received("usb0").size(), 404u);
}

} // namespace
